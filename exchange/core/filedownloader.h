#pragma once

// Fetches one web page at a time through a long-lived QNetworkAccessManager,
// and waits for it in a nested event loop so the window keeps painting and its
// Abort button keeps working.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace quillon {

class FileDownloader final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileDownloader)

public:
    static constexpr int DefaultTimeoutMs = 30000;
    static constexpr qint64 MaxBodyBytes = 2 * 1024 * 1024;
    // Followed only within the same scheme, host and port; any other redirect fails.
    static constexpr int MaxRedirects = 2;

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
    void onMetaData();
    void onReadyRead();
    void onFinished();
    void finish(Outcome outcome);

    QNetworkAccessManager *m_manager;
    QNetworkReply *m_reply = nullptr; // nullptr between downloads
    QTimer *m_deadline;
    QTimer *m_poll;
    QByteArray m_body;
    bool m_running = false;
    int m_timeoutMs = DefaultTimeoutMs;
    std::function<bool()> m_abortCheck;
    Outcome m_outcome = Outcome::Done;
};

// Single-byte text with every NUL replaced by a line feed.
QString BytesToText(const QByteArray &bytes);

} // namespace quillon
