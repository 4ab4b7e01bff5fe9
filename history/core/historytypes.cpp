#include "history/core/historytypes.h"

namespace quillon {

namespace {

struct Names
{
    const char *key;
    const char *title;
};

const Names kValueNames[] = {
    {"ds_rate", "DS rate (kbit/s)"},
    {"us_rate", "US rate (kbit/s)"},
    {"ds_max_rate", "DS max rate (kbit/s)"},
    {"us_max_rate", "US max rate (kbit/s)"},
    {"ds_margin", "DS margin (dB)"},
    {"us_margin", "US margin (dB)"},
    {"ds_attenuation", "DS attenuation (dB)"},
    {"us_attenuation", "US attenuation (dB)"},
    {"ds_power", "DS power (dB)"},
    {"us_power", "US power (dB)"},
    {"ping", "Ping (ms)"},
};
static_assert(std::size(kValueNames) == HistoryValueCount);

const Names kCountNames[] = {
    {"ds_crc", "DS CRC"},
    {"us_crc", "US CRC"},
    {"ds_fec", "DS FEC"},
    {"us_fec", "US FEC"},
    {"ds_hec", "DS HEC"},
    {"us_hec", "US HEC"},
    {"es", "ES"},
    {"ses", "SES"},
    {"los", "LOS"},
    {"sef", "SEF"},
    {"init_errors", "Init errors"},
    {"pings_sent", "Pings sent"},
    {"pings_lost", "Pings lost"},
};
static_assert(std::size(kCountNames) == HistoryCountCount);

} // namespace

const char *historyValueKey(HistoryValue v)
{
    return kValueNames[size_t(v)].key;
}

const char *historyCountKey(HistoryCount c)
{
    return kCountNames[size_t(c)].key;
}

QString historyValueTitle(HistoryValue v)
{
    return QString::fromLatin1(kValueNames[size_t(v)].title);
}

QString historyCountTitle(HistoryCount c)
{
    return QString::fromLatin1(kCountNames[size_t(c)].title);
}

QString historyEventTitle(HistoryEventKind kind)
{
    switch (kind) {
    case HistoryEventKind::Resync:
        return QStringLiteral("Resync");
    case HistoryEventKind::RouterRestarted:
        return QStringLiteral("Router restarted");
    case HistoryEventKind::WatchdogReboot:
        return QStringLiteral("Watchdog reboot");
    case HistoryEventKind::RequestedReboot:
        return QStringLiteral("Reboot");
    }
    return QStringLiteral("Event");
}

} // namespace quillon
