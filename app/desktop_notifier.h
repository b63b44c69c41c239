// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A desktop notification: a few words from the program in the desktop's own
// place for them, with the program's name and icon, that come and go without
// taking the keyboard from any window.

#include <QString>

#include <memory>

namespace vp {

class DesktopNotifier {
public:
    virtual ~DesktopNotifier() = default;
    // Shows one notification. Returns at once, on the window thread, whatever
    // the desktop does: with no notification service nothing shows, and
    // nothing waits or complains.
    virtual void notify(const QString& summary, const QString& body) = 0;
};

// The desktop's own notifications: the freedesktop service on the session
// bus; on Windows, the balloon of a notification-area icon.
std::unique_ptr<DesktopNotifier> makeDesktopNotifier();

} // namespace vp
