// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: from the text of the delay field to a colour timer's interval,
// the way the Apply button does it: parse in the locale, multiply by the
// timer's factor, write the product out and read it back, then hand it to the
// interval timer. Every input, under a comma locale and a full-stop locale and
// for each of the three factors, must end in an interval of 0..65535 or in the
// program's run-time error; anything else (another exception, undefined
// behaviour, a memory error) is a fault.

#include "runtime/runtime_error.h"
#include "ui/main/delay_interval.h"
#include "ui/toolkit/interval_timer.h"

#include <QCoreApplication>
#include <QLocale>
#include <QString>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>

namespace {

constexpr int kFactors[] = {1000, 1857, 2253};

[[noreturn]] void fault(const char* what, const QString& text, const QLocale& locale, int factor)
{
    std::fprintf(stderr, "delay fault: %s (text \"%s\", locale %s, factor %d)\n", what,
                 text.toUtf8().constData(), locale.name().toUtf8().constData(), factor);
    std::abort();
}

bool isExpectedError(vp::ErrorCode code)
{
    return code == vp::ErrorCode::TypeMismatch || code == vp::ErrorCode::Overflow
        || code == vp::ErrorCode::InvalidPropertyValue;
}

void checkOne(const QString& text, const QLocale& locale, int factor, vp::IntervalTimer& timer)
{
    const int before = timer.interval();
    double delay = 0.0;
    double product = 0.0;
    bool parsed = false;
    try {
        delay = vp::parseDelay(text, locale);
        parsed = true;
        if (!std::isfinite(delay)) fault("parsed delay is not finite", text, locale, factor);
        product = vp::timerIntervalFor(delay, factor, locale);
        timer.setInterval(product);
    } catch (const vp::RuntimeError& error) {
        if (!isExpectedError(error.code())) fault("unexpected run-time error code", text, locale, factor);
        if (timer.interval() != before) fault("a refused interval changed the timer", text, locale, factor);
        return;
    } catch (const std::exception& other) {
        fault(other.what(), text, locale, factor);
    } catch (...) {
        fault("an exception that is not the run-time error", text, locale, factor);
    }

    const int interval = timer.interval();
    if (!parsed || interval < 0 || interval > vp::IntervalTimer::kMaxInterval)
        fault("interval outside 0..65535", text, locale, factor);
    if (std::fabs(interval - product) > 0.5)
        fault("interval is not the read-back product rounded", text, locale, factor);
    // With a full stop the product itself comes back (to 15 significant
    // digits) and is rounded; it can never land more than half a step away.
    if (locale.decimalPoint() == QLatin1String(".")
        && std::fabs(interval - delay * factor) > 0.5 + 1e-9 * std::fabs(delay * factor))
        fault("full-stop locale did not round the product", text, locale, factor);
}

vp::IntervalTimer* timers[3];
const QLocale* locales[2];

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // The timers are started for real, as on the window, so they need an
    // application object; none of them ever fires, as no event loop runs.
    static QCoreApplication application(*argc, *argv);
    static const QLocale finnish(QLocale::Finnish, QLocale::Finland);
    static const QLocale c(QLocale::C);
    locales[0] = &finnish;
    locales[1] = &c;
    for (auto*& timer : timers) {
        timer = new vp::IntervalTimer(&application);
        timer->setEnabled(true);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const QLocale* locale : locales)
        for (int i = 0; i < 3; ++i) checkOne(text, *locale, kFactors[i], *timers[i]);
    return 0;
}
