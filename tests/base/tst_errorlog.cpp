#include "base/appinfo.h"
#include "base/clock.h"
#include "base/dialogs.h"
#include "base/errorlog.h"
#include "base/apppaths.h"
#include "tests/support/testsupport.h"

#include <QtTest>

using namespace quillon;

class TestErrorLog : public QObject
{
    Q_OBJECT
private slots:
    void recordHasEightFieldsInOrder()
    {
        test::TempAppDir dir;
        ScopedClock clock(QDateTime(QDate(2008, 10, 28), QTime(14, 5, 9)));
        ScriptedDialogs dialogs;
        LogError(true, QStringLiteral("5"), QStringLiteral("Invalid call"), QStringLiteral("frmMain"), QStringLiteral("GotoNextStage"));

        const QString expected = QStringLiteral("#2008-10-28 14:05:09#,\"5\",\"Invalid call\",\"frmMain\",\"GotoNextStage\",\"%1\",\"%2\",\"%3\"\r\n")
                                     .arg(appTitleWithVersion(), userName(), computerName());
        QCOMPARE(QString::fromLatin1(dir.read(QStringLiteral("ErrorLog.txt"))), expected);
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.shown[0].title, QStringLiteral("Quillon - ERROR"));
        QCOMPARE(dialogs.shown[0].icon, Dialogs::Icon::Critical);
        QCOMPARE(dialogs.shown[0].text, QStringLiteral("Error occured: 5\r\nDescription: Invalid call\r\nModule: frmMain\r\nFunction: GotoNextStage"));
    }

    void emptyDescriptionLeavesOutItsLineButKeepsTheField()
    {
        test::TempAppDir dir;
        ScriptedDialogs dialogs;
        LogError(true, QStringLiteral("7"), QString(), QStringLiteral("modMisc"), QStringLiteral("Field"));
        QCOMPARE(dialogs.shown.at(0).text, QStringLiteral("Error occured: 7\r\nModule: modMisc\r\nFunction: Field"));
        QVERIFY(dir.read(QStringLiteral("ErrorLog.txt")).contains(",\"7\",\"\",\"modMisc\","));
    }

    void emptyNumberAndTwoErrorsInOneSecond()
    {
        test::TempAppDir dir;
        ScopedClock clock(QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5)));
        ScriptedDialogs dialogs;
        LogError(true, QString(), QString(), QString(), QString());
        LogError(false, QStringLiteral("1"), QStringLiteral("say \"hi\"\r\nthere"), QStringLiteral("m"), QStringLiteral("p"));
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.shown[0].text, QStringLiteral("Error occured: \r\n"));
        const QList<QByteArray> lines = dir.read(QStringLiteral("ErrorLog.txt")).split('\n');
        QCOMPARE(lines.size(), 3); // two records and the empty rest after the last line end
        QVERIFY(lines[0].startsWith("#2020-01-02 03:04:05#,"));
        QVERIFY(lines[1].startsWith("#2020-01-02 03:04:05#,"));
        QVERIFY(lines[1].contains("\"say \"\"hi\"\" there\""));
    }

    void unwritableFolderLosesTheRecordQuietly()
    {
        ScriptedDialogs dialogs;
        AppPaths::setAppDir(QStringLiteral("/proc/no-such-folder"));
        LogError(true, QStringLiteral("1"), QStringLiteral("x"), QStringLiteral("m"), QStringLiteral("p"));
        AppPaths::setAppDir(QString());
        QCOMPARE(dialogs.shown.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestErrorLog)
#include "tst_errorlog.moc"
