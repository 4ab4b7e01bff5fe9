#include "router/core/socketmaster.h"

#include "base/appinfo.h"
#include "base/dialogs.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QPointer>
#include <QSocketNotifier>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quillon {

namespace {

const QString kSource = QStringLiteral("CSocketMaster.");

[[noreturn]] void raise(int number, const char *member)
{
    throw SocketRuntimeError(number, kSource + QLatin1String(member));
}

bool parseDotted(const QString &host, quint32 &address)
{
    in_addr a{};
    if (inet_pton(AF_INET, host.toLatin1().constData(), &a) != 1)
        return false;
    address = a.s_addr;
    return true;
}

QString dottedText(const sockaddr_in &sa)
{
    char buf[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &sa.sin_addr, buf, sizeof buf);
    return QString::fromLatin1(buf);
}

int socketOptionInt(int fd, int option)
{
    int value = 0;
    socklen_t len = sizeof value;
    if (getsockopt(fd, SOL_SOCKET, option, &value, &len) != 0)
        return 0;
    return value;
}

bool localAddress(int fd, sockaddr_in &sa)
{
    socklen_t len = sizeof sa;
    return getsockname(fd, reinterpret_cast<sockaddr *>(&sa), &len) == 0 && sa.sin_family == AF_INET;
}

qint64 checkedMaxLen(std::optional<qint64> maxLen, qint64 available, const char *member)
{
    if (!maxLen)
        return available;
    if (*maxLen < 0)
        raise(SocketErrors::OutOfRange, member);
    return qMin(*maxLen, available);
}

} // namespace

CSocketMaster::CSocketMaster(QObject *parent)
    : QObject(parent)
{
}

CSocketMaster::~CSocketMaster()
{
    CloseSck();
}

void CSocketMaster::setRemotePort(qint64 port)
{
    if (m_protocol == sckTCPProtocol && m_state != sckClosed)
        raise(SocketErrors::InvalidState, "RemotePort");
    if (port < 0 || port > 65535)
        raise(SocketErrors::OutOfRange, "RemotePort");
    m_remotePort = qint32(port);
}

void CSocketMaster::setRemoteHost(const QString &host)
{
    if (m_protocol == sckTCPProtocol && m_state != sckClosed)
        raise(SocketErrors::InvalidState, "RemoteHost");
    m_remoteHost = host;
}

qint32 CSocketMaster::LocalPort() const
{
    return m_boundPort != 0 ? m_boundPort : m_localPort;
}

void CSocketMaster::setLocalPort(qint64 port)
{
    if (m_state != sckClosed)
        raise(SocketErrors::InvalidState, "LocalPort");
    if (port < 0 || port > 65535)
        raise(SocketErrors::OutOfRange, "LocalPort");
    m_localPort = qint32(port);
}

void CSocketMaster::setProtocol(qint32 protocol)
{
    if (m_state != sckClosed)
        raise(SocketErrors::InvalidState, "Protocol");
    if (protocol != sckTCPProtocol && protocol != sckUDPProtocol)
        raise(SocketErrors::OutOfRange, "Protocol");
    m_protocol = protocol;
}

QString CSocketMaster::LocalHostName()
{
    return QHostInfo::localHostName();
}

QString CSocketMaster::LocalIP() const
{
    sockaddr_in sa{};
    if ((m_state == sckOpen || m_state == sckListening) && localAddress(m_fd, sa))
        return dottedText(sa);
    const auto all = QNetworkInterface::allAddresses();
    for (const QHostAddress &a : all) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback())
            return a.toString();
    }
    return QStringLiteral("127.0.0.1");
}

qint64 CSocketMaster::BytesReceived() const
{
    return m_receiveBuffer.size();
}

void CSocketMaster::CloseSck()
{
    if (m_fd == -1 && m_lookupId == -1) {
        // A socket that could not even be created is left in sckError.
        m_state = sckClosed;
        return;
    }
    m_state = sckClosing;
    if (m_lookupId != -1) {
        QHostInfo::abortHostLookup(m_lookupId);
        m_lookupId = -1;
    }
    releaseSocket();
    m_boundPort = 0;
    m_remoteHostIP.clear();
    m_sendBuffer.clear();
    m_sendOffset = 0;
    m_receiveBuffer.clear();
    m_sendBufferSize = 0;
    m_receiveBufferSize = 0;
    m_acceptedSocket = false;
    m_state = sckClosed;
}

void CSocketMaster::releaseSocket()
{
    // Deleted later: CloseSck is often called from a handler that one of
    // these notifiers is still inside.
    for (QSocketNotifier **n : {&m_readNotifier, &m_writeNotifier}) {
        if (*n) {
            (*n)->setEnabled(false);
            (*n)->deleteLater();
            *n = nullptr;
        }
    }
    if (m_fd != -1) {
        ::close(m_fd);
        m_fd = -1;
    }
}

void CSocketMaster::Connect()
{
    Connect(m_remoteHost, QVariant());
}

