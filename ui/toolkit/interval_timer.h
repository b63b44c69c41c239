// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The windows' interval timer: "enabled" and "interval" are separate
// properties, and the timer ticks only while it is enabled with an interval
// above 0. Intervals are whole milliseconds from 0 to 65535.

#include <QObject>
#include <QTimer>

namespace vp {

class IntervalTimer : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxInterval = 65535;

    explicit IntervalTimer(QObject* parent = nullptr);

    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);

    int interval() const { return interval_; }
    // Rounds to the nearest whole millisecond, halves to even. A value outside
    // 0..65535, NaN or an infinity raises the invalid-property-value run-time
    // error and leaves the interval as it was.
    void setInterval(double milliseconds);

    // Nearest whole number, halves to even; `value` must lie well inside the
    // range of int.
    static int roundHalfEven(double value);

    // Whether ticks are being delivered: enabled with a non-zero interval.
    bool isTicking() const { return timer_.isActive(); }

signals:
    void tick();

private:
    void restart();

    QTimer timer_;
    bool enabled_ = false;
    int interval_ = 0;
};

} // namespace vp
