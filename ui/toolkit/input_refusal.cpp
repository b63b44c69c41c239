// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/toolkit/input_refusal.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPalette>
#include <QPointer>

#include <vector>

namespace vp {

namespace {

bool isKeyInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
        return true;
    default:
        return false;
    }
}

class KeyDropper : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!isKeyInput(event->type())) return QObject::eventFilter(watched, event);
        // An accepted shortcut override keeps a mnemonic from firing; the
        // key press that follows is dropped as well.
        event->accept();
        return true;
    }
};

// A control that does something when used. Labels and pictures take no
// action (a picture box takes the focus only to pass it on); disabling one
// would grey its picture.
bool acts(const QWidget* widget)
{
    if (qobject_cast<const QMenuBar*>(widget)) return true;
    return !widget->isWindow() && widget->focusPolicy() != Qt::NoFocus && !qobject_cast<const QLabel*>(widget);
}

} // namespace

struct InputRefusal::Held {
    struct Control {
        QPointer<QWidget> widget;
        bool checked = false;
        bool signalsBlocked = false;
    };
    KeyDropper dropper;
    std::vector<QPointer<QWidget>> focus;
    std::vector<Control> controls;
    std::vector<QPointer<QAction>> actions;
    std::vector<QMetaObject::Connection> textGuards;
};

InputRefusal::InputRefusal() : held_(std::make_unique<Held>())
{
    qApp->installEventFilter(&held_->dropper);
    const QWidgetList windows = QApplication::topLevelWidgets();
    // The focus leaves first, so that disabling its control does not pass
    // it on to the next one in the tab order (a screen reader would announce
    // each move).
    for (QWidget* window : windows) {
        if (QWidget* focus = window->focusWidget()) {
            held_->focus.emplace_back(focus);
            focus->clearFocus();
        }
    }
    for (QWidget* window : windows) {
        for (QWidget* widget : window->findChildren<QWidget*>()) {
            // Already disabled on purpose (or by an earlier pass: a menu is a
            // window of its own as well as a child): stays as it is.
            if (!acts(widget) || widget->testAttribute(Qt::WA_ForceDisabled)) continue;
            Held::Control control{widget};
            if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
                control.checked = button->isChecked();
                control.signalsBlocked = button->blockSignals(true);
            }
            if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
                held_->textGuards.push_back(QObject::connect(edit, &QLineEdit::textChanged, edit,
                                                             [edit, text = edit->text()] {
                                                                 if (edit->text() != text) edit->setText(text);
                                                             }));
            }
            widget->setEnabled(false);
            held_->controls.push_back(control);
        }
        for (QAction* action : window->findChildren<QAction*>()) {
            if (!action->isEnabled()) continue;
            action->setEnabled(false);
            held_->actions.emplace_back(action);
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
        for (const auto& control : held_->controls) {
            auto* button = qobject_cast<QAbstractButton*>(control.widget.data());
            if (button && button->isCheckable() && control.checked == checked) button->setChecked(checked);
        }
    }
    for (const auto& control : held_->controls) {
        if (!control.widget) continue;
        control.widget->setEnabled(true);
        if (auto* button = qobject_cast<QAbstractButton*>(control.widget.data()))
            button->blockSignals(control.signalsBlocked);
    }
    for (const auto& action : held_->actions)
        if (action) action->setEnabled(true);
    for (const auto& focus : held_->focus)
        if (focus && focus->isEnabled()) focus->setFocus(Qt::OtherFocusReason);
    qApp->removeEventFilter(&held_->dropper);
}

void keepLookWhenDisabled(QApplication& application)
{
    const QPalette normal = application.palette();
    QPalette palette = normal;
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
        const auto colourRole = static_cast<QPalette::ColorRole>(role);
        if (colourRole == QPalette::NoRole) continue;
        palette.setBrush(QPalette::Disabled, colourRole, normal.brush(QPalette::Active, colourRole));
    }
    QApplication::setPalette(palette);
    QApplication::setPalette(normal, "QMenu");
}

} // namespace vp
