// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The About window: its layout, the sliding portrait, the position limit, and
// its modal showing from the main window's menu.

#include "drive/module1.h"
#include "tests/support/caption_look.h"
#include "tests/support/window_fixture.h"
#include "ui/about/fm_tietoja.h"
#include "ui/toolkit/colours.h"
#include "ui/toolkit/interval_timer.h"
#include "ui/toolkit/twips.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <optional>
#include <vector>

using namespace vp;
using namespace vp::test;

namespace {

IntervalTimer* timer4(const FmTietoja& about) { return childOf<IntervalTimer>(&about, "Timer4"); }

void tick(FmTietoja& about, int times = 1)
{
    for (int i = 0; i < times; ++i) emit timer4(about)->tick();
}

void push(FmTietoja& about, int times = 1)
{
    for (int i = 0; i < times; ++i) childOf<QPushButton>(&about, "Command2")->click();
}

// Where the picture is shown, in pixels within Frame1.
int shownTop(const FmTietoja& about) { return childOf(&about, "Picture1")->y(); }

bool whollyOutsideFrame(const FmTietoja& about)
{
    return !childOf(&about, "Picture1")->geometry().intersects(childOf(&about, "Frame1")->rect());
}

// Chooses "Tietoja" in the main window's menu and runs `whileOpen` once the
// About window is up. `whileOpen` gets the window that blocks the others
// (null if none does) and must close it. Answers whether `whileOpen` ran
// before the menu call returned, that is, while the menu's handler waited,
// and closed the window.
bool openAboutFromMenu(FmPonkka& main, const std::function<void(FmTietoja*)>& whileOpen)
{
    QObject context;
    bool ran = false;
    bool rescued = false;
    QTimer::singleShot(0, &context, [&] {
        ran = true;
        auto* about = qobject_cast<FmTietoja*>(QApplication::activeModalWidget());
        // Keys go to the active window. A window manager gives a newly shown
        // modal window the focus; the offscreen platform leaves it to us.
        if (about) {
            about->activateWindow();
            if (!QTest::qWaitFor([about] { return QApplication::activeWindow() == about; }))
                qWarning("The About window did not become active");
        }
        whileOpen(about);
    });
    // Should `whileOpen` leave the window open, close it anyway so that the
    // test fails instead of hanging.
    QTimer::singleShot(5000, &context, [&] {
        for (FmTietoja* about : main.findChildren<FmTietoja*>()) {
            rescued = true;
            about->close();
        }
    });
    childOf<QAction>(&main, "mnutietoja")->trigger();
    return ran && !rescued;
}

// Every text of the window is whole at the font its control draws in, which
// is the program's face whatever the application's font.
void verifyEveryTextFits(const FmTietoja& about)
{
    for (QLabel* label : about.findChildren<QLabel*>()) {
        if (label->objectName() == QLatin1String("Picture1")) continue;
        QCOMPARE(QFontInfo(label->font()).family(), QStringLiteral("Liberation Sans Narrow"));
        const QRect room = label->contentsRect();
        const QRect needed = label->fontMetrics().boundingRect(
            QRect(room.topLeft(), QSize(room.width(), 1000)),
            Qt::AlignLeft | Qt::AlignTop | (label->wordWrap() ? Qt::TextWordWrap : 0), label->text());
        QVERIFY2(room.contains(needed), qPrintable(label->objectName()));
        if (!label->wordWrap())
            QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= room.width(),
                     qPrintable(label->objectName()));
    }
    for (QPushButton* button : about.findChildren<QPushButton*>()) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        const QSize needed = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
        QVERIFY2(needed.width() <= room.width() && needed.height() <= room.height(),
                 qPrintable(button->objectName()));
    }
    auto* frame = childOf<QGroupBox>(&about, "Frame1");
    QVERIFY(frame->fontMetrics().horizontalAdvance(frame->title()) + 16 <= frame->width());
}

} // namespace

class TestAboutWindow : public QObject, private MainWindowFixture {
    Q_OBJECT

private slots:
    void initTestCase() { prepareProgram(); }
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    // ---- Layout -------------------------------------------------------------

