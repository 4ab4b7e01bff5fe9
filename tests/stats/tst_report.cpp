#include "base/clock.h"
#include "base/dialogs.h"
#include "stats/core/modemstats.h"
#include "stats/core/report.h"
#include "tests/support/testsupport.h"

#include <QtTest>

using namespace quillon;

class TestReport : public QObject
{
    Q_OBJECT

private slots:
    void buildingTheReport()
    {
        QString report = ReportHeader(QStringLiteral("Quillon v1.0.0"), QDateTime(QDate(2008, 10, 28), QTime(14, 5, 9)));
        QCOMPARE(report, QStringLiteral("Quillon v1.0.0 report - 28 Oct 2008 14:05:09"));
        ModemStatsLabels labels;
        labels.downRate = QStringLiteral("8128 kbit/s");
        for (const QString &line : ModemStatsReportLines(labels, QStringLiteral("ver1\r\nver2")))
            AddToReport(report, line);
        const QStringList lines = report.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 15);
        QCOMPARE(lines.at(2), QStringLiteral("DS rate: 8128 kbit/s"));
        QCOMPARE(lines.at(14), QStringLiteral("ver2"));
    }

    void savingNamesAndOverwrites()
    {
        test::TempAppDir dir;
        ScriptedDialogs dialogs;
        ScopedClock clock(QDateTime(QDate(2008, 10, 28), QTime(14, 5, 9)));
        QVERIFY(SaveReport(QString(), QStringLiteral("Report")));
        QCOMPARE(dir.read(QStringLiteral("20081028_140509_Report.txt")), QByteArray());
        QVERIFY(SaveReport(QStringLiteral("line1\r\nline2"), QStringLiteral("SystemLog")));
        QVERIFY(SaveReport(QStringLiteral("second"), QStringLiteral("SystemLog")));
        QCOMPARE(dir.read(QStringLiteral("20081028_140509_SystemLog.txt")), QByteArray("second"));
        QCOMPARE(dialogs.shown.last().text, QStringLiteral("The SystemLog has been saved as: ") + dir.file(QStringLiteral("20081028_140509_SystemLog.txt")));

        QVERIFY(!SaveReportAs(QStringLiteral("x"), QStringLiteral("Report"), dir.file(QStringLiteral("missing/dir/r.txt"))));
        QVERIFY(dialogs.shown.last().text.startsWith(QLatin1String("Could not save the Report file.\r\n")));
        QVERIFY(dialogs.shown.last().text.contains(QLatin1String("No such file or directory")));
        QCOMPARE(dialogs.shown.last().icon, Dialogs::Icon::Exclamation);
    }
};

QTEST_GUILESS_MAIN(TestReport)
#include "tst_report.moc"
