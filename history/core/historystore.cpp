#include "history/core/historystore.h"

#include "history/core/historysql.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <optional>

namespace quillon {

namespace {

// SQLite's primary result codes, as QtSql passes them in nativeErrorCode().
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqlitePerm = 3;
constexpr int kSqliteReadOnly = 8;
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteCantOpen = 14;
constexpr int kSqliteConstraint = 19;
constexpr int kSqliteNotADatabase = 26;

// Short enough that a file held by another program never stalls the window.
constexpr char kConnectOptions[] = "QSQLITE_BUSY_TIMEOUT=150";

QAtomicInt g_connections;

int sqliteCode(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xFF) : -1;
}

HistoryStore::Failure classify(const QSqlError &error)
{
    switch (sqliteCode(error)) {
    case kSqliteBusy:
    case kSqliteLocked:
        return HistoryStore::Failure::Busy;
    case kSqliteReadOnly:
    case kSqlitePerm:
    case kSqliteCantOpen:
        return HistoryStore::Failure::ReadOnly;
    case kSqliteCorrupt:
    case kSqliteNotADatabase:
        return HistoryStore::Failure::Damaged;
    default:
        return HistoryStore::Failure::Other;
    }
}

QVariant nullable(double v)
{
    return hasValue(v) ? QVariant(v) : QVariant(QMetaType::fromType<double>());
}

QVariant nullable(qint64 v)
{
    return v >= 0 ? QVariant(v) : QVariant(QMetaType::fromType<qint64>());
}

} // namespace

struct HistoryStore::Impl
{
    QSqlDatabase db;
    std::optional<QSqlQuery> insertReading;
    std::optional<QSqlQuery> insertEvent;
    std::optional<QSqlQuery> rollUp;
};

HistoryStore::HistoryStore(QString path)
    : m_path(std::move(path))
    , m_connection(QStringLiteral("quillon-history-%1").arg(g_connections.fetchAndAddRelaxed(1)))
{
}

HistoryStore::~HistoryStore()
{
    close();
}

bool HistoryStore::isOpen() const
{
    return m_impl && m_impl->db.isOpen();
}

void HistoryStore::close()
{
    m_writable = false;
    if (!m_impl)
        return;
    m_impl->insertReading.reset();
    m_impl->insertEvent.reset();
    m_impl->rollUp.reset();
    m_impl->db.close();
    m_impl.reset();
    QSqlDatabase::removeDatabase(m_connection);
}

bool HistoryStore::open()
{
    close();
    m_problem.clear();
    m_failure = Failure::None;
    m_createdNew = !QFileInfo::exists(m_path);
    if (openFile())
        return true;
    if (m_failure != Failure::Damaged)
        return false;
    close();
    if (!putAside())
        return false;
    const QString aside = m_problem;
    m_createdNew = true;
    if (!openFile())
        return false;
    m_problem = aside;
    return true;
}

bool HistoryStore::openFile()
{
    m_impl = std::make_unique<Impl>();
    m_impl->db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    if (!m_impl->db.isValid()) {
        m_failure = Failure::Other;
        m_problem = QStringLiteral("The line history cannot be kept: the SQLite driver of Qt is missing "
                                   "(package libqt6sql6-sqlite).");
        return false;
    }
    m_impl->db.setDatabaseName(m_path);
    m_impl->db.setConnectOptions(QString::fromLatin1(kConnectOptions));
    if (!m_impl->db.open())
        return fail(QStringLiteral("open"), m_impl->db.lastError());
    return prepareSchema();
}