    void controlsHaveTheirTextsContainersAndPlaces()
    {
        FmTietoja about;
        // The picture's designed place is its landing place.
        about.setPictureTop(FmTietoja::kLandingTop);
        for (const ControlFact& c : controlsOf("about_window", "FmTietoja")) {
            QWidget* widget = childOf(&about, c.name.constData());
            QCOMPARE(widget->parentWidget()->objectName(), QString::fromUtf8(c.container));
            QCOMPARE(widget->metaObject()->className(), c.kind);
            QCOMPARE(widget->geometry(), twipsRect(c.twips.x(), c.twips.y(), c.twips.width(), c.twips.height()));
            if (auto* frame = qobject_cast<QGroupBox*>(widget)) QCOMPARE(frame->title(), c.text);
            if (auto* label = qobject_cast<QLabel*>(widget)) QCOMPARE(label->text(), c.text);
            if (auto* button = qobject_cast<QPushButton*>(widget)) QCOMPARE(button->text(), c.text);
        }
        QCOMPARE(childOf<QLabel>(&about, "Label3")->text(), QStringLiteral("Vorkula Ponkka " VP_VERSION));
    }

    // Opened from the main window, as the program opens it; the window's own
    // frame is that of the main window.
    void windowIsAnOrdinaryResizableWindowCentredOnTheScreen()
    {
        FmPonkka& main = window();
        main.move(10, 10);
        FmTietoja about(&main);
        QCOMPARE(about.windowTitle(), QStringLiteral("Tietoja"));
        QCOMPARE(about.windowType(), Qt::Window);
        QVERIFY(about.windowFlags().testFlags(Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint));
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QCOMPARE(about.size(), QSize(342, 232));
        const QRect screen = about.screen()->geometry();
        QVERIFY(qAbs(about.frameGeometry().center().x() - screen.center().x()) <= 1);
        QVERIFY(qAbs(about.frameGeometry().center().y() - screen.center().y()) <= 1);

        std::vector<std::pair<QWidget*, QRect>> before;
        for (QWidget* child : about.findChildren<QWidget*>()) before.emplace_back(child, child->geometry());
        about.resize(600, 450);
        QCOMPARE(about.size(), QSize(600, 450));
        about.resize(200, 120);
        for (const auto& [child, geometry] : before) QCOMPARE(child->geometry(), geometry);
    }

