#pragma once

// Fetches one web page at a time over HTTP (or HTTPS) on the calling thread's
// event loop, and waits for it in a nested event loop so the window keeps
// painting and its Abort button keeps working.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

class QTcpSocket;
class QTimer;

namespace quillon {

class FileDownloader final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileDownloader)

public:
    static constexpr int DefaultTimeoutMs = 30000;
    static constexpr qint64 MaxBodyBytes = 2 * 1024 * 1024;
    static constexpr qint64 MaxHeaderBytes = 64 * 1024;
    static constexpr int MaxRedirects = 5;

    enum class Outcome { Done, Failed, TimedOut, Aborted };

    explicit FileDownloader(QObject *parent = nullptr);
    ~FileDownloader() override;

    // Starts the download (never from a cache); clears the three results.
    void BeginDownload(const QUrl &url, const QString &name);
    // Ends the running download as aborted.
    void abort();

    bool DownloadComplete = false;
    bool DownloadFailed = false;
    QString DownloadText;

    // Downloads url and waits for the end: the body's text, or "" when the
    // download failed, ran out of time or was aborted (see lastOutcome).
    QString WaitToDownload(const QUrl &url);
    Outcome lastOutcome() const { return m_outcome; }

    // The longest one download may take, redirects included, from BeginDownload on.
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }
    int timeoutMs() const { return m_timeoutMs; }
    // Polled while waiting: true ends the wait as aborted.
    void setAbortCheck(std::function<bool()> check) { m_abortCheck = std::move(check); }

signals:
    void downloadEnded();

private:
    void request(const QUrl &url);
    void onConnected();
    void onReadyRead();
    void onClosed();
    // Acts on a whole reply: its body, a redirect, or a failure.
    void replyEnded();
    void finish(Outcome outcome);
    QTcpSocket *socketFor(bool secure);

    // One socket of each kind, reused from download to download.
    QTcpSocket *m_plain = nullptr;
    QTcpSocket *m_secure = nullptr;
    QTcpSocket *m_socket = nullptr; // the one in use; nullptr between downloads
    QTimer *m_deadline;
    QTimer *m_poll;
    QUrl m_url;
    QByteArray m_reply;
    qsizetype m_headerEnd = -1;   // index of the body's first byte, -1 until the header is in
    qint64 m_contentLength = -1;  // -1 when the server gave none
    int m_redirects = 0;
    bool m_running = false;
    int m_timeoutMs = DefaultTimeoutMs;
    std::function<bool()> m_abortCheck;
    Outcome m_outcome = Outcome::Done;
};

// Single-byte text with every NUL replaced by a line feed.
QString BytesToText(const QByteArray &bytes);

} // namespace quillon
