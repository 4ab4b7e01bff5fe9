#include "base/apppaths.h"
#include "router/core/telnetcommands.h"
#include "stats/core/modemstats.h"
#include "stats/core/vendors.h"
#include "tests/support/testsupport.h"

#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

using namespace quillon;

namespace {

QString fixture(const char *name)
{
    return QString::fromLatin1(test::readData(QStringLiteral("stats/") + QLatin1String(name)));
}

const QString Vendors = QStringLiteral("# makers\r\nBDCM=Broadcom\r\nALCB=Alcatel=ignored\r\n=NoCode\r\nEMPT=\r\nTSTC=Texas Instruments\r\n");

} // namespace

class TestModemStats : public QObject
{
    Q_OBJECT

private slots:
    void adsl2plusReplyFillsEveryLabel()
    {
        const ModemStats s = ParseModemStats(fixture("adsl2p_modulation_schemes.txt"), fixture("adsl2p_modem_stats.txt"));
        QVERIFY(s.modeFound);
        QVERIFY(s.isADSL2);
        QCOMPARE(s.vendorCode, QStringLiteral("BDCM"));

        const ModemStatsLabels l = StatsLabels(s, VendorTable::fromText(Vendors), QDateTime(QDate(2008, 10, 28), QTime(9, 14)));
        QCOMPARE(l.lastBoot, QStringLiteral("Last boot: 28/10/2008 09:14:00"));
        QCOMPARE((QStringList{l.downRate, l.upRate, l.maxDownRate, l.maxUpRate}),
                 QStringLiteral("19019 kbit/s|1026 kbit/s|21012 kbit/s|1176 kbit/s").split(QLatin1Char('|')));
        QCOMPARE((QStringList{l.downSNR, l.upSNR, l.downAtt, l.upAtt, l.downPower, l.upPower}),
                 QStringLiteral("9 dB|11 dB|14 dB|7 dB|17 dB|12 dB").split(QLatin1Char('|')));
        QCOMPARE(l.vendor, QStringLiteral("Broadcom, Revision 1"));
        QCOMPARE(l.mode, QStringLiteral("ADSL 2+ Fastpath"));
    }

    void tabsPassedThroughGiveTheSameValues()
    {
        // Raw driver TABs, and BusyBox 1.x's wording of the marker error.
        const ModemStats s = ParseModemStats(fixture("adsl1_modulation_schemes_tabs.txt"), fixture("adsl1_modem_stats_tabs.txt"));
        const QStringList values{s.usRate, s.dsRate, s.dsAttenuation, s.dsMargin, s.usAttenuation, s.usMargin, s.usPower,
                                 s.dsPower, s.dsMaxRate, s.usMaxRate, s.vendorCode, s.vendorRevision, s.mode, s.path};
        QCOMPARE(values, QStringLiteral("480|3648|54|7|31|12|12|19|3840 kbps|n/a|ALCB|1|ADSL G.dmt|Interleaved").split(QLatin1Char('|')));
        QVERIFY(!s.isADSL2);
    }

    void negativeMargins()
    {
        const ModemStats s = ParseModemStats(fixture("adsl2p_modulation_schemes.txt"), fixture("negmargin_modem_stats.txt"));
        QCOMPARE(s.dsMargin, QStringLiteral("-3")); // 2^31 - 3
        QCOMPARE(s.usMargin, QStringLiteral("-3")); // 2^32 - 3

        const QStringList in = {QStringLiteral("2147483651"), QStringLiteral("6.5"), QStringLiteral("65535"),
                                QStringLiteral("4294901760"), QStringLiteral("4294967295"), QString()};
        const QStringList out = {QStringLiteral("3"), QStringLiteral("6.5"), QStringLiteral("65535"),
                                 QStringLiteral("-65536"), QStringLiteral("-1"), QString()};
        for (qsizetype i = 0; i < in.size(); ++i) {
            QString v = in.at(i);
            CorrectSubZero(v);
            QCOMPARE(v, out.at(i));
        }
    }