    // The picture comes first in the keyboard order, so the window opens with
    // the focus on it, and a key that would press a button does nothing there.
    void theWindowOpensWithTheFocusOnThePicture()
    {
        FmTietoja about;
        about.show();
        QApplication::setActiveWindow(&about);
        QVERIFY(QTest::qWaitForWindowActive(&about));
        QWidget* picture = childOf(&about, "Picture1");
        QCOMPARE(QApplication::focusWidget(), picture);
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space})
            QTest::keyClick(picture, key);
        QTest::qWait(50);
        QVERIFY(about.isVisible());
        QCOMPARE(about.pictureTop(), FmTietoja::kStartTop);

        QStringList order;
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(order, (QStringList{"Command1", "Command2", "Picture1"}));
        for (const char* name : {"Frame1", "Label1", "Label2", "Label3", "Label4"})
            QCOMPARE(childOf(&about, name)->focusPolicy(), Qt::NoFocus);
    }

    void everythingButButtonsAndPictureIsYellowOnScreen()
    {
        FmTietoja about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        for (const char* name : {"Frame1", "Label1", "Label2", "Label3", "Label4"}) {
            QCOMPARE(backgroundColour(childOf(&about, name)), kYellow);
            QVERIFY(childOf(&about, name)->autoFillBackground());
        }
        for (const char* name : {"Command1", "Command2"})
            QVERIFY(fromBgr(kYellow) != childOf(&about, name)->palette().color(QPalette::Button));

        const QColor yellow = fromBgr(kYellow);
        auto pixelAt = [&about](const char* name, QPoint inside) {
            QWidget* widget = childOf(&about, name);
            return about.grab().toImage().pixelColor(widget->mapTo(&about, inside));
        };
        QCOMPARE(about.grab().toImage().pixelColor(4, 4), yellow);  // the window's margin
        QCOMPARE(pixelAt("Frame1", QPoint(128, 60)), yellow);       // between picture and labels
        QCOMPARE(pixelAt("Label1", QPoint(70, 8)), yellow);         // past the end of each text
        QCOMPARE(pixelAt("Label2", QPoint(150, 30)), yellow);
        QCOMPARE(pixelAt("Label3", QPoint(126, 8)), yellow);
        QCOMPARE(pixelAt("Label4", QPoint(150, 8)), yellow);

        // Frame1 clips the picture: above the frame only the window shows.
        QVERIFY(shownTop(about) < 0);
        QCOMPARE(pixelAt("Frame1", QPoint(80, -6)), yellow);
        tick(about, 16);
        QVERIFY(pixelAt("Picture1", QPoint(40, 50)) != yellow);
    }

    void everyTextFitsItsControlAtTheProgramFont()
    {
        FmTietoja about;
        verifyEveryTextFits(about);
    }

    // A dark theme's light text and large font, handed to the application
    // before the window is built or while it is up, reach neither its
    // captions nor their size.
    void aDarkThemeNeitherLightensNorCutsACaption_data()
    {
        QTest::addColumn<bool>("themeFirst");
        QTest::newRow("theme before the window") << true;
        QTest::newRow("theme while it is up") << false;
    }
    void aDarkThemeNeitherLightensNorCutsACaption()
    {
        QFETCH(bool, themeFirst);
        std::optional<DarkDesktopTheme> theme;
        if (themeFirst) theme.emplace();
        FmTietoja about;
        about.setPictureTop(FmTietoja::kLandingTop);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        if (!themeFirst) theme.emplace();

        verifyCaptionsRead(about, controlsOf("about_window", "FmTietoja"));
        verifyEveryTextFits(about);
    }

    // ---- The slide ----------------------------------------------------------

    void loadLiftsThePictureAboveTheFrameAndStartsTimer4()
    {
        FmTietoja about;
        QCOMPARE(about.pictureTop(), std::int16_t(-1440));
        QCOMPARE(shownTop(about), -96);
        // All but its lowest 135 twips (9 pixels) lie above the frame.
        QCOMPARE(childOf(&about, "Picture1")->geometry().intersected(childOf(&about, "Frame1")->rect()).height(),
                 9);
        QVERIFY(timer4(about)->isEnabled());
        QCOMPARE(timer4(about)->interval(), 500);
        QVERIFY(timer4(about)->isTicking());
    }

    void leftAloneItLandsAfterExactly16TicksAndStays()
    {
        FmTietoja about;
        for (int k = 1; k <= 15; ++k) {
            tick(about);
            QCOMPARE(about.pictureTop(), -1440 + 120 * k);
            QCOMPARE(shownTop(about), -96 + 8 * k);
        }
        tick(about);
        QCOMPARE(about.pictureTop(), std::int16_t(480));
        QCOMPARE(shownTop(about), 32);
        tick(about, 20);
        QCOMPARE(about.pictureTop(), std::int16_t(480));
        QCOMPARE(shownTop(about), 32);
        QVERIFY(timer4(about)->isEnabled());
    }

    // The one test that waits for the real timer: about eight seconds.
    void theRealTimerLandsItInEightSeconds()
    {
        QElapsedTimer clock;
        clock.start();
        FmTietoja about;
        about.show();
        QTRY_COMPARE_WITH_TIMEOUT(about.pictureTop(), std::int16_t(480), 12000);
        const qint64 landedAfter = clock.elapsed();
        QVERIFY2(landedAfter >= 7900 && landedAfter < 10000, qPrintable(QString::number(landedAfter)));
        QTest::qWait(1100); // two more ticks
        QCOMPARE(about.pictureTop(), std::int16_t(480));
        QCOMPARE(shownTop(about), 32);
    }

    // The picture is shown at the whole pixel at or above its twips; the
    // twips are never rounded through pixels.
    void pushesMoveTheTwipsExactly()
    {
        FmTietoja about;
        push(about);
        QCOMPARE(about.pictureTop(), std::int16_t(-1390));
        QCOMPARE(shownTop(about), -93);
        tick(about, 15);
        QCOMPARE(about.pictureTop(), std::int16_t(410));
        tick(about);
        QCOMPARE(about.pictureTop(), std::int16_t(530));
        push(about, 2);
        QCOMPARE(about.pictureTop(), std::int16_t(630));
        QCOMPARE(shownTop(about), 42);
    }

    void aPushOffTheGridMakesItMissItsPlaceAndSlideOut_data()
    {
        QTest::addColumn<int>("ticksBefore");
        QTest::newRow("at the start") << 0;
        QTest::newRow("while sliding") << 5;
        QTest::newRow("one tick before landing") << 15;
        QTest::newRow("after landing") << 16;
        QTest::newRow("long after landing") << 30;
    }
    void aPushOffTheGridMakesItMissItsPlaceAndSlideOut()
    {
        QFETCH(int, ticksBefore);
        FmTietoja about;
        tick(about, ticksBefore);
        const int before = about.pictureTop();
        push(about);
        QCOMPARE(about.pictureTop(), before + 50);
        for (int i = 0; i < 60; ++i) {
            const int top = about.pictureTop();
            tick(about);
            QCOMPARE(about.pictureTop(), top + 120);
        }
        QVERIFY(about.pictureTop() > 3015);
        QVERIFY(whollyOutsideFrame(about));
    }

    // Only the exact landing place stops the picture: pushes that add up to
    // whole steps keep it on its way there.
    void pushesAddingUpToWholeStepsStillLand()
    {
        FmTietoja about;
        push(about, 12); // 600 twips, five steps
        QCOMPARE(about.pictureTop(), std::int16_t(-840));
        tick(about, 10);
        QCOMPARE(about.pictureTop(), std::int16_t(360));
        tick(about);
        QCOMPARE(about.pictureTop(), std::int16_t(480));
        tick(about, 5);
        QCOMPARE(about.pictureTop(), std::int16_t(480));
    }

    // ---- The position limit ---------------------------------------------------

    void aMovePastTheLimitStopsTimer4AndHoldsThePicture_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<bool>("pushing");
        QTest::addColumn<int>("expected");
        QTest::addColumn<bool>("stillTicking");
        QTest::newRow("tick up to the limit") << 32647 << false << 32767 << true;
        QTest::newRow("tick past the limit") << 32648 << false << 32648 << false;
        QTest::newRow("tick at the limit") << 32767 << false << 32767 << false;
        QTest::newRow("push up to the limit") << 32717 << true << 32767 << true;
        QTest::newRow("push past the limit") << 32718 << true << 32718 << false;
        QTest::newRow("push at the limit") << 32767 << true << 32767 << false;
    }
    void aMovePastTheLimitStopsTimer4AndHoldsThePicture()
    {
        QFETCH(int, start);
        QFETCH(bool, pushing);
        QFETCH(int, expected);
        QFETCH(bool, stillTicking);
        FmTietoja about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        about.setPictureTop(std::int16_t(start));
        if (pushing)
            userClick(childOf(&about, "Command2"));
        else
            tick(about);
        QCOMPARE(about.pictureTop(), expected);
        QCOMPARE(shownTop(about), twipsToPixelsFloor(expected));
        QCOMPARE(timer4(about)->isEnabled(), stillTicking);
    }

    void afterTheLimitTheWindowStaysUsable()
    {
        FmTietoja about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        about.setPictureTop(32700);
        tick(about);
        QVERIFY(!timer4(about)->isEnabled());
        QCOMPARE(about.pictureTop(), std::int16_t(32700));
        userClick(childOf(&about, "Command2"));
        QCOMPARE(about.pictureTop(), std::int16_t(32750));
        userClick(childOf(&about, "Command2"));
        userClick(childOf(&about, "Command2"));
        QCOMPARE(about.pictureTop(), std::int16_t(32750));
        QTest::qWait(600);
        QCOMPARE(about.pictureTop(), std::int16_t(32750));
        userClick(childOf(&about, "Command1"));
        QVERIFY(!about.isVisible());
    }

    // ---- Showing from the main window ---------------------------------------

    void escapeDoesNotCloseIt()
    {
        FmTietoja about;
        about.show();
        QApplication::setActiveWindow(&about);
        QVERIFY(QTest::qWaitForWindowActive(&about));
        QTest::keyClick(&about, Qt::Key_Escape);
        QVERIFY(about.isVisible());
        QTest::keyClick(&about, Qt::Key_S, Qt::AltModifier);
        QTRY_VERIFY(!about.isVisible());
    }

    void closingAndReopeningFromTheMenuStartsAfresh_data()
    {
        QTest::addColumn<QString>("closing");
        QTest::newRow("Sulje clicked") << "click";
        QTest::newRow("Alt+S") << "alt+s";
        QTest::newRow("close box") << "close box";
    }
    void closingAndReopeningFromTheMenuStartsAfresh()
    {
        QFETCH(QString, closing);
        FmPonkka& main = window();

        bool modal = false;
        int topAtOpening = 0;
        int topWhenClosing = 0;
        const bool ran = openAboutFromMenu(main, [&](FmTietoja* about) {
            if (!about) return;
            modal = about->isModal() && about->parentWidget() == &main;
            topAtOpening = about->pictureTop();
            tick(*about, 5);
            push(*about);
            topWhenClosing = about->pictureTop();
            if (closing == QLatin1String("click"))
                userClick(childOf(about, "Command1"));
            else if (closing == QLatin1String("alt+s"))
                QTest::keyClick(about, Qt::Key_S, Qt::AltModifier);
            else
                about->close();
        });
        QVERIFY(ran);
        QVERIFY(modal);
        QCOMPARE(topAtOpening, -1440);
        QCOMPARE(topWhenClosing, -1440 + 5 * 120 + 50);
        // Unloaded, not hidden.
        QVERIFY(main.findChildren<FmTietoja*>().isEmpty());

        bool freshTimer = false;
        int topAtReopening = 0;
        QVERIFY(openAboutFromMenu(main, [&](FmTietoja* about) {
            if (!about) return;
            topAtReopening = about->pictureTop();
            freshTimer = timer4(*about)->isEnabled() && timer4(*about)->interval() == 500;
            about->close();
        }));
        QCOMPARE(topAtReopening, -1440);
        QVERIFY(freshTimer);
        QVERIFY(main.findChildren<FmTietoja*>().isEmpty());
    }

    void whileOpenTheMainWindowCyclesColoursButTakesNoClicks()
    {
        FmPonkka& main = window();
        auto* timer2 = childOf<IntervalTimer>(&main, "Timer2");
        QVERIFY(timer2);
        QWidget* client = main.centralWidget();
        QCOMPARE(backgroundColour(client), kYellow);
        int greenTicks = 0;
        connect(timer2, &IntervalTimer::tick, this, [&] { ++greenTicks; });

        int ticksWhileOpen = 0;
        std::uint32_t colourWhileOpen = 0;
        int aboutTicksWhileOpen = 0;
        QVERIFY(openAboutFromMenu(main, [&](FmTietoja* about) {
            if (!about) return;
            const int aboutStart = about->pictureTop();
            timer2->setInterval(40);
            timer2->setEnabled(true);
            QTest::qWait(1100);
            ticksWhileOpen = greenTicks;
            colourWhileOpen = backgroundColour(client);
            aboutTicksWhileOpen = (about->pictureTop() - aboutStart) / 120;
            userClick(childOf(&main, "CmdPonkka"));
            userClick(childOf(&main, "Check2"));
            about->close();
        }));
        timer2->setEnabled(false);
        QVERIFY2(ticksWhileOpen >= 10, qPrintable(QString::number(ticksWhileOpen)));
        QCOMPARE(colourWhileOpen, kGreen);
        QCOMPARE(aboutTicksWhileOpen, 2);
        QVERIFY(boxes.empty());
        QCOMPARE(childOf<QCheckBox>(&main, "Check2")->checkState(), Qt::Unchecked);
        QVERIFY(drive->commands.empty());

        // The same clicks reach the main window once the About window is gone.
        userClick(childOf(&main, "CmdPonkka"));
        QCOMPARE(boxes.size(), std::size_t(1));
        userClick(childOf(&main, "Check2"));
        QCOMPARE(childOf<QCheckBox>(&main, "Check2")->checkState(), Qt::Checked);
    }
};

QTEST_MAIN(TestAboutWindow)
#include "test_about_window.moc"
