#include "exchange/core/exchangelookup.h"
#include "exchange/core/exchangemodel.h"
#include "exchange/core/exchangescrapers.h"
#include "tests/support/testsupport.h"
#include "tools/routersim/simweb.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace quillon;

namespace {

QString s(const char *text)
{
    return QString::fromLatin1(text);
}

// A real HTTP server on loopback (Python's http.server) that serves fixed
// pages and reports every request target it receives.
class PageServer final
{
public:
    PageServer()
    {
        const QString python = QStandardPaths::findExecutable(s("python3"));
        if (python.isEmpty())
            return;
        m_process.start(python, {test::dataPath(s("exchange/pages.py"))});
        QElapsedTimer t;
        t.start();
        while (m_port == 0 && t.elapsed() < 10000 && m_process.state() != QProcess::NotRunning) {
            m_process.waitForReadyRead(200);
            read();
        }
    }
    ~PageServer()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(2000))
            m_process.kill();
        m_process.waitForFinished(2000);
    }
    PageServer(const PageServer &) = delete;
    PageServer &operator=(const PageServer &) = delete;

    quint16 port() const { return m_port; }
    QString site() const { return s("http://127.0.0.1:") + QString::number(m_port); }
    // Every request target received so far (waits briefly for the log to arrive).
    QStringList requests(int expected = 0)
    {
        QElapsedTimer t;
        t.start();
        do {
            m_process.waitForReadyRead(50);
            read();
        } while (m_requests.size() < expected && t.elapsed() < 3000);
        return m_requests;
    }

private:
    void read()
    {
        m_buffer += m_process.readAllStandardOutput();
        qsizetype end;
        while ((end = m_buffer.indexOf('\n')) >= 0) {
            const QString line = QString::fromLatin1(m_buffer.left(end));
            m_buffer.remove(0, end + 1);
            if (line.startsWith(s("port ")))
                m_port = quint16(line.mid(5).toUInt());
            else if (line.startsWith(s("GET ")))
                m_requests << line.mid(4);
        }
    }

    QProcess m_process;
    QByteArray m_buffer;
    quint16 m_port = 0;
    QStringList m_requests;
};

// Answers every prompt with the next queued text (cancel when none is left)
// and keeps the prompts shown.
struct Prompts
{
    QStringList shown;
    QStringList answers;
    ExchangeLookup::Prompt prompt()
    {
        return [this](const QString &text) -> std::optional<QString> {
            shown << text;
            if (answers.isEmpty())
                return std::nullopt;
            return answers.takeFirst();
        };
    }
};

const QString CodePrompt = s("Could not find the closest exchange.\r\nPlease enter the exchange OLO code if you know it:");
const QString PostcodePrompt = s("Could not find the exchange's postcode.\r\nPlease enter the exchange postcode if you know it:");

} // namespace

