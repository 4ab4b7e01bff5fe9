#include "router/core/orbtelnet.h"
#include "tests/support/testsupport.h"
#include "tools/routersim/routersim.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

using namespace quillon;
using sim::RouterSim;
using sim::SimOptions;
using Run = test::ScriptRun;

Q_DECLARE_METATYPE(quillon::sim::SimOptions)

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QChar kSep{0xA4};
const QString kModulation = QStringLiteral("cat /proc/avalanche/avsar_dsl_modulation_schemes \"no_where\"");
const QString kModemStats = QStringLiteral("cat /proc/avalanche/avsar_modem_stats \"no_where\"");

QString loginPreamble(quint16 port, const QString &password = QStringLiteral("Gravo"))
{
    return QStringList{QStringLiteral("HOST 127.0.0.1 %1").arg(port), QStringLiteral("WAIT \"login\""),
                       QStringLiteral("SEND \"root\\n\""), QStringLiteral("WAIT \"password\""),
                       QStringLiteral("SEND \"%1\\n\"").arg(password), QStringLiteral("WAIT \"#\"")}
        .join(kCrLf);
}

QString markerRead(const QString &path)
{
    return kCrLf + QStringLiteral("SEND \"cat %1 \\\"no_where\\\"\\n\"").arg(path) + kCrLf
        + QStringLiteral("WAIT \"no_where\"");
}

// The ten-line statistics script.
QString statsScript(quint16 port, const QString &password = QStringLiteral("Gravo"))
{
    return loginPreamble(port, password) + markerRead(QStringLiteral("/proc/avalanche/avsar_dsl_modulation_schemes"))
        + markerRead(QStringLiteral("/proc/avalanche/avsar_modem_stats"));
}

// Control and high bytes shown as \xNN, for failure messages.
QByteArray printable(const QString &text)
{
    QByteArray out;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u == '\n' || (u >= 0x20 && u < 0x7F))
            out += char(u);
        else if (u != '\r')
            out += "\\x" + QByteArray::number(u, 16);
    }
    return out;
}

QString withoutPrompt(QString reply)
{
    for (const QString &prompt : {QStringLiteral("\r\n/var # "), QStringLiteral("\r\n# ")}) {
        if (reply.endsWith(prompt))
            reply.chop(prompt.size());
    }
    return reply;
}

} // namespace

class TestOrbTelnet final : public QObject
{
    Q_OBJECT

private slots:
    void statsScriptGivesTheConversation()
    {
        RouterSim router;
        QVERIFY(router.start());
        OrbTelnet engine;
        engine.setMode(1);
        QSignalSpy progress(&engine, &OrbTelnet::ScriptProgress);
        Run run(engine);
        engine.RunScript(statsScript(router.port()));
        QVERIFY(run.ended());
        QVERIFY2(run.completed(), qPrintable(engine.ConsoleLog()));
        QVERIFY(engine.LastError().isEmpty());

        const QStringList conv = engine.GetConversation();
        QCOMPARE(conv.size(), 5);
        QVERIFY(!conv.at(0).contains(kSep));
        // The banner keeps the telnet negotiation bytes.
        QVERIFY(conv.at(0).startsWith(kCrLf + QChar(0xFF)));
        QVERIFY(conv.at(0).endsWith(QStringLiteral("\r\nBusyBox on (none) login: ")));
        QCOMPARE(conv.at(1), QStringLiteral("root") + kSep + QStringLiteral("Password: "));
        QVERIFY(conv.at(2).startsWith(QStringLiteral("Gravo") + kSep
                                      + QStringLiteral("BusyBox v0.61.pre (2006.02.09-03:06+0000) Built-in shell (ash)\r\n"
                                                       "Enter 'help' for a list of built-in commands.\r\n\r\n/var #")));

        const QString expected = QString::fromLatin1(test::readData(QStringLiteral("router/adsl1_modulation_schemes.txt")))
            + QStringLiteral("cat: no_where: No such file or directory");
        QCOMPARE(withoutPrompt(conv.at(3)), kModulation + kSep + expected);

        QVERIFY(conv.at(4).startsWith(kModemStats + kSep + QStringLiteral("AR7 DSL Modem Statistics:\r\n")));
        QVERIFY(withoutPrompt(conv.at(4)).endsWith(QStringLiteral("\r\ncat: no_where: No such file or directory")));
        QVERIFY(conv.at(4).contains(QStringLiteral("DS Connection Rate:")));
        QVERIFY(!conv.at(4).contains(QLatin1Char('\t')));

        // Progress before every line but the last, the consumed WAIT lines skipped.
        QList<int> percents;
        for (const auto &args : progress)
            percents << args.at(0).toInt();
        QCOMPARE(percents, (QList<int>{11, 33, 56, 78, 100}));
        QVERIFY(engine.ConsoleLog().endsWith(QStringLiteral("Closed connection.\r\n")));
    }

