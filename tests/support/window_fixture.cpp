// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/window_fixture.h"

#include "app/wiring.h"
#include "drive/module1.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>
#include <QTest>

namespace vp::test {

QObject* findNamed(const QObject* root, const char* name, const char* type)
{
    for (QObject* found : root->findChildren<QObject*>(QLatin1String(name))) {
        if (found->inherits(type)) return found;
    }
    qFatal("no %s called %s", type, name);
}

void prepareProgram()
{
    QLocale::setDefault(QLocale(QLocale::Finnish, QLocale::Finland));
    prepareApplication(*qApp);
    connectDriveLayer();
}

void userClick(QWidget* widget)
{
    QWidget* window = widget->window();
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, widget->mapTo(window, widget->rect().center()));
}

void accessibleAction(QWidget* control, const QString& action, const QString& item)
{
    QAccessibleInterface* target = QAccessible::queryAccessibleInterface(control);
    for (int i = 0; !item.isEmpty() && i < target->childCount(); ++i) {
        if (target->child(i)->text(QAccessible::Name) == item) {
            target = target->child(i);
            break;
        }
    }
    if (!target->actionInterface()) qFatal("no accessible actions on %s", qPrintable(control->objectName()));
    target->actionInterface()->doAction(action);
}

void MainWindowFixture::setUp()
{
    // Whatever an earlier case changed and failed to restore starts afresh.
    QLocale::setDefault(QLocale(QLocale::Finnish, QLocale::Finland));
    drive = std::make_shared<RecordingMediaControl>();
    useDriveBackend(drive);
    boxes.clear();
    whileBoxIsUp = nullptr;
    setMessageBoxObserver([this](const MessageBoxCall& call) {
        boxes.push_back(call);
        if (whileBoxIsUp) whileBoxIsUp(call);
    });
    Module1::OpenCount = 7;
    Module1::CloseCount = 9;
    window_ = std::make_unique<FmPonkka>();
    window_->show();
    if (!QTest::qWaitForWindowExposed(window_.get())) qWarning("the main window was not exposed");
}

void MainWindowFixture::tearDown()
{
    window_.reset();
    // A box or window that a failed case left open must not block the next.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible()) widget->close();
    }
    setMessageBoxObserver(nullptr);
    Module1::setMediaControl(nullptr);
}

QString MainWindowFixture::label(const char* name) const { return child<QLabel>(name)->text(); }

void MainWindowFixture::tickGate(bool check2, bool check3) const
{
    child<QCheckBox>("Check2")->setChecked(check2);
    child<QCheckBox>("Check3")->setChecked(check3);
}

void MainWindowFixture::click(const char* name) const { QTest::mouseClick(child(name), Qt::LeftButton); }

void MainWindowFixture::apply(const char* option, const QString& delay) const
{
    child<QRadioButton>(option)->setChecked(true);
    child<QLineEdit>("TxtViive")->setText(delay);
    click("Command1");
}

} // namespace vp::test