class TestExchangeLookup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(s("python3")).isEmpty())
            QSKIP("python3 is not installed (scripts/deps.sh installs it)");
        m_server = std::make_unique<PageServer>();
        QVERIFY(m_server->port() != 0);
    }

    void cleanupTestCase() { m_server.reset(); }

    void threePagesFromARealServer()
    {
        PageServer &server = *m_server;
        const qsizetype before = server.requests().size();
        ExchangeLookup lookup;
        lookup.setSites(server.site() + s("/"), server.site());
        QVERIFY(lookup.SiteReachable(lookup.lookupSite()));
        QStringList statuses;
        connect(&lookup, &ExchangeLookup::statusChanged, this, [&](const QString &t) { statuses << t; });
        QSignalSpy found(&lookup, &ExchangeLookup::exchangeFound);
        Prompts prompts;

        const ExchangeLookup::Result r = lookup.Run(s("AB12CD"), prompts.prompt());
        QVERIFY(prompts.shown.isEmpty());
        QCOMPARE(r.code, s("ABC123"));
        QCOMPARE(found.count(), 1);
        // The page prints " XY9 8ZW ": blanks go before it is sent on.
        QCOMPARE(r.exchangePostcode, s("XY98ZW"));
        QCOMPARE(FormatTwoDecimals(double(r.km)), s("16.90"));
        QCOMPARE(server.requests(before + 3).mid(before),
                 (QStringList{s("/broadband/search.php?q=AB12CD"), s("/broadband/exchange.php?ecode=ABC123"),
                              s("/maps?f=d&hl=en&geocode=&saddr=XY98ZW&daddr=AB12CD")}));
        QCOMPARE(statuses, (QStringList{s("Searching for closest exchange..."), s("Obtaining postcode for exchange ABC123..."),
                                        s("Calculating distance from exchange ABC123...")}));
    }

    // A page is a whole 2xx body of 2 bytes to 2 MB, after at most two
    // redirects on the same site; anything else, or a code that fails the
    // check, leads to the code prompt and, cancelled, to no further request.
    void searchPages_data()
    {
        QTest::addColumn<QString>("postcode");
        QTest::addColumn<QString>("code");
        QTest::newRow("no markers") << s("NOMARK") << QString();
        QTest::newRow("404 with a body that has the markers") << s("GONE") << QString();
        QTest::newRow("code with a slash") << s("SLASH") << QString();
        QTest::newRow("relative redirect") << s("MOVED") << s("ABC123");
        QTest::newRow("endless redirects") << s("LOOP") << QString();
        QTest::newRow("redirect to another host") << s("ELSEWHERE") << QString();
        QTest::newRow("no length: read to the close") << s("NOLENGTH") << s("ABC123");
        QTest::newRow("closed before the stated length") << s("SHORT") << QString();
        QTest::newRow("chunked") << s("CHUNKED") << s("ABC123");
        QTest::newRow("one byte") << s("ONEBYTE") << QString();
        // Both servers keep the connection open: the cap must end the download, not the time-out.
        QTest::newRow("body over 2 MB") << s("HUGE") << QString();
        QTest::newRow("stated length over 2 MB") << s("BIGLENGTH") << QString();
    }

    void searchPages()
    {
        QFETCH(QString, postcode);
        QFETCH(QString, code);
        ExchangeLookup lookup;
        lookup.setSites(m_server->site(), m_server->site());
        lookup.downloader().setTimeoutMs(10000);
        Prompts prompts;
        const ExchangeLookup::Result r = lookup.Run(postcode, prompts.prompt());
        QCOMPARE(r.code, code);
        QVERIFY(lookup.downloader().lastOutcome() != FileDownloader::Outcome::TimedOut);
        if (code.isEmpty()) {
            QCOMPARE(prompts.shown, QStringList{CodePrompt});
            QVERIFY(!r.distanceSought);
            QVERIFY(m_server->requests(1).constLast().startsWith(s("/broadband/search.php?q=") + postcode));
        }
    }

    void typedValuesCarryOn()
    {
        PageServer &server = *m_server;
        const qsizetype before = server.requests().size();
        ExchangeLookup lookup;
        lookup.setSites(server.site(), server.site());
        Prompts prompts;
        // The typed code has no exchange page: the typed postcode is used.
        prompts.answers = {s(" zz 9 "), s("XY9 8ZW")};
        const ExchangeLookup::Result r = lookup.Run(s("NOMARK"), prompts.prompt());
        QCOMPARE(prompts.shown, (QStringList{CodePrompt, PostcodePrompt}));
        QCOMPARE(r.code, s("zz9"));
        QVERIFY(r.distanceSought && r.km == 0); // no route between those two
        QCOMPARE(server.requests(before + 3).mid(before + 1),
                 (QStringList{s("/broadband/exchange.php?ecode=zz9"), s("/maps?f=d&hl=en&geocode=&saddr=XY98ZW&daddr=NOMARK")}));

        // A typed code that could shape the request is refused before any request.
        prompts = {};
        prompts.answers = {s("A&B=1")};
        const ExchangeLookup::Result bad = lookup.Run(s("NOMARK"), prompts.prompt());
        QVERIFY(bad.code.isEmpty() && !bad.problem.isEmpty());
        QCOMPARE(server.requests(before + 4).size(), before + 4);
    }

    void timeOutAndAbort()
    {
        PageServer &server = *m_server;
        const qsizetype before = server.requests().size();
        ExchangeLookup lookup;
        lookup.setSites(server.site(), server.site());
        FileDownloader &d = lookup.downloader();
        QElapsedTimer t;
        t.start();
        d.setTimeoutMs(300);
        QVERIFY(d.WaitToDownload(ExchangeLookup::SearchUrl(lookup.lookupSite(), s("HANG"))).isEmpty());
        QCOMPARE(d.lastOutcome(), FileDownloader::Outcome::TimedOut);
        QVERIFY(d.DownloadComplete && d.DownloadFailed && t.elapsed() < 5000);

        // With the full time-out, Abort ends the wait and the lookup.
        d.setTimeoutMs(FileDownloader::DefaultTimeoutMs);
        bool abort = false;
        lookup.setAbortCheck([&] { return abort; });
        QTimer::singleShot(200, this, [&] { abort = true; });
        t.restart();
        Prompts prompts;
        QVERIFY(lookup.Run(s("HANG"), prompts.prompt()).aborted);
        QVERIFY(prompts.shown.isEmpty() && t.elapsed() < 5000);

        // The next download waits for its own result.
        abort = false;
        QVERIFY(!d.WaitToDownload(ExchangeLookup::SearchUrl(lookup.lookupSite(), s("AB12CD"))).isEmpty());
        QCOMPARE(server.requests(before + 3).size(), before + 3);
    }

    void addressesAndReachability()
    {
        const QUrl site = ExchangeLookup::SiteUrl(s(" http://127.0.0.1:8080/base// "));
        QCOMPARE(ExchangeLookup::SearchUrl(site, s("A&B C")).toString(QUrl::FullyEncoded),
                 s("http://127.0.0.1:8080/base/broadband/search.php?q=A%26B%20C"));
        QCOMPARE(ExchangeLookup::DirectionsUrl(site, s("X/Y"), s("Z#")).toString(QUrl::FullyEncoded),
                 s("http://127.0.0.1:8080/base/maps?f=d&hl=en&geocode=&saddr=X%2FY&daddr=Z%23"));
        for (const char *bad : {"", "ftp://host", "http://", "127.0.0.1", "http://h/?q=1", "javascript:alert(1)"})
            QVERIFY2(ExchangeLookup::SiteUrl(s(bad)).isEmpty(), bad);
        ExchangeLookup lookup;
        test::ClosedLocalPort closed;
        QVERIFY(!lookup.SiteReachable(ExchangeLookup::SiteUrl(s("http://127.0.0.1:") + QString::number(closed.port()))));
    }

    // Without services the values are asked for; the simulator's pages fit the scrapers.
    void manualEntryAndTheSimulatorsPages()
    {
        ExchangeLookup lookup;
        Prompts prompts;
        prompts.answers = {s("ZZQUIL"), s("3.5"), s("ZZQUIL"), s("250")};
        const ExchangeLookup::Result typed = lookup.Run(QString(), prompts.prompt());
        QCOMPARE(typed.code, s("ZZQUIL"));
        QCOMPARE(typed.km, 3.5f);
        QCOMPARE(lookup.Run(QString(), prompts.prompt()).problem, s("The actual distance must be above 0 and at most 100 km."));

        sim::SimWebServer web;
        QVERIFY(web.start());
        const QString site = s("http://127.0.0.1:") + QString::number(web.port());
        lookup.setSites(site, site);
        for (const sim::SimExchange &e : sim::simExchanges()) {
            const ExchangeLookup::Result r = lookup.Run(s(e.postcode), {});
            QCOMPARE(r.code, s(e.code));
            QCOMPARE(r.km, float(QByteArray(e.miles).toDouble() * 1.6093440006146922));
        }
        QCOMPARE(lookup.Run(s("ZZ55ZZ"), {}).code, QString());
        // Ten pages over one kept-alive connection.
        QCOMPARE(web.requests().size(), 10);
        QCOMPARE(web.connections(), 1);
    }

private:
    std::unique_ptr<PageServer> m_server;
};

QTEST_GUILESS_MAIN(TestExchangeLookup)
#include "tst_exchangelookup.moc"
