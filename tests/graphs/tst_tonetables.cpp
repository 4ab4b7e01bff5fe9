#include "graphs/core/bitsfetch.h"
#include "graphs/core/graphdrawing.h"
#include "graphs/core/tonetables.h"
#include "router/core/telnetcommands.h"
#include "tests/graphs/toneprofile.h"

#include <QRandomGenerator>
#include <QtTest>

#include <iterator>
#include <limits>

using namespace quillon;
using quillon::test::importProfile;
using quillon::test::wire;

namespace {

QList<qint32> values(const ToneTable &table)
{
    QList<qint32> out;
    for (const ToneValue &v : table)
        out.append(v.Value);
    return out;
}

qint64 sum(const ToneTable &table)
{
    qint64 s = 0;
    for (const ToneValue &v : table)
        s += v.Value;
    return s;
}

} // namespace

class TestToneTables : public QObject
{
    Q_OBJECT
private slots:
    void lineTests()
    {
        QVERIFY(CheckLineForHex(QStringLiteral("0a 0B"), 2));
        QVERIFY(!CheckLineForHex(QStringLiteral("0a"), 2)); // must be longer than n
        QVERIFY(!CheckLineForHex(QStringLiteral("AR7 DSL"), 2));
        QVERIFY(!CheckLineForHex(QStringLiteral("cat: no_where"), 4));
        QVERIFY(CheckLineForDigit(QStringLiteral("255 12 x")));
        QVERIFY(!CheckLineForDigit(QStringLiteral("AR7 SNRpsds:")));
        QVERIFY(!CheckLineForDigit(QStringLiteral("-5 4")));
    }

    void addBitLineReusesTheClearedElementAndReadsBlanksAsZero()
    {
        ToneTable table{ToneValue{}};
        AddBitLine(table, QStringLiteral("0a 0f  07"), true);
        QCOMPARE(values(table), (QList<qint32>{10, 15, 0, 7}));
        QCOMPARE(table.first().Index, 1);
        QCOMPARE(table.last().Index, 4);
        AddBitLine(table, QStringLiteral("12 x9"), false);
        QCOMPARE(values(table), (QList<qint32>{10, 15, 0, 7, 12, 0}));
    }

    // Values are read as the classic reader reads "&H" + token or the token.
    void tokenValues_data()
    {
        QTest::addColumn<QString>("token");
        QTest::addColumn<bool>("hex");
        QTest::addColumn<int>("value");
        QTest::newRow("hex") << QStringLiteral("0A") << true << 10;
        QTest::newRow("16-bit pattern") << QStringLiteral("ffff") << true << -1;
        QTest::newRow("largest positive word") << QStringLiteral("7fff") << true << 32767;
        QTest::newRow("five digits") << QStringLiteral("10000") << true << 65536;
        QTest::newRow("32-bit pattern") << QStringLiteral("fffffffe") << true << -2;
        QTest::newRow("stops at a non-digit") << QStringLiteral("1g") << true << 1;
        QTest::newRow("decimal") << QStringLiteral("209") << false << 209;
        QTest::newRow("negative decimal") << QStringLiteral("-5") << false << -5;
        QTest::newRow("decimal fraction rounds") << QStringLiteral("2.5") << false << 2;
        QTest::newRow("decimal with text") << QStringLiteral("12a") << false << 12;
        QTest::newRow("too large") << QStringLiteral("99999999999") << false << std::numeric_limits<qint32>::max();
    }

    void tokenValues()
    {
        QFETCH(QString, token);
        QFETCH(bool, hex);
        QFETCH(int, value);
        ToneTable table{ToneValue{}};
        AddBitLine(table, token, hex);
        QCOMPARE(values(table), QList<qint32>{qint32(value)});
    }

