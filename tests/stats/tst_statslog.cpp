#include "base/clock.h"
#include "base/safefile.h"
#include "stats/core/modemstats.h"
#include "stats/core/statslog.h"
#include "tests/support/testsupport.h"

#include <QFile>
#include <QtTest>

#include <cerrno>

using namespace quillon;

namespace {

StatsLogEntry reading(bool changed)
{
    StatsLogEntry e;
    e.when = QDateTime(QDate(2008, 10, 28), QTime(14, 5, 9));
    e.dsRate = QStringLiteral("8128");
    e.dsAttenuation = QStringLiteral("20");
    e.dsMargin = QStringLiteral("-3");
    e.usRate = QStringLiteral("448");
    e.usAttenuation = QStringLiteral("11");
    e.usMargin = QStringLiteral("12");
    e.pingState = QStringLiteral("Down");
    e.lastRtt = 37;
    e.stateChanged = changed;
    return e;
}

} // namespace

class TestStatsLog : public QObject
{
    Q_OBJECT

private slots:
    void changedMarkOnlyInTheTextLog()
    {
        test::TempAppDir dir;
        StatsLogger logger;
        const QString line = logger.log(reading(true), true, true);
        QCOMPARE(line, QStringLiteral("28/10/2008 14:05\t8128, -3, Down, 37, Changed"));
        QCOMPARE(dir.read(QStringLiteral("stats.txt")), QByteArray("28/10/2008 14:05\t8128, -3, Down, 37, Changed\r\n"));
        QCOMPARE(dir.read(QStringLiteral("stats.csv")), QByteArray("28/10/2008 14:05,8128,20,-3,448,11,12,Down,37\r\n"));
    }

    void appendsKeepEarlierLines()
    {
        test::TempAppDir dir;
        dir.write(QStringLiteral("stats.txt"), "earlier\r\n");
        StatsLogger logger;
        logger.log(reading(false), true, false);
        logger.log(reading(false), true, false);
        QCOMPARE(dir.read(QStringLiteral("stats.txt")),
                 QByteArray("earlier\r\n28/10/2008 14:05\t8128, -3, Down, 37\r\n28/10/2008 14:05\t8128, -3, Down, 37\r\n"));
        QVERIFY(!QFile::exists(dir.file(QStringLiteral("stats.csv"))));

        // Both logs off: only the box line, nothing written.
        QCOMPARE(logger.log(reading(false), false, false), QStringLiteral("28/10/2008 14:05\t8128, -3, Down, 37"));
        QCOMPARE(dir.read(QStringLiteral("stats.txt")).count('\n'), 3);
        QVERIFY(!QFile::exists(dir.file(QStringLiteral("stats.csv"))));
    }

    void entryFromAReading()
    {
        ScopedClock clock(QDateTime(QDate(2008, 10, 28), QTime(14, 5, 59)));
        ModemStats s;
        s.dsRate = QStringLiteral("8128");
        s.dsMargin = QStringLiteral("6.5");
        s.usAttenuation = QStringLiteral("11");
        const StatsLogEntry e = StatsLogEntryFor(s, QString(), 0, false);
        QCOMPARE(StatsTextLine(e), QStringLiteral("28/10/2008 14:05\t8128, 6.5, , 0"));
        QCOMPARE(StatsCsvLine(e), QStringLiteral("28/10/2008 14:05,8128,,6.5,,11,,,0"));
    }

    void hostileValuesKeepNineFields_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("written");
        QTest::newRow("comma") << QStringLiteral("81,28") << QString();
        QTest::newRow("nul and 0xff") << QString::fromLatin1("8128\0\xFF", 6) << QString();
        QTest::newRow("line break") << QStringLiteral("12\r\n34") << QString();
        QTest::newRow("unit") << QStringLiteral("12 dB") << QString();
        QTest::newRow("huge") << QString(300, QLatin1Char('9')) << QString();
        QTest::newRow("signed decimal") << QStringLiteral(" -3.5 ") << QStringLiteral("-3.5");
    }

    void hostileValuesKeepNineFields()
    {
        QFETCH(QString, value);
        QFETCH(QString, written);
        StatsLogEntry e = reading(false);
        e.dsRate = e.dsAttenuation = e.dsMargin = e.usRate = e.usAttenuation = e.usMargin = value;
        e.pingState = QString::fromLatin1("Up,\0", 4);
        const QString csv = StatsCsvLine(e);
        const QStringList fields = csv.split(QLatin1Char(','));
        QCOMPARE(fields.size(), 9);
        for (int i = 1; i <= 6; ++i)
            QCOMPARE(fields.at(i), written);
        QCOMPARE(fields.at(7), QStringLiteral("Up"));
        for (const QString &line : {csv, StatsTextLine(e)}) {
            for (const QChar c : line)
                QVERIFY2(c == QLatin1Char('\t') || (c >= QLatin1Char(' ') && c <= QLatin1Char('~')), qPrintable(line));
        }
    }

    void failedAppendLeavesTheLogsWhole()
    {
        test::TempAppDir dir;
        dir.write(QStringLiteral("stats.txt"), "earlier\r\n");
        dir.write(QStringLiteral("stats.csv"), "earlier\r\n");
        StatsLogger logger;
        {
            const ScopedWriteFault full(ScopedWriteFault::Step::Write, ENOSPC);
            QVERIFY(!logger.log(reading(false), true, true).isEmpty());
        }
        // Half a line would glue itself to the next reading.
        QCOMPARE(dir.read(QStringLiteral("stats.txt")), QByteArray("earlier\r\n"));
        QCOMPARE(dir.read(QStringLiteral("stats.csv")), QByteArray("earlier\r\n"));
        logger.log(reading(false), true, true);
        QCOMPARE(dir.read(QStringLiteral("stats.csv")).count('\n'), 2);
    }
};

QTEST_GUILESS_MAIN(TestStatsLog)
#include "tst_statslog.moc"
