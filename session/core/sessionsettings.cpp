#include "session/core/sessionsettings.h"

#include "base/settingsvalues.h"

namespace quillon {

SessionSettings SessionSettingsFrom(const SettingsValues &v)
{
    SessionSettings s;
    s.login = {v.value(QStringLiteral("txtRouter")), v.value(QStringLiteral("txtPort")),
               v.value(QStringLiteral("txtUser")), v.value(QStringLiteral("txtPass"))};
    s.pingTarget = v.value(QStringLiteral("txtPing"));
    s.pingInterval = v.value(QStringLiteral("txtInterval"));
    s.maxFailedPings = v.value(QStringLiteral("txtMaxFailedPings"));
    s.statsEnabled = v.ticked(QStringLiteral("chkStats"));
    s.statsInterval = v.value(QStringLiteral("txtStats"));
    s.settleEnabled = v.ticked(QStringLiteral("chkSettle"));
    s.settleTime = v.value(QStringLiteral("txtSettle"));
    s.saveStatsText = v.ticked(QStringLiteral("chkSaveStats"));
    s.saveStatsCsv = v.ticked(QStringLiteral("chkSaveStatsCSV"));
    s.dsStartBit = v.value(QStringLiteral("txtDSStart"));
    return s;
}

} // namespace quillon
