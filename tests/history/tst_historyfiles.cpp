// The line history file under hostile conditions: a writer killed mid-stream,
// a file locked by another program, a read-only file, a damaged file.

#include "base/clock.h"
#include "history/core/historyrecorder.h"
#include "history/core/historystore.h"
#include "session/core/linestate.h"
#include "stats/core/modemstats.h"
#include "tests/support/testsupport.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillon;

namespace {

const char kChildMode[] = "QUILLON_HISTORY_CHILD";
const char kChildPath[] = "QUILLON_HISTORY_PATH";

ModemStats sample(int crc)
{
    ModemStats s;
    s.dsRate = QStringLiteral("8128");
    s.dsMargin = QStringLiteral("6");
    s.counters.set(LineCounter::DsCrcFast, crc);
    s.counters.set(LineCounter::ShowtimeCount, 1);
    return s;
}

// Children: "insert" stores readings until killed; "hold" keeps the write
// lock until its input closes; "record" records three readings and prints
// the recorder's verdict.
int childMain(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QByteArray mode = qgetenv(kChildMode);
    const QString path = qEnvironmentVariable(kChildPath);
    QTextStream out(stdout);
    if (mode == "insert") {
        HistoryStore store(path);
        if (!store.open())
            return 3;
        for (qint64 i = 0;; ++i) {
            HistoryReading r;
            r.timeMs = 1'700'000'000'000 + i * 60'000;
            r.setValue(HistoryValue::DsMargin, double(i % 13));
            r.mode = QString(200, QLatin1Char('x'));
            if (!store.add(r, {{r.timeMs, HistoryEventKind::Resync, QStringLiteral("e")}}))
                return 4;
            if (i == 10) {
                out << "ready\n";
                out.flush();
            }
        }
    }
    if (mode == "hold") {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("hold"));
        db.setDatabaseName(path);
        QSqlQuery q(db.open() ? db : QSqlDatabase());
        if (!q.exec(QStringLiteral("BEGIN EXCLUSIVE")))
            return 3;
        out << "locked\n";
        out.flush();
        char c;
        while (::read(0, &c, 1) > 0) {
        }
        return 0;
    }
    if (mode == "record") {
        LineState line;
        HistoryRecorder recorder(line);
        recorder.setPath(path);
        for (int i = 0; i < 3; ++i)
            recorder.recordReading(sample(i), ReadingSource::Monitor);
        out << recorder.pendingCount() << '\n' << recorder.problem() << '\n';
        return 0;
    }
    return 2;
}

qint64 rowsIn(const QString &path, QString *integrity = nullptr)
{
    qint64 n = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            if (integrity && q.exec(QStringLiteral("PRAGMA integrity_check")) && q.next())
                *integrity = q.value(0).toString();
            if (q.exec(QStringLiteral("SELECT COUNT(*) FROM readings")) && q.next())
                n = q.value(0).toLongLong();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    return n;
}

QProcess *startChild(QObject *parent, const char *mode, const QString &path)
{
    auto *p = new QProcess(parent);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildMode), QString::fromLatin1(mode));
    env.insert(QString::fromLatin1(kChildPath), path);
    p->setProcessEnvironment(env);
    p->setProgram(QCoreApplication::applicationFilePath());
    return p;
}

} // namespace

class TestHistoryFiles : public QObject
{
    Q_OBJECT

private slots:
    void killedWriterNeverLeavesAnUnreadableFile()
    {
        test::TempAppDir dir;
        const QString path = dir.file(QStringLiteral("history.db"));
        qint64 before = 0;
        for (int round = 0; round < 4; ++round) {
            QProcess *child = startChild(this, "insert", path);
            child->start();
            QVERIFY(child->waitForReadyRead(15000));
            // Let it run into the middle of some transaction.
            QTest::qWait(15 + 40 * round);
            ::kill(pid_t(child->processId()), SIGKILL);
            QVERIFY(child->waitForFinished(5000));
            QCOMPARE(child->exitStatus(), QProcess::CrashExit);
            QString integrity;
            const qint64 rows = rowsIn(path, &integrity);
            QCOMPARE(integrity, QStringLiteral("ok"));
            QVERIFY2(rows > before, qPrintable(QString::number(rows)));
            before = rows;
            delete child;
        }
        HistoryStore store(path);
        QVERIFY2(store.open(), qPrintable(store.problem()));
        QCOMPARE(store.readingCount(), before);
        QCOMPARE(store.events(0, std::numeric_limits<qint64>::max()).size(), before);
    }

