// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The main window driven as a user drives it: its layout and start-up state,
// the tray buttons behind the confirmation gate, the adverts and counters,
// and the background colour with its cycling timers.

#include "app/desktop_notifier.h"
#include "drive/drive_result.h"
#include "app/failure_notification.h"
#include "drive/module1.h"
#include "tests/support/caption_look.h"
#include "tests/support/window_fixture.h"
#include "ui/about/fm_tietoja.h"
#include "ui/toolkit/colours.h"
#include "ui/toolkit/palette.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <memory>
#include <optional>
#include <utility>
#include <set>
#include <vector>

using namespace vp;
using namespace vp::test;

namespace {

// The layout, in twips, as the window was drawn.
const std::vector<ControlFact> kControls = controlsOf("main_window", "centralwidget");

QString textOf(const QWidget* widget)
{
    if (auto* box = qobject_cast<const QGroupBox*>(widget)) return box->title();
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
    if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
    if (auto* edit = qobject_cast<const QLineEdit*>(widget)) return edit->text();
    return {};
}

// Every caption of the window is whole at the font its control draws in,
// which is the program's face whatever the application's font.
void verifyEveryCaptionFits(const QWidget& window)
{
    for (const ControlFact& c : kControls) {
        QWidget* widget = childOf(&window, c.name.constData());
        const QFontMetrics metrics = widget->fontMetrics();
        QString text = textOf(widget);
        text.remove(QLatin1Char('&'));
        const int textWidth = metrics.horizontalAdvance(text);
        int room = widget->width();
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            QStyleOptionButton option;
            option.initFrom(button);
            const bool radio = qobject_cast<QRadioButton*>(widget);
            const bool check = qobject_cast<QCheckBox*>(widget);
            if (radio || check) {
                room = widget->style()
                           ->subElementRect(radio ? QStyle::SE_RadioButtonContents
                                                  : QStyle::SE_CheckBoxContents,
                                            &option, widget)
                           .width();
            } else {
                room -= 2 * widget->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, widget);
            }
        } else if (qobject_cast<QLineEdit*>(widget)) {
            room -= 8; // frame and text margins
        }
        QVERIFY2(textWidth <= room,
                 qPrintable(QStringLiteral("%1: \"%2\" needs %3 px, has %4")
                                .arg(QString::fromUtf8(c.name), text).arg(textWidth).arg(room)));
        QVERIFY2(metrics.height() <= widget->height(), c.name.constData());
    }
    // The counters' greatest value fits as well.
    QVERIFY(childOf(&window, "LblPonkka")->fontMetrics().horizontalAdvance(QStringLiteral("32767"))
            <= childOf(&window, "LblPonkka")->width());
    QCOMPARE(QFontInfo(childOf(&window, "Label2")->font()).family(), QStringLiteral("Liberation Sans Narrow"));
}

} // namespace

class TestMainWindow : public QObject, private test::MainWindowFixture {
    Q_OBJECT

private slots:
    void initTestCase() { test::prepareProgram(); }
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    // ---- layout and start-up ----------------------------------------------

