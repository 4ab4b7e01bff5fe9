#include "base/inifile.h"
#include "tests/support/testsupport.h"

#include <QFile>
#include <QRandomGenerator>
#include <QtTest>


using namespace quillon;

namespace {

QString s(const char *text)
{
    return QString::fromLatin1(text);
}

} // namespace

class TestIniFile : public QObject
{
    Q_OBJECT
private slots:
    void readsSectionsAndKeysIgnoringCase()
    {
        const IniFile ini = IniFile::parse(
            "[Options]\r\nPing IP = 1.1.1.1 \r\nRouter Username=root\r\n"
            "[ Ping test ]\r\nTarget=\r\nDNS=\"  spaced  \"\r\n");
        QCOMPARE(ini.value(s("options"), s("PING IP")), s("1.1.1.1"));
        QCOMPARE(ini.value(s("OPTIONS"), s("router username")), s("root"));
        QCOMPARE(ini.value(s("Ping Test"), s("DNS")), s("  spaced  "));
        QVERIFY(ini.contains(s("Ping test"), s("Target")));
        QVERIFY(ini.value(s("Ping test"), s("Target")).isEmpty());
        QVERIFY(!ini.contains(s("Ping test"), s("Count")));
        QVERIFY(ini.value(s("Ping test"), s("Count")).isEmpty());
        QVERIFY(ini.value(s("Options"), s("Target")).isEmpty()); // key of another section
        QVERIFY(ini.value(s("Nowhere"), s("Ping IP")).isEmpty());
        QVERIFY(ini.value(QString(), s("Ping IP")).isEmpty());
    }

    void toleratesGarbage()
    {
        QByteArray bytes = QByteArrayLiteral("orphan=before any section\n[A]\rno equals sign here\n=novalue\r\n"
                                             "; key=comment\r\nk=first\r\nk=second\r\n\xff\x01\x80=\xfe\x00z\n[A\nx=1\n");
        bytes += "long=" + QByteArray(10000, 'v') + "\r\n";
        const IniFile ini = IniFile::parse(bytes);
        QCOMPARE(ini.value(s("A"), s("k")), s("first"));
        QVERIFY(!ini.contains(s("A"), s("; key")));
        QCOMPARE(ini.value(s("A"), QString::fromLatin1("\xff\x01\x80")), QString::fromLatin1("\xfe\0z", 3));
        QCOMPARE(ini.value(s("A"), s("x")), s("1")); // "[A" without "]" still opens A
        QCOMPARE(ini.value(s("A"), s("long")).size(), IniFile::MaxValueLength);
        QVERIFY(!ini.contains(s("A"), s("orphan")));
        // Unknown lines survive a rewrite, with CR LF line ends.
        IniFile copy = ini;
        QVERIFY(copy.setValue(s("A"), s("K"), s("changed")));
        const QByteArray out = copy.toBytes();
        QVERIFY(out.startsWith("orphan=before any section\r\n[A]\r\nno equals sign here\r\n=novalue\r\n; key=comment\r\nk=changed\r\nk=second\r\n"));
        QCOMPARE(IniFile::parse(out).value(s("a"), s("k")), s("changed"));
        QCOMPARE(out.count('\n'), out.count("\r\n"));

        QVERIFY(IniFile::parse(QByteArray()).value(s("A"), s("k")).isEmpty());
        QVERIFY(IniFile::parse(QByteArray(5000, '\0')).value(s("A"), s("k")).isEmpty());
    }

    void randomBytesNeverBreakAWrite()
    {
        QRandomGenerator rng(20081028);
        const char alphabet[] = "[]=;\"\r\n \tAakK\x00\xff";
        for (int round = 0; round < 300; ++round) {
            QByteArray bytes(int(rng.bounded(200)), Qt::Uninitialized);
            for (char &c : bytes)
                c = rng.bounded(2) ? char(rng.bounded(256)) : alphabet[rng.bounded(int(sizeof alphabet - 1))];
            IniFile ini = IniFile::parse(bytes);
            const QString value = QString::fromLatin1(bytes.left(int(rng.bounded(40))));
            QVERIFY(ini.setValue(s("a"), s("K"), value));
            QVERIFY(ini.setValue(s("Other"), s("k"), s("x")));
            const IniFile back = IniFile::parse(ini.toBytes());
            QString expected = value;
            expected.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
            QCOMPARE(back.value(s("A"), s("k")), expected);
            QCOMPARE(back.value(s("other"), s("K")), s("x"));
        }
    }