    void modesVendorsAndPaths()
    {
        // A trained mode missing from the table: empty mode, the path alone.
        const ModemStats s = ParseModemStats(QString(), fixture("adsl2p_modem_stats.txt"));
        QVERIFY(!s.modeFound);
        QCOMPARE(StatsLabels(s, VendorTable(), {}).mode, QStringLiteral(" Fastpath"));

        QCOMPARE(GetPathType(QStringLiteral("7")), QStringLiteral("Unknown path (7)"));

        const ADSLModes modes = LoadADSLModes(QStringLiteral("NO_MODE 0x0\r\n\r\n  ADSL_2plus_AnxM   0x2000  \r\nADSL_G.dmt 3"));
        QCOMPARE(modes.size(), 3);
        bool found = false;
        bool adsl2 = false;
        QCOMPARE(GetADSLMode(modes, QStringLiteral("8192"), &found, &adsl2), QStringLiteral("ADSL 2+ AnxM"));
        QVERIFY(found && adsl2);
        QCOMPARE(GetADSLMode(modes, QStringLiteral("3"), &found, &adsl2), QStringLiteral("ADSL G.dmt"));
        QVERIFY(!adsl2);

        QCOMPARE(ConvertVendor(QStringLiteral("54535443")), QStringLiteral("TSTC"));
        QCOMPARE(ConvertVendor(QStringLiteral("00424443004D")), QStringLiteral("BDCM"));

        const VendorTable vendors = VendorTable::fromText(Vendors);
        QCOMPARE(vendors.vendors().size(), 3);
        QCOMPARE(vendors.FindVendor(QStringLiteral("bdcm")), QStringLiteral("Broadcom"));
        QCOMPARE(vendors.FindVendor(QStringLiteral("ALCB")), QStringLiteral("Alcatel"));
        QCOMPARE(vendors.FindVendor(QStringLiteral("IKNS")), QStringLiteral("Unknown manufacturer (IKNS)"));
    }

    // The program folder's copy is the user's edit and wins over the installed one.
    void vendorsFileFromProgramOrDataFolder_data()
    {
        QTest::addColumn<QByteArray>("own");
        QTest::addColumn<QByteArray>("installed");
        QTest::addColumn<QString>("expected");
        const QByteArray edited = "tstc=Edited Instruments\r\n";
        const QString unknown = QStringLiteral("Unknown manufacturer (TSTC)");
        QTest::newRow("neither") << QByteArray() << QByteArray() << unknown;
        QTest::newRow("program folder only") << Vendors.toLatin1() << QByteArray() << QStringLiteral("Texas Instruments");
        QTest::newRow("installed only") << QByteArray() << Vendors.toLatin1() << QStringLiteral("Texas Instruments");
        QTest::newRow("both") << edited << Vendors.toLatin1() << QStringLiteral("Edited Instruments");
    }

    void vendorsFileFromProgramOrDataFolder()
    {
        QFETCH(QByteArray, own);
        QFETCH(QByteArray, installed);
        QFETCH(QString, expected);
        test::TempAppDir dir;
        QTemporaryDir data;
        AppPaths::setDataDir(data.path());
        if (!own.isEmpty())
            dir.write(QStringLiteral("vendors.txt"), own);
        if (!installed.isEmpty()) {
            QFile f(data.filePath(QStringLiteral("vendors.txt")));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(installed);
        }
        const QString found = VendorTable::LoadVendors().FindVendor(QStringLiteral("TSTC"));
        AppPaths::setDataDir(QString());
        QCOMPARE(found, expected);
        QVERIFY(!QFile::exists(dir.file(QStringLiteral("ErrorLog.txt"))));
        // Reading never copies the installed table into the user's folder.
        QCOMPARE(QFile::exists(dir.file(QStringLiteral("vendors.txt"))), !own.isEmpty());
    }

    void olderDriversAndNoSync()
    {
        const ModemStats old = ParseModemStats(fixture("adsl2p_modulation_schemes.txt"), fixture("olddriver_modem_stats.txt"));
        QCOMPARE(old.vendorCode, QString()); // "ATUC Vendor ID:" in decimal, not read
        QCOMPARE(old.usAttenuation, QStringLiteral("62"));

        const ModemStats idle = ParseModemStats(fixture("adsl2p_modulation_schemes.txt"), fixture("nosync_modem_stats.txt"));
        QCOMPARE(idle.mode, QStringLiteral("NO MODE"));
        QCOMPARE(idle.dsRate, QStringLiteral("0"));
    }

