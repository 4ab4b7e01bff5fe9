#include "app/cli/scaledtimers.h"

#include "base/clock.h"

#include <algorithm>

namespace quillon {

ScaledTimers::ScaledTimers(double scale, QObject *parent)
    : QObject(parent)
    , m_now(QDateTime::currentDateTime())
{
    Clock::setSource([this] { return m_now; });
    m_driver.setInterval(std::max(1, int(1000.0 / std::max(scale, 1.0))));
    connect(&m_driver, &QTimer::timeout, this, &ScaledTimers::second);
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
