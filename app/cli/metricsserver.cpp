#include "app/cli/metricsserver.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace quillon {

namespace {

const QByteArray kTextFormat = QByteArrayLiteral("text/plain; version=0.0.4; charset=utf-8");
const QByteArray kPlain = QByteArrayLiteral("text/plain; charset=utf-8");

} // namespace

MetricsServer::MetricsServer(std::function<QString()> page, QObject *parent)
    : QObject(parent)
    , m_page(std::move(page))
    , m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &MetricsServer::accept);
}

MetricsServer::~MetricsServer() = default;

bool MetricsServer::listen(const QString &where, QString &error)
{
    QString host = QStringLiteral("127.0.0.1");
    QString portText = where;
    const qsizetype colon = where.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        host = where.left(colon);
        portText = where.mid(colon + 1);
        if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
            host = host.mid(1, host.size() - 2);
    }
    bool ok = false;
    const int port = portText.toInt(&ok);
    QHostAddress address;
    if (!ok || port < 0 || port > 65535 || !address.setAddress(host)) {
        error = QStringLiteral("The metrics address %1 is not ADDRESS:PORT.").arg(where);
        return false;
    }
    if (!m_server->listen(address, quint16(port))) {
        error = QStringLiteral("The metrics server cannot listen on %1: %2").arg(where, m_server->errorString());
        return false;
    }
    return true;
}

quint16 MetricsServer::port() const
{
    return m_server->serverPort();
}

QHostAddress MetricsServer::address() const
{
    return m_server->serverAddress();
}

void MetricsServer::accept()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        if (m_open >= MaxConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++m_open;
        connect(socket, &QObject::destroyed, this, [this, socket] {
            --m_open;
            m_requests.remove(socket);
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        auto *deadline = new QTimer(socket);
        deadline->setSingleShot(true);
        connect(deadline, &QTimer::timeout, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        deadline->start(RequestTimeoutMs);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
    }
}

void MetricsServer::serve(QTcpSocket *socket)
{
    if (socket->property("answered").toBool()) {
        socket->readAll();
        return;
    }
    QByteArray &request = m_requests[socket];
    request += socket->read(MaxRequestBytes + 1 - request.size());
    const qsizetype end = request.indexOf("\r\n\r\n");
    if (end < 0) {
        if (request.size() > MaxRequestBytes)
            finish(socket, "431 Request Header Fields Too Large", kPlain, "Request too large.\n");
        return;
    }
    const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
    if (words.size() != 3 || !words[2].startsWith("HTTP/1.")) {
        finish(socket, "400 Bad Request", kPlain, "Bad request.\n");
    } else if (words[0] != "GET" && words[0] != "HEAD") {
        finish(socket, "405 Method Not Allowed", kPlain, "Only GET is served.\n");
    } else if (words[1] != "/metrics" && !words[1].startsWith("/metrics?")) {
        finish(socket, "404 Not Found", kPlain, "Not found; the metrics are at /metrics.\n");
    } else {
        const QByteArray body = m_page().toUtf8();
        finish(socket, "200 OK", kTextFormat, words[0] == "HEAD" ? QByteArray() : body, body.size());
    }
}

void MetricsServer::finish(QTcpSocket *socket, const char *status, const QByteArray &contentType,
                           const QByteArray &body, qsizetype length)
{
    m_requests.remove(socket);
    socket->setProperty("answered", true);
    const QByteArray head = QByteArrayLiteral("HTTP/1.1 ") + status + "\r\nContent-Type: " + contentType
        + "\r\nContent-Length: " + QByteArray::number(length < 0 ? body.size() : length)
        + "\r\nConnection: close\r\n\r\n";
    socket->write(head + body);
    socket->disconnectFromHost();
}

} // namespace quillon
