#include "netdiag/core/ping.h"

#include "base/errorlog.h"
#include "netdiag/core/icmpio.h"
#include "netdiag/core/icmppacket.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QHostInfo>
#include <QTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace quillon {

namespace {

const QByteArray DefaultPayload = QByteArrayLiteral("Test");
// The longest single wait before pending events run again.
constexpr int WaitSliceMs = 2;
constexpr int HostLookupLimitMs = 10000;

enum class SocketKind { Raw, Datagram };

struct IcmpSocket
{
    int fd{-1};
    SocketKind kind{SocketKind::Raw};
    ~IcmpSocket()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

QAtomicInteger<quint16> g_sequence{0};
bool g_noSocketLogged = false;

// Logs once when neither kind of ICMP socket opens.
bool openSocket(IcmpSocket &s)
{
    bool raw = false;
    int rawError = 0;
    s.fd = icmpio::OpenEchoSocket(0, raw, rawError);
    if (s.fd >= 0) {
        s.kind = raw ? SocketKind::Raw : SocketKind::Datagram;
        return true;
    }
    if (!g_noSocketLogged) {
        g_noSocketLogged = true;
        LogError(false, QString::number(rawError),
                 QStringLiteral("No ICMP socket can be opened (raw: %1; datagram: %2). Pings get no reply; allow "
                                "them with CAP_NET_RAW or the net.ipv4.ping_group_range setting.")
                     .arg(QString::fromLocal8Bit(std::strerror(rawError)),
                          QString::fromLocal8Bit(std::strerror(errno))),
                 QStringLiteral("modPing"), QStringLiteral("Ping"));
    }
    return false;
}

QString dotted(quint32 hostOrder)
{
    return QHostAddress(hostOrder).toString();
}

void finish(PingReply &reply, PingStatus status, qint64 sentAt, qint64 receivedAt, const QString &from)
{
    reply.status = status;
    reply.rttMicros = std::max<qint64>(0, receivedAt - sentAt);
    reply.rttMs = qint32(std::min<qint64>(reply.rttMicros / 1000, INT32_MAX));
    reply.from = from;
}

// Reads what is queued on the socket. True once the reply (or an error about
// our request) has been found.
bool drainSocket(const IcmpSocket &s, std::vector<char> &buffer, quint16 id, quint16 seq, qint64 sentAt,
                 PingReply &reply)
{
    alignas(cmsghdr) char control[512];
    for (;;) {
        sockaddr_in peer{};
        msghdr msg{};
        const ssize_t got = icmpio::ReceiveMessage(s.fd, buffer.data(), buffer.size(), control, sizeof control, peer, msg,
                                           MSG_DONTWAIT);
        if (got < 0)
            return false;
        const qint64 receivedAt = icmpio::ReceiveMicros(msg);
        const bool raw = s.kind == SocketKind::Raw;
        const qsizetype size = std::min<qsizetype>(got, qsizetype(buffer.size()));
        const icmp::Parsed parsed = icmp::ParsePacket(buffer.data(), size, raw, id, seq, raw);
        if (parsed.match == icmp::Match::NotOurs)
            continue;
        const QString from = raw ? dotted(parsed.from) : dotted(ntohl(peer.sin_addr.s_addr));
        const PingStatus status = parsed.match == icmp::Match::EchoReply ? PingStatus::Success
            : parsed.match == icmp::Match::Unreachable                   ? PingStatus::Unreachable
                                                                         : PingStatus::TimeExceeded;
        finish(reply, status, sentAt, receivedAt, from);
        return true;
    }
}

// Errors about a datagram socket's requests arrive on its error queue.
bool drainErrors(const IcmpSocket &s, qint64 sentAt, PingReply &reply)
{
    bool found = false;
    alignas(cmsghdr) char control[512];
    char data[576];
    for (;;) {
        sockaddr_in peer{};
        msghdr msg{};
        if (icmpio::ReceiveMessage(s.fd, data, sizeof data, control, sizeof control, peer, msg, MSG_ERRQUEUE | MSG_DONTWAIT) < 0)
            return found;
        for (cmsghdr *c = CMSG_FIRSTHDR(&msg); c && !found; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level != SOL_IP || c->cmsg_type != IP_RECVERR)
                continue;
            if (c->cmsg_len < CMSG_LEN(sizeof(sock_extended_err) + sizeof(sockaddr_in)))
                continue;
            sock_extended_err err{};
            std::memcpy(&err, CMSG_DATA(c), sizeof err);
            if (err.ee_origin != SO_EE_ORIGIN_ICMP)
                continue;
            sockaddr_in offender{};
            std::memcpy(&offender, CMSG_DATA(c) + sizeof err, sizeof offender);
            const PingStatus status = err.ee_type == icmp::TimeExceededType ? PingStatus::TimeExceeded
                                                                            : PingStatus::Unreachable;
            finish(reply, status, sentAt, icmpio::NowMicros(), dotted(ntohl(offender.sin_addr.s_addr)));
            found = true;
        }
        if (found)
            return true;
    }
}

} // namespace

