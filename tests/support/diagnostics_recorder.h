// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keeps every line the program says and every failure the drive layer
// reports (as facts, or rendered) while it lives; the sinks are removed again when it goes.

#include "app/drive_messages.h"
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
    ~DiagnosticsRecorder() { setDiagnosticsSink(nullptr); setFailureSink(nullptr); }
    DiagnosticsRecorder(const DiagnosticsRecorder&) = delete;
    DiagnosticsRecorder& operator=(const DiagnosticsRecorder&) = delete;

    std::vector<std::string> facts() const { return each(failureFacts); }
    std::vector<std::string> rendered() const { return each(failureLine); }

    std::vector<DriveFailure> failures;
    std::vector<std::string> lines;

private:
    std::vector<std::string> each(std::string (*say)(const DriveFailure&)) const
    {
        std::vector<std::string> result;
        for (const auto& failure : failures) result.push_back(say(failure));
        return result;
    }
};

} // namespace vp
