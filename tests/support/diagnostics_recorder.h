// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keeps every failure the drive layer reports, and every finished line the
// program says, while it lives; both sinks are removed again when it goes.

#include "app/drive_messages.h"
#include "drive/drive_result.h"
#include "tests/support/failure_facts.h"

#include <string>
#include <vector>

namespace vp {

class DiagnosticsRecorder {
public:
    DiagnosticsRecorder()
    {
        setFailureSink([this](const DriveFailure& failure) { failures.push_back(failure); });
        setDiagnosticsSink([this](const std::string& line) { lines.push_back(line); });
    }
    ~DiagnosticsRecorder()
    {
        setFailureSink(nullptr);
        setDiagnosticsSink(nullptr);
    }
    DiagnosticsRecorder(const DiagnosticsRecorder&) = delete;
    DiagnosticsRecorder& operator=(const DiagnosticsRecorder&) = delete;

    // Each failure as the program's standard error line says it.
    std::vector<std::string> rendered() const
    {
        std::vector<std::string> result;
        for (const auto& failure : failures) result.push_back(failureLine(failure));
        return result;
    }

    // Each failure's kind and facts (tests/support/failure_facts.h).
    std::vector<std::string> facts() const
    {
        std::vector<std::string> result;
        for (const auto& failure : failures) result.push_back(failureFacts(failure));
        return result;
    }

    std::vector<DriveFailure> failures;
    std::vector<std::string> lines;
};

} // namespace vp