bool HistoryStore::prepareSchema()
{
    QSqlQuery q(m_impl->db);
    // A file that is not a database at all only shows it at its first read.
    if (!q.exec(QStringLiteral("PRAGMA quick_check")))
        return fail(QStringLiteral("check"), q.lastError());
    if (q.next() && q.value(0).toString() != QLatin1String("ok")) {
        m_failure = Failure::Damaged;
        m_problem = q.value(0).toString();
        return false;
    }
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next())
        return fail(QStringLiteral("check"), q.lastError());
    const int version = q.value(0).toInt();
    if (version > SchemaVersion) {
        m_failure = Failure::Newer;
        m_problem = QStringLiteral("The line history file %1 was written by a newer version of Quillon; it is "
                                   "left as it is, and readings are not stored in it.")
                        .arg(m_path);
        return false;
    }
    // WAL keeps readers and the writer apart and survives a killed process;
    // NORMAL syncs at checkpoints only, so a reading costs no disk flush.
    q.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    q.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    // A reading touches a few pages at the end of its tables: a small page
    // cache keeps a monitor running for months at the same size.
    q.exec(QStringLiteral("PRAGMA cache_size=-256"));
    if (version < SchemaVersion) {
        if (!m_impl->db.transaction())
            return fail(QStringLiteral("prepare"), m_impl->db.lastError());
        for (int v = version; v < SchemaVersion; ++v) {
            for (const QString &sql : historysql::migration(v)) {
                if (!q.exec(sql)) {
                    const QSqlError error = q.lastError();
                    m_impl->db.rollback();
                    return fail(QStringLiteral("prepare"), error);
                }
            }
        }
        if (!q.exec(QStringLiteral("PRAGMA user_version = %1").arg(SchemaVersion)) || !m_impl->db.commit()) {
            const QSqlError error = q.lastError().isValid() ? q.lastError() : m_impl->db.lastError();
            m_impl->db.rollback();
            return fail(QStringLiteral("prepare"), error);
        }
    }
    m_impl->insertReading.emplace(m_impl->db);
    m_impl->insertEvent.emplace(m_impl->db);
    m_impl->rollUp.emplace(m_impl->db);
    if (!m_impl->rollUp->prepare(historysql::rollUpReading()))
        return fail(QStringLiteral("prepare"), m_impl->rollUp->lastError());
    if (!m_impl->insertReading->prepare(historysql::insertReading()))
        return fail(QStringLiteral("prepare"), m_impl->insertReading->lastError());
    if (!m_impl->insertEvent->prepare(historysql::insertEvent()))
        return fail(QStringLiteral("prepare"), m_impl->insertEvent->lastError());
    m_writable = true;
    return true;
}

bool HistoryStore::fail(const QString &what, const QSqlError &error)
{
    m_failure = classify(error);
    const QString reason = error.text().trimmed();
    switch (m_failure) {
    case Failure::Busy:
        m_problem = QStringLiteral("The line history file %1 is in use by another program; readings are kept "
                                   "in memory until it is free.")
                        .arg(m_path);
        break;
    case Failure::ReadOnly:
        m_problem = QStringLiteral("The line history file %1 cannot be written (%2); readings are kept in "
                                   "memory, and monitoring and the text logs go on.")
                        .arg(m_path, reason);
        break;
    case Failure::Damaged:
        m_problem = reason;
        break;
    default:
        m_problem = QStringLiteral("The line history file %1 could not be used (%2: %3).").arg(m_path, what, reason);
        break;
    }
    return false;
}

bool HistoryStore::putAside()
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_hhmmss"));
    QString aside = m_path + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = m_path + QStringLiteral(".damaged-%1-%2").arg(stamp).arg(n);
    const QString detail = m_problem;
    if (!QFile::rename(m_path, aside)) {
        m_failure = Failure::ReadOnly;
        m_problem = QStringLiteral("The line history file %1 is damaged (%2) and could not be moved aside; "
                                   "readings are kept in memory.")
                        .arg(m_path, detail);
        return false;
    }
    // The journal belongs to the damaged file; a new file must not replay it.
    for (const char *suffix : {"-wal", "-shm"}) {
        const QString companion = m_path + QLatin1String(suffix);
        if (QFileInfo::exists(companion))
            QFile::rename(companion, aside + QLatin1String(suffix));
    }
    m_aside = aside;
    m_failure = Failure::None;
    m_problem = QStringLiteral("The line history file %1 was damaged (%2); it was kept as %3 and a new one "
                               "was started.")
                    .arg(m_path, detail, aside);
    return true;
}

template <typename Fn>
bool HistoryStore::write(const QString &what, Fn &&body)
{
    // A file that could be read but not written is tried again at every write.
    if (!m_writable && !open())
        return false;
    for (int attempt = 0; attempt < 2; ++attempt) {
        QSqlDatabase &db = m_impl->db;
        if (!db.transaction()) {
            fail(what, db.lastError());
        } else if (body()) {
            if (db.commit()) {
                if (m_failure != Failure::None) {
                    m_failure = Failure::None;
                    m_problem.clear();
                }
                return true;
            }
            fail(what, db.lastError());
            db.rollback();
        } else {
            db.rollback();
        }
        // A file found damaged while in use is put aside like one found at open.
        if (m_failure != Failure::Damaged || !open())
            return false;
    }
    return false;
}

