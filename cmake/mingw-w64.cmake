# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the POSIX
# threads flavour, package g++-mingw-w64-x86-64-posix).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VP_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_CXX_COMPILER ${VP_MINGW_PREFIX}-g++-posix)
set(CMAKE_C_COMPILER ${VP_MINGW_PREFIX}-gcc-posix)
set(CMAKE_RC_COMPILER ${VP_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VP_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
