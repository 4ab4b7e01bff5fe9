#include "router/core/socketmaster.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QPointer>
#include <QSet>
#include <QSocketNotifier>
#include <QtEndian>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quillon {

namespace {

const QString kSource = QStringLiteral("CSocketMaster.");

// Connections a listener has accepted but no object has taken over yet.
QSet<int> &pendingAccepted()
{
    static QSet<int> set;
    return set;
}

[[noreturn]] void raise(int number, const char *member)
{
    throw SocketRuntimeError(number, kSource + QLatin1String(member));
}

QString dottedText(const sockaddr_in &sa)
{
    char buf[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &sa.sin_addr, buf, sizeof buf);
    return QString::fromLatin1(buf);
}

template<typename T>
QByteArray littleEndianBytes(T value)
{
    QByteArray out(sizeof(T), Qt::Uninitialized);
    qToLittleEndian(value, out.data());
    return out;
}

} // namespace

bool CSocketMaster::SocketExists()
{
    if (m_fd != -1)
        return true;
    const int type = m_protocol == sckTCPProtocol ? SOCK_STREAM : SOCK_DGRAM;
    const int fd = ::socket(AF_INET, type | SOCK_NONBLOCK | SOCK_CLOEXEC,
                            m_protocol == sckTCPProtocol ? IPPROTO_TCP : IPPROTO_UDP);
    if (fd == -1) {
        raiseError(SocketErrorFromErrno(errno), kSource + QLatin1String("SocketExists"));
        return false;
    }
    adoptSocket(fd);
    return true;
}

void CSocketMaster::adoptSocket(int fd)
{
    m_fd = fd;
    m_sendBufferSize = qMax(1, socketBufferSize(SO_SNDBUF));
    m_receiveBufferSize = qMax(1, socketBufferSize(SO_RCVBUF));
    m_readNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    m_readNotifier->setEnabled(false);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &CSocketMaster::onReadable);
    m_writeNotifier = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &CSocketMaster::onWritable);
}

int CSocketMaster::socketBufferSize(int option) const
{
    int value = 0;
    socklen_t len = sizeof value;
    if (getsockopt(m_fd, SOL_SOCKET, option, &value, &len) != 0)
        return 0;
    return value;
}

void CSocketMaster::updateNotifiers()
{
    if (m_readNotifier) {
        const bool read = m_state == sckListening
            || (m_protocol == sckTCPProtocol && m_state == sckConnected)
            || (m_protocol == sckUDPProtocol && m_state == sckOpen);
        m_readNotifier->setEnabled(read);
    }
    if (m_writeNotifier) {
        const bool write = m_state == sckConnecting
            || (m_state == sckConnected && m_sendOffset < m_sendBuffer.size());
        m_writeNotifier->setEnabled(write);
    }
}

void CSocketMaster::onReadable()
{
    if (m_state == sckListening)
        acceptPending();
    else if (m_protocol == sckTCPProtocol && m_state == sckConnected)
        readTcp();
    else if (m_protocol == sckUDPProtocol && m_state == sckOpen)
        readUdp();
    else
        updateNotifiers();
}

void CSocketMaster::onWritable()
{
    if (m_state == sckConnecting)
        finishConnect();
    else if (m_state == sckConnected && m_sendOffset < m_sendBuffer.size())
        SendBufferedData();
    else
        updateNotifiers();
}

void CSocketMaster::readTcp()
{
    const qsizetype old = m_receiveBuffer.size();
    m_receiveBuffer.resize(old + m_receiveBufferSize);
    const ssize_t n = ::recv(m_fd, m_receiveBuffer.data() + old, size_t(m_receiveBufferSize), 0);
    m_receiveBuffer.resize(old + qMax<ssize_t>(n, 0));
    if (n > 0) {
        emit DataArrival(m_receiveBuffer.size());
        return;
    }
    if (n == 0) {
        m_state = sckClosing;
        updateNotifiers();
        emit CloseSckEvent();
        return;
    }
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
        raiseError(SocketErrorFromErrno(errno), kSource + QLatin1String("PostSocket"));
}