    void writesInPlaceAndAddsWhatIsMissing()
    {
        IniFile ini = IniFile::parse("; settings\r\n[Options]\r\nA=1\r\n\r\n[Other]\r\nB=2\r\n");
        QVERIFY(ini.setValue(s("options"), s("a"), s("10")));
        QVERIFY(ini.setValue(s("Options"), s("C"), s("3")));
        QVERIFY(ini.setValue(s("New"), s("D"), s("4")));
        QVERIFY(ini.setValue(s("Other"), s("E"), s(" padded ")));
        QVERIFY(ini.setValue(s("Other"), s("F"), s("\"quoted\"")));
        QVERIFY(ini.setValue(s("Other"), s("G"), s("line\r\n[Options]\r\nA=evil")));
        QVERIFY(!ini.setValue(QString(), s("X"), s("1")));
        // Names the reader would cut elsewhere are refused rather than lost.
        QVERIFY(!ini.setValue(s("a]b"), s("X"), s("1")));
        QVERIFY(!ini.setValue(s("A"), s("k=v"), s("1")));
        QVERIFY(!ini.setValue(s("A"), s("[k"), s("1")));
        QVERIFY(!ini.setValue(s("A"), s(";k"), s("1")));
        QVERIFY(!ini.setValue(s("Other"), s(" "), s("1")));
        QCOMPARE(ini.toBytes(), QByteArray("; settings\r\n[Options]\r\nA=10\r\nC=3\r\n\r\n[Other]\r\nB=2\r\n"
                                           "E=\" padded \"\r\nF=\"\"quoted\"\"\r\nG=line  [Options]  A=evil\r\n"
                                           "[New]\r\nD=4\r\n"));
        const IniFile back = IniFile::parse(ini.toBytes());
        QCOMPARE(back.value(s("Other"), s("E")), s(" padded "));
        QCOMPARE(back.value(s("Other"), s("F")), s("\"quoted\""));
        QCOMPARE(back.value(s("Options"), s("A")), s("10"));
    }

    void readIniAndWriteIniOnFiles()
    {
        test::TempAppDir dir;
        QVERIFY(ReadIni(s("Options"), s("Ping IP"), s("settings.ini")).isEmpty());
        QCOMPARE(WriteIni(s("Options"), s("Ping IP"), s("1.1.1.1"), s("settings.ini")), 1);
        QCOMPARE(WriteIni(s("Options"), s("Telnet Port"), s("23"), dir.file(s("settings.ini"))), 1);
        QCOMPARE(WriteIni(s("OPTIONS"), s("ping ip"), QString(QChar(0xE9)), s("settings.ini")), 1);
        QCOMPARE(dir.read(s("settings.ini")), QByteArray("[Options]\r\nPing IP=\xe9\r\nTelnet Port=23\r\n"));
        QCOMPARE(ReadIni(s("options"), s("PING IP"), s("settings.ini")), QString(QChar(0xE9)));
        QCOMPARE(WriteIni(s("Options"), QString(), s("x"), s("settings.ini")), 0);

        dir.write(s("lf.ini"), "[S]\nk=" + QByteArray(300, 'x') + "\n");
        QCOMPARE(ReadIni(s("S"), s("k"), s("lf.ini")).size(), 254);
    }

    void saveFailsCleanlyWhereItCannotWrite()
    {
        QCOMPARE(WriteIni(s("A"), s("b"), s("c"), s("/proc/quillon-no-such/settings.ini")), 0);
        QVERIFY(!IniFile().save(s("/proc/quillon-no-such/settings.ini")));
    }

    void ownerOnlySaveHidesThePassword()
    {
        test::TempAppDir dir;
        dir.write(s("settings.ini"), "[Options]\r\n");
        QFile::setPermissions(dir.file(s("settings.ini")), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                               | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        IniFile ini = IniFile::load(dir.file(s("settings.ini")));
        ini.setValue(s("Options"), s("Router Password"), s("secret"));
        QVERIFY(ini.save(dir.file(s("settings.ini")), true));
        const QFileDevice::Permissions p = QFile::permissions(dir.file(s("settings.ini")));
        QVERIFY(p.testFlag(QFileDevice::ReadOwner) && p.testFlag(QFileDevice::WriteOwner));
        QVERIFY(!(p & (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther)));
        QCOMPARE(IniFile::load(dir.file(s("settings.ini"))).value(s("options"), s("router password")), s("secret"));
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
