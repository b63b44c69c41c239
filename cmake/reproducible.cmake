# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Two builds of one commit make the same bytes, in whatever folder, at
# whatever time and under whatever umask they run (the reproducible-builds.org
# practice that Debian checks its packages against).

# Folders: the compiler writes the paths of the sources it reads into the
# debug information (which the package strips, but the linker's build-id is
# a hash taken before that) and into __FILE__. The build folder comes last so
# that it wins where it lies inside the source folder. And the clock: the
# compiler would write it for __DATE__ and __TIME__, which are refused.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.
                        -ffile-prefix-map=${PROJECT_BINARY_DIR}=build
                        -Werror=date-time)
endif()

# moc includes the header it read by a path relative to its own output,
# which runs from the build folder to the source folder; given a prefix, it
# names the header as the sources do, from the one include root.
set(CMAKE_AUTOMOC_PATH_PREFIX ON)

# Time: one date stands for the build wherever a tool would write the clock.
# SOURCE_DATE_EPOCH from the environment when it is set, else the date of the
# last commit; configuring again after each commit keeps it current.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(VP_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
else()
    find_package(Git QUIET)
    if(GIT_FOUND)
        execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
            WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
            OUTPUT_VARIABLE VP_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
            ERROR_QUIET)
        execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --path-format=absolute --git-path logs/HEAD
            WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
            OUTPUT_VARIABLE vp_head_log OUTPUT_STRIP_TRAILING_WHITESPACE
            ERROR_QUIET)
        if(EXISTS "${vp_head_log}")
            set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${vp_head_log}")
        endif()
    endif()
    if(VP_SOURCE_DATE_EPOCH STREQUAL "")
        message(WARNING "Neither SOURCE_DATE_EPOCH nor a git history: the build records the time it runs at, "
                        "so two builds differ. Set SOURCE_DATE_EPOCH to make them the same.")
        return()
    endif()
endif()
if(NOT VP_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    message(FATAL_ERROR "SOURCE_DATE_EPOCH is '${VP_SOURCE_DATE_EPOCH}', not a count of seconds since 1970")
endif()

# The tools that would write the clock read SOURCE_DATE_EPOCH from their
# environment. In the build that is Qt's rcc (each resource's time, else the
# file's), reached through CMake's launcher rule for custom commands, the one
# hook there is. The compiler is left out, so that a commit rebuilds no
# object: it refuses __DATE__ and __TIME__ instead (above).
set_property(GLOBAL PROPERTY RULE_LAUNCH_CUSTOM
    "\"${CMAKE_COMMAND}\" -E env SOURCE_DATE_EPOCH=${VP_SOURCE_DATE_EPOCH}")

# In packing it is cpack: every member of the .deb and the zip carries that
# time, and gzip none; and MinGW-w64's strip, which cpack runs on the Windows
# program and DLLs, stamps it into their PE headers instead of the clock.
# What else of the builder CMake 3.25 lets into them is taken out once they
# are made.
set(CPACK_VP_SOURCE_DATE_EPOCH ${VP_SOURCE_DATE_EPOCH})
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/packaging/package-date.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/normalise-packages.cmake)
