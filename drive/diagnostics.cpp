// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "drive/diagnostics.h"

#include <mutex>
#include <utility>

namespace vp {

namespace {

// Tray commands run on a worker thread while the program may install or
// remove a sink on its own thread.
std::mutex sinkMutex;

DiagnosticsSink& installedSink()
{
    static DiagnosticsSink sink;
    return sink;
}

} // namespace

void setDiagnosticsSink(DiagnosticsSink sink)
{
    const std::lock_guard lock(sinkMutex);
    installedSink() = std::move(sink);
}

void reportDiagnostic(const std::string& line)
{
    DiagnosticsSink sink;
    {
        const std::lock_guard lock(sinkMutex);
        sink = installedSink();
    }
    if (sink) sink(line);
}

} // namespace vp