    void loginIncorrect_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("loginFailed");
        QTest::addColumn<QString>("error");
        QTest::newRow("mode 1 reports it") << 1 << true << QStringLiteral("Incorrect username and/or password.");
        // Nothing reports the refused login in Mode 0; the wait for "#" stalls instead.
        QTest::newRow("mode 0 ignores it") << 0 << false
                                           << QStringLiteral("The router stopped answering, so the script was stopped.");
    }

    void loginIncorrect()
    {
        QFETCH(int, mode);
        QFETCH(bool, loginFailed);
        QFETCH(QString, error);
        RouterSim router;
        QVERIFY(router.start());
        OrbTelnet engine;
        engine.setMode(mode);
        engine.setStallTimeoutMs(mode == 0 ? 300 : OrbTelnet::DefaultStallTimeoutMs);
        Run run(engine);
        engine.RunScript(statsScript(router.port(), QStringLiteral("wrong")));
        QVERIFY(run.ended());
        QVERIFY(run.failedWith(false, loginFailed));
        QCOMPARE(engine.LastError(), error);
        QVERIFY(!loginFailed || engine.ConsoleLog().contains(error + kCrLf));
        QVERIFY(!engine.isRunning());

        // Once logged in, the words are only text: a value that holds them
        // does not end the script.
        if (mode != 1)
            return;
        router.setEnv(QStringLiteral("banner"), QStringLiteral("Login incorrect"));
        Run again(engine);
        engine.RunScript(loginPreamble(router.port()) + markerRead(QStringLiteral("/proc/ticfg/env")));
        QVERIFY(again.ended());
        QVERIFY(again.completed());
        QVERIFY(engine.GetConversation().join(QString()).contains(QLatin1String("Login incorrect")));
    }

    void unrecognisedCommands_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("line");
        QTest::newRow("unknown word") << "ECHO \"a\"\r\nFETCH x" << 2;
        QTest::newRow("hash glued to text") << "# fine\r\n\r\n#text" << 3;
    }

    void unrecognisedCommands()
    {
        QFETCH(QString, script);
        QFETCH(int, line);
        OrbTelnet engine;
        Run run(engine);
        engine.RunScript(script);
        QVERIFY(run.ended(1000));
        QVERIFY(run.failedWith(true, false));
        QCOMPARE(engine.LastError(), QStringLiteral("Unrecognised command on line %1.").arg(line));
        QVERIFY(!engine.isRunning());
    }

    void oneLineScriptDoesNothing()
    {
        OrbTelnet engine;
        Run run(engine);
        QSignalSpy log(&engine, &OrbTelnet::LogUpdate);
        engine.RunScript(QStringLiteral("ECHO \"alone\""));
        QTest::qWait(50);
        QCOMPARE(run.complete.count() + run.error.count() + log.count(), 0);
        QVERIFY(!engine.isRunning());
    }

    void commentsBlankLinesAndLowerCase()
    {
        RouterSim router;
        QVERIFY(router.start());
        OrbTelnet engine;
        engine.setMode(1);
        Run run(engine);
        const QString script = QStringList{QStringLiteral("# statistics"), QString(), QStringLiteral("\thost 127.0.0.1 %1 ").arg(router.port()),
                                           QStringLiteral("wait \"LOGIN\""), QStringLiteral("send \"root\\n\""),
                                           QStringLiteral("Wait \"password\""), QStringLiteral("sEnD \"Gravo\\n\""),
                                           QStringLiteral("wait \"#\""), QStringLiteral("#  note"), QStringLiteral("echo \"done\""),
                                           QStringLiteral("send \"cat /proc/uptime\\n\""), QStringLiteral("wait \"#\"")}
                                   .join(kCrLf);
        engine.RunScript(script);
        QVERIFY(run.ended());
        QVERIFY2(run.completed(), qPrintable(engine.ConsoleLog()));
        const QStringList conv = engine.GetConversation();
        QCOMPARE(conv.size(), 4);
        QVERIFY(conv.at(3).startsWith(QStringLiteral("cat /proc/uptime") + kSep));
        QVERIFY(conv.at(3).contains(QLatin1Char('.')));
        QVERIFY(engine.ConsoleLog().contains(QStringLiteral("\r\ndone\r\n")));
    }

    void delayKeepsEventsRunning()
    {
        OrbTelnet engine;
        engine.setStallTimeoutMs(200); // a pause is not a stall
        Run run(engine);
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(20);
        QElapsedTimer clock;
        clock.start();
        engine.RunScript(QStringLiteral("ECHO \"a\"\r\nDELAY 0\r\nDELAY 1\r\nECHO \"b\""));
        // The pause ran inside RunScript, and the window's timers kept firing.
        QVERIFY(run.completed());
        QVERIFY(clock.elapsed() >= 950);
        QVERIFY(ticks >= 10);
        QVERIFY(engine.ConsoleLog().contains(QStringLiteral("Delay for 0 second(s)\r\nDelay for 1 second(s)\r\nb\r\n")));

        // An abort during the pause ends it without running the next line.
        Run aborted(engine);
        QTimer::singleShot(100, &engine, [&] { engine.AbortScript(); });
        clock.restart();
        engine.RunScript(QStringLiteral("DELAY 5\r\nECHO \"never\""));
        QVERIFY(clock.elapsed() < 2000);
        QCOMPARE(aborted.complete.count() + aborted.error.count(), 0);
        QVERIFY(!engine.ConsoleLog().contains(QStringLiteral("never")));
    }

    void waitForRebootKeepsConnectionOpen()
    {
        SimOptions options;
        options.rebootDownMs = 200;
        RouterSim router(options);
        QVERIFY(router.start());
        QSignalSpy rebooted(&router, &RouterSim::rebootStarted);
        OrbTelnet engine;
        engine.setMode(1);
        engine.setWaitForReboot(true);
        Run run(engine);
        engine.RunScript(loginPreamble(router.port()) + kCrLf + QStringLiteral("DELAY 0") + kCrLf
                         + QStringLiteral("SEND \"reboot\\n\""));
        QVERIFY(run.ended());
        QVERIFY(run.completed());
        // Still connected: the last reply is not stored yet.
        QCOMPARE(engine.GetConversation().last(), QStringLiteral("reboot") + kSep);
        QVERIFY(engine.ConsoleLog().endsWith(QStringLiteral("End of script\r\n")));
        QTRY_COMPARE(rebooted.count(), 1);
        QTest::qWait(100);
        QCOMPARE(run.error.count(), 0);
        QVERIFY(!engine.isRunning());
    }

    void emptyRunScriptRunsAgain()
    {
        RouterSim router;
        QVERIFY(router.start());
        OrbTelnet engine;
        engine.setMode(1);
        Run first(engine);
        engine.RunScript(statsScript(router.port()));
        QVERIFY(first.ended());
        QVERIFY(first.completed());
        Run second(engine);
        engine.RunScript(QString());
        QVERIFY(second.ended());
        QVERIFY(second.completed());
        QCOMPARE(engine.GetConversation().size(), 5);
        QVERIFY(engine.GetConversation().at(4).startsWith(kModemStats + kSep));
    }

    void runScriptFromCompletionHandler()
    {
        RouterSim router;
        QVERIFY(router.start());
        OrbTelnet engine;
        engine.setMode(1);
        int completions = 0;
        connect(&engine, &OrbTelnet::ScriptComplete, this, [&] {
            if (++completions == 1)
                engine.RunScript(loginPreamble(router.port()) + kCrLf + QStringLiteral("SEND \"cat /proc/uptime\\n\"\r\nWAIT \"#\""));
        });
        engine.RunScript(statsScript(router.port()));
        QTRY_COMPARE_WITH_TIMEOUT(completions, 2, 15000);
        QCOMPARE(engine.GetConversation().size(), 4);
        QVERIFY(engine.GetConversation().at(3).startsWith(QStringLiteral("cat /proc/uptime") + kSep));
    }

    void abortRaisesNothing()
    {
        RouterSim router;
        QVERIFY(router.start());
        OrbTelnet engine;
        Run run(engine);
        engine.RunScript(loginPreamble(router.port()) + kCrLf + QStringLiteral("WAIT \"never comes\""));
        QTRY_VERIFY(engine.ConsoleLog().contains(QStringLiteral("Gravo")) || engine.GetConversation().size() >= 3);
        engine.AbortScript();
        QVERIFY(!engine.isRunning());
        QTest::qWait(100);
        QCOMPARE(run.complete.count() + run.error.count(), 0);
        QVERIFY(engine.ConsoleLog().endsWith(QStringLiteral("Closed connection.\r\n")));

        Run again(engine);
        engine.RunScript(statsScript(router.port()));
        QVERIFY(again.ended());
        QVERIFY(again.completed());
    }

    void echoCutShortDoesNotSatisfyWait()
    {
        // The echo of the marker command stops right after "no_where"; the rest
        // comes later. Only the real error line may end the wait.
        QTcpServer fake;
        QVERIFY(fake.listen(QHostAddress::LocalHost));
        QTcpSocket *peer = nullptr;
        connect(&fake, &QTcpServer::newConnection, this, [&] {
            peer = fake.nextPendingConnection();
            peer->write("# ");
            connect(peer, &QTcpSocket::readyRead, peer, [&] {
                const QByteArray line = peer->readAll();
                if (!line.startsWith("cat"))
                    return;
                peer->write("cat f \"no_where");
                QTimer::singleShot(100, peer, [&] {
                    peer->write("\"\r\nline one\r\ncat: no_where: No such file or directory\r\n# ");
                });
            });
        });
        OrbTelnet engine;
        Run run(engine);
        engine.RunScript(QStringLiteral("HOST 127.0.0.1 %1\r\nWAIT \"#\"\r\nSEND \"cat f \\\"no_where\\\"\\n\"\r\nWAIT \"no_where\"")
                             .arg(fake.serverPort()));
        QVERIFY(run.ended(5000));
        QVERIFY(run.completed());
        QCOMPARE(withoutPrompt(engine.GetConversation().at(1)),
                 QStringLiteral("cat f \"no_where\"") + kSep + QStringLiteral("line one\r\ncat: no_where: No such file or directory"));
    }

    void refusedConnectionEndsAtOnce()
    {
        const test::ClosedLocalPort closed;
        const quint16 port = closed.port();
        OrbTelnet engine;
        Run run(engine);
        QElapsedTimer clock;
        clock.start();
        engine.RunScript(statsScript(port));
        QVERIFY(run.ended(5000));
        QVERIFY(clock.elapsed() < OrbTelnet::DefaultStallTimeoutMs);
        QVERIFY(run.failedWith(false, false));
        QCOMPARE(engine.LastError(), QStringLiteral("The connection to the router failed: Connection refused."));
        QVERIFY(engine.ConsoleLog().contains(QStringLiteral("Winsock Control Error - 10061 : Connection refused.")));
    }

    void emptyHostNameFailsTheLookup()
    {
        OrbTelnet engine;
        Run run(engine);
        engine.RunScript(QStringLiteral("HOST  2323\r\nWAIT \"login\""));
        QVERIFY(run.ended(10000));
        QVERIFY(run.failedWith(false, false));
        QVERIFY2(engine.LastError().startsWith(QStringLiteral("The connection to the router failed: ")),
                 qPrintable(engine.LastError()));
    }

    void faultSwitches_data()
    {
        QTest::addColumn<SimOptions>("options");
        QTest::addColumn<bool>("completes");
        // Profiles, prompts, TABs and error wordings: the statistics tests run the scripts on each.
        QTest::newRow("plain") << SimOptions{} << true;
        QTest::newRow("terminalQuery") << SimOptions{.terminalQuery = true} << true;
        QTest::newRow("byteByByte") << SimOptions{.byteByByte = true} << true;
        QTest::newRow("randomSplits") << SimOptions{.randomSplits = true} << true;
        QTest::newRow("replyDelay") << SimOptions{.replyDelayMs = 100} << true;
        // Garbage may land inside the marker word; then only the stall check ends it.
        QTest::newRow("garbage") << SimOptions{.garbage = true} << false;
        QTest::newRow("dropAfterBytes") << SimOptions{.dropAfterBytes = 600} << false;
        QTest::newRow("errorWithoutMarker") << SimOptions{.errorWithoutMarker = true} << false;
    }

    void faultSwitches()
    {
        QFETCH(SimOptions, options);
        QFETCH(bool, completes);
        RouterSim router(options);
        QVERIFY(router.start());

        OrbTelnet engine;
        engine.setMode(1);
        engine.setStallTimeoutMs(1000);
        Run run(engine);
        engine.RunScript(statsScript(router.port()));
        QVERIFY2(run.ended(30000), printable(engine.ConsoleLog()).constData());
        QVERIFY(!engine.isRunning());
        if (!completes) {
            if (options.garbage && run.completed())
                return;
            QVERIFY(run.failedWith(false, false));
            QVERIFY(!engine.LastError().isEmpty());
            return;
        }
        QVERIFY2(run.completed(), printable(engine.LastError() + QLatin1Char('\n') + engine.ConsoleLog()).constData());
        const QStringList conv = engine.GetConversation();
        QCOMPARE(conv.size(), 5);
        QVERIFY(conv.at(3).startsWith(kModulation + kSep));
        QVERIFY(conv.at(4).startsWith(kModemStats + kSep));
        QVERIFY(conv.at(3).contains(QStringLiteral("ADSL_G.dmt")));
        QVERIFY2(conv.at(4).contains(QStringLiteral("AR7 DSL Modem Statistics:")), qPrintable(conv.at(4)));
        QVERIFY(conv.at(4).contains(QStringLiteral("no_where")));
    }

    void floodPastTheCap()
    {
        SimOptions o;
        o.bigFile = true;
        RouterSim router(o);
        QVERIFY(router.start());
        OrbTelnet engine;
        engine.setMode(1);
        engine.setMaxReplyBytes(256 * 1024);
        Run run(engine);
        engine.RunScript(loginPreamble(router.port()) + markerRead(QString::fromLatin1(sim::kBigFilePath)));
        QVERIFY(run.ended());
        QVERIFY(run.failedWith(false, false));
        QCOMPARE(engine.LastError(),
                 QStringLiteral("The router sent more than 262144 bytes without the expected text, so the script was stopped."));

        // Within the cap the same file arrives whole.
        engine.setMaxReplyBytes(OrbTelnet::DefaultMaxReplyBytes);
        Run whole(engine);
        engine.RunScript(QString());
        QVERIFY(whole.ended());
        QVERIFY(whole.completed());
        QVERIFY(engine.GetConversation().last().size() > sim::kBigFileBytes);
    }

    void hostileRoutersEndWithinTheBounds_data()
    {
        QTest::addColumn<SimOptions>("options");
        QTest::addColumn<QString>("error"); // empty: the script completes
        const QString slow = QStringLiteral("The router answered too slowly, so the script was stopped.");
        const QString late = QStringLiteral("The router took too long to answer, so the script was stopped.");
        const QString flood = QStringLiteral("The router sent more than 2 MiB without the expected text, so the script was stopped.");
        QTest::newRow("drip after login") << SimOptions{.dripMs = 150} << slow;
        QTest::newRow("drip before login") << SimOptions{.dripMs = 150, .dripFromConnect = true} << late;
        QTest::newRow("line breaks under the cap") << SimOptions{.lineBreakFlood = 1024 * 1024} << QString();
        QTest::newRow("line breaks past the cap") << SimOptions{.lineBreakFlood = 8 * 1024 * 1024} << flood;
        QTest::newRow("nul, 0xff and commas") << SimOptions{.hostileValues = true} << QString();
        QTest::newRow("iac mid-line") << SimOptions{.iacMidLine = true} << QString();
        QTest::newRow("endless output") << SimOptions{.endlessOutput = true} << flood;
        QTest::newRow("close after prompt") << SimOptions{.closeAfterPrompt = true}
                                            << QStringLiteral("The router closed the connection before the script finished.");
    }

    void hostileRoutersEndWithinTheBounds()
    {
        QFETCH(SimOptions, options);
        QFETCH(QString, error);
        RouterSim router(options);
        QVERIFY(router.start());
        OrbTelnet engine;
        engine.setMode(1);
        engine.setStallTimeoutMs(1500);
        engine.setDeadline(1000, 200);
        Run run(engine);
        QElapsedTimer clock;
        clock.start();
        engine.RunScript(statsScript(router.port()));
        QCOMPARE(engine.deadlineMs(), 3000);
        QVERIFY(run.ended(10000));
        QVERIFY2(clock.elapsed() < engine.deadlineMs() + 1000, QByteArray::number(clock.elapsed()));
        QCOMPARE(engine.LastError(), error);
        QCOMPARE(run.completed(), error.isEmpty());
        qint64 received = 0;
        for (const QString &entry : engine.GetConversation())
            received += entry.size();
        QVERIFY(received <= engine.maxScriptBytes());

        // The engine is ready for the next reading.
        RouterSim healthy;
        QVERIFY(healthy.start());
        Run next(engine);
        engine.RunScript(statsScript(healthy.port()));
        QVERIFY(next.ended());
        QVERIFY(next.completed());
    }

    void floodSpreadOverManyRepliesMeetsTheScriptCap()
    {
        RouterSim router(SimOptions{.lineBreakFlood = 1024 * 1024});
        QVERIFY(router.start());
        OrbTelnet engine;
        engine.setMode(1);
        QString script = loginPreamble(router.port());
        for (const char *file : {"avsar_bit_allocation_table", "avsar_rxsnr0", "avsar_rxsnr1", "avsar_rxsnr2",
                                 "avsar_SNRpsds", "avsar_QLNpsds"})
            script += markerRead(QStringLiteral("/proc/avalanche/") + QLatin1String(file));
        Run run(engine);
        engine.RunScript(script);
        QVERIFY(run.ended());
        QCOMPARE(engine.LastError(), QStringLiteral("The router sent more than 4 MiB in one script, so the script was stopped."));
    }

private:
    test::TempAppDir m_dir;
};

QTEST_MAIN(TestOrbTelnet)
#include "tst_orbtelnet.moc"
