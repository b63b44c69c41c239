// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Waiting for slow work the way a modal box waits. The work runs on a thread
// of its own while this thread goes on handling events: the windows repaint
// and every timer ticks, but the program's windows refuse input while the
// work lasts (ui/toolkit/input_refusal.h), and nothing of it is replayed after.

#include <chrono>
#include <functional>

namespace vp {

// Runs `work` off this thread and returns what it returned once it is done;
// an exception it threw is thrown here. Should the application be told to
// quit meanwhile (its last window closed), the wait ends at once with the
// user-interrupt run-time error and the work is left to finish on its own.
int waitWhileWorking(std::function<int()> work);

// Waits up to `bound` for work that a wait gave up on to finish. Answers
// whether none is left running; at once when there was none.
bool waitForAbandonedWork(std::chrono::milliseconds bound);

} // namespace vp
