// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's one message box: modal, with a text, a title, an OK button
// and optionally the information icon. It returns when the user dismisses it;
// timers keep ticking meanwhile.

#include <QString>

#include <functional>

namespace vp {

inline const QString kApplicationTitle = QStringLiteral("Vorkula Ponkka");

enum class BoxIcon { None, Information };

struct MessageBoxCall {
    QString text;
    QString title;
    BoxIcon icon;
};

void showMessageBox(const QString& text, const QString& title = kApplicationTitle,
                    BoxIcon icon = BoxIcon::None);

// Test seam: while an observer is installed, every call goes to it instead of
// a real box and returns as soon as the observer does.
using MessageBoxObserver = std::function<void(const MessageBoxCall&)>;
void setMessageBoxObserver(MessageBoxObserver observer);

} // namespace vp
