# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# The whole program for 64-bit Windows: MinGW-w64 (cmake/mingw-w64.cmake)
# and the Qt that scripts/windows/build-qt.sh builds into
#     ${XDG_CACHE_HOME:-$HOME/.cache}/vorkula-ponkka/qt-<version>-mingw64
# Another prefix can be given with -DVP_WINDOWS_QT_PREFIX=... . Qt's build
# tools (moc, rcc, uic) are the host's, from Debian's qt6-base-dev-tools.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

if(NOT VP_WINDOWS_QT_PREFIX)
    if(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
        set(_vp_cache "$ENV{XDG_CACHE_HOME}/vorkula-ponkka")
    else()
        set(_vp_cache "$ENV{HOME}/.cache/vorkula-ponkka")
    endif()
    # The newest finished build; an unfinished one has no completion stamp.
    file(GLOB _vp_stamps "${_vp_cache}/qt-*-mingw64/.vorkula-ponkka-complete")
    list(SORT _vp_stamps COMPARE NATURAL ORDER DESCENDING)
    if(NOT _vp_stamps)
        message(FATAL_ERROR "No Qt for Windows in ${_vp_cache}: run scripts/windows/build-qt.sh first "
                            "(or pass -DVP_WINDOWS_QT_PREFIX=...)")
    endif()
    list(GET _vp_stamps 0 _vp_stamp)
    get_filename_component(_vp_prefix "${_vp_stamp}" DIRECTORY)
    set(VP_WINDOWS_QT_PREFIX "${_vp_prefix}" CACHE PATH "Qt built for Windows with MinGW-w64")
endif()
# Try-compile projects read the toolchain again; hand them the prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VP_WINDOWS_QT_PREFIX)

list(APPEND CMAKE_FIND_ROOT_PATH "${VP_WINDOWS_QT_PREFIX}")
list(APPEND CMAKE_PREFIX_PATH "${VP_WINDOWS_QT_PREFIX}")
set(QT_HOST_PATH /usr CACHE PATH "Where the host's Qt build tools live")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH
    "CMake packages of the host's Qt build tools")
