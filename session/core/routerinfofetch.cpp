#include "session/core/routerinfofetch.h"

#include "base/appinfo.h"
#include "base/clock.h"
#include "base/settingstable.h"
#include "graphs/core/bitsfetch.h"
#include "router/core/telnetcommands.h"
#include "session/core/linestate.h"
#include "session/core/routersession.h"
#include "stats/core/report.h"
#include "stats/core/routerscripts.h"

#include <exception>

namespace quillon {

RouterInfoFetch::RouterInfoFetch(RouterSession &session, BusyLeases &leases, LineState &line,
                                 std::function<SessionSettings()> settings, PingFunction ping, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_leases(leases)
    , m_line(line)
    , m_settings(std::move(settings))
    , m_ping(std::move(ping))
{
    m_stages.append({QStringLiteral("Getting basic information..."), JobKind::Version,
                     [this](const SessionSettings &s) {
                         m_uptimeAsked = Clock::now();
                         return GetRouterVersionScript(s.login);
                     },
                     [this](const TelnetCommands &commands) {
                         const RouterVersion version = ProcessVersion(commands);
                         m_line.boot.FindBootTime(version.uptime, m_uptimeAsked);
                         m_line.versionText = version.versionText;
                         emit versionRead();
                     }});
    m_stages.append({QStringLiteral("Getting graph data..."), JobKind::Bits,
                     [](const SessionSettings &s) { return GetBits(s.login); },
                     [this](const TelnetCommands &commands) {
                         ProcessBits(commands, m_line.tones);
                         emit bitsRead();
                     }});
    m_stages.append({QStringLiteral("Getting modem statistics..."), JobKind::Stats,
                     [](const SessionSettings &s) { return GetStatsScript(s.login); },
                     [this](const TelnetCommands &commands) {
                         m_line.takeStats(ProcessModemStats(commands));
                         m_labels = StatsLabels(m_line.lastStats, m_line.vendors, m_line.boot.BootTime());
                         emit statsRead();
                         for (const QString &line : ModemStatsReportLines(m_labels, m_line.versionText))
                             addReportLine(line);
                     }});
}

RouterInfoFetch::~RouterInfoFetch() = default;

void RouterInfoFetch::appendStage(Stage stage)
{
    m_stages.append(std::move(stage));
}

void RouterInfoFetch::addReportLine(const QString &line)
{
    m_report.append(line);
    emit reportLineAdded(line);
}

RouterInfoFetch::StartResult RouterInfoFetch::start()
{
    if (m_running)
        return StartResult::AlreadyRunning;
    const SessionSettings settings = m_settings();
    if (!MissingLoginMessage(settings.login).isEmpty())
        return StartResult::MissingLogin;
    m_report.clear();
    emit reportReset();
    addReportLine(ReportHeader(appTitleWithVersion(), Clock::now()));

    qint32 time = MonitorPingTimeoutMs;
    if (!m_ping || !m_ping(settings.login.host, time))
        return StartResult::RouterNotAnswering;
    m_running = true;
    m_lease = m_leases.acquire(QStringLiteral("full fetch"));
    runStage(0);
    return StartResult::Started;
}

void RouterInfoFetch::runStage(qsizetype index)
{
    if (index >= m_stages.size()) {
        finish();
        return;
    }
    const Stage &stage = m_stages[index];
    emit stageStarted(stage.status);
    RouterJob job;
    job.kind = stage.kind;
    job.priority = RouterJob::Priority::Chain;
    job.start = [this, index] { return m_stages[index].script(m_settings()); };
    job.done = [this, index](const TelnetCommands &commands) {
        try {
            m_stages[index].process(commands);
        } catch (const std::exception &e) {
            fail({JobFailure::Reason::ScriptFailed,
                  QStringLiteral("The router's reply could not be read: %1").arg(QString::fromLocal8Bit(e.what()))});
            return;
        }
        runStage(index + 1);
    };
    job.failed = [this](const JobFailure &failure) { fail(failure); };
    m_session.enqueue(std::move(job));
}

void RouterInfoFetch::fail(const JobFailure &failure)
{
    m_running = false;
    emit failed(failure);
    m_lease.release();
}

void RouterInfoFetch::finish()
{
    QString analysis;
    AnalyseBits(m_line.tones, analysis, 0, wholeSetting(QStringLiteral("txtDSStart"), m_settings().dsStartBit));
    AnalysePsdsSNR(m_line.tones, analysis, 0);
    if (!analysis.isEmpty())
        addReportLine(analysis);
    m_running = false;
    emit finished();
    m_lease.release();
}

} // namespace quillon
