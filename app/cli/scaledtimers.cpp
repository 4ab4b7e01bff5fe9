#include "app/cli/scaledtimers.h"

#include "base/clock.h"

#include <algorithm>

namespace quillon {

ScaledTimers::ScaledTimers(double scale, QObject *parent)
    : QObject(parent)
    , m_now(QDateTime::currentDateTime())
{
    Clock::setSource([this] { return m_now; });
    scale = std::clamp(scale, 1.0, 1e6);
    m_driver.setInterval(std::max(1, int(1000.0 / scale)));
    m_secondsPerTick = std::max(1, int(scale / 1000.0));
    connect(&m_driver, &QTimer::timeout, this, &ScaledTimers::advance);
    m_driver.start();
}

ScaledTimers::~ScaledTimers()
{
    Clock::setSource({});
}

void ScaledTimers::add(QTimer *timer, std::function<void()> tick)
{
    timer->blockSignals(true);
    m_entries.append({timer, std::move(tick)});
}

void ScaledTimers::advance()
{
    for (int i = 0; i < m_secondsPerTick; ++i)
        second();
}

void ScaledTimers::second()
{
    m_now = m_now.addSecs(1);
    for (Entry &e : m_entries) {
        if (!e.timer->isActive()) {
            e.elapsedMs = 0;
            continue;
        }
        e.elapsedMs += 1000;
        if (e.elapsedMs < e.timer->interval())
            continue;
        e.elapsedMs = 0;
        e.tick();
    }
}

} // namespace quillon
