#include "netdiag/core/probesocket.h"

#include "netdiag/core/icmpio.h"
#include "netdiag/core/icmppacket.h"

#include <QHostAddress>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quillon {

ProbeSocket::~ProbeSocket()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool ProbeSocket::open()
{
    if (m_fd >= 0)
        return true;
    int rawError = 0;
    m_fd = icmpio::OpenEchoSocket(SOCK_NONBLOCK, m_raw, rawError);
    if (m_fd < 0)
        return false;
    const int on = 1;
    ::setsockopt(m_fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    // Apart from the ping module's identifier, so neither takes the other's replies.
    m_id = quint16(::getpid() ^ 0x5A5A);
    m_buffer.resize(4096);
    return true;
}

bool ProbeSocket::send(quint32 destination, int ttl, quint16 seq, const QByteArray &payload)
{
    if (m_fd < 0)
        return false;
    ::setsockopt(m_fd, SOL_IP, IP_TTL, &ttl, sizeof ttl);
    const QByteArray packet = icmp::BuildEchoRequest(m_id, seq, payload.left(icmp::MaxPayload));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(destination);
    m_sentAt.insert(seq, icmpio::NowMicros());
    return ::sendto(m_fd, packet.constData(), size_t(packet.size()), 0, reinterpret_cast<const sockaddr *>(&to), sizeof to)
        >= 0;
}

QList<ProbeAnswer> ProbeSocket::receive(int waitMs)
{
    QList<ProbeAnswer> out;
    if (m_fd < 0)
        return out;
    pollfd pfd{m_fd, POLLIN, 0};
    if (::poll(&pfd, 1, qMax(0, waitMs)) <= 0)
        return out;
    if (pfd.revents & POLLERR) {
        if (!m_raw)
            readErrors(out);
        int error = 0;
        socklen_t length = sizeof error;
        ::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length);
    }
    if (pfd.revents & POLLIN)
        readQueue(out);
    return out;
}

void ProbeSocket::add(QList<ProbeAnswer> &out, quint16 seq, PingStatus status, quint32 from, qint64 at)
{
    const auto sent = m_sentAt.constFind(seq);
    if (sent == m_sentAt.constEnd())
        return;
    out.append({seq, status, QHostAddress(from).toString(), qMax<qint64>(0, at - *sent)});
}

void ProbeSocket::readQueue(QList<ProbeAnswer> &out)
{
    alignas(cmsghdr) char control[512];
    for (;;) {
        sockaddr_in peer{};
        msghdr msg{};
        const ssize_t got = icmpio::ReceiveMessage(m_fd, m_buffer.data(), m_buffer.size(), control, sizeof control, peer, msg,
                                       MSG_DONTWAIT);
        if (got < 0)
            return;
        const qsizetype size = qMin<qsizetype>(got, qsizetype(m_buffer.size()));
        const icmp::Parsed p = icmp::ParseAnySequence(m_buffer.data(), size, m_raw, m_id, m_raw);
        if (p.match == icmp::Match::NotOurs)
            continue;
        const PingStatus status = p.match == icmp::Match::EchoReply ? PingStatus::Success
            : p.match == icmp::Match::Unreachable                   ? PingStatus::Unreachable
                                                                    : PingStatus::TimeExceeded;
        add(out, p.seq, status, m_raw ? p.from : ntohl(peer.sin_addr.s_addr), icmpio::ReceiveMicros(msg));
    }
}

// A datagram socket's errors come on its error queue, with our request as data.
void ProbeSocket::readErrors(QList<ProbeAnswer> &out)
{
    alignas(cmsghdr) char control[512];
    char data[576];
    for (;;) {
        sockaddr_in peer{};
        msghdr msg{};
        const ssize_t got = icmpio::ReceiveMessage(m_fd, data, sizeof data, control, sizeof control, peer, msg,
                                       MSG_ERRQUEUE | MSG_DONTWAIT);
        if (got < 0)
            return;
        if (got < icmp::IcmpHeaderSize)
            continue;
        const quint16 seq = quint16((quint8(data[6]) << 8) | quint8(data[7]));
        for (cmsghdr *c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level != SOL_IP || c->cmsg_type != IP_RECVERR
                || c->cmsg_len < CMSG_LEN(sizeof(sock_extended_err) + sizeof(sockaddr_in)))
                continue;
            sock_extended_err err{};
            std::memcpy(&err, CMSG_DATA(c), sizeof err);
            if (err.ee_origin != SO_EE_ORIGIN_ICMP)
                continue;
            sockaddr_in offender{};
            std::memcpy(&offender, CMSG_DATA(c) + sizeof err, sizeof offender);
            add(out, seq, err.ee_type == icmp::TimeExceededType ? PingStatus::TimeExceeded : PingStatus::Unreachable,
                ntohl(offender.sin_addr.s_addr), icmpio::NowMicros());
        }
    }
}

} // namespace quillon