void CSocketMaster::readUdp()
{
    int pending = 0;
    if (::ioctl(m_fd, FIONREAD, &pending) != 0 || pending < 0)
        pending = 0;
    QByteArray datagram(qMax(pending, 1), Qt::Uninitialized);
    sockaddr_in from{};
    socklen_t len = sizeof from;
    const ssize_t n = ::recvfrom(m_fd, datagram.data(), size_t(datagram.size()), 0,
                                 reinterpret_cast<sockaddr *>(&from), &len);
    if (n < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            raiseError(SocketErrorFromErrno(errno), kSource + QLatin1String("PostSocket"));
        return;
    }
    datagram.truncate(n);
    m_receiveBuffer += datagram;
    m_remoteHostIP = dottedText(from);
    m_remotePort = ntohs(from.sin_port);
    emit DataArrival(n);
}

void CSocketMaster::acceptPending()
{
    sockaddr_in peer{};
    socklen_t len = sizeof peer;
    const int fd = ::accept4(m_fd, reinterpret_cast<sockaddr *>(&peer), &len,
                             SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd == -1) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNABORTED)
            raiseError(SocketErrorFromErrno(errno), kSource + QLatin1String("PostSocket"));
        return;
    }
    pendingAccepted().insert(fd);
    emit ConnectionRequest(fd);
    if (pendingAccepted().remove(fd))
        ::close(fd);
}

void CSocketMaster::Bind(std::optional<qint64> localPort, const QString &localIP)
{
    if (m_state != sckClosed)
        raise(SocketErrors::InvalidState, "Bind");
    if (localPort)
        setLocalPort(*localPort);
    m_localIP = localIP;
    if (m_protocol == sckTCPProtocol)
        return; // a TCP socket is bound when it connects or listens
    if (!SocketExists())
        return;
    if (!bindLocal("Bind"))
        return;
    m_state = sckOpen;
    updateNotifiers();
}

bool CSocketMaster::bindLocal(const char *member)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(quint16(m_localPort));
    if (!m_localIP.isEmpty() && inet_pton(AF_INET, m_localIP.toLatin1().constData(), &sa.sin_addr) != 1) {
        raiseError(10049, kSource + QLatin1String(member));
        return false;
    }
    if (::bind(m_fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0) {
        raiseError(SocketErrorFromErrno(errno), kSource + QLatin1String(member));
        return false;
    }
    sockaddr_in bound{};
    socklen_t len = sizeof bound;
    if (getsockname(m_fd, reinterpret_cast<sockaddr *>(&bound), &len) == 0)
        m_boundPort = ntohs(bound.sin_port);
    return true;
}

void CSocketMaster::Listen()
{
    if (m_state != sckClosed)
        raise(SocketErrors::InvalidState, "Listen");
    if (m_protocol != sckTCPProtocol)
        raise(SocketErrors::WrongProtocolOrState, "Listen");
    if (!SocketExists())
        return;
    const int one = 1;
    setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (!bindLocal("Listen"))
        return;
    if (::listen(m_fd, SOMAXCONN) != 0) {
        raiseError(SocketErrorFromErrno(errno), kSource + QLatin1String("Listen"));
        return;
    }
    m_state = sckListening;
    updateNotifiers();
}

void CSocketMaster::Accept(qintptr requestID)
{
    if (m_state != sckClosed || m_fd != -1)
        raise(SocketErrors::InvalidState, "Accept");
    const int fd = int(requestID);
    if (!pendingAccepted().remove(fd))
        raise(SocketErrors::OutOfRange, "Accept");
    m_protocol = sckTCPProtocol;
    m_acceptedSocket = true;
    adoptSocket(fd);
    sockaddr_in peer{};
    socklen_t len = sizeof peer;
    if (getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &len) == 0) {
        m_remoteHostIP = dottedText(peer);
        m_remotePort = ntohs(peer.sin_port);
    }
    sockaddr_in local{};
    len = sizeof local;
    if (getsockname(fd, reinterpret_cast<sockaddr *>(&local), &len) == 0)
        m_boundPort = ntohs(local.sin_port);
    m_state = sckConnected;
    updateNotifiers();
}

