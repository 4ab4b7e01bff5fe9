#include "stats/core/pingmonitor.h"

#include "base/appinfo.h"
#include "base/misc.h"

#include <algorithm>
#include <utility>

namespace quillon {

namespace {

constexpr int MaxIntervalSecs = 7 * 24 * 3600;
constexpr int DefaultIntervalSecs = 15;

int wholeNumber(const QString &text, int low, int high)
{
    return clampedWhole(text, low, high);
}

} // namespace

PingMonitor::PingMonitor(PingFunction ping)
    : m_ping(std::move(ping))
{
}

void PingMonitor::start(const QString &target, const QString &intervalText, const QString &maxFailedText)
{
    m_target = target;
    m_lastResult = true;
    m_firstPing = true;
    m_failedPings = 0;
    m_maxFailedPings = wholeNumber(maxFailedText, 0, 32767);
    m_intervalSecs = wholeNumber(intervalText, 0, MaxIntervalSecs);
    // Starting the count at the interval sends the first ping at the first
    // tick; an interval of 0 means the default, counted from zero.
    m_ticks = m_intervalSecs;
    if (m_intervalSecs == 0)
        m_intervalSecs = DefaultIntervalSecs;
}

PingTick PingMonitor::tick()
{
    PingTick t;
    if (m_pinging)
        return t;
    ++m_ticks;
    t.countText = FormatCountdown(std::max(0, m_intervalSecs - m_ticks));
    if (m_ticks <= m_intervalSecs)
        return t;

    t.pinged = true;
    t.countText = QStringLiteral("Pinging");
    qint32 time = MonitorPingTimeoutMs;
    m_pinging = true;
    const bool result = m_ping && m_ping(m_target, time);
    m_pinging = false;
    t.answered = result;

    if (result) {
        m_lastRtt = time;
        m_avgRtt = roundHalfEven(double(m_avgRtt) + m_lastRtt) / 2;
        t.pingStatsText = QStringLiteral("Ping response: %1 ms, Avg: %2 ms").arg(m_lastRtt).arg(m_avgRtt);
    } else {
        t.pingStatsText = QStringLiteral("Ping response: n/a, Avg: %1 ms").arg(m_avgRtt);
    }

    if (result != m_lastResult || m_firstPing) {
        t.stateShown = true;
        m_pingState = result ? QStringLiteral("Up") : QStringLiteral("Down");
        t.pingState = m_pingState;
        t.pingLabel = result ? QStringLiteral("UP") : QStringLiteral("DOWN");
        t.trayTip = appTitle() + (result ? QStringLiteral(" - UP") : QStringLiteral(" - DOWN"));
        t.startStats = !m_firstPing;
        m_firstPing = false;
    }

    // Answers do not clear the count: the router is rebooted at failure
    // number limit + 1 since monitoring started or since the last reboot.
    if (m_maxFailedPings > 0) {
        if (!result)
            ++m_failedPings;
        if (m_failedPings > m_maxFailedPings) {
            m_failedPings = 0;
            t.reboot = true;
        }
    }

    m_lastResult = result;
    m_ticks = 0;
    return t;
}

PingIndicator UpdatePingIndicator(bool isUp)
{
    return isUp ? PingIndicator{QStringLiteral("Online"), RGB(0, 255, 0)}
                : PingIndicator{QStringLiteral("Offline"), RGB(255, 0, 0)};
}

RebootWatch::RebootWatch(PingFunction ping)
    : m_ping(std::move(ping))
{
}

void RebootWatch::start(const QString &routerAddress, bool settle, const QString &settleText)
{
    m_router = routerAddress;
    m_settle = settle;
    m_upCycles = 0;
    m_settleCount = 0;
    m_settleTarget = wholeNumber(settleText, 0, MaxIntervalSecs);
    startWatch();
}

void RebootWatch::startWatch()
{
    // Starting from "answered" means a router still up after the reboot
    // command is not taken as back: it must miss at least one ping first.
    m_watchLast = true;
    m_wentDown = false;
    m_phase = Phase::Watching;
}

RebootTick RebootWatch::tick()
{
    if (m_pinging)
        return {};
    m_pinging = true;
    RebootTick t;
    switch (m_phase) {
    case Phase::Watching:
        t = watchTick();
        break;
    case Phase::Settling:
        t = settleTick();
        break;
    case Phase::Idle:
    case Phase::Done:
        break;
    }
    m_pinging = false;
    return t;
}

RebootTick RebootWatch::watchTick()
{
    RebootTick t;
    qint32 time = MonitorPingTimeoutMs;
    const bool result = m_ping && m_ping(m_router, time);
    if (result != m_watchLast && !result)
        m_wentDown = true;
    m_watchLast = result;
    t.showIndicator = true;
    t.routerUp = result;
    if (!m_wentDown)
        return t;

    if (!result) {
        t.status = QStringLiteral("Router is rebooting...");
    } else if (!m_settle) {
        ++m_upCycles;
        if (m_upCycles < 2) {
            startWatch();
        } else {
            m_phase = Phase::Settling;
            t.settleStarted = true;
            t.settleIntervalMs = 5000;
        }
    } else {
        m_phase = Phase::Settling;
        m_settleCount = 0;
        t.settleStarted = true;
        t.settleIntervalMs = 1000;
    }
    return t;
}

RebootTick RebootWatch::settleTick()
{
    RebootTick t;
    bool done = true;
    if (m_settle) {
        qint32 time = MonitorPingTimeoutMs;
        const bool result = m_ping && m_ping(m_router, time);
        if (!result) {
            m_settleCount = 0;
            t.status = QStringLiteral("Router has stopped responding during settle period");
        } else {
            ++m_settleCount;
            t.status = QStringLiteral("Router has been responding for %1 second(s)").arg(m_settleCount);
        }
        done = result && m_settleCount >= m_settleTarget;
    }
    if (done) {
        m_phase = Phase::Done;
        t.done = true;
        t.status = QString::fromLatin1(RebootedStatus);
    }
    return t;
}

} // namespace quillon
