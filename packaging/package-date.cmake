# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Read by cpack before it packs (CPACK_PROJECT_CONFIG_FILE). CMake's archive
# writer gives every member the time SOURCE_DATE_EPOCH names and leaves
# gzip's time stamp out, and MinGW-w64's strip writes it into each Windows
# binary it strips, but only when cpack's own environment has it: so it gets
# the date the build was configured with, unless whoever runs cpack has
# chosen one.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    set(ENV{SOURCE_DATE_EPOCH} "${CPACK_VP_SOURCE_DATE_EPOCH}")
endif()
