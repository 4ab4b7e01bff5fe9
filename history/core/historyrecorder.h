#pragma once

#include "history/core/historystore.h"
#include "history/core/historytypes.h"

#include <QDateTime>
#include <QList>
#include <QObject>

#include <memory>
#include <optional>

namespace quillon {

struct LineState;
struct ModemStats;

// Keeps every statistics reading in the line history: turns the counters
// into per-interval counts and events, adds the pings since the last
// reading, and writes one transaction per reading. When the file cannot be
// written the readings wait in memory (bounded) and go in once it can;
// nothing here ever stops monitoring or the text logs.
class HistoryRecorder final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryRecorder)

public:
    // Readings kept in memory while the file cannot take them (two weeks of
    // one-minute monitoring); the oldest go first.
    static constexpr int MaxPending = 20000;
    static constexpr char ImportedKey[] = "stats_csv_imported";

    explicit HistoryRecorder(const LineState &line, QObject *parent = nullptr);
    ~HistoryRecorder() override;

    // The program folder's "history.db" unless a path is set before first use.
    void setPath(const QString &path);
    QString path() const;
    // Opened on first use; on first creation "stats.csv" beside it is imported once.
    HistoryStore &store();

    void recordReading(const ModemStats &stats, ReadingSource source);
    // One monitoring ping: answered with this round trip, or lost.
    void notePing(bool answered, qint32 rttMs, const QString &pingState);
    // The ping watchdog is about to reboot the router.
    void noteWatchdog();
    void noteRebootStarted();

    QString problem() const { return m_problem; }
    int pendingCount() const { return int(m_pending.size()); }
    std::optional<HistoryReading> lastReading() const { return m_last; }

signals:
    // A reading and the events found with it, whether or not the file took them yet.
    void readingNoted(const quillon::HistoryReading &reading, const QList<quillon::HistoryEvent> &events);
    // A reading (or an event) went into the file.
    void recorded(qint64 timeMs);
    // The sentence of the store's trouble; empty when it is over.
    void problemChanged(const QString &text);

private:
    struct Pending
    {
        HistoryReading reading;
        QList<HistoryEvent> events;
    };

    void ensureOpen();
    void importOldLog();
    void flush();
    void report();
    qint64 nowMs() const;

    const LineState &m_line;
    QString m_path;
    std::unique_ptr<HistoryStore> m_store;
    bool m_opened{false};
    std::optional<HistoryReading> m_last;
    QList<Pending> m_pending;
    QString m_problem;
    qint64 m_lastRetentionMs{0};
    QDateTime m_lastBoot;
    bool m_rebootSinceReading{false};
    bool m_watchdog{false};
    // Pings since the last reading.
    qint64 m_pingsSent{0};
    qint64 m_pingsLost{0};
    double m_rttSum{0};
    qint64 m_rttCount{0};
    double m_rttMin{NoValue};
    double m_rttMax{NoValue};
    qint32 m_lastRtt{-1};
    QString m_pingState;
};

} // namespace quillon