    void lockedFileKeepsReadingsUntilItIsFree()
    {
        test::TempAppDir dir;
        const QString path = dir.file(QStringLiteral("history.db"));
        LineState line;
        HistoryRecorder recorder(line);
        recorder.setPath(path);
        recorder.recordReading(sample(1), ReadingSource::Monitor);
        QCOMPARE(recorder.store().readingCount(), 1);

        QProcess *holder = startChild(this, "hold", path);
        holder->start();
        QVERIFY(holder->waitForReadyRead(10000));
        QSignalSpy problems(&recorder, &HistoryRecorder::problemChanged);
        recorder.recordReading(sample(2), ReadingSource::Monitor);
        recorder.recordReading(sample(3), ReadingSource::Monitor);
        QCOMPARE(recorder.pendingCount(), 2);
        QVERIFY(recorder.problem().contains(QLatin1String("in use by another program")));
        QVERIFY(recorder.problem().contains(path));
        QCOMPARE(problems.size(), 1);

        holder->closeWriteChannel();
        QVERIFY(holder->waitForFinished(5000));
        recorder.recordReading(sample(4), ReadingSource::Monitor);
        QCOMPARE(recorder.pendingCount(), 0);
        QCOMPARE(recorder.problem(), QString());
        QCOMPARE(recorder.store().readingCount(), 4);
        const HistorySeries s = recorder.store().query(0, std::numeric_limits<qint64>::max(), 0);
        QCOMPARE(s.buckets.last().count(HistoryCount::DsCrc), 1);
    }

    void readOnlyFileIsLeftAlone()
    {
        test::TempAppDir dir;
        const QString path = dir.file(QStringLiteral("history.db"));
        {
            HistoryStore store(path);
            QVERIFY(store.open());
            QVERIFY(store.add(HistoryReading{}));
        }
        const QByteArray bytes = dir.read(QStringLiteral("history.db"));
        // root writes anything: the child drops to nobody where it can.
        const bool root = ::geteuid() == 0;
        const QString folder = QFileInfo(path).absolutePath();
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0444) == 0);
        QProcess *child = startChild(this, "record", path);
        if (root) {
            child->setArguments({QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                 QStringLiteral("--clear-groups"), child->program()});
            child->setProgram(QStringLiteral("setpriv"));
        }
        child->start();
        QVERIFY(child->waitForFinished(15000));
        ::chmod(QFile::encodeName(folder).constData(), 0755);
        ::chmod(QFile::encodeName(path).constData(), 0644);
        QVERIFY2(child->exitStatus() == QProcess::NormalExit && child->exitCode() == 0,
                 qPrintable(QStringLiteral("%1 %2 %3 %4").arg(child->exitStatus()).arg(child->exitCode()).arg(child->errorString(), QString::fromLocal8Bit(child->readAllStandardError()))));
        const QStringList out = QString::fromUtf8(child->readAllStandardOutput()).split(QLatin1Char('\n'));
        QCOMPARE(out.value(0), QStringLiteral("3"));
        QVERIFY2(out.value(1).contains(QLatin1String("cannot be written")), qPrintable(out.value(1)));
        QCOMPARE(dir.read(QStringLiteral("history.db")), bytes);
    }

    void damagedFileIsKeptAsideAndANewOneStarted_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("not a database") << QByteArray("these are not the pages you are looking for\n").repeated(200);
        QByteArray header("SQLite format 3");
        header.append('\0');
        QTest::newRow("header, then garbage") << header + QByteArray(8192, '\x5a');
    }

    void damagedFileIsKeptAsideAndANewOneStarted()
    {
        QFETCH(QByteArray, content);
        test::TempAppDir dir;
        dir.write(QStringLiteral("history.db"), content);
        LineState line;
        HistoryRecorder recorder(line);
        QSignalSpy problems(&recorder, &HistoryRecorder::problemChanged);
        recorder.recordReading(sample(1), ReadingSource::Monitor);
        QCOMPARE(recorder.pendingCount(), 0);
        QCOMPARE(recorder.store().readingCount(), 1);
        const QString aside = recorder.store().asidePath();
        QVERIFY(!aside.isEmpty());
        QCOMPARE(dir.read(QFileInfo(aside).fileName()), content);
        QVERIFY(recorder.problem().contains(QLatin1String("was damaged")));
        QVERIFY(recorder.problem().contains(aside));
        QCOMPARE(problems.size(), 1);
    }
};

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet(kChildMode))
        return childMain(argc, argv);
    QCoreApplication app(argc, argv);
    TestHistoryFiles t;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&t, argc, argv);
}

#include "tst_historyfiles.moc"
