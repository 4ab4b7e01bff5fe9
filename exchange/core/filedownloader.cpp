#include "exchange/core/filedownloader.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace quillon {

namespace {
constexpr int AbortPollMs = 50;
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
{
    m_deadline->setSingleShot(true);
    connect(m_deadline, &QTimer::timeout, this, [this] { finish(Outcome::TimedOut); });
}

FileDownloader::~FileDownloader()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        delete m_reply.data();
    }
}

void FileDownloader::BeginDownload(const QUrl &url, const QString &name)
{
    if (m_reply)
        finish(Outcome::Aborted);
    DownloadComplete = false;
    DownloadFailed = false;
    DownloadText.clear();
    m_body.clear();
    m_outcome = Outcome::Done;

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    m_reply = m_manager->get(request);
    m_reply->setObjectName(name);
    connect(m_reply, &QNetworkReply::readyRead, this, &FileDownloader::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &FileDownloader::onFinished);
    m_deadline->start(m_timeoutMs);
}

void FileDownloader::abort()
{
    if (m_reply)
        finish(Outcome::Aborted);
}

void FileDownloader::onReadyRead()
{
    if (!m_reply)
        return;
    // Read no more than one byte past the cap: enough to know it was passed.
    m_body += m_reply->read(MaxBodyBytes + 1 - m_body.size());
    if (m_body.size() > MaxBodyBytes)
        finish(Outcome::Failed);
}

void FileDownloader::onFinished()
{
    if (!m_reply)
        return;
    onReadyRead();
    if (!m_reply)
        return;
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool ok = m_reply->error() == QNetworkReply::NoError && status >= 200 && status <= 299 && m_body.size() >= 2;
    finish(ok ? Outcome::Done : Outcome::Failed);
}

void FileDownloader::finish(Outcome outcome)
{
    m_deadline->stop();
    if (QNetworkReply *reply = m_reply.data()) {
        m_reply.clear();
        reply->disconnect(this);
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
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [this] {
            if (m_abortCheck && m_abortCheck())
                abort();
        });
        poll.start(AbortPollMs);
        loop.exec();
        // The loop also ends when the application quits.
        if (!DownloadComplete)
            abort();
    }
    return DownloadText;
}

} // namespace quillon
