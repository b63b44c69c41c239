// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "drive/diagnostics.h"

#include <utility>

namespace vp {

namespace {

DiagnosticsSink& installedSink()
{
    static DiagnosticsSink sink;
    return sink;
}

} // namespace

void setDiagnosticsSink(DiagnosticsSink sink) { installedSink() = std::move(sink); }

void reportDiagnostic(const std::string& line)
{
    if (installedSink()) installedSink()(line);
}

} // namespace vp