    void removeNoWhere_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("old busybox") << QStringLiteral("a\r\ncat: no_where: No such file or directory\r\n# ") << QStringLiteral("a\r\n");
        QTest::newRow("new busybox") << QStringLiteral("a\r\ncat: can't open 'no_where': No such file or directory") << QStringLiteral("a\r\n");
        QTest::newRow("other wording") << QStringLiteral("a\r\nCAT: no_where: missing directory\r\n") << QStringLiteral("a\r\n");
        QTest::newRow("no marker") << QStringLiteral("a\r\nb") << QStringLiteral("a\r\nb");
        QTest::newRow("marker only in text") << QStringLiteral("no_where") << QStringLiteral("no_where");
        QTest::newRow("error line cut short") << QStringLiteral("a\r\ncat: no_where") << QStringLiteral("a\r\n");
        QTest::newRow("cut short, other wording") << QStringLiteral("a\r\ncat: can't open 'no_wh") << QStringLiteral("a\r\ncat: can't open 'no_wh");
        QTest::newRow("cat line inside the text") << QStringLiteral("cat: no_where\r\nb") << QStringLiteral("cat: no_where\r\nb");
    }

    void removeNoWhere()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        RemoveNoWhere(in);
        QCOMPARE(in, out);
    }

    void repliesOfAFinishedScript()
    {
        const QChar sep = ConversationSeparator;
        const QStringList conversation = {
            QStringLiteral("BusyBox on (none) login: "),
            QStringLiteral("cat /proc/avalanche/avsar_dsl_modulation_schemes \"no_where\"") + sep
                + fixture("adsl2p_modulation_schemes.txt") + QStringLiteral("\r\n/var # "),
            QStringLiteral("cat /proc/avalanche/avsar_modem_stats \"no_where\"") + sep + QStringLiteral("\r\n")
                + fixture("negmargin_modem_stats.txt") + QStringLiteral("\r\n/var # "),
            QStringLiteral("cat /proc/avalanche/avsar_ver \"no_where\"") + sep + fixture("adsl1_ver.txt")
                + QStringLiteral("\r\n# "),
            QStringLiteral("cat /proc/uptime \"no_where\"") + sep
                + QStringLiteral("275913.47\t268120.66\r\ncat: no_where: No such file or directory\r\n/var # "),
        };
        const TelnetCommands commands = TelnetCommands::ExplodeTelnetCommands(conversation);
        const ModemStats s = ProcessModemStats(commands);
        QCOMPARE(s.dsRate, QStringLiteral("19019"));
        QCOMPARE(s.dsMargin, QStringLiteral("-3"));
        QCOMPARE(s.vendorCode, QStringLiteral("TSTC"));
        QCOMPARE(s.mode, QStringLiteral("ADSL 2+"));

        const RouterVersion v = ProcessVersion(commands);
        QCOMPARE(v.uptime, QStringLiteral("275913.47 268120.66"));
        QVERIFY(v.versionText.startsWith(QLatin1String("ATM Driver version:[7.03.01.00]")));
        QVERIFY(v.versionText.contains(QLatin1String("Chipset ID: [7300/7300A]")));
        QVERIFY(!v.versionText.contains(QLatin1String("no_where")));

        const TelnetCommands empty = TelnetCommands::ExplodeTelnetCommands({QStringLiteral("banner")});
        QCOMPARE(ProcessModemStats(empty).dsRate, QString());
        QCOMPARE(ProcessVersion(empty).uptime, QString());
    }

    void errorCounters_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expected"); // key=value of every counter; -1 absent
        // DS fast CRC 12 / FEC 1203 / HEC 5; ES 3; the "Last showtime" line must not win.
        QTest::newRow("adsl2+ fast path") << "adsl2p_modem_stats.txt"
            << "ds_crc_i=0 ds_fec_i=0 ds_hec_i=0 us_crc_i=0 us_fec_i=0 us_hec_i=0 ds_crc_f=12 ds_fec_f=1203 "
               "ds_hec_f=5 us_crc_f=2 us_fec_f=0 us_hec_f=1 los=0 sef=0 es=3 ses=0 init_err=0 init_timeouts=0 "
               "showtime_init_err=0 showtime_init_timeouts=0 showtime_count=1 ds_superframes=5511882 "
               "us_superframes=5511883";
        QTest::newRow("raw tabs, interleaved") << "adsl1_modem_stats_tabs.txt"
            << "ds_crc_i=83 ds_fec_i=18842 ds_hec_i=41 us_crc_i=4 us_fec_i=7 us_hec_i=2 ds_crc_f=0 ds_fec_f=0 "
               "ds_hec_f=0 us_crc_f=0 us_fec_f=0 us_hec_f=0 los=1 sef=1 es=57 ses=2 init_err=0 init_timeouts=1 "
               "showtime_init_err=0 showtime_init_timeouts=0 showtime_count=2 ds_superframes=15969882 "
               "us_superframes=15969885";
        // The old driver has no errored seconds and no showtime block.
        QTest::newRow("old driver") << "olddriver_modem_stats.txt"
            << "ds_crc_i=83 ds_fec_i=18842 ds_hec_i=41 us_crc_i=4 us_fec_i=7 us_hec_i=2 ds_crc_f=0 ds_fec_f=0 "
               "ds_hec_f=0 us_crc_f=0 us_fec_f=0 us_hec_f=0 los=1 sef=1 es=-1 ses=-1 init_err=-1 init_timeouts=-1 "
               "showtime_init_err=-1 showtime_init_timeouts=-1 showtime_count=-1 ds_superframes=15969882 "
               "us_superframes=15969885";
    }

    void errorCounters()
    {
        QFETCH(QString, file);
        QFETCH(QString, expected);
        const ModemStats s = ParseModemStats(fixture("adsl2p_modulation_schemes.txt"), fixture(file.toLatin1().constData()));
        QStringList got;
        for (int i = 0; i < LineCounterCount; ++i)
            got << QStringLiteral("%1=%2").arg(QLatin1String(lineCounterKey(LineCounter(i)))).arg(s.counters.values[size_t(i)]);
        QCOMPARE(got.join(QLatin1Char(' ')), expected);
    }

    void countersThatAreNotNumbersAreAbsent()
    {
        const LineCounters c = ParseLineCounters(QStringLiteral(
            "LOS errors: 4294967296 SEF errors: -1\n Errored Seconds: 12x Severely Err Secs: 7\n"
            " [Downstream (RX) Fast path]\n CRC: abc FEC: 9\n[ATM Stats]\n Bad Hec Cell Cnt: 5\n HEC: 3"));
        QCOMPARE(c.value(LineCounter::Los), LineCounters::Absent);
        QCOMPARE(c.value(LineCounter::Sef), LineCounters::Absent);
        QCOMPARE(c.value(LineCounter::ErroredSecs), LineCounters::Absent);
        QCOMPARE(c.value(LineCounter::SeverelyErroredSecs), 7);
        QCOMPARE(c.value(LineCounter::DsCrcFast), LineCounters::Absent);
        QCOMPARE(c.value(LineCounter::DsFecFast), 9);
        QCOMPARE(c.value(LineCounter::DsHecFast), LineCounters::Absent); // after the ATM section starts
    }

    void garbageAndTruncatedInputNeverCrash()
    {
        const QString modes = fixture("adsl2p_modulation_schemes.txt");
        const QString stats = fixture("adsl2p_modem_stats.txt");
        for (qsizetype cut = 0; cut < stats.size(); cut += 37)
            ParseModemStats(modes.left(cut), stats.left(cut));
        auto *rng = QRandomGenerator::global();
        for (int round = 0; round < 200; ++round) {
            QByteArray junk(int(rng->bounded(600)), Qt::Uninitialized);
            for (char &c : junk)
                c = char(rng->bounded(256));
            const QString text = QString::fromLatin1(junk);
            ParseModemStats(text, text + stats.mid(int(rng->bounded(int(stats.size())))));
            ConvertVendor(text);
            QString v = text;
            CorrectSubZero(v);
        }
        ParseModemStats(QStringLiteral("X 0x99999999999\r\nY -0x1"), QStringLiteral("Trained Mode: 1e308 Selected Mode:"));
    }
};

QTEST_GUILESS_MAIN(TestModemStats)
#include "tst_modemstats.moc"
