#include "exchange/core/exchangelookup.h"

#include "base/misc.h"
#include "exchange/core/exchangemodel.h"
#include "exchange/core/exchangescrapers.h"

#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>

#include <cmath>

namespace quillon {

namespace {

constexpr char SearchPath[] = "/broadband/search.php?q=";
constexpr char ExchangePath[] = "/broadband/exchange.php?ecode=";
constexpr char DirectionsPath[] = "/maps?f=d&hl=en&geocode=&saddr=";
constexpr char DirectionsTo[] = "&daddr=";
constexpr int AbortPollMs = 50;

const QString CodePrompt = QStringLiteral(
    "Could not find the closest exchange.\r\nPlease enter the exchange OLO code if you know it:");
const QString PostcodePrompt = QStringLiteral(
    "Could not find the exchange's postcode.\r\nPlease enter the exchange postcode if you know it:");
const QString DistancePrompt = QStringLiteral(
    "No directions service is set.\r\nPlease enter the distance to the exchange in km if you know it:");

QString encoded(const QString &token)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(token));
}

QUrl joined(const QUrl &site, const QString &pathAndQuery)
{
    if (site.isEmpty())
        return {};
    QString base = site.toString(QUrl::FullyEncoded);
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return QUrl(base + pathAndQuery, QUrl::StrictMode);
}

bool usableKm(double km)
{
    return std::isfinite(km) && km > 0 && km <= MaxActualDistanceKm;
}

} // namespace

ExchangeLookup::ExchangeLookup(QObject *parent)
    : QObject(parent)
{
}

void ExchangeLookup::setSites(const QString &lookupSite, const QString &directionsSite)
{
    m_lookupSite = SiteUrl(lookupSite);
    m_directionsSite = SiteUrl(directionsSite);
}

void ExchangeLookup::setAbortCheck(std::function<bool()> check)
{
    m_abortCheck = check;
    m_downloader.setAbortCheck(std::move(check));
}

QUrl ExchangeLookup::SiteUrl(const QString &text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        || url.hasQuery() || url.hasFragment())
        return {};
    return url;
}

QUrl ExchangeLookup::SearchUrl(const QUrl &site, const QString &postcode)
{
    return joined(site, QLatin1String(SearchPath) + encoded(postcode));
}

QUrl ExchangeLookup::ExchangeUrl(const QUrl &site, const QString &code)
{
    return joined(site, QLatin1String(ExchangePath) + encoded(code));
}

QUrl ExchangeLookup::DirectionsUrl(const QUrl &site, const QString &from, const QString &to)
{
    return joined(site, QLatin1String(DirectionsPath) + encoded(from) + QLatin1String(DirectionsTo) + encoded(to));
}

bool ExchangeLookup::SiteReachable(const QUrl &site)
{
    if (site.isEmpty())
        return false;
    const bool secure = site.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    QTcpSocket socket;
    QEventLoop loop;
    QTimer deadline;
    QTimer poll;
    deadline.setSingleShot(true);
    connect(&socket, &QTcpSocket::connected, &loop, &QEventLoop::quit);
    connect(&socket, &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (m_abortCheck && m_abortCheck())
            loop.quit();
    });
    socket.connectToHost(site.host(), quint16(site.port(secure ? 443 : 80)));
    deadline.start(m_reachTimeoutMs);
    poll.start(AbortPollMs);
    if (socket.state() != QAbstractSocket::ConnectedState && socket.state() != QAbstractSocket::UnconnectedState)
        loop.exec();
    const bool reached = socket.state() == QAbstractSocket::ConnectedState;
    socket.abort();
    return reached;
}

bool ExchangeLookup::fetch(const QUrl &url, QString &page)
{
    page = m_downloader.WaitToDownload(url);
    return m_downloader.lastOutcome() != FileDownloader::Outcome::Aborted;
}

QString ExchangeLookup::ask(const Prompt &prompt, const QString &text) const
{
    if (!prompt)
        return {};
    return prompt(text).value_or(QString()).trimmed();
}

ExchangeLookup::Result ExchangeLookup::Run(const QString &postcode, const Prompt &prompt)
{
    Result r;
    QString page;
    emit statusChanged(QStringLiteral("Searching for closest exchange..."));
    QString code;
    if (!m_lookupSite.isEmpty() && !postcode.isEmpty()) {
        if (!fetch(SearchUrl(m_lookupSite, postcode), page)) {
            r.aborted = true;
            return r;
        }
        // A code the check refuses is as good as none: it never reaches a request or the settings.
        code = Exc_FindExchangeCode(page).trimmed();
        if (!IsLookupToken(code))
            code.clear();
    }
    if (code.isEmpty()) {
        const QString typed = ask(prompt, CodePrompt);
        if (typed.isEmpty())
            return r;
        code = LookupTokenWithoutBlanks(typed);
        if (code.isEmpty()) {
            r.problem = QStringLiteral("An exchange code may hold only letters and digits (at most 10).");
            return r;
        }
    }
    r.code = code;
    emit exchangeFound(code);

    if (m_directionsSite.isEmpty()) {
        const QString typed = ask(prompt, DistancePrompt);
        if (typed.isEmpty())
            return r;
        r.distanceSought = true;
        const double km = Val(typed);
        if (!usableKm(km)) {
            r.problem = QStringLiteral("The actual distance must be above 0 and at most 100 km.");
            return r;
        }
        r.km = float(km);
        return r;
    }

    emit statusChanged(QStringLiteral("Obtaining postcode for exchange ") + code + QStringLiteral("..."));
    QString exchangePostcode;
    if (!m_lookupSite.isEmpty()) {
        if (!fetch(ExchangeUrl(m_lookupSite, code), page)) {
            r.aborted = true;
            return r;
        }
        exchangePostcode = LookupTokenWithoutBlanks(Exc_FindExchangePostcode(page).trimmed());
    }
    if (exchangePostcode.isEmpty()) {
        const QString typed = ask(prompt, PostcodePrompt);
        if (typed.isEmpty())
            return r;
        exchangePostcode = LookupTokenWithoutBlanks(typed);
        if (exchangePostcode.isEmpty()) {
            r.problem = QStringLiteral("A postcode may hold only letters, digits and blanks.");
            return r;
        }
    }
    r.exchangePostcode = exchangePostcode;

    emit statusChanged(QStringLiteral("Calculating distance from exchange ") + code + QStringLiteral("..."));
    if (!fetch(DirectionsUrl(m_directionsSite, exchangePostcode, postcode), page)) {
        r.aborted = true;
        return r;
    }
    r.distanceSought = true;
    const float km = Exc_FindDrivingDistance(page);
    if (usableKm(double(km)))
        r.km = km;
    return r;
}

} // namespace quillon
