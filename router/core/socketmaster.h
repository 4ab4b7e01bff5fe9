#pragma once

// One asynchronous IPv4 socket: a TCP client, a TCP listener, a TCP connection
// taken over from a listener, or a UDP endpoint. Every signal is emitted on the
// thread that owns the object, from its event loop, except that sending can
// report progress and completion from inside SendData itself.
//
// Misuse (wrong state, bad argument) throws SocketRuntimeError; network
// failures arrive through the Error signal and put the socket in sckError.

#include "router/core/socketerrors.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVariant>

#include <optional>

class QHostInfo;
class QSocketNotifier;

namespace quillon {

class CSocketMaster final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CSocketMaster)

public:
    enum StateConstants : qint32 {
        sckClosed = 0,
        sckOpen = 1,
        sckListening = 2,
        sckResolvingHost = 4,
        sckHostResolved = 5,
        sckConnecting = 6,
        sckConnected = 7,
        sckClosing = 8,
        sckError = 9,
    };
    enum ProtocolConstants : qint32 { sckTCPProtocol = 0, sckUDPProtocol = 1 };

    explicit CSocketMaster(QObject *parent = nullptr);
    ~CSocketMaster() override;

    qint32 RemotePort() const { return m_remotePort; }
    void setRemotePort(qint64 port);
    QString RemoteHost() const { return m_remoteHost; }
    void setRemoteHost(const QString &host);
    QString RemoteHostIP() const { return m_remoteHostIP; }
    qint32 LocalPort() const;
    void setLocalPort(qint64 port);
    qint32 State() const { return m_state; }
    static QString LocalHostName();
    QString LocalIP() const;
    qint64 BytesReceived() const;
    int SocketHandle() const { return m_fd; }
    QString Tag() const { return m_tag; }
    void setTag(const QString &tag) { m_tag = tag; }
    qint32 Protocol() const { return m_protocol; }
    void setProtocol(qint32 protocol);

    // Without a socket it does nothing.
    void CloseSck();
    // The port may be a number or numeric text (1-65535).
    void Connect();
    void Connect(const QString &remoteHost, const QVariant &remotePort = {});
    void Bind(std::optional<qint64> localPort = {}, const QString &localIP = {});
    void Listen();
    // Takes over a connection offered by a listener's ConnectionRequest.
    void Accept(qintptr requestID);

    // Text goes out one byte per character (Latin-1).
    void SendData(const QByteArray &data);
    void SendData(const QString &text);
    // Text, bytes or a number (its binary form, least significant byte first).
    void SendData(const QVariant &data);

    // Up to maxLen bytes (all when omitted), removed from the receive buffer.
    QByteArray GetData(std::optional<qint64> maxLen = {});
    QString GetDataText(std::optional<qint64> maxLen = {});
    // As GetData, leaving the bytes in the buffer.
    QByteArray PeekData(std::optional<qint64> maxLen = {}) const;

signals:
    // The peer closed the connection; the owner is expected to call CloseSck().
    void CloseSckEvent();
    void ConnectEvent();
    void ConnectionRequest(qintptr requestID);
    void DataArrival(qint64 bytesTotal);
    // Clearing *cancelDisplay (it starts true) shows the description in a box.
    void Error(int number, const QString &description, int sCode, const QString &source,
               bool *cancelDisplay);
    void SendComplete();
    void SendProgress(qint64 bytesSent, qint64 bytesRemaining);

private:
    bool SocketExists();
    int socketBufferSize(int option) const;
    bool bindLocal(const char *member);
    void adoptSocket(int fd);
    void onHostLookup(const QHostInfo &info);
    void connectTo(quint32 address, bool fromCaller);
    void onReadable();
    void onWritable();
    void readTcp();
    void readUdp();
    void acceptPending();
    void finishConnect();
    void SendBufferedData();
    void SendBufferedDataUDP();
    void raiseError(int number, const QString &source);
    void releaseSocket();
    void updateNotifiers();
    qint64 checkedReadLength(std::optional<qint64> maxLen, const char *member) const;

    int m_fd{-1};
    qint32 m_state{sckClosed};
    qint32 m_protocol{sckTCPProtocol};
    QString m_remoteHost;
    qint32 m_remotePort{0};
    QString m_remoteHostIP;
    qint32 m_localPort{0};
    qint32 m_boundPort{0};
    QString m_localIP; // requested by Bind
    QString m_tag;
    QByteArray m_sendBuffer;
    qsizetype m_sendOffset{0}; // bytes of m_sendBuffer already sent
    QByteArray m_receiveBuffer;
    int m_sendBufferSize{0};
    int m_receiveBufferSize{0};
    int m_lookupId{-1};
    bool m_acceptedSocket{false};
    QSocketNotifier *m_readNotifier{nullptr};
    QSocketNotifier *m_writeNotifier{nullptr};
};

} // namespace quillon
