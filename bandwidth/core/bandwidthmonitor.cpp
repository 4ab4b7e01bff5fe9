#include "bandwidth/core/bandwidthmonitor.h"

#include "bandwidth/core/bandwidthtexts.h"
#include "base/clock.h"
#include "base/errorlog.h"
#include "base/misc.h"
#include "router/core/telnetcommands.h"
#include "session/core/linestate.h"
#include "session/core/routersession.h"
#include "stats/core/routerscripts.h"

#include <QTimer>

#include <memory>

namespace quillon {

namespace {

const QString kMonitoredKey = QStringLiteral("bandwidth reading");
const QString kOnDemandKey = QStringLiteral("bandwidth reading on demand");
const QString kFetching = QStringLiteral("Fetching bandwidth data...");

} // namespace

BandwidthMonitor::BandwidthMonitor(RouterSession &session, BusyLeases &leases, LineState &line,
                                   std::function<SessionSettings()> settings, PingFunction ping, QTimer *timer,
                                   QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_leases(leases)
    , m_line(line)
    , m_settings(std::move(settings))
    , m_ping(std::move(ping))
    , m_timer(timer)
{
    if (!m_timer) {
        m_timer = new QTimer(this);
        m_timer->setInterval(1000);
    }
    connect(m_timer, &QTimer::timeout, this, &BandwidthMonitor::tick);
    for (int i = 0; i < HistorySamples; ++i)
        m_history.append(QString());
}

BandwidthMonitor::~BandwidthMonitor() = default;

BandwidthMonitor::StartResult BandwidthMonitor::readNow()
{
    if (m_lease.held())
        return StartResult::AlreadyRunning;
    const SessionSettings s = m_settings();
    if (!MissingLoginMessage(s.login).isEmpty())
        return StartResult::MissingLogin;
    qint32 ms = 0;
    if (!m_ping || !m_ping(s.login.host, ms))
        return StartResult::RouterNotAnswering;
    m_lease = m_leases.acquire(QStringLiteral("bandwidth reading"));
    emit statusChanged(kFetching);
    enqueue(false);
    return StartResult::Started;
}

void BandwidthMonitor::start(bool readAtOnce)
{
    if (m_monitoring)
        return;
    m_monitoring = true;
    m_ticks = 0;
    m_timer->start();
    if (readAtOnce)
        readMonitored();
}

void BandwidthMonitor::stop()
{
    m_monitoring = false;
    m_timer->stop();
}

void BandwidthMonitor::tick()
{
    if (!m_monitoring)
        return;
    ++m_ticks;
    const SessionSettings s = m_settings();
    const int interval = BandwidthIntervalSecs(s.bandwidth.interval);
    if (interval > m_ticks) {
        emit countdown(FormatCountdown(interval - m_ticks));
        return;
    }
    m_ticks = 0;
    emit countdown(FormatCountdown(0));
    readMonitored();
}

void BandwidthMonitor::readMonitored()
{
    qint32 ms = 0;
    if (!m_ping || !m_ping(m_settings().login.host, ms)) {
        // The next attempt comes a whole interval later.
        const JobFailure failure{JobFailure::Reason::ScriptFailed,
                                 QStringLiteral("Router is not responding - cannot fetch bandwidth data.")};
        ++m_failed;
        emit statusChanged(failure.sentence);
        emit readingFailed(failure, true);
        return;
    }
    // Counted again once the reading has been dealt with.
    m_timer->stop();
    emit statusChanged(kFetching);
    enqueue(true);
}

void BandwidthMonitor::enqueue(bool monitored)
{
    auto asked = std::make_shared<QDateTime>();
    RouterJob job;
    job.kind = JobKind::Bandwidth;
    job.mergeKey = monitored ? kMonitoredKey : kOnDemandKey;
    job.start = [this, asked] {
        // The uptime is measured from the moment the script starts.
        *asked = Clock::now();
        const RouterLogin login = m_settings().login;
        return MissingLoginMessage(login).isEmpty() ? GetBandwidthScript(login) : QString();
    };
    job.failureSentence = MissingLoginMessage({});
    job.done = [this, monitored, asked](const TelnetCommands &commands) { process(commands, monitored, *asked); };
    job.failed = [this, monitored](const JobFailure &failure) { onFailed(failure, monitored); };
    // A monitored reading already waiting takes this one's place.
    m_session.enqueue(std::move(job));
}

void BandwidthMonitor::process(const TelnetCommands &commands, bool monitored, const QDateTime &asked)
{
    const BandwidthReplies replies = ProcessBandwidth(commands);
    bool sampleAdded = false;
    if (monitored) {
        sampleAdded = log(replies, asked);
    } else {
        m_lease.release();
        if (replies.uptime)
            m_line.boot.FindBootTime(replies.uptimeText, asked);
        m_counters.show(m_settings().bandwidth.ids, replies.netdev);
        m_text = replies.netdev.text;
    }
    ++m_readings;
    emit statusChanged(QStringLiteral("Router bandwidth data obtained."));
    if (monitored && m_monitoring)
        m_timer->start();
    emit readingTaken(monitored, sampleAdded);
}

bool BandwidthMonitor::log(const BandwidthReplies &replies, const QDateTime &asked)
{
    const BandwidthSettings s = m_settings().bandwidth;
    // An uptime that is no number says nothing of a reboot.
    if (replies.uptime)
        m_line.boot.FindBootTime(replies.uptimeText, asked);
    m_lastMeasurement = m_counters.measure(s.ids, replies.netdev, asked, replies.uptime, MaxBytesPerSec(s.maxRate));
    const Measurement &m = m_lastMeasurement;

    // The boot of the previous monitored reading: other readings may have
    // learnt of the new boot since.
    if (m.rebooted)
        m_records.StartNewBoot(m_monitoredBoot);
    m_monitoredBoot = m_line.boot.BootTime();
    for (size_t slot = 0; slot < InterfaceSlots; ++slot) {
        if (const auto &first = m.firstCounters[slot])
            m_records.SinceBoot().Totals[slot] = {double(first->rx), double(first->tx)};
    }
    SlotArray deltas{};
    for (size_t slot = 0; slot < InterfaceSlots; ++slot)
        deltas[slot] = {double(m_counters.slot(int(slot)).Delta.rx), double(m_counters.slot(int(slot)).Delta.tx)};
    m_records.UpdateSnapshots(deltas, m_line.boot.BootTime());

    m_lastBlock = BandwidthLogBlock(Clock::now(), m_counters, m);
    if (m_lastBlock.isEmpty())
        return false;
    if (s.saveLog)
        appendToLog();
    AppendToBandwidthText(m_text, m_lastBlock);
    const QString sample = HistorySample(m_counters, m, s.graphs);
    if (sample.isEmpty())
        return false;
    m_history.removeFirst();
    m_history.append(sample);
    return true;
}

void BandwidthMonitor::appendToLog()
{
    const WriteResult written = WriteToFile(m_lastBlock, QString::fromLatin1(BandwidthLogFileName), false);
    if (written)
        return;
    // A full disk fails every reading: once an hour in the error log is enough.
    const QDateTime now = Clock::now();
    if (m_logFailureReported.isValid() && m_logFailureReported.secsTo(now) < 3600)
        return;
    m_logFailureReported = now;
    LogError(false, QStringLiteral("75"), written.error, QStringLiteral("frmMain"), QStringLiteral("LogBandwidth"));
}

void BandwidthMonitor::onFailed(const JobFailure &failure, bool monitored)
{
    ++m_failed;
    if (!monitored)
        m_lease.release();
    const bool goesOn = monitored && m_monitoring;
    // Cancelled (a reboot dropped the job, or the program closes): nothing to tell.
    if (failure.reason != JobFailure::Reason::Cancelled)
        emit statusChanged(goesOn ? failure.sentence + QStringLiteral(" Bandwidth logging goes on.") : failure.sentence);
    if (goesOn)
        m_timer->start();
    emit readingFailed(failure, monitored);
}

void BandwidthMonitor::clear()
{
    m_counters.clear();
    m_text.clear();
    m_lastBlock.clear();
    m_lastMeasurement = {};
}

void BandwidthMonitor::loadRecords()
{
    m_records.LoadSnapshots();
}

bool BandwidthMonitor::closeRecords()
{
    return m_records.Close(m_line.boot.BootTime());
}

} // namespace quillon
