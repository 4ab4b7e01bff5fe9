#pragma once

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QString>

#include <functional>

class QTcpServer;
class QTcpSocket;

namespace quillon {

// A very small HTTP server with one page, GET /metrics, for a monitoring
// system to scrape. Anything else gets 404 (other paths), 405 (other
// methods) or 400; requests are bounded in size and time and connections in
// number, so no client can stall or bloat the monitor.
class MetricsServer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MetricsServer)

public:
    static constexpr int MaxRequestBytes = 8192;
    static constexpr int RequestTimeoutMs = 5000;
    static constexpr int MaxConnections = 16;

    explicit MetricsServer(std::function<QString()> page, QObject *parent = nullptr);
    ~MetricsServer() override;

    // "ADDRESS:PORT", or "PORT" for loopback. False with the reason.
    bool listen(const QString &where, QString &error);
    quint16 port() const;
    QHostAddress address() const;

private:
    void accept();
    void serve(QTcpSocket *socket);
    void finish(QTcpSocket *socket, const char *status, const QByteArray &contentType, const QByteArray &body,
                qsizetype length = -1);

    std::function<QString()> m_page;
    QTcpServer *m_server;
    QHash<QTcpSocket *, QByteArray> m_requests;
    int m_open{0};
};

} // namespace quillon
