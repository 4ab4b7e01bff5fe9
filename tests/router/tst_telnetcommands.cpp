#include "router/core/telnetcommands.h"
#include "tests/support/testsupport.h"

#include <QRandomGenerator>
#include <QtTest>

#include <iterator>

using namespace quillon;

namespace {

QString s(const char *text)
{
    return QString::fromLatin1(text);
}

QString entry(const char *command, const char *reply)
{
    return s(command) + ConversationSeparator + s(reply);
}

const QString Banner = s("\r\nBusyBox on (none) login: ");

} // namespace

class TestTelnetCommands : public QObject
{
    Q_OBJECT
private slots:
    void recordsFollowTheConversation()
    {
        const TelnetCommands table = TelnetCommands::ExplodeTelnetCommands(
            {Banner, entry("cat /proc/uptime", "1 2\r\n3"), QString(), entry("exit", "")});
        const QList<TelnetCommand> &r = table.records();
        QCOMPARE(r.size(), 4);
        QVERIFY(r[0].Command.isEmpty() && r[0].Reply().isEmpty());
        QCOMPARE(r[1].Command, s("cat /proc/uptime"));
        QCOMPARE(r[1].Reply(), (QStringList{s("1 2"), s("3")}));
        QVERIFY(r[2].Command.isEmpty() && r[2].Reply().isEmpty());
        QCOMPARE(r[3].Reply(), QStringList{QString()});
    }

    // What a command's reply reads as: in one line (prompts, line ends and
    // runs of blanks folded) or as a block of lines.
    void responses_data()
    {
        QTest::addColumn<QStringList>("conversation");
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("oneLine");
        QTest::addColumn<QString>("reply");
        const QStringList prompts{Banner, entry("cat /proc/uptime \"no_where\"", "275913.47 268120.66\r\n/var # "),
                                  entry("getenv modulation", "0xff\r\n# "), entry("getenv margin_threshold", "# "),
                                  entry("cat /proc/ticfg/env | grep DSL", "DSL_FEATURE_CNTL_0\t\t0x00000040  \r\n")};
        QTest::newRow("banner only") << QStringList{Banner} << s("cat") << true << QString();
        QTest::newRow("no conversation") << QStringList{} << s("x") << false << QString();
        QTest::newRow("empty command") << QStringList{Banner} << QString() << false << QString();
        QTest::newRow("separator inside the reply")
            << QStringList{s("cat x") + ConversationSeparator + s("a") + ConversationSeparator + s("b\r\nc")} << s("cat x")
            << false << s("a") + ConversationSeparator + s("b\r\nc");
        QTest::newRow("bare line feeds") << QStringList{entry("cat f", "a\nb\r\nc")} << s("cat f") << true << s("a b c");
        QTest::newRow("long prompt dropped") << prompts << s("cat /proc/uptime") << true << s("275913.47 268120.66");
        QTest::newRow("short prompt, any case") << prompts << s("GETENV MODULATION") << true << s("0xff");
        QTest::newRow("prompt alone") << prompts << s("getenv margin_threshold") << true << QString();
        QTest::newRow("tabs and trailing blanks") << prompts << s("grep DSL") << true << s("DSL_FEATURE_CNTL_0 0x00000040");
        QTest::newRow("empty lines collapse")
            << QStringList{entry("cat /proc/avalanche/avsar_ver", "\r\nline 1\r\n\r\n\r\n\r\nline 2\r\n\r\n/VAR # ")}
            << s("avsar_ver") << false << s("line 1\r\nline 2\r\n ");
        QTest::newRow("trailing empty lines") << QStringList{entry("cat ends", "a\r\n\r\n")} << s("cat ends") << false << s("a");
        const QStringList bins{entry("cat /proc/avalanche/avsar_rxsnr0", "first"), entry("cat /proc/avalanche/avsar_rxsnr1", "second")};
        QTest::newRow("first match wins") << bins << s("avsar_rxsnr") << false << s("first");
        QTest::newRow("second by its full name") << bins << s("avsar_rxsnr1") << false << s("second");
        QTest::newRow("no match") << bins << s("avsar_rxsnr2") << false << QString();
    }

