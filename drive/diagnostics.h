// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the drive layer says why a tray did not move. The windows never show
// it: the program installs a sink that writes each line on standard error,
// and tests install one that keeps them.

#include <functional>
#include <string>

namespace vp {

// One line per failed tray action, without its line ending: the device, the
// reason in plain words and, where there is one, the remedy.
using DiagnosticsSink = std::function<void(const std::string& line)>;

// Until a sink is installed, diagnostics go nowhere.
void setDiagnosticsSink(DiagnosticsSink sink);

// Hands a line to the installed sink.
void reportDiagnostic(const std::string& line);

} // namespace vp
