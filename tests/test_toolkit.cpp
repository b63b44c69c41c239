// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The windowing services the windows rely on: the interval timer's range and
// rounding, 16-bit arithmetic, the silent error handler, twips and colours.

#include "runtime/checked_int16.h"
#include "runtime/silent_handler.h"
#include "ui/toolkit/colours.h"
#include "ui/toolkit/interval_timer.h"
#include "ui/toolkit/twips.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <limits>
#include <stdexcept>

using namespace vp;

class TestToolkit : public QObject {
    Q_OBJECT

private slots:
    void intervalsRoundHalvesToEven_data()
    {
        QTest::addColumn<double>("given");
        QTest::addColumn<int>("stored");
        QTest::newRow("0.5") << 0.5 << 0;
        QTest::newRow("1.5") << 1.5 << 2;
        QTest::newRow("2.5") << 2.5 << 2;
        QTest::newRow("2.5000001") << 2.5000001 << 3;
        QTest::newRow("1299.9") << 1299.9 << 1300;
        QTest::newRow("-0.4") << -0.4 << 0;
        QTest::newRow("65535.4") << 65535.4 << 65535;
        QTest::newRow("65534.5") << 65534.5 << 65534;
    }
    void intervalsRoundHalvesToEven()
    {
        QFETCH(double, given);
        QFETCH(int, stored);
        IntervalTimer timer;
        timer.setInterval(given);
        QCOMPARE(timer.interval(), stored);
    }

    void intervalsOutOfRangeAreRefusedAndKeepTheOldValue_data()
    {
        QTest::addColumn<double>("given");
        QTest::newRow("-0.6") << -0.6;
        QTest::newRow("-1") << -1.0;
        QTest::newRow("65535.5 rounds to 65536") << 65535.5;
        QTest::newRow("65536") << 65536.0;
        QTest::newRow("huge") << 1e300;
        QTest::newRow("-huge") << -1e300;
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity();
        QTest::newRow("-infinity") << -std::numeric_limits<double>::infinity();
    }
    void intervalsOutOfRangeAreRefusedAndKeepTheOldValue()
    {
        QFETCH(double, given);
        IntervalTimer timer;
        timer.setInterval(123);
        try {
            timer.setInterval(given);
            QFAIL("an out-of-range interval was accepted");
        } catch (const RuntimeError& error) {
            QCOMPARE(error.code(), ErrorCode::InvalidPropertyValue);
        }
        QCOMPARE(timer.interval(), 123);
    }

    void aTimerTicksOnlyWhenEnabledWithAnInterval()
    {
        IntervalTimer timer;
        QSignalSpy ticks(&timer, &IntervalTimer::tick);
        timer.setEnabled(true); // interval 0: never fires
        QVERIFY(!timer.isTicking());
        QTest::qWait(30);
        QCOMPARE(ticks.count(), 0);

        timer.setInterval(10);
        QVERIFY(timer.isTicking());
        QVERIFY(ticks.wait(1000));

        timer.setEnabled(false); // keeps its interval, stops ticking
        QCOMPARE(timer.interval(), 10);
        ticks.clear();
        QTest::qWait(40);
        QCOMPARE(ticks.count(), 0);

        timer.setInterval(0);
        timer.setEnabled(true);
        QTest::qWait(30);
        QCOMPARE(ticks.count(), 0);
    }

    void sixteenBitAdditionTrapsOverflow()
    {
        QCOMPARE(checkedAdd(32766, 1), std::int16_t(32767));
        QCOMPARE(checkedAdd(-32768, 32767), std::int16_t(-1));
        QCOMPARE(checkedAdd(32647, 120), std::int16_t(32767));

        std::int16_t value = 32767;
        QVERIFY_THROWS_EXCEPTION(RuntimeError, addChecked(value, 1));
        QCOMPARE(value, std::int16_t(32767));
        value = 32700;
        QVERIFY_THROWS_EXCEPTION(RuntimeError, addChecked(value, 120));
        QCOMPARE(value, std::int16_t(32700));
        value = -32768;
        QVERIFY_THROWS_EXCEPTION(RuntimeError, addChecked(value, -1));
        QCOMPARE(value, std::int16_t(-32768));
    }

    void theSilentHandlerEndsTheBodyAndKeepsWhatWasDone()
    {
        int steps = 0;
        runSilently([&] {
            ++steps;
            throw RuntimeError(ErrorCode::Overflow, "Overflow");
        });
        QCOMPARE(steps, 1);
        // Only the program's own run-time errors are silenced; a bug is not.
        QVERIFY_THROWS_EXCEPTION(std::logic_error, runSilently([] { throw std::logic_error("bug"); }));
    }

    void twipsMapToPixels()
    {
        QCOMPARE(twipsRect(2040, 240, 1935, 1815), QRect(136, 16, 129, 121));
        QCOMPARE(twipsToPixelsFloor(480), 32);
        QCOMPARE(twipsToPixelsFloor(50), 3);
        QCOMPARE(twipsToPixelsFloor(-1440), -96);
        QCOMPARE(twipsToPixelsFloor(-1390), -93); // -92.67 shown one pixel higher, not lower
        QCOMPARE(twipsToPixelsFloor(-1), -1);
    }

    void coloursAreBlueGreenRed()
    {
        QCOMPARE(fromBgr(kYellow), QColor(255, 255, 0));
        QCOMPARE(fromBgr(kGreen), QColor(0, 255, 0));
        QCOMPARE(fromBgr(kRed), QColor(255, 0, 0));
        QCOMPARE(fromBgr(0xFF0000), QColor(0, 0, 255));
    }
};

QTEST_GUILESS_MAIN(TestToolkit)
#include "test_toolkit.moc"
