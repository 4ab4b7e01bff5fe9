#include "exchange/core/filedownloader.h"

#include <QEventLoop>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>

#include <utility>

namespace quillon {

namespace {

constexpr int AbortPollMs = 50;
const QByteArray HeaderEnd = "\r\n\r\n";

// HTTP/1.0 keeps the reply plain: no chunked coding, and the server closes
// the connection after the body.
QByteArray requestFor(const QUrl &url)
{
    QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (url.hasQuery())
        target += '?' + url.query(QUrl::FullyEncoded).toLatin1();
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    if (url.port() != -1)
        host += ':' + QByteArray::number(url.port());
    return "GET " + target + " HTTP/1.0\r\nHost: " + host
        + "\r\nUser-Agent: Quillon\r\nAccept: text/html, */*\r\nConnection: close\r\n\r\n";
}

// The value of a header field, or an empty array (field names ignore case).
QByteArray headerValue(const QByteArray &header, const QByteArray &name)
{
    for (const QByteArray &line : header.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

// "HTTP/1.x NNN ..." gives NNN; anything else 0.
int statusOf(const QByteArray &header)
{
    if (!header.startsWith("HTTP/") || header.size() < 12)
        return 0;
    const qsizetype space = header.indexOf(' ');
    if (space < 0 || space + 4 > header.size())
        return 0;
    bool ok = false;
    const int status = header.mid(space + 1, 3).toInt(&ok);
    return ok ? status : 0;
}

bool isWebUrl(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

} // namespace

QString BytesToText(const QByteArray &bytes)
{
    QString text = QString::fromLatin1(bytes);
    text.replace(QChar(0), QLatin1Char('\n'));
    return text;
}

FileDownloader::FileDownloader(QObject *parent)
    : QObject(parent)
    , m_deadline(new QTimer(this))
    , m_poll(new QTimer(this))
{
    m_deadline->setSingleShot(true);
    connect(m_deadline, &QTimer::timeout, this, [this] { finish(Outcome::TimedOut); });
    m_poll->setInterval(AbortPollMs);
    connect(m_poll, &QTimer::timeout, this, [this] {
        if (m_abortCheck && m_abortCheck())
            abort();
    });
}

FileDownloader::~FileDownloader() = default;

QTcpSocket *FileDownloader::socketFor(bool secure)
{
    QTcpSocket *&socket = secure ? m_secure : m_plain;
    if (socket)
        return socket;
    socket = secure ? new QSslSocket(this) : new QTcpSocket(this);
    connect(socket, &QTcpSocket::readyRead, this, &FileDownloader::onReadyRead);
    connect(socket, &QTcpSocket::disconnected, this, &FileDownloader::onClosed);
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket](QAbstractSocket::SocketError error) {
        if (socket != m_socket)
            return;
        // A server that closes after the body reports it as an error too.
        if (error == QAbstractSocket::RemoteHostClosedError)
            onClosed();
        else
            finish(Outcome::Failed);
    });
    if (secure) {
        auto *ssl = static_cast<QSslSocket *>(socket);
        connect(ssl, &QSslSocket::encrypted, this, &FileDownloader::onConnected);
        connect(ssl, &QSslSocket::sslErrors, this, [this] { finish(Outcome::Failed); });
    } else {
        connect(socket, &QTcpSocket::connected, this, &FileDownloader::onConnected);
    }
    return socket;
}

void FileDownloader::BeginDownload(const QUrl &url, const QString &name)
{
    if (m_running)
        finish(Outcome::Aborted);
    DownloadComplete = false;
    DownloadFailed = false;
    DownloadText.clear();
    m_outcome = Outcome::Done;
    m_redirects = 0;
    m_running = true;
    setObjectName(name);
    m_deadline->start(m_timeoutMs);
    request(url);
}

void FileDownloader::request(const QUrl &url)
{
    // Aborting a connected socket signals its end at once: it must not count.
    if (QTcpSocket *old = std::exchange(m_socket, nullptr))
        old->abort();
    m_url = url;
    m_reply.clear();
    m_headerEnd = -1;
    m_contentLength = -1;
    if (!isWebUrl(url)) {
        // Reported from the event loop, as every other ending is.
        QTimer::singleShot(0, this, [this] {
            if (m_running && !m_socket)
                finish(Outcome::Failed);
        });
        return;
    }
    const bool secure = url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    m_socket = socketFor(secure);
    const quint16 port = quint16(url.port(secure ? 443 : 80));
    if (secure)
        static_cast<QSslSocket *>(m_socket)->connectToHostEncrypted(url.host(), port);
    else
        m_socket->connectToHost(url.host(), port);
}

void FileDownloader::onConnected()
{
    if (m_socket && sender() == m_socket) {
        m_socket->write(requestFor(m_url));
        // Sent now rather than on the next pass of the event loop.
        m_socket->flush();
    }
}

void FileDownloader::onReadyRead()
{
    if (!m_socket || sender() != m_socket)
        return;
    const qint64 limit = (m_headerEnd < 0 ? MaxHeaderBytes : m_headerEnd + MaxBodyBytes) + 1;
    m_reply += m_socket->read(limit - m_reply.size());
    if (m_headerEnd < 0) {
        const qsizetype end = m_reply.indexOf(HeaderEnd);
        if (end < 0) {
            if (m_reply.size() > MaxHeaderBytes)
                finish(Outcome::Failed);
            return;
        }
        m_headerEnd = end + HeaderEnd.size();
        bool ok = false;
        const qint64 length = headerValue(m_reply.left(end), "Content-Length").toLongLong(&ok);
        m_contentLength = ok && length >= 0 ? length : -1;
        // What was read past the header may hold more body than the first cap allowed for.
        if (m_socket->bytesAvailable() > 0)
            m_reply += m_socket->read(m_headerEnd + MaxBodyBytes + 1 - m_reply.size());
    }
    const qint64 body = m_reply.size() - m_headerEnd;
    if (body > MaxBodyBytes || m_contentLength > MaxBodyBytes)
        finish(Outcome::Failed);
    else if (m_contentLength >= 0 && body >= m_contentLength)
        // Closed in good order: a reset makes a busy server slower to take the next request.
        m_socket->disconnectFromHost();
}

void FileDownloader::onClosed()
{
    if (!m_socket || sender() != m_socket)
        return;
    onReadyRead();
    if (m_socket)
        replyEnded();
}

void FileDownloader::replyEnded()
{
    if (m_headerEnd < 0 || (m_contentLength >= 0 && m_reply.size() - m_headerEnd < m_contentLength)) {
        finish(Outcome::Failed);
        return;
    }
    const QByteArray header = m_reply.left(m_headerEnd);
    const int status = statusOf(header);
    const QByteArray location = headerValue(header, "Location");
    if (status >= 300 && status <= 399 && !location.isEmpty()) {
        const QUrl next = m_url.resolved(QUrl::fromEncoded(location));
        if (m_redirects < MaxRedirects && isWebUrl(next)) {
            ++m_redirects;
            // Not from inside the old connection's own signal.
            std::exchange(m_socket, nullptr)->abort();
            QTimer::singleShot(0, this, [this, next] {
                if (m_running)
                    request(next);
            });
            return;
        }
    }
    // Only a content coding we cannot undo would reach the scrapers garbled.
    const QByteArray coding = headerValue(header, "Transfer-Encoding") + headerValue(header, "Content-Encoding");
    const bool plain = coding.isEmpty() || coding.compare("identity", Qt::CaseInsensitive) == 0;
    const qsizetype size = m_contentLength >= 0 ? qsizetype(m_contentLength) : m_reply.size() - m_headerEnd;
    if (status < 200 || status > 299 || !plain || size < 2) {
        finish(Outcome::Failed);
        return;
    }
    m_reply = m_reply.mid(m_headerEnd, size);
    finish(Outcome::Done);
}

void FileDownloader::abort()
{
    if (m_running)
        finish(Outcome::Aborted);
}

void FileDownloader::finish(Outcome outcome)
{
    if (!m_running)
        return;
    m_running = false;
    m_deadline->stop();
    m_poll->stop();
    if (QTcpSocket *socket = std::exchange(m_socket, nullptr))
        socket->abort();
    m_outcome = outcome;
    DownloadFailed = outcome != Outcome::Done;
    DownloadText = DownloadFailed ? QString() : BytesToText(m_reply);
    m_reply.clear();
    DownloadComplete = true;
    emit downloadEnded();
}

QString FileDownloader::WaitToDownload(const QUrl &url)
{
    BeginDownload(url, url.toString());
    if (!DownloadComplete) {
        QEventLoop loop;
        connect(this, &FileDownloader::downloadEnded, &loop, &QEventLoop::quit);
        if (m_abortCheck)
            m_poll->start();
        loop.exec();
        // The loop also ends when the application quits.
        if (!DownloadComplete)
            abort();
    }
    return DownloadText;
}

} // namespace quillon
