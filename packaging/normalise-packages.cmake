# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Run by cpack once it has made the packages (CPACK_POST_BUILD_SCRIPTS): the
# .deb and the zip are rewritten by normalise_package.py so that two builds
# of one commit give the same bytes. (The installer .exe is left as it is.)
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    if(package MATCHES "\\.(deb|zip)$")
        find_program(VP_PYTHON3 python3 REQUIRED)
        execute_process(
            COMMAND "${VP_PYTHON3}" "${CMAKE_CURRENT_LIST_DIR}/normalise_package.py"
                    "$ENV{SOURCE_DATE_EPOCH}" "${package}"
            COMMAND_ERROR_IS_FATAL ANY)
    endif()
endforeach()
