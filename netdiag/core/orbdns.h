#pragma once

// The program's own DNS client: the host name of an IPv4 address by a PTR
// query to a chosen server, over UDP or TCP, following name-server referrals.
//
// Without any window: create one, connect DNSResponse and ErrorMsg, call
// LookUpIP("192.0.2.53:5353", "10.0.0.1") and run the event loop. Every
// lookup ends with exactly one DNSResponse (a name, or "!" and the reason)
// or one ErrorMsg, unless AbortWinsock or the next LookUpIP cancels it.

#include "netdiag/core/dnsmessage.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class QHostInfo;

namespace quillon {

class CSocketMaster;

class OrbDNS final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OrbDNS)

public:
    static constexpr int DefaultTimeoutMs = 3000;
    static constexpr int DefaultRetries = 1;

    explicit OrbDNS(QObject *parent = nullptr);
    ~OrbDNS() override;

    bool Recursion() const { return m_recursion; }
    void setRecursion(bool on) { m_recursion = on; }
    bool TCP() const { return m_tcp; }
    void setTCP(bool on) { m_tcp = on; }
    // The wait for each reply and how often an unanswered query is sent again.
    void setTimeout(int ms, int retries);

    // server: a dotted address, a host name, or either with ":port".
    void LookUpIP(const QString &server, const QString &address);
    void AbortWinsock();

    bool isBusy() const { return m_busy; }
    qint32 QueryCount() const { return m_queryCount; }
    QString QueryName() const { return m_queryName; }

signals:
    void ErrorMsg(const QString &message);
    void DNSResponse(const QString &answer);
    void QueryStart(const QString &server);

private:
    void InitiateQuery(const QString &displayServer, const QString &remoteHost, quint16 port);
    void onHostResolved(const QHostInfo &info);
    void SendQuery();
    void sendAttempt();
    void onTimeout();
    void onDataArrival(qint64 bytesTotal);
    void onSocketError(int number, const QString &description);
    void handleMessage(const QByteArray &message);
    bool isOurReply(const QByteArray &message, dns::DNSInfo &header) const;
    void stopQuery();
    void finish(const QString &answer);
    void fail(const QString &message);
    void closeSocket();
    void resetSocket(bool tcp);

    CSocketMaster *m_socket{nullptr};
    QTimer m_timer;
    bool m_recursion{true};
    bool m_tcp{false};
    bool m_useTcp{false}; // this query: TCP asked for, or the UDP reply was truncated
    bool m_busy{false};
    int m_timeoutMs{DefaultTimeoutMs};
    int m_retries{DefaultRetries};
    int m_triesLeft{0};
    int m_lookupId{-1};
    quint64 m_generation{0}; // a late host-lookup answer of an older query is dropped
    qint32 m_queryCount{0};
    quint16 m_id{0};
    quint16 m_port{dns::DefaultPort};
    quint32 m_serverIp{0};
    QString m_queryName;
    QByteArray m_query;
    QByteArray m_tcpBuffer;
};

} // namespace quillon
