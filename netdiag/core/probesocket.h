#pragma once

#include "netdiag/core/ping.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <vector>

namespace quillon {

struct ProbeAnswer
{
    quint16 seq{0};
    PingStatus status{PingStatus::TimedOut}; // Success, TimeExceeded or Unreachable
    QString from;
    qint64 rttMicros{0};
};

// One ICMP socket with several echo requests in flight at once, each with its
// own time-to-live, told apart by sequence number.
class ProbeSocket final
{
public:
    ProbeSocket() = default;
    ~ProbeSocket();
    ProbeSocket(const ProbeSocket &) = delete;
    ProbeSocket &operator=(const ProbeSocket &) = delete;

    // Raw where allowed, else the unprivileged datagram socket.
    bool open();
    bool send(quint32 destination, int ttl, quint16 seq, const QByteArray &payload);
    // Waits at most waitMs for something to read, then takes every answer queued.
    QList<ProbeAnswer> receive(int waitMs);

private:
    void readQueue(QList<ProbeAnswer> &out);
    void readErrors(QList<ProbeAnswer> &out);
    void add(QList<ProbeAnswer> &out, quint16 seq, PingStatus status, quint32 from, qint64 at);

    int m_fd{-1};
    bool m_raw{false};
    quint16 m_id{0};
    QHash<quint16, qint64> m_sentAt; // realtime microseconds
    std::vector<char> m_buffer;
};

} // namespace quillon
