#include "stats/core/boottime.h"

#include "base/misc.h"

#include <cmath>

namespace quillon {

namespace {

// Longer than any router stays up; a larger or negative figure is garbage.
constexpr double MaxUptimeSecs = 2.0e9;

} // namespace

void BootTimeTracker::FindBootTime(const QString &uptime, const QDateTime &uptimeAsked)
{
    QString text = uptime;
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    text = text.trimmed();
    if (text.contains(QLatin1Char(' ')))
        text = Field(text, QStringLiteral(" "), 1);
    double up = Val(text);
    if (!std::isfinite(up) || up < 0 || up > MaxUptimeSecs)
        up = 0;

    m_rebootDetected = m_lastUptime > 0 && up + 59 < m_lastUptime;

    QDateTime boot = SecondsToDate(uptimeAsked, up, false);
    const QTime t = boot.time();
    boot = boot.addMSecs(-(qint64(t.second()) * 1000 + t.msec()));

    if (!m_bootTime.isValid() || DateDiffSecs(boot, m_bootTime) > 0) {
        m_bootTime = boot;
        m_lastUptime = up;
    }
}

} // namespace quillon
