#include "base/clock.h"

namespace quillon {

namespace {
Clock::Source &source()
{
    static Clock::Source s;
    return s;
}
} // namespace

QDateTime Clock::now()
{
    const auto &s = source();
    return s ? s() : QDateTime::currentDateTime();
}

void Clock::setSource(Source s)
{
    source() = std::move(s);
}

ScopedClock::ScopedClock(QDateTime start)
    : m_now(std::move(start))
{
    Clock::setSource([this] { return m_now; });
}

ScopedClock::~ScopedClock()
{
    Clock::setSource({});
}

} // namespace quillon
