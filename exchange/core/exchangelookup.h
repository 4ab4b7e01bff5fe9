#pragma once

// The web lookup of the distance to the telephone exchange: the user's
// postcode to the nearest exchange's code (exchange-lookup site), the code to
// the exchange's postcode (same site), and the driving distance between the
// two postcodes (directions service). Either service may be unset; the
// missing values are then asked for.

#include "exchange/core/filedownloader.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

namespace quillon {

class ExchangeLookup final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ExchangeLookup)

public:
    static constexpr int DefaultReachTimeoutMs = 3000;

    // Asks the user for a value; nullopt or "" when cancelled.
    using Prompt = std::function<std::optional<QString>(const QString &prompt)>;

    struct Result
    {
        bool aborted{false};
        QString problem;          // a typed value that cannot be used; shown in a box
        QString code;             // checked exchange code; "" when none
        QString exchangePostcode; // checked, blanks removed
        bool distanceSought{false};
        float km{0};              // above 0 and at most 100 when found
    };

    explicit ExchangeLookup(QObject *parent = nullptr);

    // Base addresses (http or https, host, optional port and path); anything
    // else counts as not set.
    void setSites(const QString &lookupSite, const QString &directionsSite);
    const QUrl &lookupSite() const { return m_lookupSite; }
    const QUrl &directionsSite() const { return m_directionsSite; }

    FileDownloader &downloader() { return m_downloader; }
    // Polled during every wait; true ends it as aborted.
    void setAbortCheck(std::function<bool()> check);
    void setReachTimeoutMs(int ms) { m_reachTimeoutMs = ms; }

    // A TCP connection to the site's port within the time-out; many web hosts drop echo requests.
    bool SiteReachable(const QUrl &site);

    // postcode: checked, blanks removed; "" when no service needs it.
    Result Run(const QString &postcode, const Prompt &prompt);

    static QUrl SiteUrl(const QString &text);
    static QUrl SearchUrl(const QUrl &site, const QString &postcode);
    static QUrl ExchangeUrl(const QUrl &site, const QString &code);
    static QUrl DirectionsUrl(const QUrl &site, const QString &from, const QString &to);

signals:
    void statusChanged(const QString &text);
    void exchangeFound(const QString &code);

private:
    // false when the wait was aborted.
    bool fetch(const QUrl &url, QString &page);
    QString ask(const Prompt &prompt, const QString &text) const;

    FileDownloader m_downloader;
    std::function<bool()> m_abortCheck;
    QUrl m_lookupSite;
    QUrl m_directionsSite;
    int m_reachTimeoutMs{DefaultReachTimeoutMs};
};

} // namespace quillon
