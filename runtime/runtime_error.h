// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's own run-time error: the one kind of failure that a handler's
// silent error handler swallows. Anything else escaping a handler is a bug.

#include <stdexcept>
#include <string>

namespace vp {

// Error numbers follow the classic run-time error table, so that a failure
// reads the same wherever it is raised.
enum class ErrorCode : int {
    Overflow = 6,
    TypeMismatch = 13,
    UserInterrupt = 18,
    DllNotFound = 48,
    InvalidPropertyValue = 380,
    EntryPointNotFound = 453,
};

class RuntimeError : public std::runtime_error {
public:
    RuntimeError(ErrorCode code, const std::string& what)
        : std::runtime_error(what), code_(code) {}
    ErrorCode code() const noexcept { return code_; }

private:
    ErrorCode code_;
};

} // namespace vp
