# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# The Windows package (preset "windows"): `cpack` makes
# vorkula-ponkka-<version>-win64.zip, and the installer
# vorkula-ponkka-<version>-win64.exe as well when NSIS's makensis is there.
# The program sits at the top of the package with everything it loads
# beside it:
#
#   vorkula-ponkka.exe
#   Qt6Core.dll, Qt6Gui.dll, Qt6Widgets.dll, libstdc++-6.dll, ...
#   platforms/qwindows.dll            the Windows platform plugin
#   imageformats/qjpeg.dll            reads the banner and portrait
#   styles/qwindowsvistastyle.dll     Qt's default style on Windows
#   translations/qtbase_fi.qm         Qt's own texts in Finnish
#   translations/vorkula-ponkka_fi.qm the program's own (translations/)
#   qt.conf                           tells Qt where the above are
#   LiberationSansNarrow-Regular.ttf  the windows' font, loaded from here at
#                                     start-up (Windows has no copy of it)
#   LiberationSansNarrow-LICENSE.txt  its licence terms (GPL-2 with the
#   LiberationSansNarrow-GPL-2.txt    Liberation font exceptions)
#
# The DLLs are not listed here: they are read off the program and the plugins
# with objdump, recursively, and taken from Qt's prefix and the MinGW-w64
# run-time. What is found nowhere there is Windows's own.

# A window program: no console window beside it.
set_target_properties(vorkula-ponkka PROPERTIES WIN32_EXECUTABLE ON)

# Qt's Finnish texts come from the host's qt6-translations-l10n; Qt's
# translations are the same for every platform.
find_file(VP_QTBASE_FI qtbase_fi.qm
    PATHS /usr/share/qt6/translations
    NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT VP_QTBASE_FI)
    message(FATAL_ERROR "qtbase_fi.qm not found: install qt6-translations-l10n")
endif()

# Where the DLLs may come from: Qt's own bin/ and MinGW-w64's run-time.
get_target_property(vp_qt_core_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
get_filename_component(vp_qt_bin "${vp_qt_core_dll}" DIRECTORY)
set(vp_dll_dirs "${vp_qt_bin}")
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}")
        message(FATAL_ERROR "MinGW-w64 run-time ${dll} not found by ${CMAKE_CXX_COMPILER}")
    endif()
    get_filename_component(dir "${path}" DIRECTORY)
    list(APPEND vp_dll_dirs "${dir}")
endforeach()
list(REMOVE_DUPLICATES vp_dll_dirs)

if(NOT CMAKE_OBJDUMP)
    message(FATAL_ERROR "no objdump for Windows binaries (binutils-mingw-w64-x86-64)")
endif()

# Each plugin goes into the folder Qt looks for it in, beside the program.
set(vp_plugins
    "platforms=$<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>"
    "imageformats=$<TARGET_FILE:Qt6::QJpegPlugin>"
    "styles=$<TARGET_FILE:Qt6::QWindowsVistaStylePlugin>")

install(FILES "${VP_QTBASE_FI}" DESTINATION translations)

# The font comes from the host's fonts-liberation as a file of its own, with
# that package's licence terms and the GPL-2 text they refer to; nothing of it
# is built into the program.
find_file(VP_NARROW_FONT LiberationSansNarrow-Regular.ttf
    PATHS /usr/share/fonts/truetype/liberation NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT VP_NARROW_FONT)
    message(FATAL_ERROR "LiberationSansNarrow-Regular.ttf not found: install fonts-liberation")
endif()
install(FILES "${VP_NARROW_FONT}" DESTINATION .)
install(FILES /usr/share/doc/fonts-liberation/copyright DESTINATION . RENAME LiberationSansNarrow-LICENSE.txt)
install(FILES /usr/share/common-licenses/GPL-2 DESTINATION . RENAME LiberationSansNarrow-GPL-2.txt)
install(FILES "${CMAKE_CURRENT_SOURCE_DIR}/windows-qt.conf" DESTINATION . RENAME qt.conf)

