// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/toolkit/input_refusal.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPointer>

#include <vector>

namespace vp {

namespace {

// A disabled window takes no key input, but its menu bar watches the window's
// keys through a filter of its own, and Alt would still select its first menu.
class KeyDropper : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::InputMethod:
            // An accepted shortcut override keeps a mnemonic from firing; the
            // key press that follows is dropped as well.
            event->accept();
            return true;
        default:
            return QObject::eventFilter(watched, event);
        }
    }
};

} // namespace

struct InputRefusal::Held {
    struct Button {
        QPointer<QAbstractButton> button;
        bool checked = false;
        bool signalsBlocked = false;
    };
    KeyDropper dropper;
    std::vector<QPointer<QWidget>> windows;
    std::vector<QPointer<QAction>> actions;
    std::vector<QPointer<QWidget>> focus;
    std::vector<Button> buttons;
    std::vector<QMetaObject::Connection> textGuards;
};

InputRefusal::InputRefusal() : held_(std::make_unique<Held>())
{
    qApp->installEventFilter(&held_->dropper);
    // The focus leaves first, so that disabling its control does not pass
    // it on to the next one in the tab order (a screen reader would announce
    // each move).
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (QWidget* focus = window->focusWidget()) {
            held_->focus.emplace_back(focus);
            focus->clearFocus();
        }
    }
    for (QWidget* widget : QApplication::allWidgets()) {
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            held_->buttons.push_back({button, button->isChecked(), button->blockSignals(true)});
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            held_->textGuards.push_back(QObject::connect(edit, &QLineEdit::textChanged, edit,
                                                         [edit, text = edit->text()] {
                                                             if (edit->text() != text) edit->setText(text);
                                                         }));
        }
        // A disabled window leaves its menu commands enabled, and a screen
        // reader can still choose them.
        for (QAction* action : widget->actions()) {
            if (!action->isEnabled()) continue;
            action->setEnabled(false);
            held_->actions.emplace_back(action);
        }
        if (widget->isWindow()) {
            widget->setEnabled(false);
            held_->windows.emplace_back(widget);
        }
    }
}

InputRefusal::~InputRefusal()
{
    // Input that arrived in the meantime and is still queued meets the
    // refusal too, rather than being handled once it ends.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    for (const auto& guard : held_->textGuards) QObject::disconnect(guard);
    // Checked buttons first: checking an option unchecks the others of its group.
    for (const bool checked : {true, false}) {
        for (const auto& held : held_->buttons)
            if (held.button && held.button->isCheckable() && held.checked == checked) held.button->setChecked(checked);
    }
    for (const auto& held : held_->buttons)
        if (held.button) held.button->blockSignals(held.signalsBlocked);
    for (const auto& window : held_->windows)
        if (window) window->setEnabled(true);
    for (const auto& action : held_->actions)
        if (action) action->setEnabled(true);
    for (const auto& focus : held_->focus)
        if (focus && focus->isEnabled()) focus->setFocus(Qt::OtherFocusReason);
    qApp->removeEventFilter(&held_->dropper);
}

} // namespace vp
