#include "base/inifile.h"
#include "base/settingstable.h"
#include "tests/support/testsupport.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QtTest>

#include <csignal>

using namespace quillon;

namespace {

// True once the process has its own handler for `signal` (it is past the
// point where the signal would kill it outright).
bool catchesSignal(qint64 pid, int signal)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1;
    }
    return false;
}

} // namespace

class tst_signalexit final : public QObject
{
    Q_OBJECT

private slots:
    void signalEndsTheProgramAndSavesSettings_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<QString>("router");
        QTest::newRow("SIGTERM") << int(SIGTERM) << QStringLiteral("127.0.0.1");
        QTest::newRow("SIGINT") << int(SIGINT) << QStringLiteral("127.0.0.1");
        // No router address: the first-start prompt waits for an answer.
        QTest::newRow("SIGTERM during the first-start prompt") << int(SIGTERM) << QString();
    }

    void signalEndsTheProgramAndSavesSettings()
    {
        QFETCH(int, signal);
        QFETCH(QString, router);
        const QString program = test::binPath(QStringLiteral("quillon"));
        if (!QFile::exists(program))
            QSKIP("the quillon executable is not built");
        if (!QFile::exists(QStringLiteral("/proc/self/status")))
            QSKIP("no /proc to see when the program is ready");
        test::TempAppDir dir;
        const QByteArray original = "[Options]\r\nRouter IP=" + router.toLatin1() + "\r\nTelnet Port=1\r\n";
        dir.write(QStringLiteral("settings.ini"), original);

        QProcess quillon;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUILLON_APPDIR"), dir.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.remove(QStringLiteral("QUILLON_EXIT_AFTER_SHOW"));
        quillon.setProcessEnvironment(env);
        quillon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        quillon.start(program, {});
        QVERIFY(quillon.waitForStarted(5000));

        const QDeadlineTimer ready(10000);
        while (!catchesSignal(quillon.processId(), signal) && !ready.hasExpired()
               && quillon.state() == QProcess::Running)
            QThread::msleep(10);
        QVERIFY2(catchesSignal(quillon.processId(), signal), "the program never installed its signal handler");

        ::kill(pid_t(quillon.processId()), signal);
        QVERIFY(quillon.waitForFinished(10000));
        QCOMPARE(quillon.exitStatus(), QProcess::NormalExit);
        QCOMPARE(quillon.exitCode(), 0);

        const QByteArray saved = dir.read(QStringLiteral("settings.ini"));
        QVERIFY(saved != original);
        const IniFile ini = IniFile::parse(saved);
        for (const SettingRow &row : settingsTable())
            QVERIFY2(ini.contains(row.section, row.key), qPrintable(row.section + '/' + row.key));
        QCOMPARE(ini.value(QStringLiteral("Options"), QStringLiteral("Router IP")), router);
        QCOMPARE(ini.value(QStringLiteral("Options"), QStringLiteral("Telnet Port")), QStringLiteral("1"));
    }
};

QTEST_GUILESS_MAIN(tst_signalexit)
#include "tst_signalexit.moc"
