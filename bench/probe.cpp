// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Benchmark probe, loaded into an unchanged program with LD_PRELOAD; it is
// never linked into the program itself. It runs when the QApplication is
// created and, driven by environment variables, reports what the benchmarks
// measure from inside the process:
//
//   VP_PROBE_OUT    file the results are appended to, as key=value lines
//   VP_PROBE_MODE   startup   report the first painted frame, then exit
//                   idle      report the first painted frame, keep running
//                   cycle     after the first frame tick the two joke boxes,
//                             choose "Looppaa.. =)", type VP_PROBE_DELAY
//                             (default "1") and press Apply, as a user would;
//                             keep running
//                   timers    as cycle, then time every tick of Timer1..3 for
//                             VP_PROBE_SECONDS (default 20), report and exit
//
// "First painted frame": the first paint of a top-level window has run and
// its backing store has been handed to the display server (the queued call
// below runs only after the whole repaint, flush included, has returned).
// Times are CLOCK_MONOTONIC nanoseconds, the clock the launcher reads before
// it starts the process.

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QLineEdit>
#include <QMap>
#include <QMetaObject>
#include <QTimer>
#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

long long monotonicNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

QByteArray env(const char* name, const char* fallback = "")
{
    const QByteArray value = qgetenv(name);
    return value.isEmpty() ? QByteArray(fallback) : value;
}

void report(const QByteArray& line)
{
    QFile out(QString::fromLocal8Bit(env("VP_PROBE_OUT", "/dev/stderr")));
    if (out.open(QIODevice::Append | QIODevice::Text)) out.write(line + '\n');
}

// Peak resident memory so far, in KiB.
long long peakResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// Widgets by the Qt class they are made from (a window class of the program
// counts as the Qt class it derives from), so that the program and the floor
// can be compared kind for kind.
QByteArray widgetCensus(QWidget* window)
{
    QMap<QByteArray, int> kinds;
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* widget : widgets) {
        if (widget->isWindow() && widget != window) continue; // menus' popups are windows of their own
        const QMetaObject* meta = widget->metaObject();
        while (meta && !QByteArray(meta->className()).startsWith('Q')) meta = meta->superClass();
        if (meta) ++kinds[meta->className()];
    }
    QByteArray text;
    for (auto it = kinds.cbegin(); it != kinds.cend(); ++it)
        text += (text.isEmpty() ? "" : ",") + it.key() + ':' + QByteArray::number(it.value());
    return text;
}

// Tick times of the colour timers, whatever their type: the program's
// interval timers signal tick(), the floor's plain timers timeout().
class TickRecorder : public QObject {
    Q_OBJECT
public:
    struct Series {
        QObject* timer;
        std::vector<long long> ticks;
    };
    std::vector<Series> series;

    void watch(QObject* timer)
    {
        series.push_back({timer, {}});
        const char* signal = timer->metaObject()->indexOfSignal("tick()") >= 0 ? SIGNAL(tick()) : SIGNAL(timeout());
        connect(timer, signal, this, SLOT(record()));
    }

public slots:
    void record()
    {
        const long long now = monotonicNs();
        for (auto& s : series)
            if (s.timer == sender()) s.ticks.push_back(now);
    }
};

class Probe : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!framed_ && event->type() == QEvent::Paint && watched->isWidgetType()) {
            framed_ = true;
            window_ = static_cast<QWidget*>(watched)->window();
            QMetaObject::invokeMethod(this, [this] { firstFrame(); }, Qt::QueuedConnection);
        }
        return false;
    }

private:
    void firstFrame()
    {
        const long long frame = monotonicNs();
        qApp->removeEventFilter(this);
        report("frame_ns=" + QByteArray::number(frame));
        report("peak_rss_kib=" + QByteArray::number(peakResidentKiB()));
        report("widgets=" + widgetCensus(window_));

        const QByteArray mode = env("VP_PROBE_MODE", "startup");
        if (mode == "startup") {
            std::fflush(nullptr);
            std::_Exit(0);
        }
        if (mode == "cycle" || mode == "timers") startCycling();
        if (mode == "timers") timeTicks(env("VP_PROBE_SECONDS", "20").toDouble());
    }

    template <typename T>
    T* control(const char* name)
    {
        return window_->findChild<T*>(QLatin1String(name));
    }

    // What a user does to start the colour cycling; the floor window has no
    // such controls and starts its timers itself.
    void startCycling()
    {
        auto* apply = control<QAbstractButton>("Command1");
        if (!apply) return;
        control<QAbstractButton>("Check2")->setChecked(true);
        control<QAbstractButton>("Check3")->setChecked(true);
        control<QAbstractButton>("Option4")->setChecked(true);
        control<QLineEdit>("TxtViive")->setText(QString::fromUtf8(env("VP_PROBE_DELAY", "1")));
        apply->click();
    }

    // A plain timer knows its interval; the program's colour timers keep
    // theirs to themselves, so for them it is the delay times the timer's
    // factor (the delay is a whole number of seconds in this benchmark).
    static int nominalPeriod(QObject* timer)
    {
        const QVariant interval = timer->property("interval");
        if (interval.isValid()) return interval.toInt();
        const int delay = env("VP_PROBE_DELAY", "1").toInt();
        const QString name = timer->objectName();
        return delay * (name == QLatin1String("Timer1") ? 1000 : name == QLatin1String("Timer2") ? 1857 : 2253);
    }

    void timeTicks(double seconds)
    {
        for (const char* name : {"Timer1", "Timer2", "Timer3"})
            if (auto* timer = window_->findChild<QObject*>(QLatin1String(name))) recorder_.watch(timer);
        QTimer::singleShot(int(seconds * 1000), this, [this] {
            for (const auto& s : recorder_.series) {
                const int period = nominalPeriod(s.timer);
                double sum = 0, worst = 0;
                for (std::size_t i = 1; i < s.ticks.size(); ++i) {
                    const double deviation = std::fabs((s.ticks[i] - s.ticks[i - 1]) / 1e6 - period);
                    sum += deviation;
                    worst = std::max(worst, deviation);
                }
                // Lateness against the schedule set by the least late tick:
                // tick i is due at that tick's time plus whole periods.
                double earliest = 0, worstLate = 0;
                for (std::size_t i = 0; i < s.ticks.size(); ++i) {
                    const double offset = (s.ticks[i] - s.ticks.front()) / 1e6 - double(i) * period;
                    earliest = i == 0 ? offset : std::min(earliest, offset);
                }
                for (std::size_t i = 0; i < s.ticks.size(); ++i)
                    worstLate = std::max(worstLate, (s.ticks[i] - s.ticks.front()) / 1e6 - double(i) * period - earliest);
                const std::size_t gaps = s.ticks.size() > 1 ? s.ticks.size() - 1 : 0;
                report("timer " + s.timer->objectName().toUtf8() + " period_ms=" + QByteArray::number(period)
                       + " ticks=" + QByteArray::number(qulonglong(s.ticks.size()))
                       + " mean_dev_ms=" + QByteArray::number(gaps ? sum / gaps : 0, 'f', 4)
                       + " worst_dev_ms=" + QByteArray::number(worst, 'f', 4)
                       + " worst_late_ms=" + QByteArray::number(worstLate, 'f', 4));
            }
            std::fflush(nullptr);
            std::_Exit(0);
        });
    }

    bool framed_ = false;
    QWidget* window_ = nullptr;
    TickRecorder recorder_;
};

void installProbe()
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    auto* probe = new Probe;
    probe->moveToThread(qApp->thread());
    qApp->installEventFilter(probe);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installProbe)

#include "probe.moc"
