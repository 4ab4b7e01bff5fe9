#include "base/dialogs.h"
#include "base/misc.h"
#include "base/strbuilder.h"
#include "tests/support/testsupport.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>

using namespace quillon;

namespace {

QString s(const char *text)
{
    return QString::fromLatin1(text);
}

QDateTime at(int y, int m, int d, int h = 0, int n = 0, int sec = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, n, sec));
}

} // namespace

class TestMisc : public QObject
{
    Q_OBJECT
private slots:
    void roundsHalvesToEven()
    {
        QCOMPARE(roundHalfEven(2.5), 2);
        QCOMPARE(roundHalfEven(3.5), 4);
        QCOMPARE(roundHalfEven(-2.5), -2);
        QCOMPARE(roundHalfEven(-3.5), -4);
        QCOMPARE(roundHalfEven(2.4999), 2);
        QCOMPARE(roundHalfEven(-0.6), -1);
        QCOMPARE(roundHalfEven(std::nan("")), 0);
        QCOMPARE(roundHalfEven(1e300), std::numeric_limits<qint64>::max());
    }

    void valReadsLikeClassicBasic_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("unit after number") << s("  12.5dB") << 12.5;
        QTest::newRow("negative") << s("-3") << -3.0;
        QTest::newRow("hex") << s("&H1F") << 31.0;
        QTest::newRow("hex 16-bit pattern") << s("&HFFFF") << -1.0;
        QTest::newRow("hex above 16 bits") << s("&H10000") << 65536.0;
        QTest::newRow("octal") << s("&O17") << 15.0;
        QTest::newRow("empty") << QString() << 0.0;
        QTest::newRow("letters") << s("abc") << 0.0;
        QTest::newRow("tabs, line feed, inner blanks") << s("\t\n1 2 3x") << 123.0;
        QTest::newRow("exponent E") << s("1.5E3") << 1500.0;
        QTest::newRow("exponent D with sign") << s("25d-1") << 2.5;
        QTest::newRow("second point stops") << s("1.2.3") << 1.2;
        QTest::newRow("leading point") << s("-.5") << -0.5;
        QTest::newRow("double sign") << s("--3") << 0.0;
        QTest::newRow("comma stops") << s("1,000") << 1.0;
        QTest::newRow("overflow") << s("1e999") << 0.0;
        QTest::newRow("carriage return is not a blank") << s("\r5") << 0.0;
    }
    void valReadsLikeClassicBasic()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(Val(text), value);
    }

    void clampedWholeNeverLeavesItsRange_data()
    {
        constexpr int low = std::numeric_limits<int>::min();
        constexpr int high = std::numeric_limits<int>::max();
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("narrow"); // in -5..1000
        QTest::addColumn<int>("wide");   // in the whole int range
        QTest::newRow("plain") << s("300") << 300 << 300;
        QTest::newRow("half to even") << s("2.5") << 2 << 2;
        QTest::newRow("half up to even") << s("3.5") << 4 << 4;
        QTest::newRow("leading number") << s("15 s") << 15 << 15;
        QTest::newRow("garbage") << s("abc") << 0 << 0;
        QTest::newRow("empty") << QString() << 0 << 0;
        QTest::newRow("nan") << s("nan") << 0 << 0;
        QTest::newRow("below") << s("-6") << -5 << -6;
        QTest::newRow("beyond int") << s("1e10") << 1000 << high;
        QTest::newRow("beyond int64") << s("1e300") << 1000 << high;
        QTest::newRow("huge negative") << s("-1e300") << -5 << low;
        QTest::newRow("hex") << s("&H7FFFFFFF") << 1000 << high;
    }
    void clampedWholeNeverLeavesItsRange()
    {
        QFETCH(QString, text);
        QFETCH(int, narrow);
        QFETCH(int, wide);
        QCOMPARE(clampedWhole(text, -5, 1000), narrow);
        QCOMPARE(clampedWhole(text, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()), wide);
    }

    void fieldCutsAtEveryDelimiter()
    {
        QCOMPARE(Field(s("a,,b"), s(","), 1), s("a"));
        QVERIFY(Field(s("a,,b"), s(","), 2).isEmpty());
        QCOMPARE(Field(s("a,,b"), s(","), 3), s("b"));
        QVERIFY(Field(s("a"), s(","), 3).isEmpty());
        QVERIFY(Field(s(",,"), s(","), 3).isEmpty());
        QCOMPARE(Field(s("x : y : z"), s(" : "), 3), s("z"));
        QVERIFY(Field(s("a,b"), s(","), 0).isEmpty());
        QCOMPARE(Field(s("a,b"), QString(), 1), s("a,b"));
        QVERIFY(Field(QString(), s(","), 1).isEmpty());
    }

    void textHelpers()
    {
        QCOMPARE(CountChar(s("aaaa"), s("aa")), 3);
        QCOMPARE(CountChar(s("abc"), QString()), 0);

        QCOMPARE(GetMiddle(s("["), s("]"), s("x[ab]c[d]")), s("ab"));
        QCOMPARE(GetMiddle(s("["), s("]"), s("x[ab]c[d]"), 4), s("d"));
        QCOMPARE(GetMiddle(s("<B>"), s("</b>"), s("<b>bold</B>"), 0, false), s("bold"));
        QVERIFY(GetMiddle(s("<B>"), s("</b>"), s("<b>bold</B>")).isEmpty());
        QVERIFY(GetMiddle(s("["), s("]"), s("x[ab")).isEmpty());
        QVERIFY(GetMiddle(s("["), s("]"), s("[a]"), 99).isEmpty());

        QStringList list{QString()};
        AddToStringArray(list, s("one"));
        AddToStringArray(list, s("two"));
        QCOMPARE(list, (QStringList{s("one"), s("two")}));
        QStringList empty;
        AddToStringArray(empty, s("x"));
        QCOMPARE(empty, QStringList{s("x")});

        QCOMPARE(PadBy(s("1.00 KB"), s("."), 10, true), s("...1.00 KB"));
        QCOMPARE(PadBy(s("WAN-Rx"), s(" "), 10, false), s("WAN-Rx    "));
        QCOMPARE(PadBy(s("abc"), s("xy"), 6, true), s("xyxyabc")); // 1.5 copies round to 2
        QCOMPARE(PadBy(s("abcdefghijk"), s("."), 10, true), s("abcdefghijk"));
        QCOMPARE(PadBy(s("a"), QString(), 10, true), s("a"));

        QString text = s("line one\r\nline two");
        CutAt(text, s("\r\n"));
        QCOMPARE(text, s("line one"));
        text = s("Value ERROR here");
        CutAt(text, s("error"));
        QCOMPARE(text, s("Value "));
        CutAt(text, QString());
        QCOMPARE(text, s("Value "));

    }

    void binaryAndBits()
    {
        QCOMPARE(Decimal2Binary(10), s("1010"));
        QVERIFY(Decimal2Binary(0).isEmpty());
        QCOMPARE(Decimal2Binary(2.5), s("10"));
        QCOMPARE(Decimal2Binary(-1), s("11111111111111111111111111111111"));
        QCOMPARE(Binary2Decimal(s("1010")), 10.0);
        QCOMPARE(Binary2Decimal(s("1x1")), 5.0);
        QCOMPARE(Binary2Decimal(QString()), 0.0);

        QCOMPARE(ConvertToBits(QString(), false), QByteArray(1, '\0'));
        QCOMPARE(ConvertToBits(s("110"), false), QByteArray::fromHex("00010100"));
        QCOMPARE(ConvertToBits(s("110"), true), QByteArray::fromHex("00010100"));
        QCOMPARE(ConvertToBits(s("100"), true), QByteArray::fromHex("00000100"));
        QCOMPARE(ConvertToBits(s("1z"), false), QByteArray::fromHex("000100"));
        QCOMPARE(HalfOf(5), 2.5f);
    }

    void timeSpans()
    {
        const QDateTime a = at(2009, 3, 1, 10, 0);
        QCOMPARE(DaysHoursAndMinutes(a, a.addSecs(1505 * 60)), s("1d 1h 5m"));
        QCOMPARE(DaysHoursAndMinutes(a.addSecs(1505 * 60 + 59), a), s("1d 1h 5m"));
        QCOMPARE(DateDiffSecs(a, a.addSecs(-90)), 90.0);
        QCOMPARE(SecondsToDate(a, 90061, true), at(2009, 3, 2, 11, 1, 1));
        QCOMPARE(SecondsToDate(a, 90061, false), at(2009, 2, 28, 8, 58, 59));
        QCOMPARE(SecondsToDate(a, 1e12, true), a);
        QCOMPARE(FormatCountdown(3725), s("01:02:05"));
        QCOMPARE(FormatCountdown(86400 + 5), s("00:00:05"));
        QCOMPARE(FormatCountdown(-1), s("23:59:59"));
    }

    void textToDateReadsDayFirst()
    {
        QCOMPARE(TextToDate(s("28/10/2008 14:05:09"), false), at(2008, 10, 28, 14, 5, 9));
        QCOMPARE(TextToDate(s("28/10/2008 14:05:09"), true), at(2008, 10, 28));
        QCOMPARE(TextToDate(s("01/02/29"), false), at(2029, 2, 1));
        QCOMPARE(TextToDate(s("01/02/30"), false), at(1930, 2, 1));
        QCOMPARE(TextToDate(s("31/13/2008"), false), at(2009, 1, 31));
        QCOMPARE(TextToDate(s("abc"), false), at(1999, 11, 30)); // every piece 0
        QCOMPARE(TextToDate(s("28/10/08 25:00:00"), false), at(2008, 10, 29, 1));
        QVERIFY(!TextToDate(s("1/1/99999"), false).isValid());
        QVERIFY(!TextToDate(s("1/1e300/2000"), false).isValid());
    }

    void dateLabels()
    {
        const QDateTime t = at(2008, 10, 28, 14, 5, 9);
        QCOMPARE(GetDateLabel(t, 1), s("28/10/08 14"));
        QVERIFY(GetDateLabel(t, 5).isEmpty());
        QVERIFY(GetDateLabel(t, 0).isEmpty());
        // Saturday 31 December 2005 falls in week 53.
        QCOMPARE(GetDateLabel(at(2005, 12, 31), 3), s("52 05"));
        QCOMPARE(GetDateLabel(at(2006, 1, 1), 3), s("1 06"));
        QCOMPARE(GetDateLabel(at(2008, 12, 31), 3), s("52 08"));
        QCOMPARE(GetDateLabel(at(2009, 1, 4), 3), s("1 09"));
        QCOMPARE(GetDateLabel(at(2009, 1, 5), 3), s("2 09"));
    }

    void periodStarts()
    {
        const QDateTime sunday = at(2009, 1, 4, 10, 30);
        QCOMPARE(GetTimeStart(sunday, 3), at(2008, 12, 29));
        QCOMPARE(GetTimeStart(at(2009, 1, 5, 0, 0, 1), 3), at(2009, 1, 5));
        QCOMPARE(GetTimeStart(sunday, 1), at(2009, 1, 4, 10));
        QCOMPARE(GetTimeStart(sunday, 2), at(2009, 1, 4));
        QCOMPARE(GetTimeStart(sunday, 4), at(2009, 1, 1));
        QCOMPARE(GetTimeStart(at(2035, 6, 15, 8), 2), at(2035, 6, 15));
        QVERIFY(!GetTimeStart(sunday, 9).isValid());
    }

    void sizesAndRates()
    {
        QCOMPARE(GetUnitSize(0), s("0.00 B "));
        QCOMPARE(GetUnitSize(1023), s("1023.00 B "));
        QCOMPARE(GetUnitSize(1023.5), s("1023.50 B "));
        QCOMPARE(GetUnitSize(1024), s("1.00 KB"));
        QCOMPARE(GetUnitSize(1048576 * 1.5), s("1.50 MB"));
        QCOMPARE(GetUnitSize(1073741824.0 * 3), s("3.00 GB"));
        QCOMPARE(GetUnitSize(-1), s("-1 ??"));

        QCOMPARE(GetFormattedRate(s("1 GBPS")), s("1 Gbit/s"));
        QCOMPARE(GetFormattedRate(s("1234 bps")), s("1.234 kbit/s"));
        QCOMPARE(GetFormattedRate(s("24000000\tbps")), s("24000 kbit/s"));
        QCOMPARE(GetFormattedRate(s("3 baud")), s("3 baud"));
        QCOMPARE(GetFormattedRate(s("3")), s("3"));
    }

    void filesInTheProgramFolder()
    {
        test::TempAppDir dir;
        QCOMPARE(ValidatePath(s("/tmp")), s("/tmp/"));
        QCOMPARE(ValidatePath(s("/tmp/")), s("/tmp/"));

        WriteToFile(s("first"), s("log.txt"), false);
        WriteToFile(s("caf") + QChar(0xE9), s("log.txt"), false);
        QCOMPARE(dir.read(s("log.txt")), QByteArray("first\r\ncaf\xe9\r\n"));
        QCOMPARE(LoadAFile(dir.file(s("log.txt"))), s("first\r\ncaf") + QChar(0xE9) + s("\r\n"));
        WriteToFile(s("fresh"), s("log.txt"), true);
        QCOMPARE(dir.read(s("log.txt")), QByteArray("fresh\r\n"));

        QVERIFY(SaveTextFile(s("report"), dir.file(s("report.txt"))));
        QCOMPARE(dir.read(s("report.txt")), QByteArray("report\r\n"));
        QVERIFY(SaveTextFile(s("relative"), s("rel.txt")));
        QCOMPARE(dir.read(s("rel.txt")), QByteArray("relative\r\n"));
        QVERIFY(LoadAFile(dir.file(s("missing.txt"))).isEmpty());
    }

    void unwritableFilesFailCleanly()
    {
        test::TempAppDir dir;
        QVERIFY(!SaveTextFile(s("x"), dir.file(s("no/such/folder/a.txt"))));
        QVERIFY(!WriteToFile(s("x"), s("no/such/folder/a.txt"), false));
        QVERIFY(WriteToFile(s("x"), s("no/such/folder/a.txt"), true).error.contains(dir.file(s("no/such/folder/a.txt"))));
    }

    void indexOfNoCaseAgreesWithQt()
    {
        QRandomGenerator rng(7);
        const QString alphabet = s("aAbBkKsS:/ \r\n") + QChar(0x212A) + QChar(0x017F) + QChar(0xE9) + QChar(0xC9);
        const auto random = [&](int most) {
            QString out;
            for (int i = int(rng.bounded(most + 1)); i > 0; --i)
                out += alphabet.at(int(rng.bounded(int(alphabet.size()))));
            return out;
        };
        for (int round = 0; round < 5000; ++round) {
            const QString text = random(40);
            const QString needle = random(3);
            const qsizetype from = rng.bounded(int(text.size()) + 2) - 1;
            QCOMPARE(IndexOfNoCase(text, needle, from), text.indexOf(needle, from, Qt::CaseInsensitive));
        }
    }

    void garbageTextNeverBreaksTheReaders()
    {
        QRandomGenerator rng(2005);
        const char alphabet[] = "0123456789/:. -+eEdD&HhOo,\t\n";
        for (int round = 0; round < 2000; ++round) {
            QString text;
            for (int n = int(rng.bounded(24)); n > 0; --n)
                text += QLatin1Char(alphabet[rng.bounded(int(sizeof alphabet - 1))]);
            QVERIFY(std::isfinite(Val(text)));
            const QDateTime date = TextToDate(text, rng.bounded(2) == 1);
            if (date.isValid()) {
                QVERIFY(!GetDateLabel(date, 3).isEmpty());
                QVERIFY(GetTimeStart(date, 3) <= date);
            }
            GetMiddle(text.left(1), text.right(1), text, int(rng.bounded(30)), rng.bounded(2) == 1);
            Field(text, text.mid(3, 1), int(rng.bounded(5)));
        }
    }

    void strBuilderKeepsEverythingAppended()
    {
        StrBuilder b;
        b.Append(QString(1500, QLatin1Char('a')));
        b.Append(QString(548, QLatin1Char('b')));
        b.Append(s("c"));
        QCOMPARE(b.Value().size(), 2049);
        QVERIFY(b.Value().endsWith(s("bc")));
        QVERIFY(b.capacity() >= 2049);
        b.setValue(s("new"));
        QCOMPARE(b.Value(), s("new"));
        // A negative step counts as its size; none falls back to the default.
        b.setBufferSize(-10);
        QCOMPARE(b.BufferSize(), 10);
        b.setBufferSize(0);
        QCOMPARE(b.BufferSize(), 1024);
        b.Reset();
        QVERIFY(b.Value().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestMisc)
#include "tst_misc.moc"
