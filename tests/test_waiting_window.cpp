// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The main window while a slow drive moves its tray: the drive command runs
// off the window thread, the window keeps repainting and its timers ticking,
// input made in the wait is dropped rather than replayed, and the handler's
// steps keep their order. A held mnemonic is one click, not many.

#include "drive/module1.h"
#include "tests/support/window_fixture.h"
#include "ui/about/fm_tietoja.h"
#include "ui/toolkit/colours.h"
#include "ui/toolkit/modal_wait.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <set>

using namespace vp;
using namespace vp::test;
using namespace std::chrono_literals;

class TestWaitingWindow : public QObject, private MainWindowFixture {
    Q_OBJECT

    // Holds Alt+key down for `repeats` repeats, as a keyboard does, and lets
    // it go. qt_handleKeyEvent is what QTest's own key clicks go through; it
    // also takes the auto-repeat flag.
    void holdAltKey(Qt::Key key, const QString& text, int repeats)
    {
        QWindow* handle = window().windowHandle();
        qt_handleKeyEvent(handle, QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
        qt_handleKeyEvent(handle, QEvent::KeyPress, key, Qt::AltModifier, text);
        for (int i = 0; i < repeats; ++i) {
            QTest::qWait(30);
            qt_handleKeyEvent(handle, QEvent::KeyRelease, key, Qt::AltModifier, text, true);
            qt_handleKeyEvent(handle, QEvent::KeyPress, key, Qt::AltModifier, text, true);
        }
        qt_handleKeyEvent(handle, QEvent::KeyRelease, key, Qt::AltModifier, text);
        qt_handleKeyEvent(handle, QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
    }

private slots:
    void initTestCase() { prepareProgram(); }
    void init()
    {
        setUp();
        QApplication::setActiveWindow(&window());
        QVERIFY(QTest::qWaitForWindowActive(&window()));
        tickGate();
    }
    void cleanup() { tearDown(); }

    // During a 2 s drive command the colours keep cycling and an About
    // window's picture keeps sliding; the advert comes once the command has
    // returned, and the count after the advert.
    void theWindowLivesWhileTheDriveWorks()
    {
        apply("Option4", QStringLiteral("0,05"));
        std::set<std::uint32_t> coloursInTheWait;
        int ticksInTheWait = 0;
        for (const char* name : {"Timer1", "Timer2", "Timer3"}) {
            connect(timer(name), &IntervalTimer::tick, this, [&] {
                if (!drive->busy) return;
                ++ticksInTheWait;
                coloursInTheWait.insert(backgroundColour(surface()));
            });
        }
        FmTietoja about;
        about.show();
        const int pictureBefore = about.pictureTop();

        bool driveDoneAtAdvert = false;
        QString countAtAdvert;
        whileBoxIsUp = [&](const MessageBoxCall&) {
            driveDoneAtAdvert = !drive->busy && drive->commands.size() == 1;
            countAtAdvert = label("LblPonkka");
        };
        drive->takes = 2000ms;
        QElapsedTimer clock;
        clock.start();
        click("CmdPonkka");

        QVERIFY(clock.elapsed() >= 2000);
        QVERIFY2(ticksInTheWait >= 40, qPrintable(QString::number(ticksInTheWait)));
        QCOMPARE(coloursInTheWait.size(), std::size_t(3));
        QVERIFY2(about.pictureTop() >= pictureBefore + 3 * FmTietoja::kSlideStep,
                 qPrintable(QString::number(about.pictureTop())));
        QCOMPARE(boxes.size(), std::size_t(1));
        QCOMPARE(boxes[0].text, kOpenAdvert);
        QVERIFY(driveDoneAtAdvert);
        QCOMPARE(countAtAdvert, QStringLiteral("0"));
        QCOMPARE(label("LblPonkka"), QStringLiteral("1"));
    }

    // Clicks and keys made while the drive works reach nothing, then or later.
    void inputInTheWaitIsDroppedNotReplayed()
    {
        child<QCheckBox>("Check1")->setChecked(true); // no adverts
        drive->takes = 1000ms;
        QTimer::singleShot(200, this, [this] {
            for (int i = 0; i < 3; ++i) userClick(child("CmdPonkka"));
            userClick(child("CmdSulje"));
            userClick(child("Check1"));
            QTest::keyClick(&window(), Qt::Key_S, Qt::AltModifier);
        });
        click("CmdPonkka");
        QTest::qWait(300); // anything replayed would have been handled by now
        QCOMPARE(drive->commands, std::vector<std::string>{"set cdaudio door open"});
        QVERIFY(child<QCheckBox>("Check1")->isChecked());
        QCOMPARE(label("LblPonkka"), QStringLiteral("1"));
        QCOMPARE(label("LblSulku"), QStringLiteral("0"));

        // Afterwards the window takes input again.
        drive->takes = 0ms;
        userClick(child("CmdSulje"));
        QCOMPARE(label("LblSulku"), QStringLiteral("1"));
    }

    // A held Alt+A is one tray action, whether the drive is quick or slow.
    void aHeldMnemonicActsOnce_data()
    {
        QTest::addColumn<int>("driveMs");
        QTest::newRow("quick drive") << 0;
        QTest::newRow("slow drive") << 400;
    }
    void aHeldMnemonicActsOnce()
    {
        QFETCH(int, driveMs);
        child<QCheckBox>("Check1")->setChecked(true);
        drive->takes = std::chrono::milliseconds(driveMs);
        holdAltKey(Qt::Key_A, QStringLiteral("a"), 20);
        QTRY_COMPARE(drive->commands.size(), std::size_t(1));
        QTest::qWait(500);
        QCOMPARE(drive->commands.size(), std::size_t(1));
        QCOMPARE(label("LblPonkka"), QStringLiteral("1"));
    }

    // Closing the window in the wait ends the program at once, without
    // waiting for the drive to answer.
    void closingInTheWaitEndsPromptly()
    {
        child<QCheckBox>("Check1")->setChecked(true);
        drive->takes = 3000ms;
        QTimer::singleShot(0, this, [this] { click("CmdPonkka"); });
        bool busyAtClosing = false;
        QTimer::singleShot(300, this, [&] {
            busyAtClosing = drive->busy;
            window().close();
        });
        QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(99); }); // only if it did not end
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(busyAtClosing);
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(abandonedWorkIsRunning());
        QCOMPARE(label("LblPonkka"), QStringLiteral("0")); // the click ended quietly
        QTRY_VERIFY_WITH_TIMEOUT(!abandonedWorkIsRunning(), 5000);
    }
};

QTEST_MAIN(TestWaitingWindow)
#include "test_waiting_window.moc"
