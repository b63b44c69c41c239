// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "On error, leave quietly": the error handler that the tray and Apply
// handlers arm at their start. A run-time error ends the body where it was
// raised, with no message; whatever the body did before stays done. Other
// exceptions are not the program's run-time errors and are not swallowed.

#include "runtime/runtime_error.h"

#include <utility>

namespace vp {

template <typename Body>
void runSilently(Body&& body)
{
    try {
        std::forward<Body>(body)();
    } catch (const RuntimeError&) {
    }
}

} // namespace vp
