// The router's configuration against a real BusyBox: telnetd on loopback,
// ash as the shell, and small getenv/setenv/unsetenv/cm_cli scripts over a
// TAB-separated environment file, so ash's own quoting, pipes and
// redirection meet the scripts the program sends.

#include "tests/session/sessionrig.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>

using namespace quillon;
using namespace quillon::test;

namespace {

const char kEnv[] = "modulation\t0xff\nmargin_threshold_old\t30\nDSL_FEATURE_CNTL_0\t0x00004000\n"
                    "DSL_FEATURE_CNTL_1\t0x00000000\nDSL_PHY_CNTL_0\t0x00000400\nenable_margin_retrain\t1\n"
                    "margin_threshold\t12\n";
const char kLog[] = "Jan  1 00:00:09 cm_monitor: Monitor Starting\n"
                    "Jan  1 00:00:10 cfgmgr(sar):\tDSL Carrier is up\n"
                    "Jan  1 00:00:12 cfgmgr(pppoa-102): PVC #1 'up' \"ok\"\n";

// A BusyBox that has telnetd: named by QUILLON_BUSYBOX, unpacked by
// scripts/deps.sh, or the one on the path.
QString busyboxWithTelnetd()
{
    QStringList candidates{qEnvironmentVariable("QUILLON_BUSYBOX"),
                           QStringLiteral("/var/cache/quillon/busybox-static/bin/busybox"), QStringLiteral("busybox")};
    for (const QString &bb : candidates) {
        if (bb.isEmpty())
            continue;
        QProcess list;
        list.start(bb, {QStringLiteral("--list")});
        if (list.waitForFinished(5000) && list.readAllStandardOutput().split('\n').contains("telnetd"))
            return bb;
    }
    return {};
}

} // namespace

