#pragma once

#include "session/core/busylease.h"
#include "session/core/routerjob.h"
#include "session/core/sessionsettings.h"
#include "stats/core/modemstats.h"
#include "stats/core/pingmonitor.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>

namespace quillon {

class RouterSession;
class TelnetCommands;
struct LineState;

// "Get Router Info": a chain of router jobs (basic information, graph data,
// modem statistics, and any stage added later), each stage queued as the
// previous one completes, building the report as it goes. The chain owns its
// stages' results: no other reading can take them over.
class RouterInfoFetch final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RouterInfoFetch)

public:
    // One stage: its status text, the job that reads the router, and what
    // to do with the replies (may add report lines).
    struct Stage
    {
        QString status;
        JobKind kind{JobKind::Idle};
        std::function<QString(const SessionSettings &)> script;
        std::function<void(const TelnetCommands &)> process;
    };

    enum class StartResult { Started, AlreadyRunning, MissingLogin, RouterNotAnswering };

    RouterInfoFetch(RouterSession &session, BusyLeases &leases, LineState &line,
                    std::function<SessionSettings()> settings, PingFunction ping, QObject *parent = nullptr);
    ~RouterInfoFetch() override;

    // Adds a stage after the modem statistics.
    void appendStage(Stage stage);

    // Pings the router first (nothing starts when it does not answer), then
    // runs the stages in order.
    StartResult start();
    bool running() const { return m_running; }

    // The report so far: header, statistics block, the lines of later stages
    // and, once finished, the gap analysis.
    const QStringList &reportLines() const { return m_report; }
    void addReportLine(const QString &line);
    // The captions of the Stats tab from the last statistics stage.
    const ModemStatsLabels &labels() const { return m_labels; }

signals:
    // A new report begins (its header line follows as reportLineAdded).
    void reportReset();
    void stageStarted(const QString &status);
    void reportLineAdded(const QString &line);
    void versionRead();
    void bitsRead();
    void statsRead();
    // Every stage done: "Router statistics obtained."
    void finished();
    void failed(const quillon::JobFailure &failure);

private:
    void runStage(qsizetype index);
    void fail(const JobFailure &failure);
    void finish();

    RouterSession &m_session;
    BusyLeases &m_leases;
    LineState &m_line;
    std::function<SessionSettings()> m_settings;
    PingFunction m_ping;
    QList<Stage> m_stages;
    QStringList m_report;
    BusyLeases::Lease m_lease;
    QDateTime m_uptimeAsked;
    ModemStatsLabels m_labels;
    bool m_running{false};
};

} // namespace quillon
