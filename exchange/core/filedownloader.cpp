#include "exchange/core/filedownloader.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <utility>

namespace quillon {

namespace {

constexpr int AbortPollMs = 50;

bool isWebUrl(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

QNetworkRequest requestFor(const QUrl &url)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Quillon"));
    request.setRawHeader("Accept", "text/html, */*");
    // No h2c upgrade offer on plain http: these sites answer HTTP/1.1 on a kept-alive connection.
    request.setAttribute(QNetworkRequest::Http2CleartextAllowedAttribute, false);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(FileDownloader::MaxRedirects);
    return request;
}

int statusOf(const QNetworkReply *reply)
{
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
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
    , m_manager(new QNetworkAccessManager(this))
    , m_deadline(new QTimer(this))
    , m_poll(new QTimer(this))
{
    // Direct, as the reachability check is: no proxy query before every request.
    m_manager->setProxy(QNetworkProxy::NoProxy);
    m_manager->setAutoDeleteReplies(false);
    m_deadline->setSingleShot(true);
    connect(m_deadline, &QTimer::timeout, this, [this] { finish(Outcome::TimedOut); });
    m_poll->setInterval(AbortPollMs);
    connect(m_poll, &QTimer::timeout, this, [this] {
        if (m_abortCheck && m_abortCheck())
            abort();
    });
}

FileDownloader::~FileDownloader()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

void FileDownloader::BeginDownload(const QUrl &url, const QString &name)
{
    if (m_running)
        finish(Outcome::Aborted);
    DownloadComplete = false;
    DownloadFailed = false;
    DownloadText.clear();
    m_outcome = Outcome::Done;
    m_body.clear();
    m_running = true;
    setObjectName(name);
    m_deadline->start(m_timeoutMs);
    if (!isWebUrl(url)) {
        // Reported from the event loop, as every other ending is.
        QTimer::singleShot(0, this, [this] {
            if (m_running && !m_reply)
                finish(Outcome::Failed);
        });
        return;
    }
    m_reply = m_manager->get(requestFor(url));
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &FileDownloader::onMetaData);
    connect(m_reply, &QNetworkReply::readyRead, this, &FileDownloader::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &FileDownloader::onFinished);
    // A site may move within itself and from http to https, never to another host or back to http.
    connect(m_reply, &QNetworkReply::redirected, this, [this, url](const QUrl &next) {
        const bool downgrade = url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0
            && next.scheme().compare(QLatin1String("http"), Qt::CaseInsensitive) == 0;
        if (!m_reply)
            return;
        if (isWebUrl(next) && next.host().compare(url.host(), Qt::CaseInsensitive) == 0 && !downgrade)
            emit m_reply->redirectAllowed();
        else
            finish(Outcome::Failed);
    });
}

void FileDownloader::onMetaData()
{
    const int status = statusOf(m_reply);
    bool known = false;
    const qint64 length = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    if (status >= 200 && status <= 299 && known && length > MaxBodyBytes)
        finish(Outcome::Failed);
}

void FileDownloader::onReadyRead()
{
    m_body += m_reply->read(MaxBodyBytes + 1 - m_body.size());
    if (m_body.size() > MaxBodyBytes)
        finish(Outcome::Failed);
}

void FileDownloader::onFinished()
{
    onReadyRead();
    if (!m_running)
        return;
    const int status = statusOf(m_reply);
    const bool whole = m_reply->error() == QNetworkReply::NoError && status >= 200 && status <= 299;
    finish(whole && m_body.size() >= 2 ? Outcome::Done : Outcome::Failed);
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
    if (QNetworkReply *reply = std::exchange(m_reply, nullptr)) {
        reply->disconnect(this);
        // A finished reply leaves its connection open for the next request.
        if (reply->isRunning())
            reply->abort();
        reply->deleteLater();
    }
    m_outcome = outcome;
    DownloadFailed = outcome != Outcome::Done;
    DownloadText = DownloadFailed ? QString() : BytesToText(m_body);
    m_body.clear();
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