    void profiles_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<int>("tones");
        QTest::addColumn<int>("usSum");
        QTest::addColumn<int>("dsSum");
        QTest::addColumn<int>("snrAt40");
        QTest::newRow("adsl1") << QStringLiteral("adsl1") << 256 << 164 << 1064 << 52;     // 4389 / 85.04 = 51.6
        QTest::newRow("adsl2+") << QStringLiteral("adsl2p") << 512 << 311 << 5311 << 61; // 5167 / 85.04 = 60.76
    }

    void profiles()
    {
        QFETCH(QString, profile);
        QFETCH(int, tones);
        const ToneTables t = importProfile(profile);
        QVERIFY(t.BitsLoaded);
        QCOMPARE(t.USBits.size(), 32);
        QCOMPARE(t.DSBits.size(), tones);
        QTEST(int(sum(t.USBits)), "usSum");
        QTEST(int(sum(t.DSBits)), "dsSum");
        for (int bin = 0; bin < 3; ++bin) {
            QVERIFY(t.RxSnr[size_t(bin)].Loaded);
            QCOMPARE(t.RxSnr[size_t(bin)].Values.size(), tones);
        }
        QTEST(t.RxSnr[0].Values.at(40).Value, "snrAt40");
        if (tones == 256) {
            QCOMPARE(t.DSBits.at(64).Value, 0); // pilot
            // ADSL1 on this driver prints the headers only: nothing loaded, nothing drawn.
            QVERIFY(!t.SnrPsdLoaded);
            QVERIFY(!t.QlnPsdLoaded);
            return;
        }
        QVERIFY(t.SnrPsdLoaded);
        QVERIFY(t.QlnPsdLoaded);
        QCOMPARE(t.SnrPsdRaw.size(), 512);
        QCOMPARE(t.SnrPsd.size(), 512);
        QCOMPARE(t.SnrPsd.at(32).Db, 0.0f);  // 255: not measured
        QCOMPARE(t.SnrPsd.at(33).Db, 41.0f); // 146 / 2 - 32
        QCOMPARE(t.QlnPsd.at(0).Db, 0.0f);
        QCOMPARE(t.QlnPsd.at(32).Db, 37.0f - 209.0f / 2.0f);
    }

    void psdCodes()
    {
        ToneTables t;
        ImportPsdsTable(t, QStringLiteral("AR7 SNRpsds:\r\n0 100 255 1"), true);
        QCOMPARE(t.SnrPsd.size(), 4);
        QCOMPARE(t.SnrPsd.at(0).Db, 0.0f);
        QCOMPARE(t.SnrPsd.at(1).Db, 18.0f);
        QCOMPARE(t.SnrPsd.at(2).Db, 0.0f);
        QCOMPARE(t.SnrPsd.at(2).Raw, 255.0f);
        QCOMPARE(t.SnrPsd.at(3).Db, -31.5f);
        ImportPsdsTable(t, QStringLiteral("AR7 QLNpsds:\r\n255 100 0"), false);
        QCOMPARE(t.QlnPsd.at(0).Db, 0.0f);
        QCOMPARE(t.QlnPsd.at(1).Db, -13.0f);
        QCOMPARE(t.QlnPsd.at(2).Db, 37.0f);
    }

    void snrWordRoundsToWholeDb()
    {
        ToneTables t;
        ImportSNRTable(t, QStringLiteral("AR7 DSL Modem Rx SNR Per Bin for Bin1 :\r\n0352 0000 0ff2 "), 1);
        QVERIFY(t.RxSnr[1].Loaded);
        QVERIFY(!t.RxSnr[0].Loaded);
        QCOMPARE(values(t.RxSnr[1].Values), (QList<qint32>{10, 0, 48}));
        ImportSNRTable(t, QStringLiteral("x"), 7); // no such bin: ignored
    }

    void missingHeadersStillSetTheLoadedFlag()
    {
        ToneTables t;
        ImportTable(t, QStringLiteral("00 00 07 08\r\n0a 0b"));
        QVERIFY(t.BitsLoaded);
        QCOMPARE(t.DSBits.size(), 1);
        QCOMPARE(t.USBits.size(), 1);
        QCOMPARE(t.DSBits.first().Index, 0);

        ToneTables blanks;
        ImportTable(blanks, QStringLiteral("AR7 DSL Modem DS Bit Allocation:\r\n02 03  04 "));
        QCOMPARE(values(blanks.DSBits), (QList<qint32>{2, 3, 0, 4})); // two blanks give a 0
    }

    void emptyReplyKeepsFlagsAndLeavesOneZeroedElement()
    {
        ToneTables t = importProfile(QStringLiteral("adsl2p"));
        ImportTable(t, wire(QStringLiteral("nosync_bit_allocation_table.txt")));
        ImportSNRTable(t, wire(QStringLiteral("nosync_rxsnr0.txt")), 0);
        ImportPsdsTable(t, QStringLiteral("AR7 SNRpsds:"), true);
        QVERIFY(t.BitsLoaded);
        QVERIFY(t.RxSnr[0].Loaded);
        QVERIFY(t.SnrPsdLoaded);
        QCOMPARE(t.DSBits.size(), 1);
        QCOMPARE(t.USBits.size(), 1);
        QCOMPARE(t.RxSnr[0].Values.size(), 1);
        QCOMPARE(t.SnrPsdRaw.size(), 1);
    }

    void garbageNeverCrashes()
    {
        const auto importAll = [](const QString &text, int bin, int limit, int start) {
            ToneTables t;
            ImportTable(t, text);
            ImportSNRTable(t, text, bin);
            ImportPsdsTable(t, text, true);
            ImportPsdsTable(t, text, false);
            QVERIFY(!t.DSBits.isEmpty() && !t.USBits.isEmpty());
            QVERIFY(t.DSBits.size() <= MaxToneValues);
            QVERIFY(t.SnrPsdRaw.size() <= MaxToneValues);
            QString log;
            AnalyseBits(t, log, 0, start);
            AnalysePsdsSNR(t, log, 0);
            (void)DrawBitTable(t, limit % 2 == 0, limit, start);
            for (int b = 0; b < 3; ++b)
                (void)DrawSNRTable(t, b, false, limit);
            (void)DrawPsdsTable(t, true, true, limit % 2 == 0);
            (void)DrawPsdsTable(t, false, false, true);
        };
        const QString garbage[] = {
            QString(),
            QStringLiteral("\r\n\r\n   \r\n"),
            QStringLiteral("AR7 DSL Modem DS Bit Allocation:\r\nffffffffffffffffffffffff 99999999999999999999 &H &&& \x01\x02"),
            QStringLiteral("AR7 DSL Modem US Bit Allocation:\r\n00 0"), // truncated mid-line
            QStringLiteral("123456789012345678901234567890 1e400 -9e99"),
            QString(40000, QLatin1Char('7')) + QStringLiteral(" ") + QString(40000, QLatin1Char(' ')),
        };
        for (const QString &text : garbage)
            for (int bin = 0; bin < 3; ++bin)
                importAll(text, bin, 0, 32);

        QRandomGenerator random(7300);
        const QString pieces[] = {QStringLiteral("AR7 DSL Modem US Bit Allocation:"), QStringLiteral("AR7 DSL Modem DS Bit Allocation:"),
                                  QStringLiteral("\r\n"), QStringLiteral(" "), QStringLiteral("  "), QStringLiteral("0f"), QStringLiteral("ffff"),
                                  QStringLiteral("255"), QStringLiteral("-"), QStringLiteral("&H"), QStringLiteral("cat: no_where"),
                                  QStringLiteral("\x00"), QStringLiteral("9999999999")};
        for (int round = 0; round < 300; ++round) {
            QString text;
            const int count = int(random.bounded(200));
            for (int i = 0; i < count; ++i)
                text += pieces[random.bounded(int(std::size(pieces)))];
            importAll(text, int(random.bounded(3)), int(random.bounded(-3, 700)), int(random.bounded(-5, 700)));
        }
    }

    void bitGapsExactText()
    {
        const ToneTables t = importProfile(QStringLiteral("adsl1"));
        QString log;
        AnalyseBits(t, log, 0, 32);
        QCOMPARE(log, QStringLiteral("Bit Allocation per Bin gaps:\r\n"
                                     " Gap 1 = 0.000 - 25.875 kHz\t- Voice & guard band\r\n"
                                     " Gap 2 = 138.000 - 142.313 kHz\t- Guard band between US and DS\r\n"
                                     " Gap 3 = 276.000 - 280.313 kHz\t- Pilot frequency\r\n"
                                     " Gap 4 = 776.250 - 780.563 kHz\r\n"
                                     " Gap 5 = 784.875 - 789.188 kHz\r\n"
                                     " Gap 6 = 793.500 - 1,099.688 kHz"));
    }

    void psdGapsAppendToTheSameLog()
    {
        const ToneTables t = importProfile(QStringLiteral("adsl2p"));
        QString log;
        AnalyseBits(t, log, 0, 32);
        AnalysePsdsSNR(t, log, 0);
        QVERIFY(log.startsWith(QStringLiteral("Bit Allocation per Bin gaps:\r\n Gap 1 = 0.000 - 25.875 kHz\t- Voice & guard band\r\n")));
        QVERIFY(log.endsWith(QStringLiteral("\r\nSNR downstream power spectrum gaps:\r\n"
                                            " Gap 1 = 0.000 - 142.313 kHz\t- Voice & US")));
        QString alone;
        AnalysePsdsSNR(t, alone, 0);
        QVERIFY(alone.startsWith(QStringLiteral("SNR downstream power spectrum gaps:")));

        ToneTables none;
        QString untouched = QStringLiteral("x");
        AnalyseBits(none, untouched, 0, 32);
        AnalysePsdsSNR(none, untouched, 0);
        QCOMPARE(untouched, QStringLiteral("x"));
    }

    void processBitsCutsTheMarkerLineEvenWhenItIsLast()
    {
        const QString sep = QString(ConversationSeparator);
        const QString bits = QStringLiteral("AR7 DSL Modem US Bit Allocation:\r\n00 07\r\n\r\nAR7 DSL Modem DS Bit Allocation:\r\n"
                                            "00 0a 0b\r\ncat: no_where: No such file or directory\r\n/var # ");
        const QStringList conversation{
            QStringLiteral("BusyBox login banner"),
            QStringLiteral("cat /proc/avalanche/avsar_bit_allocation_table \"no_where\"") + sep + bits,
            QStringLiteral("cat /proc/avalanche/avsar_rxsnr0 \"no_where\"") + sep
                + QStringLiteral("AR7 DSL Modem Rx SNR Per Bin for Bin0 :\r\n0352 0ff2\r\ncat: can't open 'no_where': No such file or directory"),
            QStringLiteral("cat /proc/avalanche/avsar_SNRpsds \"no_where\"") + sep
                + QStringLiteral("\r\nAR7 SNRpsds:\r\n255 100\r\ncat: no_where: No such file or directory\r\n# "),
        };
        const TelnetCommands commands = TelnetCommands::ExplodeTelnetCommands(conversation);
        ToneTables t;
        ProcessBits(commands, t);
        QCOMPARE(values(t.USBits), (QList<qint32>{0, 7}));
        QCOMPARE(values(t.DSBits), (QList<qint32>{0, 10, 11}));
        QCOMPARE(values(t.RxSnr[0].Values), (QList<qint32>{10, 48}));
        QVERIFY(!t.RxSnr[1].Loaded);
        QCOMPARE(t.SnrPsd.size(), 2);
        QCOMPARE(t.SnrPsd.at(1).Db, 18.0f);
        QVERIFY(!t.QlnPsdLoaded);
    }
};

QTEST_GUILESS_MAIN(TestToneTables)
#include "tst_tonetables.moc"