void CSocketMaster::Connect(const QString &remoteHost, const QVariant &remotePort)
{
    if (m_state != sckClosed)
        raise(SocketErrors::InvalidState, "Connect");
    if (remotePort.isValid()) {
        bool ok = false;
        const qint64 port = remotePort.toLongLong(&ok);
        const bool numeric = remotePort.typeId() == QMetaType::QString
            ? ok : (ok && remotePort.canConvert<qint64>() && remotePort.typeId() != QMetaType::Bool);
        if (!numeric)
            raise(SocketErrors::UnsupportedType, "Connect");
        if (port < 1 || port > 65535)
            raise(SocketErrors::OutOfRange, "Connect");
        m_remotePort = qint32(port);
    }
    m_remoteHost = remoteHost;
    if (m_protocol != sckTCPProtocol)
        raise(SocketErrors::WrongProtocolOrState, "Connect");
    if (!SocketExists())
        return;

    quint32 address = 0;
    if (parseDotted(m_remoteHost, address)) {
        connectTo(address, true);
        return;
    }
    m_state = sckResolvingHost;
    m_lookupId = QHostInfo::lookupHost(m_remoteHost, this, &CSocketMaster::onHostLookup);
}

void CSocketMaster::onHostLookup(const QHostInfo &info)
{
    if (m_state != sckResolvingHost || info.lookupId() != m_lookupId)
        return;
    m_lookupId = -1;
    if (info.error() != QHostInfo::NoError) {
        raiseError(info.error() == QHostInfo::HostNotFound ? SocketErrors::HostNotFound : 11003,
                   kSource + QLatin1String("PostResolution"));
        return;
    }
    const auto addresses = info.addresses();
    for (const QHostAddress &a : addresses) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol) {
            m_state = sckHostResolved;
            connectTo(htonl(a.toIPv4Address()), false);
            return;
        }
    }
    raiseError(SocketErrors::NoAddressRecord, kSource + QLatin1String("PostResolution"));
}

void CSocketMaster::connectTo(quint32 address, bool fromCaller)
{
    if (m_localPort != 0) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(quint16(m_localPort));
        if (::bind(m_fd, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0) {
            raiseError(SocketErrorFromErrno(errno), kSource + QLatin1String("Connect"));
            return;
        }
    }
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(quint16(m_remotePort));
    sa.sin_addr.s_addr = address;
    m_state = sckConnecting;
    if (::connect(m_fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) == 0 || errno == EINPROGRESS) {
        updateNotifiers();
        return;
    }
    const int number = SocketErrorFromErrno(errno);
    if (number == SocketErrors::AddressNotAvailable && fromCaller) {
        m_state = sckError;
        raise(number, "Connect");
    }
    raiseError(number, kSource + QLatin1String("Connect"));
}

void CSocketMaster::finishConnect()
{
    const int err = socketOptionInt(m_fd, SO_ERROR);
    if (err != 0) {
        raiseError(SocketErrorFromErrno(err), kSource + QLatin1String("PostSocket"));
        return;
    }
    sockaddr_in peer{};
    socklen_t len = sizeof peer;
    if (getpeername(m_fd, reinterpret_cast<sockaddr *>(&peer), &len) != 0) {
        // Writable without a peer: the connect failed and the error was consumed.
        raiseError(SocketErrorFromErrno(errno == ENOTCONN ? ECONNREFUSED : errno),
                   kSource + QLatin1String("PostSocket"));
        return;
    }
    m_remoteHostIP = dottedText(peer);
    m_remotePort = ntohs(peer.sin_port);
    sockaddr_in local{};
    if (localAddress(m_fd, local))
        m_boundPort = ntohs(local.sin_port);
    m_state = sckConnected;
    updateNotifiers();
    emit ConnectEvent();
}

void CSocketMaster::raiseError(int number, const QString &source)
{
    m_state = sckError;
    updateNotifiers();
    const QString description = SocketErrorText(number);
    bool cancelDisplay = true;
    emit Error(number, description, number, source, &cancelDisplay);
    if (!cancelDisplay)
        Dialogs::message(Dialogs::Icon::Critical, appTitle(), description);
}

QByteArray CSocketMaster::GetData(std::optional<qint64> maxLen)
{
    const qint64 n = checkedReadLength(maxLen, "GetData");
    QByteArray out = m_receiveBuffer.left(n);
    m_receiveBuffer.remove(0, n);
    return out;
}

QString CSocketMaster::GetDataText(std::optional<qint64> maxLen)
{
    return QString::fromLatin1(GetData(maxLen));
}

QByteArray CSocketMaster::PeekData(std::optional<qint64> maxLen) const
{
    return m_receiveBuffer.left(checkedReadLength(maxLen, "PeekData"));
}

qint64 CSocketMaster::checkedReadLength(std::optional<qint64> maxLen, const char *member) const
{
    const bool readable = m_protocol == sckTCPProtocol
        ? (m_state == sckConnected || (m_acceptedSocket && m_fd != -1))
        : m_state == sckOpen;
    if (!readable)
        raise(SocketErrors::WrongProtocolOrState, member);
    return checkedMaxLen(maxLen, m_receiveBuffer.size(), member);
}

} // namespace quillon
