#include "base/settingstable.h"

#include "base/misc.h"

#include <limits>

namespace quillon {

namespace {

SettingRow row(const char *section, const char *key, const char *control, SettingKind kind,
               const char *defaultValue = "")
{
    return {QString::fromLatin1(section), QString::fromLatin1(key), QString::fromLatin1(control), kind,
            QString::fromLatin1(defaultValue)};
}

SettingRow needed(const char *section, const char *key, const char *control, const char *defaultValue)
{
    SettingRow r = row(section, key, control, SettingKind::Text, defaultValue);
    r.required = true;
    return r;
}

SettingRow whole(const char *section, const char *key, const char *control, int defaultValue, int minimum,
                 int maximum, SettingKind kind = SettingKind::Text)
{
    SettingRow r = needed(section, key, control, "");
    r.kind = kind;
    r.defaultValue = QString::number(defaultValue);
    r.minimum = minimum;
    r.maximum = maximum;
    return r;
}

constexpr int SecondsPerDay = 24 * 60 * 60;
constexpr int MinutesPerDay = 24 * 60;

QList<SettingRow> buildTable()
{
    using K = SettingKind;
    const char *const ticked = "1";
    const char *const unticked = "0";
    // Intervals of 0 keep their meaning (the default ping interval, statistics
    // every second); a failed-ping limit of 0 never reboots the router.
    return {
        needed("Options", "Ping IP", "txtPing", DefaultPingAddress),
        whole("Options", "Ping Interval", "txtInterval", 300, 0, SecondsPerDay),
        needed("Options", "Router Username", "txtUser", "root"),
        needed("Options", "Router Password", "txtPass", "Gravo"),
        row("Options", "Router IP", "txtRouter", K::Text),
        whole("Options", "Telnet Port", "txtPort", 23, 1, 65535),
        row("Options", "StatsCheck", "chkStats", K::Check, ticked),
        whole("Options", "StatsCheck Interval", "txtStats", 1, 0, MinutesPerDay),
        whole("Options", "Maximum failed pings", "txtMaxFailedPings", 5, 0, 999),
        whole("Options", "Graph points limit", "txtGraphLimit", 256, 0, 4096),
        whole("Options", "DS start bit", "txtDSStart", 32, 0, 4095),
        whole("Options", "Image quality", "hscrQuality", 75, 0, 100, K::ScrollValue),
        row("Options", "Use settle time", "chkSettle", K::Check, unticked),
        whole("Options", "Settle time", "txtSettle", 10, 0, 3600),
        row("Options", "Auto start monitor", "chkAutoMonitor", K::Check, unticked),
        row("Options", "Auto send to tray", "chkAutoTray", K::Check, unticked),
        row("Options", "Send to tray on close", "chkSendToTray", K::Check, unticked),
        row("Options", "Save stats to text", "chkSaveStats", K::Check, ticked),
        row("Options", "Save stats to CSV", "chkSaveStatsCSV", K::Check, ticked),
        row("Options", "Check system log", "chkRegularLog", K::Check, unticked),
        row("Options", "Save system log", "chkSaveLog", K::Check, unticked),
        whole("Options", "System log interval", "txtLogInt", 1, 1, 7 * MinutesPerDay),
        row("Options", "Clear system log", "chkClearLog", K::Check, unticked),
        row("Ping test", "Target", "txtIPToPing", K::Text),
        whole("Ping test", "Count", "txtPingCount", 4, 1, 32767),
        whole("Ping test", "Timeout", "txtTimeout", 500, 1, 60000),
        whole("Ping test", "Packet size", "txtPackSz", 4, 0, 32767),
        row("Ping test", "DNS", "txtDNS", K::Text),
        row("Ping test", "Resolve IPs", "chkResolve", K::Check, unticked),
        row("Ping test", "Use router", "chkUseRouter", K::Check, ticked),
        row("Ping test", "Standard DNS", "chkStandardDNS", K::Check, unticked),
        whole("Ping test", "Maximum hops", "MaxHops", 30, 1, 255, K::Special),
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
        needed("Bandwidth", "WAN", "txtID_0", "ppp0"),
        needed("Bandwidth", "LAN", "txtID_1", "eth0"),
        needed("Bandwidth", "WLAN", "txtID_2", "wlan0"),
        needed("Bandwidth", "USB", "txtID_3", "usb0"),
        whole("Bandwidth", "Interval", "txtBWInt", 60, 1, SecondsPerDay),
        // Mbit/s: a counter drop is a wrap only if the interface could carry that much.
        whole("Bandwidth", "Maximum rate", "BWMaxRate", 100, 1, 10000, K::Special),
        row("Bandwidth", "Save log", "chkLogBW", K::Check, ticked),
        row("Bandwidth", "Display type", "cboRecords", K::ComboText, "Current session"),
        row("Bandwidth", "Router type", "cboRouterID", K::ComboText),
        row("Bandwidth", "Graphs", "BWGraphs", K::Special),
    };
}

bool isDigits(const QString &text)
{
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
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

const SettingRow *findSettingOfControl(const QString &control)
{
    for (const SettingRow &r : settingsTable()) {
        if (r.control == control)
            return &r;
    }
    return nullptr;
}

bool isValidSetting(const SettingRow &row, const QString &value)
{
    if (!row.required)
        return true;
    if (!row.isWholeNumber())
        return !value.trimmed().isEmpty();
    // Nine digits at most: the number always fits.
    if (value.isEmpty() || value.size() > 9 || !isDigits(value))
        return false;
    const qint64 n = value.toLongLong();
    return n >= row.minimum && n <= row.maximum;
}

QString validSetting(const SettingRow &row, const QString &value)
{
    return isValidSetting(row, value) ? value : row.defaultValue;
}

int wholeSetting(const QString &control, const QString &value)
{
    const SettingRow *row = findSettingOfControl(control);
    if (!row || !row->isWholeNumber())
        return clampedWhole(value, 0, std::numeric_limits<int>::max());
    return clampedWhole(validSetting(*row, value), row->minimum, row->maximum);
}

} // namespace quillon
