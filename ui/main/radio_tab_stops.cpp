// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/radio_tab_stops.h"

#include <QEvent>
#include <QList>
#include <QRadioButton>

namespace vp {

namespace {

// Qt moves the stop to a button as it gains the focus (which an accessibility
// client can give an unselected one); the stop goes back to the selection
// once the focus leaves that button, and follows the selection as it changes.
class TabStopKeeper : public QObject {
public:
    TabStopKeeper(QWidget* container, QList<QRadioButton*> group) : QObject(container), group_(std::move(group))
    {
        for (QRadioButton* button : group_) {
            button->installEventFilter(this);
            connect(button, &QRadioButton::toggled, this, &TabStopKeeper::settle);
        }
        settle();
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::FocusOut) settle();
        return false;
    }

private:
    void settle()
    {
        QRadioButton* stop = group_.front();
        for (QRadioButton* button : group_) {
            if (button->isChecked()) stop = button;
        }
        for (QRadioButton* button : group_) {
            const Qt::FocusPolicy policy = button->focusPolicy();
            button->setFocusPolicy(button == stop ? Qt::FocusPolicy(policy | Qt::TabFocus)
                                                  : Qt::FocusPolicy(policy & ~Qt::TabFocus));
        }
    }

    QList<QRadioButton*> group_;
};

} // namespace

void keepTabStopOnSelection(QWidget* container)
{
    const QList<QRadioButton*> group = container->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
    if (!group.isEmpty()) new TabStopKeeper(container, group);
}

} // namespace vp
