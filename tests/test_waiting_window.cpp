// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The main window while a slow drive moves its tray: the drive command runs
// off the window thread, the window keeps repainting and its timers ticking,
// input made in the wait (screen readers and drops included) is dropped
// rather than replayed, and the handler's steps keep their order. A held
// mnemonic is one click, not many.

#include "drive/module1.h"
#include "tests/support/diagnostics_recorder.h"
#include "tests/support/window_fixture.h"
#include "ui/about/fm_tietoja.h"
#include "ui/toolkit/colours.h"
#include "ui/toolkit/input_refusal.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleEditableTextInterface>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
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

    // Input made while the drive works, whichever way it comes, starts no
    // second tray command and changes no setting, then or later; afterwards
    // the window takes input again, with the focus where it was.
    void inputInTheWaitChangesNothing_data()
    {
        QTest::addColumn<QString>("input");
        for (const char* input : {"clicks and keys", "screen reader presses", "screen reader toggles",
                                  "screen reader edits Viive:", "a drop on Viive:", "screen reader opens About",
                                  "presses just before the wait", "the program itself"})
            QTest::newRow(input) << input;
    }
    void inputInTheWaitChangesNothing()
    {
        QFETCH(QString, input);
        child<QCheckBox>("Check1")->setChecked(true); // no adverts
        auto* delay = child<QLineEdit>("TxtViive");
        const QString delayBefore = delay->text();
        drive->takes = 1000ms;
        QWidget* focusInTheWait = nullptr;
        QAction* menuInTheWait = nullptr;
        QTimer::singleShot(200, this, [&] {
            if (input == QLatin1String("clicks and keys")) {
                for (int i = 0; i < 3; ++i) userClick(child("CmdPonkka"));
                userClick(child("CmdSulje"));
                userClick(child("Check1"));
                QTest::keyClick(&window(), Qt::Key_S, Qt::AltModifier);
                QTest::keyClicks(delay, QStringLiteral("777"));
                QTest::keyClick(&window(), Qt::Key_Tab);
                QTest::keyClick(&window(), Qt::Key_Alt); // would select the menu bar's first menu
                menuInTheWait = window().menuBar()->activeAction();
                focusInTheWait = QApplication::focusWidget();
            } else if (input == QLatin1String("screen reader presses")) {
                for (const char* name : {"CmdPonkka", "CmdSulje", "Command1"})
                    accessibleAction(child(name), QAccessibleActionInterface::pressAction());
            } else if (input == QLatin1String("screen reader toggles")) {
                for (const char* name : {"Check1", "Check2", "Option2"})
                    accessibleAction(child(name), QAccessibleActionInterface::toggleAction());
            } else if (input == QLatin1String("screen reader edits Viive:")) {
                QAccessible::queryAccessibleInterface(delay)->editableTextInterface()->insertText(1, QStringLiteral("777"));
            } else if (input == QLatin1String("a drop on Viive:")) {
                QMimeData text;
                text.setText(QStringLiteral("777"));
                QDragEnterEvent enter(delay->rect().center(), Qt::CopyAction, &text, Qt::LeftButton, {});
                QCoreApplication::sendEvent(delay, &enter);
                QDropEvent drop(delay->rect().center(), Qt::CopyAction, &text, Qt::LeftButton, {});
                QCoreApplication::sendEvent(delay, &drop);
            } else if (input == QLatin1String("screen reader opens About")) {
                accessibleAction(child("mnutiedosto"), QAccessibleActionInterface::pressAction(), QStringLiteral("Tietoja"));
            } else if (input == QLatin1String("the program itself")) {
                Module1::DriveCommand("cls", "");
            }
        });
        // A press animates its click for a tenth of a second: these two end
        // in the wait.
        if (input == QLatin1String("presses just before the wait")) {
            for (const char* name : {"Check1", "CmdSulje"})
                accessibleAction(child(name), QAccessibleActionInterface::pressAction());
        }
        bool aboutOpened = false;
        QTimer::singleShot(600, this, [&] { // should it open, so that the test goes on
            if (auto* about = qobject_cast<FmTietoja*>(QApplication::activeModalWidget())) {
                aboutOpened = true;
                about->close();
            }
        });
        click("CmdPonkka");
        QTest::qWait(300); // anything replayed would have been handled by now
        QCOMPARE(drive->commands, std::vector<std::string>{"set cdaudio door open"});
        QVERIFY(child<QCheckBox>("Check1")->isChecked());
        QVERIFY(child<QCheckBox>("Check2")->isChecked());
        QVERIFY(child<QRadioButton>("Option1")->isChecked());
        QCOMPARE(delay->text(), delayBefore);
        QVERIFY(!aboutOpened);
        QCOMPARE(label("LblPonkka"), QStringLiteral("1"));
        QCOMPARE(label("LblSulku"), QStringLiteral("0"));
        QCOMPARE(focusInTheWait, nullptr);
        QCOMPARE(QApplication::focusWidget(), child("CmdPonkka"));
        QCOMPARE(menuInTheWait, nullptr);

        drive->takes = 0ms;
        userClick(child("CmdSulje"));
        QCOMPARE(label("LblSulku"), QStringLiteral("1"));
        QCOMPARE(drive->commands.back(), std::string("set cdaudio door closed"));
        QTest::keyClicks(delay, QStringLiteral("5"));
        QCOMPARE(delay->text(), delayBefore + QStringLiteral("5"));
    }

    // While the windows refuse input they look as they did, and input still
    // queued when the refusal ends is dropped, not handled after it.
    void aRefusalLooksTheSameAndDropsWhatIsStillQueued()
    {
        child<QCheckBox>("Check1")->setChecked(true);
        const QImage before = window().grab().toImage();
        QWidget* button = child("CmdSulje");
        {
            const InputRefusal refusal;
            QVERIFY(!button->isEnabled());
            const QImage during = window().grab().toImage();
            for (int y = 0; y < before.height(); ++y)
                for (int x = 0; x < before.width(); ++x)
                    if (before.pixel(x, y) != during.pixel(x, y))
                        QFAIL(qPrintable(QStringLiteral("the look changed at %1,%2").arg(x).arg(y)));
            for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                const QPointF at = button->rect().center();
                QCoreApplication::postEvent(button, new QMouseEvent(type, at, button->mapToGlobal(at), Qt::LeftButton,
                                                                    type == QEvent::MouseButtonPress ? Qt::LeftButton
                                                                                                     : Qt::NoButton,
                                                                    {}));
            }
        }
        QTest::qWait(100);
        QVERIFY(button->isEnabled());
        QCOMPARE(label("LblSulku"), QStringLiteral("0"));
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
        auto* delay = child<QLineEdit>("TxtViive");
        const QString delayBefore = delay->text();
        delay->setFocus(); // the repeats must not type into it either
        drive->takes = std::chrono::milliseconds(driveMs);
        holdAltKey(Qt::Key_A, QStringLiteral("a"), 20);
        QTRY_COMPARE(drive->commands.size(), std::size_t(1));
        QTest::qWait(500);
        QCOMPARE(drive->commands.size(), std::size_t(1));
        QCOMPARE(label("LblPonkka"), QStringLiteral("1"));
        QCOMPARE(delay->text(), delayBefore);
        QCOMPARE(QApplication::overrideCursor(), nullptr); // the busy pointer went with the wait
    }

    // Closing the window in the wait ends the window at once; the program
    // then gives the command a short while to end, and past that says what
    // it leaves running.
    void closingInTheWaitEndsPromptly()
    {
        child<QCheckBox>("Check1")->setChecked(true);
        drive->takes = 1500ms;
        drive->activity = {"/media/cd", 4242};
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
        QCOMPARE(label("LblPonkka"), QStringLiteral("0")); // the click ended quietly
        DiagnosticsRecorder diagnostics;
        QVERIFY(!letTrayCommandFinish(100ms));
        QCOMPARE(diagnostics.lines, std::vector<std::string>{
            "the program ended while a tray command was still running (umount /media/cd (pid 4242)); "
            "the disc may yet be unmounted or the tray move"});
        QVERIFY(letTrayCommandFinish()); // the program's own bound
        QCOMPARE(drive->commands.size(), std::size_t(1));
    }
};

QTEST_MAIN(TestWaitingWindow)
#include "test_waiting_window.moc"