class TestBusyboxRouter : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    QProcess m_telnetd;
    quint16 m_port{0};
    QString m_skip;

    QByteArray envFile() const
    {
        QFile f(m_home.filePath(QStringLiteral("env")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    bool writeFile(const QString &name, const QByteArray &bytes, bool executable = false)
    {
        QFile f(m_home.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return false;
        f.close();
        return !executable || f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    // A tool of the fixture with its first line pointing at this BusyBox's ash.
    bool installTool(const QString &bb, const QString &name, const QString &target)
    {
        QFile source(dataPath(QStringLiteral("config/bbrouter/") + name));
        if (!source.open(QIODevice::ReadOnly))
            return false;
        QByteArray text = source.readAll();
        text = "#!" + bb.toLocal8Bit() + " sh" + text.mid(text.indexOf('\n'));
        return writeFile(target, text, true);
    }

    void resetRouter()
    {
        QVERIFY(writeFile(QStringLiteral("env"), kEnv));
        QVERIFY(writeFile(QStringLiteral("log"), kLog));
    }

    void point(SessionRig &rig)
    {
        rig.settings.login.host = QStringLiteral("127.0.0.1");
        rig.settings.login.port = QString::number(m_port);
        rig.core->session.engine().setStallTimeoutMs(5000);
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<ThresholdReading>();
        QString bb = busyboxWithTelnetd();
        if (bb.isEmpty()) {
            m_skip = QStringLiteral("no BusyBox with telnetd (scripts/deps.sh unpacks busybox-static)");
            return;
        }
        if (!bb.contains(QLatin1Char('/')))
            bb = QStandardPaths::findExecutable(bb);
        QVERIFY(m_home.isValid());
        QVERIFY(QDir(m_home.path()).mkdir(QStringLiteral("bin")));
        for (const char *tool : {"getenv", "setenv", "unsetenv", "cm_cli"})
            QVERIFY(installTool(bb, QString::fromLatin1(tool), QStringLiteral("bin/") + QString::fromLatin1(tool)));
        QVERIFY(installTool(bb, QStringLiteral("login"), QStringLiteral("login")));
        resetRouter();

        m_port = freeLocalPort();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ROUTER_USER"), QStringLiteral("root"));
        env.insert(QStringLiteral("ROUTER_PASSWORD"), QStringLiteral("Gravo"));
        env.insert(QStringLiteral("ROUTER_HOME"), m_home.path());
        env.insert(QStringLiteral("ROUTER_SHELL"), bb);
        m_telnetd.setProcessEnvironment(env);
        m_telnetd.setProcessChannelMode(QProcess::MergedChannels);
        m_telnetd.start(bb, {QStringLiteral("telnetd"), QStringLiteral("-F"), QStringLiteral("-p"), QString::number(m_port),
                             QStringLiteral("-b"), QStringLiteral("127.0.0.1"), QStringLiteral("-l"),
                             m_home.filePath(QStringLiteral("login"))});
        const bool listening = m_telnetd.waitForStarted(5000) && waitUntil([this] {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, m_port);
            return probe.waitForConnected(200) || m_telnetd.state() != QProcess::Running;
        }, 5000) && m_telnetd.state() == QProcess::Running;
        if (!listening)
            m_skip = QStringLiteral("BusyBox telnetd did not start: ") + QString::fromLocal8Bit(m_telnetd.readAll());
    }

    void init()
    {
        if (!m_skip.isEmpty())
            QSKIP(qPrintable(m_skip));
        resetRouter();
    }

    void cleanupTestCase()
    {
        if (m_telnetd.state() != QProcess::NotRunning) {
            m_telnetd.kill();
            m_telnetd.waitForFinished(5000);
        }
    }

    void thresholdAndFeatures()
    {
        SessionRig rig;
        point(rig);
        RouterTweaks &tweaks = rig.core->tweaks;
        tweaks.read();
        QVERIFY(rig.waitIdle());
        const ThresholdReading &read = rig.core->line.threshold;
        QCOMPARE(read.retrainValue(), std::optional<int>(1));
        QCOMPARE(read.thresholdDb(), std::optional<double>(6.0));
        QCOMPARE(rig.core->line.featureWords[2], std::optional<quint32>(0x400));

        QSignalSpy written(&tweaks, &RouterTweaks::thresholdWritten);
        QCOMPARE(tweaks.writeThreshold(false, 13), RouterTweaks::WriteStart::Started);
        QVERIFY(rig.waitIdle());
        QCOMPARE(written.count(), 1);
        QVERIFY(written[0][0].toBool());
        QVERIFY(envFile().contains("\nmargin_threshold\t13\n"));
        QVERIFY(envFile().contains("\nmargin_threshold_old\t30\n"));

        QCOMPARE(tweaks.writeThreshold(true, 0), RouterTweaks::WriteStart::Started);
        QVERIFY(rig.waitIdle());
        QVERIFY(written[1][0].toBool());
        QVERIFY(!envFile().contains("enable_margin_retrain"));
        QVERIFY(!envFile().contains("\nmargin_threshold\t"));

        QSignalSpy features(&tweaks, &RouterTweaks::featuresWritten);
        QCOMPARE(tweaks.writeFeatures({0x80004001u, std::nullopt, 0u}), RouterTweaks::WriteStart::Started);
        QVERIFY(rig.waitIdle());
        QCOMPARE(features.count(), 1);
        QVERIFY(features[0][0].toBool());
        QVERIFY(envFile().contains("DSL_FEATURE_CNTL_0\t0x80004001\nDSL_FEATURE_CNTL_1\t0x00000000\nDSL_PHY_CNTL_0\t0x00000000\n"));
    }

    void systemLogSavedThenCleared()
    {
        SessionRig rig;
        point(rig);
        rig.settings.saveLog = true;
        rig.settings.clearLog = true;
        SystemLogCycle &log = rig.core->systemLog;
        QSignalSpy shown(&log, &SystemLogCycle::logRead);
        QCOMPARE(log.fetchNow(), SystemLogCycle::StartResult::Started);
        QVERIFY(rig.waitIdle());
        const QString expected = QStringLiteral("Jan  1 00:00:09 cm_monitor: Monitor Starting\r\n"
                                                // the terminal expands the TAB to the next stop
                                                "Jan  1 00:00:10 cfgmgr(sar):    DSL Carrier is up\r\n"
                                                "Jan  1 00:00:12 cfgmgr(pppoa-102): PVC #1 'up' \"ok\"");
        QCOMPARE(shown.count(), 1);
        QCOMPARE(shown[0][0].toString(), expected);
        QCOMPARE(rig.dir.read(QStringLiteral("sys-log.txt")), expected.toLatin1() + "\r\n");
        QFile cleared(m_home.filePath(QStringLiteral("log")));
        QVERIFY(cleared.open(QIODevice::ReadOnly));
        QVERIFY(cleared.readAll().contains("Log Buffer is cleared!"));

        QCOMPARE(log.fetchNow(), SystemLogCycle::StartResult::Started);
        QVERIFY(rig.waitIdle());
        QCOMPARE(shown[1][0].toString(), QString());
    }
};

QTEST_GUILESS_MAIN(TestBusyboxRouter)
#include "tst_busyboxrouter.moc"
