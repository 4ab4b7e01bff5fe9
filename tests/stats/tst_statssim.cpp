// The parser against live replies of the router simulator, read by a plain
// socket client: both profiles, TABs expanded or passed through, both
// wordings of the marker error, negative margins.
#include "stats/core/modemstats.h"
#include "stats/core/routerscripts.h"
#include "tools/routersim/routersim.h"

#include <QEventLoop>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace quillon;
using namespace quillon::sim;

namespace {

class Client final
{
public:
    explicit Client(quint16 port)
    {
        QObject::connect(&m_socket, &QTcpSocket::readyRead, [this] { m_data += m_socket.readAll(); });
        m_socket.connectToHost(QHostAddress::LocalHost, port);
    }

    bool waitFor(const QByteArray &text, int ms = 5000)
    {
        if (m_data.contains(text))
            return true;
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        QObject::connect(&m_socket, &QTcpSocket::readyRead, &loop, [&] {
            if (m_data.contains(text))
                loop.quit();
        });
        loop.exec();
        return m_data.contains(text);
    }

    bool login()
    {
        if (!waitFor("login"))
            return false;
        m_socket.write("root\n");
        if (!waitFor("assword"))
            return false;
        m_socket.write("Gravo\n");
        return waitFor("# ");
    }

    // What the router printed after the command's echo, up to the end of the
    // marker error line: what the script engine records for a marker read.
    QString markerRead(const char *path)
    {
        m_data.clear();
        m_socket.write(QByteArray("cat ") + path + " \"no_where\"\n");
        if (!waitFor("directory\r\n"))
            return {};
        QByteArray reply = m_data.left(m_data.indexOf("directory\r\n") + 11);
        reply.remove(0, reply.indexOf('\n') + 1); // the echo
        return QString::fromLatin1(reply);
    }

private:
    QTcpSocket m_socket;
    QByteArray m_data;
};

QString rawValue(const QString &stats, const QString &label)
{
    const QRegularExpression re(QRegularExpression::escape(label) + QStringLiteral("[ \\t]*(\\S+)"));
    return re.match(stats).captured(1);
}

} // namespace

class TestStatsSim : public QObject
{
    Q_OBJECT

private slots:
    void liveReplies_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<bool>("rawTabs");
        QTest::addColumn<int>("catErrorStyle");
        QTest::addColumn<bool>("negativeMargin");
        QTest::addColumn<QString>("mode");
        QTest::newRow("adsl") << QStringLiteral("adsl") << false << 0 << false << QStringLiteral("ADSL G.dmt");
        QTest::newRow("adsl tabs") << QStringLiteral("adsl") << true << 1 << false << QStringLiteral("ADSL G.dmt");
        QTest::newRow("adsl2+") << QStringLiteral("adsl2plus") << false << 1 << false << QStringLiteral("ADSL 2+");
        QTest::newRow("adsl2+ tabs") << QStringLiteral("adsl2plus") << true << 0 << false << QStringLiteral("ADSL 2+");
        QTest::newRow("adsl2+ negative") << QStringLiteral("adsl2plus") << false << 0 << true << QStringLiteral("ADSL 2+");
    }

    void liveReplies()
    {
        QFETCH(QString, profile);
        QFETCH(bool, rawTabs);
        QFETCH(int, catErrorStyle);
        QFETCH(bool, negativeMargin);
        QFETCH(QString, mode);

        SimOptions o;
        o.profile = profile;
        o.rawTabs = rawTabs;
        o.catErrorStyle = catErrorStyle;
        o.negativeMargin = negativeMargin;
        o.marginDriftDb = 0;
        RouterSim sim(o);
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        Client client(sim.port());
        QVERIFY(client.login());
        const QString modes = client.markerRead(ModulationSchemesPath);
        const QString stats = client.markerRead(ModemStatsPath);
        QVERIFY(!modes.isEmpty() && !stats.isEmpty());
        QCOMPARE(stats.contains(QLatin1Char('\t')), rawTabs);

        const ModemStats s = ParseModemStats(modes, stats);
        QCOMPARE(s.mode, mode);
        QCOMPARE(s.isADSL2, profile == QLatin1String("adsl2plus"));
        QCOMPARE(s.dsRate, rawValue(stats, QStringLiteral("DS Connection Rate:")));
        QCOMPARE(s.usRate, rawValue(stats, QStringLiteral("US Connection Rate:")));
        QCOMPARE(s.dsAttenuation, rawValue(stats, QStringLiteral("DS Line Attenuation:")));
        QCOMPARE(s.usPower, rawValue(stats, QStringLiteral("US Transmit Power :")));
        QVERIFY(!s.dsRate.isEmpty() && !s.dsMaxRate.isEmpty() && !s.vendorRevision.isEmpty());
        QCOMPARE(s.vendorCode.size(), 4);
        if (negativeMargin) {
            QCOMPARE(s.dsMargin, QStringLiteral("-3"));
            QCOMPARE(s.usMargin, QStringLiteral("-3"));
        } else {
            QVERIFY(s.dsMargin.toDouble() > 0 && s.dsMargin.toDouble() < 64);
            QVERIFY(s.usMargin.toDouble() > 0 && s.usMargin.toDouble() < 64);
        }
    }
};

QTEST_GUILESS_MAIN(TestStatsSim)
#include "tst_statssim.moc"
