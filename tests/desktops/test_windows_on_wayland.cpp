// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The real windows on a Wayland compositor, as check_wayland.py runs them
// under weston: Qt picks its Wayland platform by itself, nothing warns, the
// main window has its size and the About window opens as its modal child.

#include "tests/support/window_fixture.h"
#include "ui/about/fm_tietoja.h"

#include <QAction>
#include <QApplication>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <QWindow>

using namespace vp;
using namespace vp::test;

class TestWindowsOnWayland : public QObject, private MainWindowFixture {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("wayland"));
        prepareProgram();
    }
    void init()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        setUp();
    }
    void cleanup() { tearDown(); }

    void theMainWindowHasItsSize()
    {
        QCOMPARE(surface()->size(), QSize(511, 304));
        QVERIFY(window().windowHandle()->isExposed());
    }

    void theAboutWindowOpensAsItsModalChild()
    {
        FmTietoja* seen = nullptr;
        QTimer::singleShot(0, this, [&] {
            // Whatever fails below, the window closes, so the menu's handler returns.
            const auto closeIt = qScopeGuard([] {
                if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
            });
            seen = qobject_cast<FmTietoja*>(QApplication::activeModalWidget());
            QVERIFY(seen);
            QVERIFY(QTest::qWaitForWindowExposed(seen));
            QCOMPARE(seen->windowHandle()->transientParent(), window().windowHandle());
            QCOMPARE(seen->windowModality(), Qt::ApplicationModal);
            QCOMPARE(QGuiApplication::modalWindow(), seen->windowHandle());
            QCOMPARE(seen->size(), QSize(342, 232));
        });
        window().findChild<QAction*>(QStringLiteral("mnutietoja"))->trigger();
        QVERIFY(seen);
    }
};

QTEST_MAIN(TestWindowsOnWayland)
#include "test_windows_on_wayland.moc"