# The plugins, then the DLLs that the program and the plugins link and the
# DLLs those link, all stripped like the program itself when the install
# strips (cpack does).
install(CODE "
    set(vp_executable \"$<TARGET_FILE:vorkula-ponkka>\")
    set(vp_plugins \"${vp_plugins}\")
    set(vp_dll_dirs \"${vp_dll_dirs}\")
    set(vp_objdump \"${CMAKE_OBJDUMP}\")
    set(vp_strip \"${CMAKE_STRIP}\")
")
install(CODE [[
    cmake_policy(PUSH)
    cmake_policy(VERSION 3.25)
    function(vp_ship file folder)
        file(INSTALL "${file}" DESTINATION "${CMAKE_INSTALL_PREFIX}/${folder}")
        if(CMAKE_INSTALL_DO_STRIP)
            get_filename_component(name "${file}" NAME)
            execute_process(COMMAND "${vp_strip}" "${CMAKE_INSTALL_PREFIX}/${folder}/${name}"
                            RESULT_VARIABLE failed)
            if(failed)
                message(FATAL_ERROR "${vp_strip} failed on ${folder}/${name}")
            endif()
        endif()
    endfunction()

    set(modules "")
    foreach(plugin IN LISTS vp_plugins)
        string(REPLACE "=" ";" plugin "${plugin}")
        list(GET plugin 0 folder)
        list(GET plugin 1 file)
        vp_ship("${file}" "${folder}")
        list(APPEND modules "${file}")
    endforeach()

    # Windows compares DLL names regardless of case; the folders here are on
    # a file system that does not, so every DLL they hold is known by its
    # lower-case name.
    set(known_names "")
    set(known_paths "")
    foreach(dir IN LISTS vp_dll_dirs)
        file(GLOB dlls "${dir}/*.dll")
        foreach(path IN LISTS dlls)
            get_filename_component(name "${path}" NAME)
            string(TOLOWER "${name}" name)
            if(NOT name IN_LIST known_names)
                list(APPEND known_names "${name}")
                list(APPEND known_paths "${path}")
            endif()
        endforeach()
    endforeach()

    # What each binary imports, as objdump reads it, followed through.
    set(queue "${vp_executable}" ${modules})
    set(seen "")
    set(resolved "")
    set(unresolved "")
    while(queue)
        list(POP_FRONT queue binary)
        execute_process(COMMAND "${vp_objdump}" -p "${binary}"
                        OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
        if(failed)
            message(FATAL_ERROR "${vp_objdump} cannot read ${binary}")
        endif()
        string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${dump}")
        foreach(import IN LISTS imports)
            string(REGEX REPLACE "^DLL Name: " "" name "${import}")
            string(STRIP "${name}" name)
            string(TOLOWER "${name}" name)
            if(name IN_LIST seen)
                continue()
            endif()
            list(APPEND seen "${name}")
            list(FIND known_names "${name}" index)
            if(index EQUAL -1)
                list(APPEND unresolved "${name}")
            else()
                list(GET known_paths ${index} path)
                list(APPEND resolved "${path}")
                list(APPEND queue "${path}")
            endif()
        endforeach()
    endwhile()

    foreach(dll IN LISTS resolved)
        vp_ship("${dll}" .)
    endforeach()
    # Qt's and MinGW-w64's DLLs are named Qt6* and lib*; Windows has none
    # such, so one left unresolved would be missing from the package.
    foreach(name IN LISTS unresolved)
        if(name MATCHES "^(qt6|lib)")
            message(FATAL_ERROR "${name} is linked but was not found in ${vp_dll_dirs}")
        endif()
    endforeach()
    list(LENGTH resolved count)
    message(STATUS "Shipped ${count} DLLs; left to Windows: ${unresolved}")
    cmake_policy(POP)
]])
if(NOT CMAKE_STRIP)
    message(FATAL_ERROR "no strip for Windows binaries (binutils-mingw-w64-x86-64)")
endif()

set(CPACK_PACKAGE_NAME vorkula-ponkka)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vorkula Ponkka")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Opens and closes the CD drive's tray")
set(CPACK_PACKAGE_FILE_NAME vorkula-ponkka-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Vorkula Ponkka")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR ZIP)
# The zip's folders 0755 whatever the builder's umask, as in the .deb.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_SOURCE_DIR}/package-permissions.cmake)

# The installer: the same folder into Program Files, a Start-menu entry, and
# an uninstaller listed among the installed programs.
find_program(VP_MAKENSIS makensis)
if(VP_MAKENSIS)
    list(APPEND CPACK_GENERATOR NSIS)
    # A 64-bit installer: a 64-bit program needs no 32-bit Windows to install.
    set(CPACK_NSIS_DEFINES "Target amd64-unicode")
    set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
    set(CPACK_NSIS_PACKAGE_NAME "Vorkula Ponkka")
    set(CPACK_NSIS_DISPLAY_NAME "Vorkula Ponkka")
    set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
    set(CPACK_PACKAGE_EXECUTABLES vorkula-ponkka "Vorkula Ponkka")
    set(CPACK_NSIS_INSTALLED_ICON_NAME vorkula-ponkka.exe)
    set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
    # The licence the program is under, as Debian's base-files carries it.
    set(CPACK_RESOURCE_FILE_LICENSE /usr/share/common-licenses/GPL-3)
endif()
include(CPack)
