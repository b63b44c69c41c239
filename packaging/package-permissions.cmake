# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Run by CPack between installing into its staging folder and packing it:
# every folder 0755, every file 0644, or 0755 if it is a program, whatever the
# umask of whoever builds the package. (install() gives files fixed modes, but
# the folders it makes follow the umask: in CMake 3.25 even with
# CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS set.)
if(NOT IS_DIRECTORY "${CPACK_TEMPORARY_DIRECTORY}")
    message(FATAL_ERROR "no staging folder '${CPACK_TEMPORARY_DIRECTORY}' to set the permissions in")
endif()
execute_process(COMMAND chmod -R u=rwX,go=rX "${CPACK_TEMPORARY_DIRECTORY}" COMMAND_ERROR_IS_FATAL ANY)