bool HistoryStore::writeReading(const HistoryReading &r)
{
    QSqlQuery &q = *m_impl->insertReading;
    QList<QVariant> row;
    row.reserve(historysql::readingColumns());
    row << QVariant(r.timeMs) << QVariant(int(r.source)) << nullable(r.uptimeSecs);
    for (int i = 0; i < HistoryValueCount; ++i) {
        if (HistoryValue(i) == HistoryValue::PingRtt)
            row << nullable(r.pingMinMs) << nullable(r.values[size_t(i)]) << nullable(r.pingMaxMs);
        else
            row << nullable(r.values[size_t(i)]);
    }
    for (qint64 c : r.counts)
        row << nullable(c);
    row << QVariant(r.mode) << QVariant(r.path) << QVariant(r.pingState)
        << (r.lastRttMs >= 0 ? QVariant(r.lastRttMs) : QVariant(QMetaType::fromType<int>()));
    for (qint64 c : r.counters.values)
        row << nullable(c);
    // Two readings may share a millisecond (a full fetch beside a monitored
    // reading, an imported log with minutes only): the later one moves on.
    for (int bump = 0; bump < 1000; ++bump) {
        row[0] = QVariant(r.timeMs + bump);
        for (int i = 0; i < row.size(); ++i)
            q.bindValue(i, row[i]);
        if (q.exec()) {
            QSqlQuery &hour = *m_impl->rollUp;
            hour.bindValue(QStringLiteral(":t"), row[0]);
            return hour.exec() || fail(QStringLiteral("store a reading"), hour.lastError());
        }
        if (sqliteCode(q.lastError()) != kSqliteConstraint)
            break;
    }
    return fail(QStringLiteral("store a reading"), q.lastError());
}

bool HistoryStore::writeEvent(const HistoryEvent &e)
{
    QSqlQuery &q = *m_impl->insertEvent;
    q.bindValue(0, e.timeMs);
    q.bindValue(1, int(e.kind));
    q.bindValue(2, e.detail);
    return q.exec() || fail(QStringLiteral("store an event"), q.lastError());
}

bool HistoryStore::add(const HistoryReading &reading, const QList<HistoryEvent> &events)
{
    return write(QStringLiteral("store a reading"), [&] {
        if (!writeReading(reading))
            return false;
        for (const HistoryEvent &e : events) {
            if (!writeEvent(e))
                return false;
        }
        return true;
    });
}

bool HistoryStore::addEvent(const HistoryEvent &event)
{
    return write(QStringLiteral("store an event"), [&] { return writeEvent(event); });
}

bool HistoryStore::addMany(const QList<HistoryReading> &readings)
{
    return write(QStringLiteral("import readings"), [&] {
        for (const HistoryReading &r : readings) {
            if (!writeReading(r))
                return false;
        }
        return true;
    });
}

QString HistoryStore::meta(const QString &key)
{
    if (!isOpen())
        return {};
    QSqlQuery q(m_impl->db);
    q.prepare(QStringLiteral("SELECT value FROM meta WHERE key = ?"));
    q.bindValue(0, key);
    return q.exec() && q.next() ? q.value(0).toString() : QString();
}

bool HistoryStore::setMeta(const QString &key, const QString &value)
{
    return write(QStringLiteral("store a setting"), [&] {
        QSqlQuery q(m_impl->db);
        q.prepare(QStringLiteral("INSERT OR REPLACE INTO meta(key, value) VALUES(?, ?)"));
        q.bindValue(0, key);
        q.bindValue(1, value);
        return q.exec() || fail(QStringLiteral("store a setting"), q.lastError());
    });
}

bool HistoryStore::applyRetention(qint64 nowMs)
{
    const qint64 cutoff = nowMs - FullResolutionMs;
    const qint64 cut = cutoff - (((cutoff % HourMs) + HourMs) % HourMs);
    const qint64 oldest = nowMs - HourlyKeptMs;
    // The hours already hold every reading: retention only lets go.
    return write(QStringLiteral("apply retention"), [&] {
        QSqlQuery q(QSqlDatabase::database(m_connection, false));
        const std::pair<QString, qint64> deletes[] = {
            {QStringLiteral("DELETE FROM readings WHERE t < ?"), cut},
            {QStringLiteral("DELETE FROM hourly WHERE t < ?"), oldest},
            {QStringLiteral("DELETE FROM events WHERE t < ?"), oldest},
        };
        for (const auto &[sql, limit] : deletes) {
            q.prepare(sql);
            q.bindValue(0, limit);
            if (!q.exec())
                return fail(QStringLiteral("apply retention"), q.lastError());
        }
        return true;
    });
}

} // namespace quillon
