// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Waiting for slow work the way a modal box waits. The work runs on a thread
// of its own while this thread goes on handling events: the windows repaint
// and every timer ticks, but mouse and keyboard input to the program's
// windows is dropped while the work lasts, never kept to be replayed after.

#include <functional>

namespace vp {

// Runs `work` off this thread and returns what it returned once it is done;
// an exception it threw is thrown here. Should the application be told to
// quit meanwhile (its last window closed), the wait ends at once with the
// user-interrupt run-time error and the work is left to finish on its own.
int waitWhileWorking(std::function<int()> work);

// Whether work that a wait gave up on is still running. The process then
// ends without waiting for it.
bool abandonedWorkIsRunning();

} // namespace vp