void CSocketMaster::SendData(const QString &text)
{
    SendData(text.toLatin1());
}

void CSocketMaster::SendData(const QVariant &data)
{
    switch (data.typeId()) {
    case QMetaType::QString: return SendData(data.toString());
    case QMetaType::QByteArray: return SendData(data.toByteArray());
    case QMetaType::Bool: return SendData(littleEndianBytes<qint16>(data.toBool() ? -1 : 0));
    case QMetaType::UChar: return SendData(littleEndianBytes<quint8>(data.value<quint8>()));
    case QMetaType::Short: return SendData(littleEndianBytes<qint16>(data.value<qint16>()));
    case QMetaType::UShort: return SendData(littleEndianBytes<quint16>(data.value<quint16>()));
    case QMetaType::Int: return SendData(littleEndianBytes<qint32>(data.toInt()));
    case QMetaType::UInt: return SendData(littleEndianBytes<quint32>(data.toUInt()));
    case QMetaType::LongLong: return SendData(littleEndianBytes<qint64>(data.toLongLong()));
    case QMetaType::ULongLong: return SendData(littleEndianBytes<quint64>(data.toULongLong()));
    case QMetaType::Float: return SendData(littleEndianBytes<float>(data.toFloat()));
    case QMetaType::Double: return SendData(littleEndianBytes<double>(data.toDouble()));
    default: raise(SocketErrors::UnsupportedType, "SendData");
    }
}

void CSocketMaster::SendData(const QByteArray &data)
{
    if (m_protocol == sckUDPProtocol) {
        if (m_fd == -1 && m_state == sckClosed)
            Bind();
        if (m_state != sckOpen)
            raise(SocketErrors::WrongProtocolOrState, "SendData");
        m_sendBuffer = data;
        SendBufferedDataUDP();
        return;
    }
    if (m_state != sckConnected)
        raise(SocketErrors::WrongProtocolOrState, "SendData");
    const bool blocked = m_sendOffset < m_sendBuffer.size();
    m_sendBuffer += data;
    // While blocked, the write notification carries on with the new bytes too.
    if (!blocked)
        SendBufferedData();
}

void CSocketMaster::SendBufferedData()
{
    qint64 count = 0;
    while (m_sendOffset < m_sendBuffer.size()) {
        const qsizetype chunk = qMin<qsizetype>(m_sendBuffer.size() - m_sendOffset, m_sendBufferSize);
        const ssize_t n = ::send(m_fd, m_sendBuffer.constData() + m_sendOffset, size_t(chunk), MSG_NOSIGNAL);
        if (n >= 0) {
            m_sendOffset += n;
            count += n;
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            updateNotifiers();
            emit SendProgress(count, m_sendBuffer.size() - m_sendOffset);
            return;
        }
        raiseError(SocketErrorFromErrno(errno), kSource + QLatin1String("SendBufferedData"));
        return;
    }
    m_sendBuffer.clear();
    m_sendOffset = 0;
    updateNotifiers();
    QPointer<CSocketMaster> self(this);
    emit SendProgress(count, 0);
    if (self)
        emit SendComplete();
}

void CSocketMaster::SendBufferedDataUDP()
{
    const QByteArray datagram = std::exchange(m_sendBuffer, QByteArray());
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(quint16(m_remotePort));
    if (inet_pton(AF_INET, m_remoteHost.toLatin1().constData(), &to.sin_addr) != 1) {
        const QHostInfo info = QHostInfo::fromName(m_remoteHost);
        bool found = false;
        const auto addresses = info.addresses();
        for (const QHostAddress &a : addresses) {
            if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                to.sin_addr.s_addr = htonl(a.toIPv4Address());
                found = true;
                break;
            }
        }
        if (!found)
            raise(info.error() == QHostInfo::NoError ? 10047 : 10022, "SendBufferedDataUDP");
    }
    if (::sendto(m_fd, datagram.constData(), size_t(datagram.size()), MSG_NOSIGNAL,
                 reinterpret_cast<sockaddr *>(&to), sizeof to) < 0)
        raiseError(SocketErrorFromErrno(errno), kSource + QLatin1String("SendBufferedDataUDP"));
}

} // namespace quillon
