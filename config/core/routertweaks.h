#pragma once

#include "config/core/envreplies.h"
#include "session/core/busylease.h"
#include "session/core/routerjob.h"
#include "session/core/sessionsettings.h"

#include <QObject>

#include <array>
#include <functional>
#include <optional>

namespace quillon {

class RouterInfoFetch;
class RouterSession;
class TelnetCommands;
struct LineState;

// The margin threshold and the feature words: read as a stage of every full
// fetch (or alone), written as jobs that hold a busy lease, and judged by
// reading the values back and comparing them as numbers.
class RouterTweaks final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RouterTweaks)

public:
    using FeatureWords = std::array<std::optional<quint32>, 3>;

    enum class WriteStart { Started, Busy, MissingLogin, WordsNotRead };

    RouterTweaks(RouterSession &session, BusyLeases &leases, LineState &line, RouterInfoFetch &fetch,
                 std::function<SessionSettings()> settings, QObject *parent = nullptr);
    ~RouterTweaks() override;

    // The five values alone, outside a full fetch.
    void read();
    // Retrain on with `value` half-decibel steps, or both values cleared.
    WriteStart writeThreshold(bool clear, int value);
    // The words given (others untouched). Refused until every word has
    // been read successfully: a word never read cannot keep its bits.
    WriteStart writeFeatures(const FeatureWords &words);

    // A write is under way, or its values are being read back.
    bool checking() const { return m_checking; }
    // What the last threshold write asked for.
    int expectedRetrain() const { return m_expectedRetrain; }
    double expectedThreshold() const { return m_expectedThreshold; }

    static QString WordsNotReadMessage();

signals:
    // A read, from the full fetch (`inFullFetch`) or alone.
    void thresholdRead(const quillon::ThresholdReading &reading, bool inFullFetch);
    void readFailed(const quillon::JobFailure &failure);
    void statusChanged(const QString &status);
    // The read-back agreed with what was written (`ok`), or not.
    void thresholdWritten(bool ok, bool cleared);
    void featuresWritten(bool ok);
    // The write or its read-back did not run to the end.
    void writeFailed(const quillon::JobFailure &failure);

private:
    RouterJob readJob(JobKind kind, std::function<void(const ThresholdReading &)> judge);
    WriteStart beginWrite(const QString &holder);
    void endWrite();
    void failWrite(const JobFailure &failure);

    RouterSession &m_session;
    BusyLeases &m_leases;
    LineState &m_line;
    std::function<SessionSettings()> m_settings;
    BusyLeases::Lease m_lease;
    bool m_stageCompat{false};
    bool m_checking{false};
    int m_expectedRetrain{0};
    double m_expectedThreshold{0};
    FeatureWords m_expectedWords;
};

} // namespace quillon
