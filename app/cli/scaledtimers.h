#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>

namespace quillon {

// Runs the session's timers on simulated time, many seconds per real second
// (QUILLON_TIME_SCALE): the timers are started and stopped by the core as
// usual but never fire on their own; each simulated second advances the
// program's clock and ticks every running timer whose interval has passed.
class ScaledTimers final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScaledTimers)

public:
    ScaledTimers(double scale, QObject *parent = nullptr);
    ~ScaledTimers() override;

    void add(QTimer *timer, std::function<void()> tick);

private:
    void advance();
    void second();

    struct Entry
    {
        QTimer *timer;
        std::function<void()> tick;
        int elapsedMs{0};
    };
    QList<Entry> m_entries;
    QTimer m_driver;
    int m_secondsPerTick{1}; // above 1000 seconds a second, one timer event carries several
    QDateTime m_now;
};

} // namespace quillon
