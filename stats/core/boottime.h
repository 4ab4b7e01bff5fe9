#pragma once

#include <QDateTime>
#include <QString>

namespace quillon {

// The router's boot time, worked out from its uptime readings.
class BootTimeTracker final
{
public:
    // `uptime` is the one-line reply of "cat /proc/uptime"; `uptimeAsked` the
    // moment the script asking for it was started.
    void FindBootTime(const QString &uptime, const QDateTime &uptimeAsked);

    QDateTime BootTime() const { return m_bootTime; } // invalid until the first reading
    double LastUptime() const { return m_lastUptime; }
    // The last reading was more than 59 seconds below the recorded uptime.
    bool RebootDetected() const { return m_rebootDetected; }

private:
    QDateTime m_bootTime;
    double m_lastUptime{0};
    bool m_rebootDetected{false};
};

} // namespace quillon
