#!/bin/sh
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Brings the catalogues in translations/ up to date with the program's
# sources: a text new in the sources is added to each catalogue, unfinished
# and untranslated, and a text gone from them is dropped. Then translate the
# new entries (Qt Linguist, or the .ts by hand, removing type="unfinished")
# and rebuild. Needs Qt's lupdate (qt6-l10n-tools).
#
# Only C++ sources are read: the windows' forms (*.ui) hold the windows' own
# texts, which stay Finnish in every locale and must not be translated. No
# source locations are written, so that the catalogue changes only when a
# text does.
set -eu
cd "$(dirname "$0")/.."
lupdate=${LUPDATE:-/usr/lib/qt6/bin/lupdate}
for catalogue in translations/*.ts; do
    "$lupdate" -silent -extensions cpp,h -no-obsolete -locations none -source-language en \
        app ui -ts "$catalogue"
done
