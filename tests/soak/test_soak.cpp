// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A long run of the real main window at the fastest colour cycling the delay
// field allows, while the About window is opened from the menu and closed
// again hundreds of times: nothing may crash, every About window must be gone
// once closed, and the process may not grow by more than 1 MiB once warmed up.
//
// The style draws push buttons, check boxes, radio buttons and frames into
// pixmaps that it keeps in Qt's pixmap cache, keyed by the palette. Every
// About window brings palettes of its own, so each opening adds about 16 KiB
// to the cache until it reaches its limit and drops the oldest. The program
// caps that cache at 512 KiB (Qt's default is 10 MiB), so it is full well
// before the warm-up ends, and what grows after it is what the program and
// the toolkit keep, not a cache still filling.
//
// The run takes about a minute; the schedule is by the clock, so a slow
// machine takes longer rather than doing less. Timing is reported, never
// asserted: only the work done and the memory held are checked.

#include "tests/support/window_fixture.h"
#include "ui/about/fm_tietoja.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPixmapCache>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <malloc.h>
#include <unistd.h>

#include <memory>

using namespace vp;
using namespace vp::test;

namespace {

constexpr int kOpenings = 500;        // About window openings in the whole run
constexpr int kWarmUpOpenings = 100;  // memory is measured from here on
constexpr int kPixmapCacheKiB = 512;
constexpr qint64 kRunMs = 60000;      // colour cycling, both locales together
constexpr qint64 kMiB = 1024 * 1024;

// Resident memory of this process, in bytes. Free heap is handed back to the
// system first, so that the figure is what the process holds rather than
// what the allocator keeps in reserve.
qint64 residentBytes()
{
    ::malloc_trim(0);
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * ::sysconf(_SC_PAGESIZE) : -1;
}

FmTietoja* openAboutWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* about = qobject_cast<FmTietoja*>(widget); about && about->isVisible()) return about;
    return nullptr;
}

int aboutWindowsAlive()
{
    int alive = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<FmTietoja*>(widget)) ++alive;
    return alive;
}

} // namespace

class TestSoak : public QObject, private MainWindowFixture {
    Q_OBJECT

    int ticks[3] = {0, 0, 0};
    int ticksWhileAboutOpen = 0;
    int openings = 0;
    int closedByButton = 0;
    int closedByCloseBox = 0;
    int pushes = 0;
    bool aboutWasMissing = false;

    // Opens the About window from the menu; a timer inside its modal loop
    // closes it again after `openMs`, alternately with "&Sulje" and with the
    // close box, pushing the picture once on the way when `push` is set.
    void openAndCloseAbout(int openMs, bool push)
    {
        const int number = openings;
        QTimer::singleShot(openMs, this, [this, number, push] {
            FmTietoja* about = openAboutWindow();
            if (!about) {
                aboutWasMissing = true;
                return;
            }
            if (push) {
                QTest::mouseClick(childOf(about, "Command2"), Qt::LeftButton);
                ++pushes;
            }
            if (number % 2 == 0) {
                QTest::mouseClick(childOf(about, "Command1"), Qt::LeftButton);
                ++closedByButton;
            } else {
                about->close();
                ++closedByCloseBox;
            }
        });
        child<QAction>("mnutietoja")->trigger(); // returns when the window is closed
        ++openings;
    }

    void startCycling(const QLocale& locale, const QString& delay)
    {
        QLocale::setDefault(locale);
        child<QRadioButton>("Option4")->setChecked(true);
        child<QLineEdit>("TxtViive")->setText(delay);
        QTest::mouseClick(child("Command1"), Qt::LeftButton);
    }

    static void processEventsFor(qint64 ms)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, int(ms - clock.elapsed()));
    }

