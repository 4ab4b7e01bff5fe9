#pragma once

#include <QByteArray>
#include <QString>

namespace quillon {

enum class PingStatus {
    Success,
    TimedOut,
    Unreachable,  // destination unreachable from a router on the way
    TimeExceeded, // the time-to-live ran out on the way
    BadAddress,   // not a dotted IPv4 address; nothing was sent
    NoSocket,     // no ICMP socket can be opened here
    SendFailed,
};

struct PingRequest
{
    QString address;       // dotted IPv4, no name resolution
    qint32 timeoutMs{500};
    QByteArray payload;    // empty: "Test"
    int ttl{0};            // 0: the system's default
};

struct PingReply
{
    PingStatus status{PingStatus::TimedOut};
    qint32 rttMs{0};       // whole milliseconds, truncated
    qint64 rttMicros{0};
    QString from;          // who answered (the target or a router on the way)
};

// One ICMP echo. While it waits, pending events of the application run
// every couple of milliseconds, so painting and an abort button keep working.
PingReply Ping(const PingRequest &request);

// True when `address` answered within `time` ms; `time` then holds the round
// trip in ms (0 when no reply record arrived).
bool FullPing(const QString &address, qint32 &time, const QByteArray &payload = {});

// Exactly three dots and four numeric pieces; values are not range-checked.
bool IsValidIP(const QString &text);
// First IPv4 address of the name in dotted form; empty when the lookup fails.
QString GetIPFromHostName(const QString &name);

} // namespace quillon
