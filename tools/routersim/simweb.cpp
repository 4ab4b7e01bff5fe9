#include "tools/routersim/simweb.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <QUrlQuery>

namespace quillon::sim {

namespace {

constexpr qsizetype MaxRequestBytes = 8192;

const QByteArray NotFoundPage = "<html><body><h1>Not found</h1></body></html>";

QString squeezed(const QString &postcode)
{
    QString s = postcode.toUpper();
    s.remove(QLatin1Char(' '));
    return s;
}

QString queryValue(const QUrlQuery &query, const char *key)
{
    return query.queryItemValue(QString::fromLatin1(key), QUrl::FullyDecoded);
}

QByteArray searchPage(const QString &postcode)
{
    QByteArray page = "<html><head><title>Exchange search</title></head><body>\n<h1>Exchanges near "
        + postcode.toHtmlEscaped().toUtf8() + "</h1>\n";
    for (const SimExchange &e : simExchanges()) {
        if (squeezed(postcode) != QLatin1String(e.postcode))
            continue;
        page += QByteArray("<table class=\"results\">\n<tr><th>Exchange</th><th>Code</th></tr>\n"
                           "<tr><td><a href=\"/broadband/exchange/")
            + e.code + "\">" + e.name + "</a></td><td>" + e.code + "</td></tr>\n</table>\n</body></html>\n";
        return page;
    }
    return page + "<p>No exchanges found.</p>\n</body></html>\n";
}

SimWebReply exchangePage(const QString &code)
{
    for (const SimExchange &e : simExchanges()) {
        if (code.compare(QLatin1String(e.code), Qt::CaseInsensitive) != 0)
            continue;
        return {200, QByteArray("<html><body>\n<h1>") + e.name + " exchange</h1>\n<table class=\"exchange\">\n"
                         "<tr><td>Name:</td><td class=\"value\">" + e.name + "</td></tr>\n"
                         "<tr><td>Code:</td><td class=\"value\">" + e.code + "</td></tr>\n"
                         "<tr><td>Postcode:</td><td class=\"value\">" + e.exchangePostcode + "</td></tr>\n"
                         "</table>\n</body></html>\n"};
    }
    return {404, NotFoundPage};
}

// The directions page delivers its HTML as an escaped script string.
QByteArray directionsPage(const QString &from, const QString &to)
{
    QByteArray page = "<html><head><title>Directions</title></head><body>\n<script>var panel = \"";
    for (const SimExchange &e : simExchanges()) {
        if (squeezed(from) != squeezed(QLatin1String(e.exchangePostcode)) || squeezed(to) != QLatin1String(e.postcode))
            continue;
        page += QByteArray("\\x3cdiv class=\\x22route\\x22\\x3e\\x3cb\\x3eDriving directions to ") + e.postcode
            + "\\x3c/b\\x3e\\x3cdiv\\x3e\\x3cb\\x3e" + e.miles
            + "\\x26#160;mi\\x3c/b\\x3e\\x3c/div\\x3e\\x3cdiv\\x3eabout 9 mins\\x3c/div\\x3e\\x3c/div\\x3e";
        return page + "\";</script>\n</body></html>\n";
    }
    return page + "\\x3cdiv\\x3eWe could not calculate directions.\\x3c/div\\x3e\";</script>\n</body></html>\n";
}

QByteArray reasonOf(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    default: return "Error";
    }
}

bool asksToClose(const QByteArray &header)
{
    for (const QByteArray &line : header.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare("Connection", Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed().compare("close", Qt::CaseInsensitive) == 0;
    }
    return false;
}

} // namespace

const QList<SimExchange> &simExchanges()
{
    static const QList<SimExchange> list = {
        {"ZZ11AA", "ZZQUIL", "Quillon Green", "ZZ1 9QX", "2.4"},
        {"ZZ24BB", "ZZMARS", "Marsh End", "ZZ2 7MP", "0.6"},
        {"ZZ99ZZ", "ZZFARH", "Far Hill", "ZZ9 1FH", "4.1"},
    };
    return list;
}

SimWebReply simWebPage(const QByteArray &target)
{
    const qsizetype mark = target.indexOf('?');
    QByteArray path = mark < 0 ? target : target.left(mark);
    while (path.contains("//"))
        path.replace("//", "/");
    const QUrlQuery query(QString::fromLatin1(mark < 0 ? QByteArray() : target.mid(mark + 1)));
    if (path == "/broadband/search.php")
        return {200, searchPage(queryValue(query, "q"))};
    if (path == "/broadband/exchange.php")
        return exchangePage(queryValue(query, "ecode"));
    if (path == "/maps")
        return {200, directionsPage(queryValue(query, "saddr"), queryValue(query, "daddr"))};
    return {404, NotFoundPage};
}

SimWebServer::SimWebServer(QObject *parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &SimWebServer::acceptPending);
}

SimWebServer::~SimWebServer() = default;

bool SimWebServer::start(quint16 port, const QHostAddress &addr)
{
    return m_server->listen(addr, port);
}

quint16 SimWebServer::port() const
{
    return m_server->serverPort();
}

QString SimWebServer::errorString() const
{
    return m_server->errorString();
}

void SimWebServer::acceptPending()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        ++m_connections;
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
    }
}

// Answers every whole request received so far, keeping the connection open
// for the next one unless the client asks otherwise.
void SimWebServer::serve(QTcpSocket *socket)
{
    if (socket->property("closing").toBool()) {
        socket->readAll();
        return;
    }
    QByteArray buffer = socket->property("request").toByteArray() + socket->readAll();
    for (;;) {
        const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0 && buffer.size() <= MaxRequestBytes) {
            socket->setProperty("request", buffer);
            return;
        }
        const QByteArray header = buffer.left(headerEnd);
        buffer.remove(0, headerEnd + 4);
        SimWebReply reply{400, "<html><body><h1>Bad request</h1></body></html>"};
        const QList<QByteArray> words = header.left(header.indexOf("\r\n")).split(' ');
        const bool valid = headerEnd >= 0 && words.size() == 3 && words[0] == "GET" && words[1].startsWith('/');
        if (valid) {
            m_requests.append(words[1]);
            reply = simWebPage(words[1]);
        }
        const bool close = !valid || words[2] != "HTTP/1.1" || asksToClose(header);
        socket->write("HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonOf(reply.status)
                      + "\r\nContent-Type: text/html; charset=iso-8859-1\r\nContent-Length: "
                      + QByteArray::number(reply.body.size()) + (close ? "\r\nConnection: close" : "")
                      + "\r\n\r\n" + reply.body);
        if (close) {
            socket->setProperty("closing", true);
            socket->disconnectFromHost();
            return;
        }
    }
}

} // namespace quillon::sim
