#include "config/core/routertweaks.h"

#include "config/core/configscripts.h"
#include "config/core/dslfeatures.h"
#include "router/core/telnetcommands.h"
#include "session/core/linestate.h"
#include "session/core/routerinfofetch.h"
#include "session/core/routersession.h"

#include <memory>

namespace quillon {

RouterTweaks::RouterTweaks(RouterSession &session, BusyLeases &leases, LineState &line, RouterInfoFetch &fetch,
                           std::function<SessionSettings()> settings, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_leases(leases)
    , m_line(line)
    , m_settings(std::move(settings))
{
    fetch.appendStage({QStringLiteral("Getting margin threshold..."), JobKind::ThresholdRead,
                       [this](const SessionSettings &s) {
                           m_stageCompat = s.useLongCommands;
                           return GetThresholdScript(s.login, m_stageCompat);
                       },
                       [this, &fetch](const TelnetCommands &commands) {
                           const ThresholdReading reading = ProcessThreshold(commands, m_stageCompat);
                           m_line.takeThreshold(reading);
                           fetch.addReportLine(ThresholdInfoLine(reading));
                           emit thresholdRead(reading, true);
                       }});
}

RouterTweaks::~RouterTweaks() = default;

QString RouterTweaks::WordsNotReadMessage()
{
    return QStringLiteral("The DSL Feature Control settings have not all been read from the router yet.\r\n"
                          "Please use \"Get Router Info\" first: settings that were never read could not be kept.");
}

// The mode is taken when the script is built and the reply read with it,
// whatever the switch says by the time the reply arrives.
RouterJob RouterTweaks::readJob(JobKind kind, std::function<void(const ThresholdReading &)> judge)
{
    auto compat = std::make_shared<bool>(false);
    RouterJob job;
    job.kind = kind;
    job.start = [this, compat] {
        const SessionSettings s = m_settings();
        *compat = s.useLongCommands;
        return MissingLoginMessage(s.login).isEmpty() ? GetThresholdScript(s.login, *compat) : QString();
    };
    job.failureSentence = MissingLoginMessage({});
    job.done = [this, compat, judge = std::move(judge)](const TelnetCommands &commands) {
        const ThresholdReading reading = ProcessThreshold(commands, *compat);
        m_line.takeThreshold(reading);
        emit thresholdRead(reading, false);
        if (judge)
            judge(reading);
    };
    return job;
}

void RouterTweaks::read()
{
    RouterJob job = readJob(JobKind::ThresholdRead, {});
    job.mergeKey = QStringLiteral("threshold read");
    job.failed = [this](const JobFailure &failure) { emit readFailed(failure); };
    m_session.enqueue(std::move(job));
}

RouterTweaks::WriteStart RouterTweaks::beginWrite(const QString &holder)
{
    if (m_checking)
        return WriteStart::Busy;
    if (!MissingLoginMessage(m_settings().login).isEmpty())
        return WriteStart::MissingLogin;
    m_checking = true;
    m_lease = m_leases.acquire(holder);
    return WriteStart::Started;
}

void RouterTweaks::endWrite()
{
    m_checking = false;
    m_lease.release();
}

void RouterTweaks::failWrite(const JobFailure &failure)
{
    endWrite();
    emit writeFailed(failure);
}

RouterTweaks::WriteStart RouterTweaks::writeThreshold(bool clear, int value)
{
    const WriteStart begun = beginWrite(QStringLiteral("threshold write"));
    if (begun != WriteStart::Started)
        return begun;
    m_expectedRetrain = clear ? 0 : 1;
    m_expectedThreshold = clear ? 0 : value;
    emit statusChanged(clear ? QStringLiteral("Clearing SNR margin threshold") : QStringLiteral("Setting SNR margin threshold"));

    RouterJob job;
    job.kind = JobKind::ThresholdWrite;
    job.start = [this, clear, value] {
        const SessionSettings s = m_settings();
        return MissingLoginMessage(s.login).isEmpty() ? SetThresholdScript(s.login, s.useLongCommands, clear, value)
                                                      : QString();
    };
    job.failureSentence = MissingLoginMessage({});
    job.done = [this, clear](const TelnetCommands &) {
        emit statusChanged(QStringLiteral("Checking SNR margin threshold"));
        RouterJob check = readJob(JobKind::ThresholdRead, [this, clear](const ThresholdReading &reading) {
            const bool ok = reading.retrainValue() == std::optional<int>(m_expectedRetrain)
                            && reading.thresholdValue() == std::optional<double>(m_expectedThreshold);
            endWrite();
            emit thresholdWritten(ok, clear);
        });
        check.priority = RouterJob::Priority::Chain;
        check.failed = [this](const JobFailure &failure) { failWrite(failure); };
        m_session.enqueue(std::move(check));
    };
    job.failed = [this](const JobFailure &failure) { failWrite(failure); };
    m_session.enqueue(std::move(job));
    return WriteStart::Started;
}

RouterTweaks::WriteStart RouterTweaks::writeFeatures(const FeatureWords &words)
{
    for (const std::optional<quint32> &known : m_line.featureWords) {
        if (!known)
            return WriteStart::WordsNotRead;
    }
    const WriteStart begun = beginWrite(QStringLiteral("feature write"));
    if (begun != WriteStart::Started)
        return begun;
    m_expectedWords = words;
    emit statusChanged(QStringLiteral("Setting DSL Feature Control..."));

    RouterJob job;
    job.kind = JobKind::FeatureWrite;
    job.start = [this] {
        const SessionSettings s = m_settings();
        return MissingLoginMessage(s.login).isEmpty() ? SetDSLFeatureScript(s.login, s.useLongCommands, m_expectedWords)
                                                      : QString();
    };
    job.failureSentence = MissingLoginMessage({});
    job.done = [this](const TelnetCommands &) {
        emit statusChanged(QStringLiteral("Checking DSL Feature Control..."));
        RouterJob check = readJob(JobKind::ThresholdRead, [this](const ThresholdReading &reading) {
            bool ok = true;
            for (int i = 0; i < FeatureWordCount; ++i) {
                if (m_expectedWords[size_t(i)] && reading.word(i) != m_expectedWords[size_t(i)])
                    ok = false;
            }
            endWrite();
            emit featuresWritten(ok);
        });
        check.priority = RouterJob::Priority::Chain;
        check.failed = [this](const JobFailure &failure) { failWrite(failure); };
        m_session.enqueue(std::move(check));
    };
    job.failed = [this](const JobFailure &failure) { failWrite(failure); };
    m_session.enqueue(std::move(job));
    return WriteStart::Started;
}

} // namespace quillon
