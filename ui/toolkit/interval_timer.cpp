// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/toolkit/interval_timer.h"

#include "runtime/runtime_error.h"

#include <cmath>

namespace vp {

IntervalTimer::IntervalTimer(QObject* parent) : QObject(parent)
{
    // The coarse default may stray by 5 % of the interval, which would change
    // which colour a window shows at a given moment.
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &IntervalTimer::tick);
}

void IntervalTimer::setEnabled(bool enabled)
{
    enabled_ = enabled;
    restart();
}

void IntervalTimer::setInterval(double milliseconds)
{
    // Checked before any conversion to a whole number, so that NaN, infinities
    // and huge values never reach one.
    if (!(milliseconds > -1.0 && milliseconds < kMaxInterval + 1.0))
        throw RuntimeError(ErrorCode::InvalidPropertyValue, "Invalid property value");
    const int rounded = roundHalfEven(milliseconds);
    if (rounded < 0 || rounded > kMaxInterval)
        throw RuntimeError(ErrorCode::InvalidPropertyValue, "Invalid property value");
    interval_ = rounded;
    restart();
}

int IntervalTimer::roundHalfEven(double value)
{
    const double whole = std::floor(value);
    const double fraction = value - whole;
    int rounded = static_cast<int>(whole);
    if (fraction > 0.5 || (fraction == 0.5 && rounded % 2 != 0)) ++rounded;
    return rounded;
}

// Setting either property starts the countdown afresh, as a change of
// interval on a running timer does.
void IntervalTimer::restart()
{
    if (enabled_ && interval_ > 0)
        timer_.start(interval_);
    else
        timer_.stop();
}

} // namespace vp
