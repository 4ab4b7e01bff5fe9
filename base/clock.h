#pragma once

#include <QDateTime>
#include <functional>

namespace quillon {

// The wall clock every part of the program reads. Tests replace it so that
// dates, periods and intervals can be driven without waiting.
class Clock final
{
public:
    using Source = std::function<QDateTime()>;

    static QDateTime now();
    // An empty source restores the system clock.
    static void setSource(Source source);
};

// Sets a fixed (or advancing) time for the lifetime of the object.
class ScopedClock final
{
public:
    explicit ScopedClock(QDateTime start);
    ~ScopedClock();
    ScopedClock(const ScopedClock &) = delete;
    ScopedClock &operator=(const ScopedClock &) = delete;

    void set(const QDateTime &when) { m_now = when; }
    void advanceSecs(qint64 secs) { m_now = m_now.addSecs(secs); }
    QDateTime current() const { return m_now; }

private:
    QDateTime m_now;
};

} // namespace quillon
