// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keeps every line the drive layer reports while it lives; the sink is
// removed again when it goes.

#include "drive/diagnostics.h"

#include <string>
#include <vector>

namespace vp {

class DiagnosticsRecorder {
public:
    DiagnosticsRecorder()
    {
        setDiagnosticsSink([this](const std::string& line) { lines.push_back(line); });
    }
    ~DiagnosticsRecorder() { setDiagnosticsSink(nullptr); }
    DiagnosticsRecorder(const DiagnosticsRecorder&) = delete;
    DiagnosticsRecorder& operator=(const DiagnosticsRecorder&) = delete;

    std::vector<std::string> lines;
};

} // namespace vp
