#pragma once

#include "bandwidth/core/bandwidthcounters.h"
#include "graphs/core/graphdrawing.h"
#include "session/core/busylease.h"
#include "session/core/routerjob.h"
#include "session/core/sessionsettings.h"
#include "stats/core/pingmonitor.h"
#include "stats/core/snapshots.h"

#include <QObject>
#include <QStringList>

#include <functional>

class QTimer;

namespace quillon {

class RouterSession;
class TelnetCommands;
struct LineState;

// The Bandwidth tab's router work: readings of the interface counters on
// demand and every N seconds while logging is on. Monitored readings measure
// the bytes moved, append to "bandwidth.txt" and the on-screen log, feed the
// history chart and the period records. A reading is a router job: it waits
// its turn, and a timer reading never piles up behind a slow router.
class BandwidthMonitor final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BandwidthMonitor)

public:
    static constexpr int HistorySamples = 100;
    enum class StartResult { Started, AlreadyRunning, MissingLogin, RouterNotAnswering };

    // Without a timer the monitor makes its own.
    BandwidthMonitor(RouterSession &session, BusyLeases &leases, LineState &line,
                     std::function<SessionSettings()> settings, PingFunction ping, QTimer *timer,
                     QObject *parent = nullptr);
    ~BandwidthMonitor() override;

    // A reading that shows the counters and measures nothing. Pings the
    // router first; nothing starts when it does not answer.
    StartResult readNow();

    // Logging on; the first reading at once or after the interval.
    void start(bool readAtOnce = false);
    void stop();
    bool isMonitoring() const { return m_monitoring; }
    // The timer's one-second tick: the countdown, then the reading.
    void tick();
    int ticks() const { return m_ticks; }

    // Baselines, totals, rates, maxima and the on-screen log back to their start.
    void clear();

    // Start-up and close-down of the period records.
    void loadRecords();
    bool closeRecords();

    const BandwidthCounters &counters() const { return m_counters; }
    const BandwidthSnapshots &records() const { return m_records; }
    // The on-screen log (or the raw counters of a reading on demand).
    const QString &text() const { return m_text; }
    // The block the last monitored reading logged; empty when it measured nothing.
    const QString &lastBlock() const { return m_lastBlock; }
    // What the last monitored reading measured, slot by slot.
    const Measurement &lastMeasurement() const { return m_lastMeasurement; }
    // 100 samples, the oldest first.
    const QStringList &history() const { return m_history; }
    BandwidthHistoryInput historyInput(bool titled) const { return {m_history, titled}; }
    quint64 readingsTaken() const { return m_readings; }
    quint64 readingsFailed() const { return m_failed; }

signals:
    void countdown(const QString &timeLeft);
    void statusChanged(const QString &status);
    // Processed: the figures, the log and (sampleAdded) the history changed.
    void readingTaken(bool monitored, bool sampleAdded);
    void readingFailed(const quillon::JobFailure &failure, bool monitored);

private:
    void readMonitored();
    void enqueue(bool monitored);
    void process(const TelnetCommands &commands, bool monitored, const QDateTime &asked);
    // True when the history gained a sample.
    bool log(const BandwidthReplies &replies, const QDateTime &asked);
    void appendToLog();
    void onFailed(const JobFailure &failure, bool monitored);

    RouterSession &m_session;
    BusyLeases &m_leases;
    LineState &m_line;
    std::function<SessionSettings()> m_settings;
    PingFunction m_ping;
    QTimer *m_timer;
    BandwidthCounters m_counters;
    BandwidthSnapshots m_records;
    BusyLeases::Lease m_lease; // while a reading on demand runs
    QStringList m_history;
    QString m_text;
    QString m_lastBlock;
    Measurement m_lastMeasurement;
    QDateTime m_logFailureReported;
    QDateTime m_monitoredBoot; // the router's boot time at the last monitored reading
    int m_ticks{0};
    bool m_monitoring{false};
    quint64 m_readings{0};
    quint64 m_failed{0};
};

} // namespace quillon
