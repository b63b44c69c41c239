# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The Python test harnesses share one support package, tests/support/harness.
#
# vp_add_python_test(NAME SCRIPT [ARGS ...] [LABELS ...] [ENVIRONMENT ...])
# runs SCRIPT with the build machine's python3 and the support package on
# its path, writing no bytecode caches into the source tree.
# Debian's own Python, which has the Debian Python modules the harnesses use
# (pyatspi), whatever other Python comes first on the PATH.
find_program(VP_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED NO_CMAKE_FIND_ROOT_PATH)
set(VP_PYTHON_SUPPORT "${CMAKE_CURRENT_LIST_DIR}/../tests/support")
cmake_path(NORMAL_PATH VP_PYTHON_SUPPORT)

function(vp_add_python_test name script)
    cmake_parse_arguments(ARG "" "" "ARGS;LABELS;ENVIRONMENT" ${ARGN})
    add_test(NAME ${name} COMMAND "${VP_PYTHON3}" "${script}" ${ARG_ARGS})
    set_tests_properties(${name} PROPERTIES
        LABELS "${ARG_LABELS}"
        ENVIRONMENT "PYTHONPATH=${VP_PYTHON_SUPPORT};PYTHONDONTWRITEBYTECODE=1;${ARG_ENVIRONMENT}")
endfunction()
