#pragma once

#include "history/core/historytypes.h"

#include <QString>

#include <memory>
#include <optional>

class QSqlError;

namespace quillon {

// The line history file: an SQLite database beside the program. Every write
// is one transaction; a file that cannot be used (locked, read-only,
// damaged, from a newer version) leaves the store unavailable with a sentence
// saying why, and a damaged file is moved aside, never written over.
class HistoryStore final
{
public:
    static constexpr char FileName[] = "history.db";
    static constexpr int SchemaVersion = 1;
    static constexpr qint64 FullResolutionMs = 30ll * 24 * 3600 * 1000;
    static constexpr qint64 HourlyKeptMs = 730ll * 24 * 3600 * 1000;
    static constexpr qint64 HourMs = 3600ll * 1000;

    enum class Failure { None, Busy, ReadOnly, Damaged, Newer, Other };

    explicit HistoryStore(QString path);
    ~HistoryStore();
    HistoryStore(const HistoryStore &) = delete;
    HistoryStore &operator=(const HistoryStore &) = delete;

    // Opens or creates the file and brings its tables up to date. A damaged
    // file is kept aside and a new one started (reported by problem()).
    bool open();
    void close();
    bool isOpen() const;
    // Open with its tables in place: readings can be written.
    bool isWritable() const { return m_writable; }
    QString path() const { return m_path; }
    // The sentence for the last failure (or for a file put aside); empty when all is well.
    QString problem() const { return m_problem; }
    Failure lastFailure() const { return m_failure; }
    // Where the last damaged file was kept; empty when none was.
    QString asidePath() const { return m_aside; }
    // The file did not exist before open().
    bool createdNew() const { return m_createdNew; }

    // One reading and the events found with it, in one transaction.
    bool add(const HistoryReading &reading, const QList<HistoryEvent> &events = {});
    bool addEvent(const HistoryEvent &event);
    // Many readings in one transaction (an import).
    bool addMany(const QList<HistoryReading> &readings);

    // The newest full-resolution reading.
    std::optional<HistoryReading> lastReading();
    qint64 readingCount();
    qint64 hourlyCount();

    // Buckets of bucketMs starting at multiples of bucketMs in local time
    // (utcOffsetMs), over [fromMs, toMs); bucketMs 0 keeps every stored row
    // (readings, and hours older than the full-resolution span) as it is.
    HistorySeries query(qint64 fromMs, qint64 toMs, qint64 bucketMs, qint64 utcOffsetMs = 0);
    QList<HistoryEvent> events(qint64 fromMs, qint64 toMs);
    // The oldest and newest stored times, or nullopt when empty.
    std::optional<std::pair<qint64, qint64>> extent();

    // Readings older than the full-resolution span go (their hours keep
    // minimum/average/maximum); hours and events past two years go.
    bool applyRetention(qint64 nowMs);

    QString meta(const QString &key);
    bool setMeta(const QString &key, const QString &value);

private:
    struct Impl;

    bool openFile();
    bool prepareSchema();
    bool fail(const QString &what, const QSqlError &error);
    bool putAside();
    bool writeReading(const HistoryReading &reading);
    bool writeEvent(const HistoryEvent &event);
    template <typename Fn>
    bool write(const QString &what, Fn &&body);

    QString m_path;
    QString m_connection;
    QString m_problem;
    QString m_aside;
    Failure m_failure{Failure::None};
    bool m_createdNew{false};
    bool m_writable{false};
    std::unique_ptr<Impl> m_impl;
};

} // namespace quillon