PingReply Ping(const PingRequest &request)
{
    PingReply reply;
    in_addr target{};
    const QByteArray address = request.address.trimmed().toLatin1();
    if (address.isEmpty() || ::inet_pton(AF_INET, address.constData(), &target) != 1) {
        reply.status = PingStatus::BadAddress;
        return reply;
    }
    IcmpSocket s;
    if (!openSocket(s)) {
        reply.status = PingStatus::NoSocket;
        return reply;
    }
    const int on = 1;
    ::setsockopt(s.fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    if (request.ttl > 0)
        ::setsockopt(s.fd, SOL_IP, IP_TTL, &request.ttl, sizeof request.ttl);

    const QByteArray payload = (request.payload.isEmpty() ? DefaultPayload : request.payload).left(icmp::MaxPayload);
    const quint16 id = quint16(::getpid());
    const quint16 seq = ++g_sequence;
    const QByteArray packet = icmp::BuildEchoRequest(id, seq, payload);
    std::vector<char> buffer(size_t(std::max<qsizetype>(packet.size() + 128, 2048)));

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr = target;
    QElapsedTimer waited;
    waited.start();
    const qint64 sentAt = icmpio::NowMicros();
    if (::sendto(s.fd, packet.constData(), size_t(packet.size()), 0, reinterpret_cast<const sockaddr *>(&to),
                 sizeof to)
        < 0) {
        reply.status = PingStatus::SendFailed;
        return reply;
    }

    const qint64 timeoutMs = std::max<qint32>(0, request.timeoutMs);
    for (;;) {
        const qint64 left = timeoutMs - waited.elapsed();
        pollfd pfd{s.fd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, int(std::clamp<qint64>(left, 0, WaitSliceMs)));
        if (ready > 0) {
            if (pfd.revents & POLLERR) {
                if (s.kind == SocketKind::Datagram && drainErrors(s, sentAt, reply))
                    return reply;
                // A pending socket error would wake every poll; reading it clears it.
                int error = 0;
                socklen_t length = sizeof error;
                ::getsockopt(s.fd, SOL_SOCKET, SO_ERROR, &error, &length);
            }
            if ((pfd.revents & POLLIN) && drainSocket(s, buffer, id, seq, sentAt, reply))
                return reply;
        }
        if (waited.elapsed() >= timeoutMs)
            break;
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
    }
    reply.status = PingStatus::TimedOut;
    return reply;
}

bool FullPing(const QString &address, qint32 &time, const QByteArray &payload)
{
    const PingReply reply = Ping({address, time, payload, 0});
    if (reply.status != PingStatus::NoSocket)
        time = reply.rttMs;
    return reply.status == PingStatus::Success;
}

bool IsValidIP(const QString &text)
{
    const QStringList pieces = text.trimmed().split(QLatin1Char('.'));
    if (pieces.size() != 4)
        return false;
    return std::all_of(pieces.begin(), pieces.end(), [](const QString &piece) {
        return !piece.isEmpty() && std::all_of(piece.begin(), piece.end(), [](QChar c) { return c.isDigit(); });
    });
}

QString GetIPFromHostName(const QString &name)
{
    if (name.trimmed().isEmpty())
        return {};
    QHostInfo info;
    if (QCoreApplication::instance()) {
        // Looked up asynchronously so the window keeps painting meanwhile;
        // the context object drops a late answer once we have given up.
        QObject context;
        QEventLoop loop;
        bool done = false;
        QHostInfo::lookupHost(name, &context, [&](const QHostInfo &result) {
            info = result;
            done = true;
            loop.quit();
        });
        if (!done) {
            QTimer::singleShot(HostLookupLimitMs, &loop, &QEventLoop::quit);
            loop.exec();
        }
        if (!done)
            return {};
    } else {
        info = QHostInfo::fromName(name);
    }
    for (const QHostAddress &address : info.addresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol)
            return address.toString();
    }
    return {};
}

} // namespace quillon
