#include "router/core/scriptline.h"

#include <QRandomGenerator>
#include <QTest>

using namespace quillon;
using namespace quillon::script;

class TestScriptLine final : public QObject
{
    Q_OBJECT

private slots:
    void cleaningAndCommandWord()
    {
        QCOMPARE(CleanLine(QStringLiteral("\t send \"x\"\t ")), QStringLiteral("send \"x\""));
        QCOMPARE(CommandWord(QStringLiteral("send \"x\"")), QStringLiteral("SEND"));
        QCOMPARE(CommandWord(QStringLiteral("#comment")), QStringLiteral("#COMMENT"));
        QCOMPARE(CommandWord(QStringLiteral("# comment")), QStringLiteral("#"));
        QCOMPARE(CommandWord(QString()), QString());
    }

    void quotedArgument_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("argument");
        QTest::newRow("plain") << "SEND \"root\\n\"" << "root\r\n";
        QTest::newRow("upper N") << "SEND \"a\\Nb\"" << "a\r\nb";
        QTest::newRow("escaped quote") << "SEND \"cat x \\\"no_where\\\"\\n\"" << "cat x \"no_where\"\r\n";
        QTest::newRow("first to last quote") << "WAIT \"a\" b \"c\"" << "a\" b \"c";
        QTest::newRow("one quote") << "WAIT \"abc" << "";
        QTest::newRow("none") << "WAIT abc" << "";
        QTest::newRow("empty") << "WAIT \"\"" << "";
        QTest::newRow("lone backslash") << "SEND \"a\\b\\\"" << "a\\b\\";
    }

    void quotedArgument()
    {
        QFETCH(QString, line);
        QFETCH(QString, argument);
        QCOMPARE(GetQuotedArgument(line), argument);
    }

    void formatTime()
    {
        QCOMPARE(FormatTime(65.25), QStringLiteral("01:05:250"));
        QCOMPARE(FormatTime(0), QStringLiteral("00:00:000"));
        QCOMPARE(FormatTime(3600 + 2.5), QStringLiteral("00:02:500")); // the hour is dropped
    }

    void lineBreakTrimming()
    {
        QCOMPARE(TrimLineBreaks(QStringLiteral("\r\n\r\nab\r\ncd\r\n\r\n")), QStringLiteral("ab\r\ncd"));
        QCOMPARE(TrimLineBreaks(QStringLiteral("\r\n\r\n")), QString());
        QCOMPARE(TrimLineBreaks(QStringLiteral("\n\rx\r")), QStringLiteral("\n\rx\r"));
        QCOMPARE(WithoutLineBreaks(QStringLiteral("a\r\nb\r\n")), QStringLiteral("ab"));
    }

    void echoSearch_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("buffer");
        QTest::addColumn<int>("expected");
        QTest::newRow("whole echo") << "cat /proc/uptime" << "cat /proc/uptime\r\n1.00 2.00" << 16;
        QTest::newRow("after prompt") << "cat x" << "/var # cat x\r\n" << 12;
        QTest::newRow("incomplete") << "cat /proc/uptime" << "cat /proc/up" << 13;
        QTest::newRow("all but last") << "cat /proc/uptime" << "cat /proc/uptim" << 16;
        QTest::newRow("wrapped echo") << "cat abc" << "cat a\r\nc" << 8;
        QTest::newRow("one character") << "x" << "hello" << 1;
        QTest::newRow("empty buffer") << "cat" << "" << 1;
        QTest::newRow("restart skips a start") << "abc" << "aabc" << 5;
    }

    void echoSearch()
    {
        QFETCH(QString, command);
        QFETCH(QString, buffer);
        QFETCH(int, expected);
        QCOMPARE(GetStartOfReply(command, buffer), qsizetype(expected));
    }

    void resumedEchoSearchMatchesFullWalk()
    {
        // Feeding a buffer in pieces and resuming must give what a fresh walk
        // over the whole buffer gives, including CR LF pairs cut in two.
        const QString command = QStringLiteral("cat /proc/avalanche/avsar_modem_stats \"no_where\"");
        const QString alphabet = QStringLiteral("cat /\r\n\"no_whereavsx");
        QRandomGenerator rng(7);
        for (int round = 0; round < 300; ++round) {
            QString buffer;
            EchoScan scan;
            for (int piece = 0; piece < 40; ++piece) {
                const int len = rng.bounded(1, 6);
                for (int k = 0; k < len; ++k)
                    buffer += alphabet.at(rng.bounded(int(alphabet.size())));
                if (rng.bounded(3) == 0)
                    buffer += command.left(rng.bounded(int(command.size()) + 1));
                const qsizetype resumed = GetStartOfReply(command, buffer, &scan);
                const qsizetype fresh = GetStartOfReply(command, buffer);
                QCOMPARE(resumed, fresh);
                if (fresh <= buffer.size()) {
                    buffer.remove(0, fresh);
                    scan = {};
                }
            }
        }
    }

    void partialEchoAtEnd()
    {
        const QString command = QStringLiteral("cat f \"no_where\"");
        EchoScan scan;
        QString buffer = QStringLiteral("\r\n/var # cat f \"no_where");
        QVERIFY(GetStartOfReply(command, buffer, &scan) > buffer.size());
        QCOMPARE(scan.partialFrom, qsizetype(10));
        buffer += QStringLiteral("\"\r\nline");
        QCOMPARE(GetStartOfReply(command, buffer, &scan), qsizetype(25));

        EchoScan none;
        QVERIFY(GetStartOfReply(command, QStringLiteral("nothing like it"), &none) > 0);
        QCOMPARE(none.partialFrom, qsizetype(0));
    }
};

QTEST_GUILESS_MAIN(TestScriptLine)
#include "tst_scriptline.moc"
