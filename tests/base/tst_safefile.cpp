#include "base/safefile.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <cerrno>
#include <cstring>

using namespace quillon;
using Step = ScopedWriteFault::Step;

Q_DECLARE_METATYPE(quillon::ScopedWriteFault::Step)

class TestSafeFile : public QObject
{
    Q_OBJECT

private slots:
    void failedStepKeepsTheOldFile_data()
    {
        QTest::addColumn<bool>("append");
        QTest::addColumn<Step>("step");
        QTest::addColumn<int>("error");
        for (const bool append : {false, true}) {
            const char *kind = append ? "append" : "replace";
            QTest::addRow("%s: open", kind) << append << Step::Open << ENOSPC;
            QTest::addRow("%s: write half", kind) << append << Step::Write << ENOSPC;
            QTest::addRow("%s: sync", kind) << append << Step::Sync << EIO;
            QTest::addRow("%s: close", kind) << append << Step::Close << EDQUOT;
        }
        QTest::addRow("replace: rename") << false << Step::Rename << EXDEV;
    }

    void failedStepKeepsTheOldFile()
    {
        QFETCH(bool, append);
        QFETCH(Step, step);
        QFETCH(int, error);
        test::TempAppDir dir;
        const QString path = dir.file(QStringLiteral("data.txt"));
        dir.write(QStringLiteral("data.txt"), "old line\r\n");
        const QByteArray added(10000, 'n');
        WriteResult result;
        {
            const ScopedWriteFault fault(step, error);
            result = append ? AppendToFile(path, added) : ReplaceFile(path, added);
        }
        QVERIFY(!result);
        QVERIFY2(result.error.contains(path) && result.error.contains(QString::fromLocal8Bit(std::strerror(error))),
                 qPrintable(result.error));
        // A failed close comes after the data was synced: an append is then in the file.
        if (!(append && step == Step::Close))
            QCOMPARE(dir.read(QStringLiteral("data.txt")), QByteArray("old line\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("data.txt")});

        dir.write(QStringLiteral("data.txt"), "old line\r\n");
        QVERIFY((append ? AppendToFile(path, added) : ReplaceFile(path, added)).ok());
        QCOMPARE(dir.read(QStringLiteral("data.txt")), append ? QByteArray("old line\r\n") + added : added);
    }

    void replaceKeepsModeAndFollowsLinks()
    {
        test::TempAppDir dir;
        const QString path = dir.file(QStringLiteral("settings.ini"));
        dir.write(QStringLiteral("settings.ini"), "old");
        const auto shared = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
        QVERIFY(QFile::setPermissions(path, shared));
        QVERIFY(ReplaceFile(path, "new"));
        QCOMPARE(QFile::permissions(path) & 0xF0FF, shared);
        QVERIFY(ReplaceFile(path, "secret", FileAccess::OwnerOnly));
        QCOMPARE(QFile::permissions(path) & 0xF0FF, QFileDevice::ReadOwner | QFileDevice::WriteOwner);

        const QString link = dir.file(QStringLiteral("link.ini"));
        QVERIFY(QFile::link(path, link));
        QVERIFY(ReplaceFile(link, "through the link"));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(dir.read(QStringLiteral("settings.ini")), QByteArray("through the link"));
    }

    void missingFolderIsReported()
    {
        const QString path = QStringLiteral("/proc/quillon-no-such/a.txt");
        for (const WriteResult &r : {ReplaceFile(path, "x"), AppendToFile(path, "x")})
            QVERIFY2(r.error.contains(path) && r.error.contains(QLatin1String("No such file")), qPrintable(r.error));
    }
};

QTEST_GUILESS_MAIN(TestSafeFile)
#include "tst_safefile.moc"