    void startsInItsLoadedState()
    {
        // The form's fixed caption carries the project's one version.
        QCOMPARE(window().windowTitle(), QStringLiteral("Vorkula Ponkka " VP_VERSION));
        QCOMPARE(fact("main_window.title"), window().windowTitle()); // and the facts file too
        QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral(VP_VERSION));
        QCOMPARE(label("LblPonkka"), QStringLiteral("0"));
        QCOMPARE(label("LblSulku"), QStringLiteral("0"));
        QCOMPARE(Module1::OpenCount, std::int16_t(0));
        QCOMPARE(Module1::CloseCount, std::int16_t(0));
        QCOMPARE(backgroundColour(surface()), kYellow);
        QVERIFY(child<QRadioButton>("Option1")->isChecked());
        for (const char* name : {"Option2", "Option3", "Option4", "Option5", "Option6"})
            QVERIFY2(!child<QRadioButton>(name)->isChecked(), name);
        for (const char* name : {"Check1", "Check2", "Check3"})
            QCOMPARE(child<QCheckBox>(name)->checkState(), Qt::Unchecked);
        for (const char* name : {"Timer1", "Timer2", "Timer3"}) {
            QVERIFY2(!timer(name)->isEnabled(), name);
            QCOMPARE(timer(name)->interval(), 0);
        }
        QVERIFY(drive->commands.empty());
        QVERIFY(boxes.empty());
    }

    void everyControlSitsWhereItWasDrawn()
    {
        for (const ControlFact& c : kControls) {
            QWidget* widget = child(c.name.constData());
            QVERIFY2(widget->inherits(c.kind), c.name.constData());
            QCOMPARE(widget->parentWidget()->objectName(), QString::fromUtf8(c.container));
            QCOMPARE(widget->geometry(), QRect(c.twips.topLeft() / 15, c.twips.size() / 15));
            if (!c.text.isEmpty()) QCOMPARE(textOf(widget), c.text);
        }
        QCOMPARE(surface()->size(), QSize(511, 304));

        // The menu: "Tiedosto" holding "Tietoja" then "Sulje".
        const QList<QAction*> menus = window().menuBar()->actions();
        QCOMPARE(menus.size(), 1);
        QCOMPARE(menus[0]->text(), QStringLiteral("Tiedosto"));
        QCOMPARE(menus[0]->menu()->objectName(), QStringLiteral("mnutiedosto"));
        const QList<QAction*> entries = menus[0]->menu()->actions();
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries[0]->objectName(), QStringLiteral("mnutietoja"));
        QCOMPARE(entries[0]->text(), QStringLiteral("Tietoja"));
        QCOMPARE(entries[1]->objectName(), QStringLiteral("mnuSulje"));
        QCOMPARE(entries[1]->text(), QStringLiteral("Sulje"));
    }

    void resizingMovesNothing()
    {
        std::vector<QRect> before;
        for (const ControlFact& c : kControls) before.push_back(child(c.name.constData())->geometry());
        window().resize(900, 700);
        QTest::qWait(10);
        window().resize(200, 150);
        QTest::qWait(10);
        for (std::size_t i = 0; i < kControls.size(); ++i)
            QCOMPARE(child(kControls[i].name.constData())->geometry(), before[i]);
    }

    void tabVisitsControlsInTheirOrder()
    {
        const QStringList expected = {"CmdPonkka", "CmdSulje", "Check1", "Picture1", "Option3", "Option1",
                                      "Option2", "Command1", "TxtViive", "Option4", "Option5",
                                      "Option6", "Check2", "Check3"};
        QStringList chain;
        QWidget* first = child("CmdPonkka");
        QWidget* w = first;
        do {
            if (w->focusPolicy() != Qt::NoFocus && w->isVisibleTo(&window()) && w != &window())
                chain << w->objectName();
            w = w->nextInFocusChain();
        } while (w != first && chain.size() < 100);
        QCOMPARE(chain, expected);
    }

    void everyBackgroundIsItsOwn()
    {
        for (const ControlFact& c : kControls) {
            QWidget* widget = child(c.name.constData());
            if (qobject_cast<QPushButton*>(widget) || qobject_cast<QLineEdit*>(widget)) continue;
            const std::uint32_t expected = widget->objectName() == QLatin1String("Option2") ? kGreen
                : widget->objectName() == QLatin1String("Option3")                     ? kRed
                                                                                        : kYellow;
            QCOMPARE(backgroundColour(widget), expected);
            QVERIFY2(widget->autoFillBackground(), c.name.constData());
        }
        // On screen: a margin, the inside of a frame and a check box's label
        // area each show exactly yellow.
        const QImage shot = surface()->grab().toImage();
        for (const QPoint p : {QPoint(120, 8), QPoint(140, 60), QPoint(400, 108), QPoint(200, 230)})
            QCOMPARE(QColor(shot.pixel(p)), QColor(Qt::yellow));
        QCOMPARE(QColor(shot.pixel(280 + 90, 152 + 58)), QColor(Qt::green)); // Option2, right of its text
    }

    void everyCaptionFitsItsControl() { verifyEveryCaptionFits(window()); }

    // The windows' palette is the one a desktop without a theme gives (this
    // platform has none), so they look there as they always have, and a
    // widget holding it keeps every colour of it under a theme's palette.
    void theProgramsPaletteIsAPlainDesktopsAndHoldsUnderATheme()
    {
        const QPalette plain = QApplication::palette();
        QWidget holder;
        holder.setPalette(programPalette());
        DarkDesktopTheme theme;
        for (int group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            for (int role = 0; role < QPalette::NColorRoles; ++role) {
                if (role == QPalette::NoRole) continue;
                const auto g = QPalette::ColorGroup(group);
                const auto r = QPalette::ColorRole(role);
                // Disabled looks enabled: the wait for a slow drive disables the controls.
                const auto plainGroup = g == QPalette::Disabled ? QPalette::Active : g;
                QVERIFY2(holder.palette().color(g, r).rgba() == plain.color(plainGroup, r).rgba(),
                         qPrintable(QStringLiteral("group %1, role %2").arg(group).arg(role)));
            }
        }
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
        FmPonkka fresh;
        fresh.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fresh));
        if (!themeFirst) theme.emplace();

        verifyCaptionsRead(fresh, kControls);
        verifyEveryCaptionFits(fresh);
        // The program leaves the application's palette alone: a theme's
        // palette there at start-up dresses the menu.
        if (themeFirst)
            QCOMPARE(fresh.menuBar()->actions()[0]->menu()->palette().color(QPalette::Window),
                     DarkDesktopTheme::window());
    }

    // Each picture box shows its drawing pixel for pixel: the plain one on an
    // ordinary screen, the one drawn at twice the size where a pixel has two
    // device pixels (this test runs again with QT_SCALE_FACTOR=2).
    void picturesShowTheirSharpestDrawing()
    {
        FmTietoja about;
        about.setPictureTop(FmTietoja::kLandingTop);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        const qreal scale = qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble() : 1;
        const std::pair<QWidget*, QString> boxes[] = {{child("Picture1"), QStringLiteral("banner")},
                                                      {childOf(&about, "Picture1"), QStringLiteral("portrait")}};
        for (const auto& [box, name] : boxes) {
            QCOMPARE(box->devicePixelRatioF(), scale);
            const QImage drawing(QStringLiteral(":/assets/%1%2.jpg").arg(name, scale > 1 ? "@2x" : ""));
            QVERIFY(!drawing.isNull());
            const QImage shot = box->grab().toImage();
            const QPoint origin = box->contentsRect().topLeft() * scale;
            const QRect shown = QRect(origin, drawing.size()).intersected(QRect(origin, box->contentsRect().size() * scale));
            int differing = 0;
            for (int y = shown.top(); y <= shown.bottom(); ++y)
                for (int x = shown.left(); x <= shown.right(); ++x)
                    differing += shot.pixel(x, y) != drawing.pixel(x - origin.x(), y - origin.y());
            QVERIFY2(shown.width() > 50 && differing == 0, qPrintable(QStringLiteral("%1: %2 of %3 pixels differ")
                                                                         .arg(name).arg(differing).arg(shown.width() * shown.height())));
        }
    }

    // ---- tray buttons ------------------------------------------------------

    void theGateStopsEveryButtonUnlessBothBoxesAreTicked_data()
    {
        QTest::addColumn<bool>("check2");
        QTest::addColumn<bool>("check3");
        QTest::addColumn<QString>("button");
        for (const char* button : {"CmdPonkka", "CmdSulje", "Command1"}) {
            QTest::addRow("neither, %s", button) << false << false << QString::fromLatin1(button);
            QTest::addRow("only Check2, %s", button) << true << false << QString::fromLatin1(button);
            QTest::addRow("only Check3, %s", button) << false << true << QString::fromLatin1(button);
        }
    }
    void theGateStopsEveryButtonUnlessBothBoxesAreTicked()
    {
        QFETCH(bool, check2);
        QFETCH(bool, check3);
        QFETCH(QString, button);
        tickGate(check2, check3);
        child<QRadioButton>("Option2")->setChecked(true);
        click(button.toLatin1().constData());

        QCOMPARE(boxes.size(), std::size_t(1));
        QCOMPARE(boxes[0].text, kWarning);
        QCOMPARE(boxes[0].title, QStringLiteral("Vorkula Ponkka"));
        QCOMPARE(boxes[0].icon, BoxIcon::None);
        QVERIFY(drive->commands.empty());
        QCOMPARE(label("LblPonkka"), QStringLiteral("0"));
        QCOMPARE(label("LblSulku"), QStringLiteral("0"));
        QCOMPARE(Module1::OpenCount + Module1::CloseCount, 0);
        QVERIFY(!child<QRadioButton>("Option5")->isChecked() && !child<QRadioButton>("Option6")->isChecked());
        QCOMPARE(backgroundColour(surface()), kYellow);
    }

    void aPartlyTickedBoxCountsAsTicked()
    {
        for (const char* name : {"Check2", "Check3"}) {
            child<QCheckBox>(name)->setTristate(true);
            child<QCheckBox>(name)->setCheckState(Qt::PartiallyChecked);
        }
        child<QCheckBox>("Check1")->setChecked(true);
        click("CmdPonkka");
        QCOMPARE(drive->commands, std::vector<std::string>{"set cdaudio door open"});
        QVERIFY(boxes.empty());
    }

    void theAdvertComesBeforeTheCount()
    {
        std::vector<QString> openLabelDuringBox;
        whileBoxIsUp = [&](const MessageBoxCall&) { openLabelDuringBox.push_back(label("LblPonkka")); };
        tickGate();
        click("CmdPonkka");
        QCOMPARE(drive->commands, std::vector<std::string>{"set cdaudio door open"});
        QCOMPARE(boxes.size(), std::size_t(1));
        QCOMPARE(boxes[0].text, kOpenAdvert);
        QCOMPARE(boxes[0].title, QStringLiteral("Vorkula Ponkka"));
        QCOMPARE(boxes[0].icon, BoxIcon::None);
        QCOMPARE(openLabelDuringBox[0], QStringLiteral("0")); // still the old count while it is up
        QCOMPARE(label("LblPonkka"), QStringLiteral("1"));
        QCOMPARE(Module1::OpenCount, std::int16_t(1));
        QVERIFY(child<QRadioButton>("Option5")->isChecked());

        click("CmdSulje");
        QCOMPARE(drive->commands.back(), std::string("set cdaudio door closed"));
        QCOMPARE(boxes.size(), std::size_t(2));
        QCOMPARE(boxes[1].text, kCloseAdvert);
        QCOMPARE(label("LblSulku"), QStringLiteral("1"));
        QVERIFY(child<QRadioButton>("Option6")->isChecked());
        QVERIFY(!child<QRadioButton>("Option5")->isChecked());
    }

    void takingTheAdvertsAwayCountsAtOnce()
    {
        tickGate();
        child<QCheckBox>("Check1")->setChecked(true);
        click("CmdPonkka");
        click("CmdPonkka");
        click("CmdPonkka");
        click("CmdSulje");
        QVERIFY(boxes.empty());
        QCOMPARE(drive->commands.size(), std::size_t(4));
        QCOMPARE(label("LblPonkka"), QStringLiteral("3"));
        QCOMPARE(label("LblSulku"), QStringLiteral("1"));
        QVERIFY(child<QRadioButton>("Option6")->isChecked());
        QVERIFY(!child<QRadioButton>("Option5")->isChecked());
    }

    void mnemonicsClickTheButtons()
    {
        tickGate();
        child<QCheckBox>("Check1")->setChecked(true);
        QApplication::setActiveWindow(&window());
        QVERIFY(QTest::qWaitForWindowActive(&window()));
        // A mnemonic presses the button and releases it a moment later.
        QTest::keyClick(&window(), Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(drive->commands.size(), std::size_t(1));
        QTest::keyClick(&window(), Qt::Key_S, Qt::AltModifier);
        QTRY_COMPARE(drive->commands.size(), std::size_t(2));
        QTest::keyClick(&window(), Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(drive->commands.size(), std::size_t(3));
        QCOMPARE(drive->commands, (std::vector<std::string>{"set cdaudio door open", "set cdaudio door closed",
                                                            "set cdaudio door open"}));
        QCOMPARE(label("LblPonkka"), QStringLiteral("2"));
        QCOMPARE(label("LblSulku"), QStringLiteral("1"));

        child<QRadioButton>("Option3")->setChecked(true);
        QTest::keyClick(&window(), Qt::Key_K, Qt::AltModifier);
        QTRY_COMPARE(backgroundColour(surface()), kRed);
    }

    void altAloneLeadsToTheMenu()
    {
        QApplication::setActiveWindow(&window());
        QVERIFY(QTest::qWaitForWindowActive(&window()));
        QMenuBar* bar = window().menuBar();
        QTest::keyPress(&window(), Qt::Key_Alt, Qt::AltModifier);
        QTest::keyRelease(&window(), Qt::Key_Alt, Qt::NoModifier);
        QVERIFY(bar->activeAction());
        QCOMPARE(bar->activeAction()->text(), QStringLiteral("Tiedosto"));
        QTest::keyClick(bar, Qt::Key_Down); // opens "Tiedosto" on "Tietoja"
        QMenu* menu = bar->activeAction()->menu();
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(menu->activeAction()->objectName(), QStringLiteral("mnutietoja"));
        QTest::keyClick(menu, Qt::Key_Escape);
        QTRY_VERIFY(!menu->isVisible());
    }

    // Tab enters a radio group at its selection, whichever option had the
    // focus before; F10 reaches the menu as a lone Alt does.
    void tabEntersARadioGroupAtItsSelectionAndF10ReachesTheMenu()
    {
        QApplication::setActiveWindow(&window());
        QVERIFY(QTest::qWaitForWindowActive(&window()));
        const auto tabFrom = [](const char* from, Qt::Key key) {
            QWidget* start = QApplication::focusWidget()->window()->findChild<QWidget*>(QLatin1String(from));
            start->setFocus(Qt::OtherFocusReason);
            QTest::keyClick(start, key);
            return QApplication::focusWidget()->objectName();
        };
        QCOMPARE(tabFrom("Picture1", Qt::Key_Tab), QStringLiteral("Option1")); // not the first, "Punainen"
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down); // moves within the group, and selects
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Option2"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Command1"));
        child("Option4")->setFocus(Qt::OtherFocusReason); // as an accessibility client may
        QCOMPARE(tabFrom("Picture1", Qt::Key_Tab), QStringLiteral("Option2"));
        QCOMPARE(tabFrom("Command1", Qt::Key_Backtab), QStringLiteral("Option2"));
        QCOMPARE(tabFrom("TxtViive", Qt::Key_Tab), QStringLiteral("Option5")); // none selected: the first
        child("TxtViive")->setFocus();
        child<QRadioButton>("Option6")->setChecked(true); // as a closing selects it, the focus elsewhere
        QCOMPARE(tabFrom("TxtViive", Qt::Key_Tab), QStringLiteral("Option6"));

        QMenuBar* bar = window().menuBar();
        QTest::keyClick(&window(), Qt::Key_F10);
        QVERIFY(bar->activeAction());
        QCOMPARE(bar->activeAction()->text(), QStringLiteral("Tiedosto"));
        QTRY_VERIFY(bar->activeAction()->menu()->isVisible());
        QTest::keyClick(bar->activeAction()->menu(), Qt::Key_Escape);
    }

    void aCounterAtItsLimitStopsAfterTheAdvert()
    {
        tickGate();
        child<QCheckBox>("Check1")->setChecked(true);
        auto* open = child<QPushButton>("CmdPonkka");
        // The way up to the limit skips the worker thread of each click.
        Module1::setMediaControl(drive);
        for (int i = 0; i < 32767; ++i) open->click();
        useDriveBackend(drive);
        QCOMPARE(label("LblPonkka"), QStringLiteral("32767"));
        click("CmdSulje"); // the state now shows "closed"

        child<QCheckBox>("Check1")->setChecked(false);
        const std::size_t sent = drive->commands.size();
        click("CmdPonkka");
        QCOMPARE(drive->commands.size(), sent + 1); // the tray still moves
        QCOMPARE(boxes.size(), std::size_t(1));      // and the advert still shows
        QCOMPARE(boxes[0].text, kOpenAdvert);
        QCOMPARE(Module1::OpenCount, std::int16_t(32767));
        QCOMPARE(label("LblPonkka"), QStringLiteral("32767"));
        QVERIFY(child<QRadioButton>("Option6")->isChecked()); // state left as it was
        QVERIFY(!child<QRadioButton>("Option5")->isChecked());

        // The window is still in working order.
        click("CmdSulje");
        QCOMPARE(label("LblSulku"), QStringLiteral("2"));
    }

    void anUnreachableMediaControlEndsTheClickQuietly()
    {
        static const ErrorCode missing = ErrorCode::DllNotFound;
        drive->failWith = &missing;
        tickGate();
        click("CmdPonkka");
        QVERIFY(boxes.empty());
        QCOMPARE(label("LblPonkka"), QStringLiteral("0"));
        QCOMPARE(Module1::OpenCount, std::int16_t(0));
        QVERIFY(!child<QRadioButton>("Option5")->isChecked());

        drive->failWith = nullptr;
        click("CmdPonkka");
        QCOMPARE(label("LblPonkka"), QStringLiteral("1"));
    }

    void aDriveThatCannotMoveIsNotReported()
    {
        drive->result = 5; // the drive answered with an error
        tickGate();
        click("CmdSulje");
        QCOMPARE(boxes.size(), std::size_t(1));
        QCOMPARE(boxes[0].text, kCloseAdvert);
        QCOMPARE(label("LblSulku"), QStringLiteral("1"));
    }

    // The window reports nothing, as before; the desktop is told why, once.
    void aFailedClickSendsOneNotificationBesideItsUsualEffects()
    {
        struct FailingDrive : RecordingMediaControl {
            int send(const std::string& command) override
            {
                reportFailure(failure);
                return RecordingMediaControl::send(command);
            }
            FailingDrive()
            {
                failure.kind = FailureKind::NoSuchDevice;
                failure.device = "/dev/nothing-here";
                failure.error = ENOENT;
            }
            DriveFailure failure;
        };
        struct Notes : DesktopNotifier {
            void notify(const QString& summary, const QString& body) override { shown << summary << body; }
            QStringList shown;
        };
        auto failing = std::make_shared<FailingDrive>();
        failing->result = 5;
        useDriveBackend(failing);
        auto notes = std::make_shared<Notes>();
        useDesktopNotifier(notes);
        tickGate();
        click("CmdPonkka");
        QTRY_VERIFY(!notes->shown.isEmpty());
        QCoreApplication::processEvents();
        useDesktopNotifier(nullptr);
        QCOMPARE(notes->shown, (QStringList{QStringLiteral("The tray did not open"),
                                            QStringLiteral("/dev/nothing-here: no such device")}));
        QCOMPARE(boxes.size(), std::size_t(1));
        QCOMPARE(boxes[0].text, kOpenAdvert);
        QCOMPARE(label("LblPonkka"), QStringLiteral("1"));
        QVERIFY(child<QRadioButton>("Option5")->isChecked());
    }

    void theStateOptionsCanBeClickedByHand()
    {
        click("Option6");
        QVERIFY(child<QRadioButton>("Option6")->isChecked());
        QVERIFY(child<QRadioButton>("Option1")->isChecked()); // another group, untouched
        QVERIFY(drive->commands.empty());
        QVERIFY(boxes.empty());
        QCOMPARE(label("LblSulku"), QStringLiteral("0"));
    }

    void informationMessagesUseTheProgramsBox()
    {
        Module1::DriveCommand("msg", "");
        QCOMPARE(boxes.size(), std::size_t(1));
        QCOMPARE(boxes[0].text, QString());
        QCOMPARE(boxes[0].title, QStringLiteral("Information"));
        QCOMPARE(boxes[0].icon, BoxIcon::Information);
    }

    void menuSuljeAndTheCloseBoxEndTheProgram()
    {
        QCoreApplication::setQuitLockEnabled(true);
        QTimer::singleShot(0, this, [this] { window().findChild<QAction*>(QStringLiteral("mnuSulje"))->trigger(); });
        QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(99); }); // only if it did not end
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!window().isVisible());
        QVERIFY(boxes.empty()); // no question asked

        window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
        QTimer::singleShot(0, this, [this] { window().close(); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!window().isVisible());
    }

    // ---- background colour -------------------------------------------------

    void applyPaintsOnlyTheWindowsOwnSurface_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<uint>("colour");
        QTest::newRow("Vihreä") << "Option2" << uint(kGreen);
        QTest::newRow("Punainen") << "Option3" << uint(kRed);
        QTest::newRow("Keltainen") << "Option1" << uint(kYellow);
    }
    void applyPaintsOnlyTheWindowsOwnSurface()
    {
        QFETCH(QString, option);
        QFETCH(uint, colour);
        tickGate();
        if (colour == kYellow) apply("Option3"); // start from another colour
        apply(option.toLatin1().constData());
        QCOMPARE(backgroundColour(surface()), colour);

        const QImage shot = surface()->grab().toImage();
        QCOMPARE(shot.pixel(120, 8), bgrToRgb(colour));           // a margin
        QCOMPARE(shot.pixel(140, 60), bgrToRgb(kYellow));         // inside "CD-Asema"
        QCOMPARE(shot.pixel(200, 230), bgrToRgb(kYellow));        // a check box's own area
        QCOMPARE(shot.pixel(280 + 90, 152 + 82), bgrToRgb(kRed)); // Option3 keeps red
        // The banner's box around its picture: the strip right of the picture
        // and the one below it, inside the box's border.
        QCOMPARE(shot.pixel(16 + 87, 100), bgrToRgb(kYellow));
        QCOMPARE(shot.pixel(60, 16 + 263), bgrToRgb(kYellow));
        for (const char* name : {"Frame1", "Frame2", "Frame3", "Frame4", "Label2", "Check1", "Option1", "Option4"})
            QCOMPARE(backgroundColour(child(name)), kYellow);
        for (const char* name : {"Timer1", "Timer2", "Timer3"}) QVERIFY(!timer(name)->isEnabled());
    }

    void cyclingShowsAllThreeColoursAndAFixedColourStopsIt()
    {
        tickGate();
        std::set<std::uint32_t> seen;
        for (const char* name : {"Timer1", "Timer2", "Timer3"})
            connect(timer(name), &IntervalTimer::tick, this, [&] { seen.insert(backgroundColour(surface())); });
        apply("Option4", QStringLiteral("1"));
        QCOMPARE(backgroundColour(surface()), kYellow); // no repaint until the first tick
        QCOMPARE(timer("Timer1")->interval(), 1000);
        QCOMPARE(timer("Timer2")->interval(), 1857);
        QCOMPARE(timer("Timer3")->interval(), 2253);
        for (const char* name : {"Timer1", "Timer2", "Timer3"}) QVERIFY(timer(name)->isTicking());

        QTRY_COMPARE_WITH_TIMEOUT(seen.size(), std::size_t(3), 3000);
        QVERIFY(seen.count(kYellow) && seen.count(kGreen) && seen.count(kRed));

        apply("Option1");
        QCOMPARE(backgroundColour(surface()), kYellow);
        for (const char* name : {"Timer1", "Timer2", "Timer3"}) QVERIFY(!timer(name)->isTicking());
        seen.clear();
        QTest::qWait(1200);
        QVERIFY(seen.empty());
        QCOMPARE(backgroundColour(surface()), kYellow);
    }

    void anIntervalOutOfRangeLeavesTheLaterTimersAlone()
    {
        tickGate();
        apply("Option4", QStringLiteral("1"));
        apply("Option4", QStringLiteral("30"));
        QCOMPARE(timer("Timer1")->interval(), 30000);
        QCOMPARE(timer("Timer2")->interval(), 55710);
        QCOMPARE(timer("Timer3")->interval(), 2253); // 67590 does not fit; kept from before
        for (const char* name : {"Timer1", "Timer2", "Timer3"}) QVERIFY(timer(name)->isEnabled());

        apply("Option4", QStringLiteral("-1")); // the very first interval fails
        QCOMPARE(timer("Timer1")->interval(), 30000);
        QCOMPARE(timer("Timer2")->interval(), 55710);
        for (const char* name : {"Timer1", "Timer2", "Timer3"}) QVERIFY(timer(name)->isEnabled());
    }

    void anUnreadableDelayLeavesTheTimersEnabledButStill()
    {
        tickGate();
        apply("Option4", QStringLiteral("abc"));
        for (const char* name : {"Timer1", "Timer2", "Timer3"}) {
            QVERIFY(timer(name)->isEnabled());
            QCOMPARE(timer(name)->interval(), 0);
            QVERIFY(!timer(name)->isTicking());
        }
        QTest::qWait(100);
        QCOMPARE(backgroundColour(surface()), kYellow);
        QVERIFY(boxes.empty());
    }

    void theDelayIsReadInTheUsersLocale()
    {
        tickGate();
        apply("Option4", QStringLiteral("0,7"));
        QCOMPARE(timer("Timer1")->interval(), 700);
        QCOMPARE(timer("Timer2")->interval(), 1299); // 1299,9: the comma drops the fraction
        QCOMPARE(timer("Timer3")->interval(), 1577);

        QLocale::setDefault(QLocale::c());
        apply("Option4", QStringLiteral("0.7"));
        QLocale::setDefault(QLocale(QLocale::Finnish, QLocale::Finland));
        QCOMPARE(timer("Timer2")->interval(), 1300); // 1299.9 rounds
    }

    void timersTickWhileARealAdvertIsUp()
    {
        setMessageBoxObserver(nullptr); // a real, modal box this time
        tickGate();
        apply("Option4", QStringLiteral("0,02"));
        int ticks = 0;
        for (const char* name : {"Timer1", "Timer2", "Timer3"})
            connect(timer(name), &IntervalTimer::tick, this, [&] { ++ticks; });

        int ticksWhileUp = -1;
        QString advertText;
        QTimer::singleShot(400, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            advertText = box->text();
            ticksWhileUp = ticks;
            box->accept();
        });
        click("CmdPonkka"); // returns when the box is dismissed
        QCOMPARE(advertText, kOpenAdvert);
        QVERIFY2(ticksWhileUp >= 5, qPrintable(QString::number(ticksWhileUp)));
        QCOMPARE(label("LblPonkka"), QStringLiteral("1"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