    void responses()
    {
        QFETCH(QStringList, conversation);
        QFETCH(QString, command);
        QFETCH(bool, oneLine);
        QFETCH(QString, reply);
        const TelnetCommands table = TelnetCommands::ExplodeTelnetCommands(conversation);
        QCOMPARE(table.GetTelnetResponse(command, oneLine), reply);
        // A picked line is not looked at in one-line form.
        if (oneLine)
            QCOMPARE(table.GetTelnetResponse(command, true, true, 7), reply);
    }

    void pickedLinesComeUnchanged()
    {
        test::TempAppDir dir;
        const TelnetCommands table = TelnetCommands::ExplodeTelnetCommands(
            {entry("cat x", "  one \r\n/var # two")});
        QCOMPARE(table.GetTelnetResponse(s("cat x"), false, true, 0), s("  one "));
        QCOMPARE(table.GetTelnetResponse(s("cat x"), false, true, 1), s("/var # two"));
        QVERIFY(table.GetTelnetResponse(s("cat x"), false, true, 2).isEmpty());
        QVERIFY(table.GetTelnetResponse(s("cat x"), false, true, -1).isEmpty());
        QVERIFY(dir.read(s("ErrorLog.txt")).contains("GetTelnetResponse"));
    }

    void randomConversationsAreHandled()
    {
        test::TempAppDir dir;
        QRandomGenerator rng(1505);
        const QString pieces[] = {s("\r\n"), s("\n"), s(" "), s("\t"), s("#"), s("/var #"), s("cat"), s("x"),
                                  QString(ConversationSeparator), s("\r")};
        for (int round = 0; round < 200; ++round) {
            QStringList conversation;
            for (int e = int(rng.bounded(6)); e > 0; --e) {
                QString text;
                for (int n = int(rng.bounded(30)); n > 0; --n)
                    text += pieces[rng.bounded(int(std::size(pieces)))];
                conversation << text;
            }
            const TelnetCommands table = TelnetCommands::ExplodeTelnetCommands(conversation);
            QCOMPARE(table.records().size(), conversation.size());
            const QString block = table.GetTelnetResponse(s("cat"));
            QVERIFY(!block.contains(s("\r\n\r\n")));
            QVERIFY(!block.startsWith(s("\r\n")) && !block.endsWith(s("\r\n")));
            const QString line = table.GetTelnetResponse(s("cat"), true);
            QVERIFY(!line.contains(QLatin1Char('\n')) && !line.contains(QLatin1Char('\r')));
            QVERIFY(!line.contains(s("  ")) && !line.contains(QLatin1Char('\t')));
            QCOMPARE(line, line.trimmed());
            table.GetTelnetResponse(s("x"), false, true, int(rng.bounded(4)));
        }
    }

    void removeMultipleBlocks()
    {
        const QString crlf = s("\r\n");
        QCOMPARE(RemoveMultipleBlocks(s("a b"), s(" "), false), s("a b"));
        QCOMPARE(RemoveMultipleBlocks(s(" a b "), s(" "), true), s("a b"));
        QCOMPARE(RemoveMultipleBlocks(s("  a  b  "), s(" "), false), s(" a b "));
        QCOMPARE(RemoveMultipleBlocks(s("  a  b  "), s(" "), true), s("a b"));
        QCOMPARE(RemoveMultipleBlocks(s("a \t\tb"), s(" "), false), s("a b"));
        QCOMPARE(RemoveMultipleBlocks(s("a\r\n\r\n\r\nb\r\n"), crlf, true), s("a\r\nb"));
        QCOMPARE(RemoveMultipleBlocks(s("\r\n\r\n"), crlf, true), QString());
        QCOMPARE(RemoveMultipleBlocks(s("xXa"), s("x"), true), s("Xa")); // only one copy per end
        QCOMPARE(RemoveMultipleBlocks(s("aXx"), s("x"), true), s("aX"));
        QCOMPARE(RemoveMultipleBlocks(s("abc"), QString(), true), s("abc"));
        QCOMPARE(RemoveMultipleBlocks(QString(), s(" "), true), QString());
    }
};

QTEST_GUILESS_MAIN(TestTelnetCommands)
#include "tst_telnetcommands.moc"
