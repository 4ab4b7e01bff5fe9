#include "app/ui/frmmain.h"
#include "base/clock.h"
#include "base/dialogs.h"
#include "base/safefile.h"
#include "stats/core/report.h"
#include "stats/core/snapshots.h"
#include "stats/core/statslog.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QLineEdit>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/mount.h>
#include <unistd.h>

using namespace quillon;

namespace {

const QString NoSpace = QStringLiteral("No space left on device");

// A program folder that runs out of space: a small tmpfs filled to the last
// page (root only), or the write seam failing every write as a full disk does.
class FullDisk final
{
public:
    explicit FullDisk(bool tmpfs) : m_tmpfs(tmpfs) {}
    ~FullDisk()
    {
        m_fault.reset();
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    FullDisk(const FullDisk &) = delete;
    FullDisk &operator=(const FullDisk &) = delete;

    // Empty when the folder is ready, else why it cannot be.
    QString mount()
    {
        if (!m_tmpfs)
            return {};
        if (::geteuid() != 0)
            return QStringLiteral("mounting a tmpfs needs root");
        if (::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                    "size=256k,mode=0700") != 0)
            return QStringLiteral("cannot mount a tmpfs here: ") + QString::fromLocal8Bit(std::strerror(errno));
        m_mounted = true;
        return {};
    }

    void fill()
    {
        if (!m_tmpfs) {
            m_fault = std::make_unique<ScopedWriteFault>(ScopedWriteFault::Step::Write, ENOSPC);
            return;
        }
        const int fd = ::open(QFile::encodeName(m_dir.file(QStringLiteral("filler"))).constData(),
                              O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        const QByteArray chunk(4096, 'f');
        while (fd >= 0 && ::write(fd, chunk.constData(), size_t(chunk.size())) > 0) {
        }
        if (fd >= 0)
            ::close(fd);
    }

    test::TempAppDir &dir() { return m_dir; }

private:
    bool m_tmpfs;
    bool m_mounted{false};
    test::TempAppDir m_dir;
    std::unique_ptr<ScopedWriteFault> m_fault;
};

// Everything in the folder but the filler.
QStringList files(const QString &path)
{
    QStringList names = QDir(path).entryList(QDir::Files);
    names.removeAll(QStringLiteral("filler"));
    return names;
}

} // namespace

class TestFullDisk : public QObject
{
    Q_OBJECT

private slots:
    void settingsSurviveAFullDiskAtClose_data() { rows(); }
    void settingsSurviveAFullDiskAtClose()
    {
        QFETCH(bool, tmpfs);
        FullDisk disk(tmpfs);
        if (const QString why = disk.mount(); !why.isEmpty())
            QSKIP(qPrintable(why));
        const QByteArray settings = "[Options]\r\nRouter IP=10.0.0.138\r\nRouter Password=secret\r\n";
        disk.dir().write(QStringLiteral("settings.ini"), settings);
        const QByteArray history = QByteArray("6.5,").repeated(99) + "6.5\r\n";
        disk.dir().write(QStringLiteral("snr_stats.txt"), history);
        ScriptedDialogs dialogs;
        frmMain w;
        w.Form_Load();
        w.ui.txtRouter->setText(QStringLiteral("10.0.0.1"));
        disk.fill();
        QVERIFY(w.close());
        QCOMPARE(dialogs.shown.size(), 2); // the settings, then the SNR history
        for (const ScriptedDialogs::Shown &box : dialogs.shown) {
            QCOMPARE(box.icon, Dialogs::Icon::Exclamation);
            QVERIFY2(box.text.contains(NoSpace), qPrintable(box.text));
        }
        QCOMPARE(disk.dir().read(QStringLiteral("settings.ini")), settings);
        QCOMPARE(disk.dir().read(QStringLiteral("snr_stats.txt")), history);
        QCOMPARE(files(disk.dir().path()), (QStringList{QStringLiteral("settings.ini"), QStringLiteral("snr_stats.txt")}));
    }

    void reportSaveOnAFullDisk_data() { rows(); }
    void reportSaveOnAFullDisk()
    {
        QFETCH(bool, tmpfs);
        FullDisk disk(tmpfs);
        if (const QString why = disk.mount(); !why.isEmpty())
            QSKIP(qPrintable(why));
        ScriptedDialogs dialogs;
        disk.fill();
        QVERIFY(!SaveReport(QString(20000, QLatin1Char('r')), QStringLiteral("Report")));
        QCOMPARE(dialogs.shown.size(), 1);
        QVERIFY(dialogs.shown[0].text.startsWith(QLatin1String("Could not save the Report file.")));
        QVERIFY2(dialogs.shown[0].text.contains(NoSpace), qPrintable(dialogs.shown[0].text));
        QVERIFY(files(disk.dir().path()).isEmpty());
    }

    void recordsAndLogsOnAFullDisk_data() { rows(); }
    void recordsAndLogsOnAFullDisk()
    {
        QFETCH(bool, tmpfs);
        FullDisk disk(tmpfs);
        if (const QString why = disk.mount(); !why.isEmpty())
            QSKIP(qPrintable(why));
        const QByteArray records = "10/08 : 1,2 3,4 5,6 7,8\r\n";
        disk.dir().write(QString::fromLatin1(SnapshotFileName), records);
        // A whole page: on the tmpfs the next byte needs a new one.
        const QByteArray earlier = QByteArray(4094, 'e') + "\r\n";
        disk.dir().write(QString::fromLatin1(StatsCsvFileName), earlier);
        ScopedClock clock(QDateTime(QDate(2008, 10, 28), QTime(14, 5, 9)));
        ScriptedDialogs dialogs;
        BandwidthSnapshots snapshots;
        snapshots.LoadSnapshots();
        snapshots.UpdateSnapshots(SlotArray{}, QDateTime(QDate(2008, 10, 28), QTime(9, 14)));
        disk.fill();

        QVERIFY(!snapshots.Close(QDateTime(QDate(2008, 10, 28), QTime(9, 14))));
        QCOMPARE(dialogs.shown.size(), 1);
        QVERIFY(dialogs.shown[0].text.startsWith(QLatin1String("Could not save Snapshot log.")));
        QVERIFY(dialogs.shown[0].text.contains(NoSpace));
        QCOMPARE(disk.dir().read(QString::fromLatin1(SnapshotFileName)), records);

        StatsLogEntry entry;
        entry.when = Clock::now();
        entry.dsRate = QStringLiteral("8128");
        StatsLogger logger;
        logger.log(entry, true, true);
        QCOMPARE(disk.dir().read(QString::fromLatin1(StatsCsvFileName)), earlier);
        QCOMPARE(disk.dir().read(QString::fromLatin1(StatsTextFileName)), QByteArray());
    }

private:
    static void rows()
    {
        QTest::addColumn<bool>("tmpfs");
        QTest::newRow("full tmpfs") << true;
        QTest::newRow("write seam") << false;
    }
};

QTEST_MAIN(TestFullDisk)
#include "tst_fulldisk.moc"
