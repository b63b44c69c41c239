// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// From the delay text to a colour timer's interval, under a comma locale and
// a full-stop locale.

#include "runtime/runtime_error.h"
#include "ui/main/delay_interval.h"
#include "ui/toolkit/interval_timer.h"

#include <QTest>

#include <cmath>
#include <optional>

using namespace vp;

namespace {

const QLocale finnish(QLocale::Finnish, QLocale::Finland);
const QLocale english(QLocale::English, QLocale::UnitedStates);

// What a timer ends up with after an Apply: the interval, or the error code
// that ended the handler.
struct Outcome {
    std::optional<int> interval;
    std::optional<ErrorCode> error;
};

Outcome applyDelay(const QString& text, const QLocale& locale, int factor)
{
    IntervalTimer timer;
    try {
        timer.setInterval(timerIntervalFor(parseDelay(text, locale), factor, locale));
        return {timer.interval(), std::nullopt};
    } catch (const RuntimeError& error) {
        return {std::nullopt, error.code()};
    }
}

} // namespace

class TestDelayInterval : public QObject {
    Q_OBJECT

private slots:
    void intervalsFollowTheLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("delay");
        QTest::addColumn<int>("factor");
        QTest::addColumn<int>("interval");

        QTest::newRow("1 s, timer 1") << finnish << "1" << 1000 << 1000;
        QTest::newRow("1 s, timer 2") << finnish << "1" << 1857 << 1857;
        QTest::newRow("1 s, timer 3") << english << "1" << 2253 << 2253;
        QTest::newRow("30 s, timer 2") << finnish << "30" << 1857 << 55710;
        // The comma stops the read-back: the fraction is dropped.
        QTest::newRow("fi 0,7 s, timer 2") << finnish << "0,7" << 1857 << 1299;
        QTest::newRow("C 0.7 s, timer 2") << QLocale::c() << "0.7" << 1857 << 1300;
        QTest::newRow("en 0.7 s, timer 2") << english << "0.7" << 1857 << 1300;
        // Under a full stop the product is rounded, halves to even.
        QTest::newRow("C 0.0025 s") << QLocale::c() << "0.0025" << 1000 << 2;
        QTest::newRow("C 0.0035 s") << QLocale::c() << "0.0035" << 1000 << 4;
        QTest::newRow("fi 0,0035 s") << finnish << "0,0035" << 1000 << 3;
        QTest::newRow("C 0.0005 s") << QLocale::c() << "0.0005" << 1000 << 0;
        QTest::newRow("zero") << finnish << "0" << 2253 << 0;
        QTest::newRow("spaces around") << finnish << "  2,5  " << 1000 << 2500;
        QTest::newRow("fi top edge") << finnish << "65,535" << 1000 << 65535;
        QTest::newRow("C top edge") << QLocale::c() << "65.535" << 1000 << 65535;
        QTest::newRow("fi timer 3 edge") << finnish << "29,08" << 2253 << 65517;
        // A tiny product is written in exponent form and read back whole.
        QTest::newRow("fi tiny") << finnish << "0,00000001" << 1000 << 0;
        QTest::newRow("C tiny") << QLocale::c() << "0.00000001" << 1000 << 0;
    }
    void intervalsFollowTheLocale()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, delay);
        QFETCH(int, factor);
        QFETCH(int, interval);
        const Outcome outcome = applyDelay(delay, locale, factor);
        QVERIFY2(!outcome.error, "the delay was refused");
        QCOMPARE(*outcome.interval, interval);
    }

    void unreadableOrOutOfRangeDelaysEndTheHandler_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("delay");
        QTest::addColumn<int>("factor");
        QTest::addColumn<ErrorCode>("error");

        const auto notANumber = ErrorCode::TypeMismatch;
        const auto outOfRange = ErrorCode::InvalidPropertyValue;
        QTest::newRow("empty") << finnish << "" << 1000 << notANumber;
        QTest::newRow("spaces only") << finnish << "   " << 1000 << notANumber;
        QTest::newRow("letters") << finnish << "abc" << 1000 << notANumber;
        QTest::newRow("number then letters") << finnish << "1abc" << 1000 << notANumber;
        QTest::newRow("full stop under fi") << finnish << "0.7" << 1000 << notANumber;
        QTest::newRow("nan") << QLocale::c() << "nan" << 1000 << notANumber;
        QTest::newRow("inf") << QLocale::c() << "inf" << 1000 << notANumber;
        QTest::newRow("-inf") << QLocale::c() << "-inf" << 1000 << notANumber;
        QTest::newRow("1e400") << QLocale::c() << "1e400" << 1000 << notANumber;
        QTest::newRow("400 digits") << finnish << QString(400, QLatin1Char('9')) << 1000 << notANumber;
        QTest::newRow("negative") << finnish << "-1" << 1000 << outOfRange;
        QTest::newRow("small negative") << QLocale::c() << "-0.001" << 1000 << outOfRange;
        QTest::newRow("1e3") << QLocale::c() << "1e3" << 1000 << outOfRange;
        QTest::newRow("fi past the top") << finnish << "65,536" << 1000 << outOfRange;
        QTest::newRow("C past the top") << QLocale::c() << "65.536" << 1000 << outOfRange;
        QTest::newRow("30 s, timer 3") << finnish << "30" << 2253 << outOfRange;
        QTest::newRow("1e300 s") << QLocale::c() << "1e300" << 2253 << outOfRange;
        QTest::newRow("product overflows") << QLocale::c() << "1e306" << 2253 << ErrorCode::Overflow;
    }
    void unreadableOrOutOfRangeDelaysEndTheHandler()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, delay);
        QFETCH(int, factor);
        QFETCH(ErrorCode, error);
        const Outcome outcome = applyDelay(delay, locale, factor);
        QVERIFY2(outcome.error, qPrintable(QStringLiteral("got interval %1").arg(outcome.interval.value_or(-1))));
        QCOMPARE(*outcome.error, error);
    }

    void numbersAreWrittenTheClassicWay_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << finnish << 30000.0 << "30000";
        QTest::newRow("fraction, comma") << finnish << 1299.9 << "1299,9";
        QTest::newRow("fraction, stop") << english << 1299.9 << "1299.9";
        QTest::newRow("15 digits") << english << 123456789012345.0 << "123456789012345";
        QTest::newRow("1E+15") << english << 1e15 << "1E+15";
        QTest::newRow("rounds up into 1E+15") << english << 999999999999999.9 << "1E+15";
        QTest::newRow("1.5E+20") << finnish << 1.5e20 << "1,5E+20";
        QTest::newRow("0.0001") << english << 0.0001 << "0.0001";
        QTest::newRow("1E-05") << english << 0.00001 << "1E-05";
        QTest::newRow("2.5E-300") << finnish << 2.5e-300 << "2,5E-300";
        QTest::newRow("0.1 + 0.2") << english << 0.1 + 0.2 << "0.3";
        QTest::newRow("negative") << finnish << -1857.5 << "-1857,5";
        QTest::newRow("zero") << finnish << 0.0 << "0";
    }
    void numbersAreWrittenTheClassicWay()
    {
        QFETCH(QLocale, locale);
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(classicNumberText(value, locale), text);
    }

    void leadingNumbersReadWithAFullStop_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("comma stops") << "1299,9" << 1299.0;
        QTest::newRow("stop continues") << "1299.9" << 1299.9;
        QTest::newRow("exponent") << "1E+15" << 1e15;
        QTest::newRow("comma mantissa") << "1,5E+20" << 1.0;
        QTest::newRow("negative exponent") << "2.5E-3" << 0.0025;
        QTest::newRow("dangling exponent") << "1.5E" << 1.5;
        QTest::newRow("exponent without digits") << "7e+x" << 7.0;
        QTest::newRow("sign") << "-30" << -30.0;
        QTest::newRow("leading spaces") << "  42" << 42.0;
        QTest::newRow("no number") << "abc" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("point alone") << "." << 0.0;
        QTest::newRow("underflow") << "1E-400" << 0.0;
    }
    void leadingNumbersReadWithAFullStop()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(leadingNumber(text), value);
    }

    void hugeExponentsReadAsHuge()
    {
        QVERIFY(std::isinf(leadingNumber(u"1E+400")));
        QVERIFY(std::isinf(leadingNumber(u"-1E+400")) && leadingNumber(u"-1E+400") < 0);
    }
};

QTEST_GUILESS_MAIN(TestDelayInterval)
#include "test_delay_interval.moc"
