#include "session/core/sessionsettings.h"

#include "bandwidth/core/bandwidthtexts.h"
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
    for (size_t i = 0; i < InterfaceSlots; ++i)
        s.bandwidth.ids[i] = v.value(QStringLiteral("txtID_%1").arg(i)).trimmed();
    s.bandwidth.interval = v.value(QStringLiteral("txtBWInt"));
    s.bandwidth.maxRate = v.value(QStringLiteral("BWMaxRate"));
    s.bandwidth.saveLog = v.ticked(QStringLiteral("chkLogBW"));
    ApplyBWTickedGraphList(v.value(QStringLiteral("BWGraphs")), s.bandwidth.graphs);
    s.useLongCommands = v.ticked(QStringLiteral("chkUseLongCommands"));
    s.saveLog = v.ticked(QStringLiteral("chkSaveLog"));
    s.clearLog = v.ticked(QStringLiteral("chkClearLog"));
    return s;
}

} // namespace quillon
