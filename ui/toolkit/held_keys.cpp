// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/toolkit/held_keys.h"

#include <QApplication>
#include <QKeyEvent>

namespace vp {

namespace {

class HeldMnemonicFilter : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type == QEvent::ShortcutOverride || type == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->isAutoRepeat() && key->modifiers().testFlag(Qt::AltModifier)) {
                // An accepted override keeps the shortcut from firing; the
                // key press that follows it is dropped.
                event->accept();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void ignoreHeldMnemonics(QApplication& application)
{
    application.installEventFilter(new HeldMnemonicFilter(&application));
}

} // namespace vp