private slots:
    void initTestCase()
    {
        prepareProgram();
        QCOMPARE(QPixmapCache::cacheLimit(), kPixmapCacheKiB); // the program's own cap
    }
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void fastestCyclingWithTheAboutWindowOpenedAndClosed()
    {
        tickGate();
        for (int i = 0; i < 3; ++i) {
            auto* timer = child<IntervalTimer>(i == 0 ? "Timer1" : i == 1 ? "Timer2" : "Timer3");
            connect(timer, &IntervalTimer::tick, this, [this, i] {
                ++ticks[i];
                if (openAboutWindow()) ++ticksWhileAboutOpen;
            });
        }

        struct Phase {
            QLocale locale;
            QString delay;
            int intervals[3];
        };
        // 0.001 s x 1857 is "1,857" in a comma locale, read back as 1, and
        // 1.857 with a full stop, rounded to 2.
        const Phase phases[] = {
            {QLocale(QLocale::Finnish, QLocale::Finland), QStringLiteral("0,001"), {1, 1, 2}},
            {QLocale::c(), QStringLiteral("0.001"), {1, 2, 2}},
        };

        qint64 warmRss = -1;
        qint64 peakRss = 0;    // highest sample since the warm-up
        QString series;
        QElapsedTimer clock;
        clock.start();
        for (int p = 0; p < 2; ++p) {
            startCycling(phases[p].locale, phases[p].delay);
            for (int i = 0; i < 3; ++i) {
                auto* timer = child<IntervalTimer>(i == 0 ? "Timer1" : i == 1 ? "Timer2" : "Timer3");
                QCOMPARE(timer->interval(), phases[p].intervals[i]);
                QVERIFY(timer->isTicking());
            }
            const int ticksBefore[3] = {ticks[0], ticks[1], ticks[2]};

            // Openings spread evenly over this phase's half of the run: the
            // window stays open for about two thirds of each slot, and every
            // 25th time long enough for its own timer to move the picture.
            const int phaseOpenings = kOpenings / 2;
            const qint64 phaseStart = clock.elapsed();
            const qint64 slotMs = kRunMs / kOpenings;
            for (int i = 0; i < phaseOpenings; ++i) {
                const bool longOpening = i % 25 == 24;
                openAndCloseAbout(longOpening ? 600 : int(slotMs * 2 / 3), longOpening);
                QVERIFY2(!aboutWasMissing, "the About window was not open when its closing time came");
                QCOMPARE(aboutWindowsAlive(), 0);
                const qint64 due = phaseStart + (i + 1) * (kRunMs / 2) / phaseOpenings;
                processEventsFor(qMax<qint64>(1, due - clock.elapsed()));

                if (openings == kWarmUpOpenings) warmRss = residentBytes();
                if (openings > kWarmUpOpenings && openings % 50 == 0) {
                    const qint64 now = residentBytes();
                    peakRss = qMax(peakRss, now);
                    series += QStringLiteral(" %1:%2").arg(openings).arg((now - warmRss) / 1024);
                }
            }
            for (int i = 0; i < 3; ++i)
                QVERIFY2(ticks[i] > ticksBefore[i], "a colour timer never ticked in this phase");
        }
        const qint64 ranMs = clock.elapsed();
        peakRss = qMax(peakRss, residentBytes());

        qInfo("ran %lld ms; About window opened %d times (closed %d by \"Sulje\", %d by the close box, "
              "%d pushes); colour ticks %d/%d/%d, %d of them while the About window was open",
              ranMs, openings, closedByButton, closedByCloseBox, pushes, ticks[0], ticks[1], ticks[2],
              ticksWhileAboutOpen);
        qInfo("resident memory after %d openings %.2f MiB, highest since %.2f MiB (%+lld KiB)", kWarmUpOpenings,
              double(warmRss) / kMiB, double(peakRss) / kMiB, (peakRss - warmRss) / 1024);

        qInfo("growth since the warm-up, KiB after n openings (n:KiB):%s", qPrintable(series));
        QCOMPARE(openings, kOpenings);
        QCOMPARE(closedByButton + closedByCloseBox, kOpenings);
        QVERIFY(ticksWhileAboutOpen > 0);
        QVERIFY(warmRss > 0);
        QVERIFY2(peakRss - warmRss <= kMiB, "resident memory grew by more than 1 MiB after warm-up");

        // The main window is still in working order: a fixed colour stops the cycling.
        child<QRadioButton>("Option1")->setChecked(true);
        QTest::mouseClick(child("Command1"), Qt::LeftButton);
        for (const char* name : {"Timer1", "Timer2", "Timer3"})
            QVERIFY(!timer(name)->isTicking());
    }
};

QTEST_MAIN(TestSoak)
#include "test_soak.moc"
