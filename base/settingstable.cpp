#include "base/settingstable.h"

namespace quillon {

namespace {

SettingRow row(const char *section, const char *key, const char *control, SettingKind kind,
               const char *defaultValue = "")
{
    return {QString::fromLatin1(section), QString::fromLatin1(key), QString::fromLatin1(control), kind,
            QString::fromLatin1(defaultValue)};
}

QList<SettingRow> buildTable()
{
    using K = SettingKind;
    const char *const ticked = "1";
    const char *const unticked = "0";
    return {
        row("Options", "Ping IP", "txtPing", K::Text, DefaultPingAddress),
        row("Options", "Ping Interval", "txtInterval", K::Text, "300"),
        row("Options", "Router Username", "txtUser", K::Text, "root"),
        row("Options", "Router Password", "txtPass", K::Text, "Gravo"),
        row("Options", "Router IP", "txtRouter", K::Text),
        row("Options", "Telnet Port", "txtPort", K::Text, "23"),
        row("Options", "StatsCheck", "chkStats", K::Check, ticked),
        row("Options", "StatsCheck Interval", "txtStats", K::Text, "1"),
        row("Options", "Maximum failed pings", "txtMaxFailedPings", K::Text, "5"),
        row("Options", "Graph points limit", "txtGraphLimit", K::Text, "256"),
        row("Options", "DS start bit", "txtDSStart", K::Text, "32"),
        row("Options", "Image quality", "hscrQuality", K::ScrollValue, "75"),
        row("Options", "Use settle time", "chkSettle", K::Check, unticked),
        row("Options", "Settle time", "txtSettle", K::Text, "10"),
        row("Options", "Auto start monitor", "chkAutoMonitor", K::Check, unticked),
        row("Options", "Auto send to tray", "chkAutoTray", K::Check, unticked),
        row("Options", "Send to tray on close", "chkSendToTray", K::Check, unticked),
        row("Options", "Save stats to text", "chkSaveStats", K::Check, ticked),
        row("Options", "Save stats to CSV", "chkSaveStatsCSV", K::Check, ticked),
        row("Options", "Check system log", "chkRegularLog", K::Check, unticked),
        row("Options", "Save system log", "chkSaveLog", K::Check, unticked),
        row("Options", "System log interval", "txtLogInt", K::Text, "1"),
        row("Options", "Clear system log", "chkClearLog", K::Check, unticked),
        row("Ping test", "Target", "txtIPToPing", K::Text),
        row("Ping test", "Count", "txtPingCount", K::Text, "4"),
        row("Ping test", "Timeout", "txtTimeout", K::Text, "500"),
        row("Ping test", "Packet size", "txtPackSz", K::Text, "4"),
        row("Ping test", "DNS", "txtDNS", K::Text),
        row("Ping test", "Resolve IPs", "chkResolve", K::Check, unticked),
        row("Ping test", "Use router", "chkUseRouter", K::Check, ticked),
        row("Ping test", "Standard DNS", "chkStandardDNS", K::Check, unticked),
        row("Exchange", "Real distance", "txtActualDistance", K::Text),
        row("Exchange", "Loss rate", "LossRate", K::Special, "13.81"),
        row("Exchange", "OLO", "lblExchange", K::Label),
        row("Exchange", "Lookup site", "LookupSite", K::Special),
        row("Exchange", "Directions site", "DirectionsSite", K::Special),
        row("Tweaks", "Compatibility mode", "chkUseLongCommands", K::Check, unticked),
        row("Tweaks", "Limit by DSP", "chkLimitDSP", K::Check, unticked),
        row("Graphs", "G1", "mcGraphs_0", K::GraphTag),
        row("Graphs", "G2", "mcGraphs_1", K::GraphTag),
        row("Graphs", "G3", "mcGraphs_2", K::GraphTag),
        row("Bandwidth", "WAN", "txtID_0", K::Text, "ppp0"),
        row("Bandwidth", "LAN", "txtID_1", K::Text, "eth0"),
        row("Bandwidth", "WLAN", "txtID_2", K::Text, "wlan0"),
        row("Bandwidth", "USB", "txtID_3", K::Text, "usb0"),
        row("Bandwidth", "Interval", "txtBWInt", K::Text, "60"),
        row("Bandwidth", "Save log", "chkLogBW", K::Check, ticked),
        row("Bandwidth", "Display type", "cboRecords", K::ComboText, "Current session"),
        row("Bandwidth", "Router type", "cboRouterID", K::ComboText),
        row("Bandwidth", "Graphs", "BWGraphs", K::Special),
    };
}

} // namespace

const QList<SettingRow> &settingsTable()
{
    static const QList<SettingRow> table = buildTable();
    return table;
}

const SettingRow *findSetting(const QString &section, const QString &key)
{
    for (const SettingRow &r : settingsTable()) {
        if (r.section.compare(section, Qt::CaseInsensitive) == 0 && r.key.compare(key, Qt::CaseInsensitive) == 0)
            return &r;
    }
    return nullptr;
}

} // namespace quillon
