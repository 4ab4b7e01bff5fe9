#include "history/core/historyrecorder.h"

#include "base/apppaths.h"
#include "base/clock.h"
#include "base/errorlog.h"
#include "history/core/counterstep.h"
#include "history/core/historyreading.h"
#include "history/core/statscsvimport.h"
#include "session/core/linestate.h"
#include "stats/core/statslog.h"

#include <QFileInfo>

namespace quillon {

namespace {

// The boot time is worked out from uptime readings and drifts by a second or so.
constexpr qint64 kBootToleranceSecs = 60;

} // namespace

HistoryRecorder::HistoryRecorder(const LineState &line, QObject *parent)
    : QObject(parent)
    , m_line(line)
{
}

HistoryRecorder::~HistoryRecorder() = default;

void HistoryRecorder::setPath(const QString &path)
{
    m_path = path;
    m_store.reset();
    m_opened = false;
}

QString HistoryRecorder::path() const
{
    return m_path.isEmpty() ? AppPaths::file(QString::fromLatin1(HistoryStore::FileName)) : m_path;
}

HistoryStore &HistoryRecorder::store()
{
    ensureOpen();
    return *m_store;
}

qint64 HistoryRecorder::nowMs() const
{
    return Clock::now().toMSecsSinceEpoch();
}

void HistoryRecorder::ensureOpen()
{
    if (m_opened)
        return;
    m_opened = true;
    m_store = std::make_unique<HistoryStore>(path());
    if (m_store->open()) {
        if (!m_last)
            m_last = m_store->lastReading();
        if (m_store->createdNew())
            importOldLog();
        m_store->applyRetention(nowMs());
        m_lastRetentionMs = nowMs();
    }
    report();
}

void HistoryRecorder::importOldLog()
{
    const QString csv = QFileInfo(path()).absolutePath() + QLatin1Char('/') + QString::fromLatin1(StatsCsvFileName);
    if (!QFileInfo::exists(csv) || !m_store->meta(QString::fromLatin1(ImportedKey)).isEmpty())
        return;
    // The reading that opens the file may have just gone into the log: the
    // current minute is left to the recorder.
    const qint64 now = nowMs();
    const CsvImport result = ImportStatsCsv(*m_store, csv, now - now % 60000);
    if (result.ok) {
        m_store->setMeta(QString::fromLatin1(ImportedKey),
                         QStringLiteral("%1 readings, %2 lines skipped").arg(result.imported).arg(result.skipped));
    }
}

void HistoryRecorder::notePing(bool answered, qint32 rttMs, const QString &pingState)
{
    ++m_pingsSent;
    m_pingState = pingState;
    if (!answered) {
        ++m_pingsLost;
        return;
    }
    const double rtt = qMax(0, rttMs);
    m_lastRtt = rttMs;
    m_rttSum += rtt;
    ++m_rttCount;
    m_rttMin = hasValue(m_rttMin) ? qMin(m_rttMin, rtt) : rtt;
    m_rttMax = hasValue(m_rttMax) ? qMax(m_rttMax, rtt) : rtt;
}

void HistoryRecorder::noteWatchdog()
{
    m_watchdog = true;
}

void HistoryRecorder::noteRebootStarted()
{
    const HistoryEventKind kind = m_watchdog ? HistoryEventKind::WatchdogReboot : HistoryEventKind::RequestedReboot;
    const QString detail = m_watchdog ? QStringLiteral("Too many failed pings: the router was rebooted")
                                      : QStringLiteral("The router was rebooted from Quillon");
    m_watchdog = false;
    m_rebootSinceReading = true;
    ensureOpen();
    const HistoryEvent event{nowMs(), kind, detail};
    if (m_store->addEvent(event))
        emit recorded(event.timeMs);
    report();
}

void HistoryRecorder::recordReading(const ModemStats &stats, ReadingSource source)
{
    ensureOpen();
    const qint64 now = nowMs();
    HistoryReading r = ReadingFromStats(stats, now, source);

    bool bootChanged = false;
    const QDateTime boot = m_line.boot.BootTime();
    if (boot.isValid()) {
        r.uptimeSecs = qMax<qint64>(0, boot.secsTo(Clock::now()));
        bootChanged = m_lastBoot.isValid() && qAbs(m_lastBoot.secsTo(boot)) > kBootToleranceSecs;
        m_lastBoot = boot;
    }

    if (m_pingsSent > 0) {
        r.setCount(HistoryCount::PingsSent, m_pingsSent);
        r.setCount(HistoryCount::PingsLost, m_pingsLost);
    }
    if (m_rttCount > 0) {
        r.setValue(HistoryValue::PingRtt, m_rttSum / double(m_rttCount));
        r.pingMinMs = m_rttMin;
        r.pingMaxMs = m_rttMax;
    }
    r.lastRttMs = m_lastRtt;
    r.pingState = m_pingState;
    m_pingsSent = m_pingsLost = m_rttCount = 0;
    m_rttSum = 0;
    m_rttMin = m_rttMax = NoValue;

    QList<HistoryEvent> events;
    if (m_last && m_last->counters.any() && r.counters.any()) {
        const CounterStep step = StepCounters(m_last->counters, r.counters, m_rebootSinceReading || bootChanged);
        for (int i = 0; i < HistoryCountCount; ++i) {
            if (HistoryCount(i) != HistoryCount::PingsSent && HistoryCount(i) != HistoryCount::PingsLost)
                r.counts[size_t(i)] = step.counts[size_t(i)];
        }
        if (step.restart == LineRestart::Resync)
            events.append({now, HistoryEventKind::Resync, step.detail});
        else if (step.restart == LineRestart::Reboot && !m_rebootSinceReading)
            events.append({now, HistoryEventKind::RouterRestarted, step.detail});
    }
    if (bootChanged && !m_rebootSinceReading
        && std::none_of(events.cbegin(), events.cend(),
                        [](const HistoryEvent &e) { return e.kind == HistoryEventKind::RouterRestarted; })) {
        events.append({now, HistoryEventKind::RouterRestarted,
                       QStringLiteral("The router's uptime shows it restarted at %1")
                           .arg(boot.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")))});
    }
    m_rebootSinceReading = false;
    m_last = r;
    emit readingNoted(r, events);

    m_pending.append({r, events});
    if (m_pending.size() > MaxPending)
        m_pending.removeFirst();
    flush();
    if (m_pending.isEmpty() && now - m_lastRetentionMs >= HistoryStore::HourMs) {
        m_store->applyRetention(now);
        m_lastRetentionMs = now;
    }
    report();
}

void HistoryRecorder::flush()
{
    while (!m_pending.isEmpty()) {
        const Pending &p = m_pending.first();
        if (!m_store->add(p.reading, p.events))
            return;
        const qint64 t = p.reading.timeMs;
        m_pending.removeFirst();
        emit recorded(t);
    }
}

void HistoryRecorder::report()
{
    const QString text = m_store ? m_store->problem() : QString();
    if (text == m_problem)
        return;
    m_problem = text;
    if (!text.isEmpty())
        LogError(false, QStringLiteral("76"), text, QStringLiteral("HistoryRecorder"), QStringLiteral("store"));
    emit problemChanged(text);
}

} // namespace quillon
