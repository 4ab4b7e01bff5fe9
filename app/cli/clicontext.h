#pragma once

#include "base/settingsvalues.h"
#include "session/core/sessioncore.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QTextStream>
#include <QTimer>

#include <functional>
#include <memory>

namespace quillon {

class ScaledTimers;
class SignalPipe;

// What every command of quillon-cli stands on: the program folder and its
// settings with the command line's overrides, the session core, the output
// streams, and the one deadline that bounds the command.
class CliContext final
{
public:
    static constexpr int DefaultTimeoutSecs = 60;

    struct Options
    {
        QString dir;
        QString router;
        QString port;
        QString user;
        QString passwordFile;
        bool json{false};
        int timeoutSecs{DefaultTimeoutSecs};
        bool timeoutGiven{false};
    };

    explicit CliContext(Options options);
    ~CliContext();
    CliContext(const CliContext &) = delete;
    CliContext &operator=(const CliContext &) = delete;

    // Reads the folder and its settings; an exit status other than Ok on failure.
    int prepare();

    const Options &options() const { return m_options; }
    bool json() const { return m_options.json; }
    SettingsValues &values() { return m_values; }
    SessionSettings settings() const;
    SessionCore &core();

    QTextStream &out() { return m_out; }
    QTextStream &err() { return m_err; }
    // Prints the sentence on standard error and returns the status.
    int fail(int status, const QString &sentence);
    int usage(const QString &message);
    // One JSON object on a line of its own.
    void printJson(const QJsonObject &object);

    // Runs the event loop until `done` holds; false when the deadline passed
    // (unless unbounded) or a signal asked the program to stop first.
    bool waitFor(const std::function<bool()> &done, bool bounded = true);
    // Runs the event loop until `done` holds or `ms` pass, signals or not.
    void drain(const std::function<bool()> &done, int ms);
    // The status and sentence for a wait that ended without `done`.
    int waitFailed();
    bool stopRequested() const { return m_stopRequested; }
    // The folder can hold new files (probed with a real one).
    bool folderWritable() const;

private:
    Options m_options;
    SettingsValues m_values;
    QTextStream m_out;
    QTextStream m_err;
    QElapsedTimer m_started;
    std::unique_ptr<SignalPipe> m_signals;
    std::unique_ptr<QTimer> m_timers[4];
    std::unique_ptr<ScaledTimers> m_scaled;
    std::unique_ptr<SessionCore> m_core;
    bool m_stopRequested{false};
};

// A router value as a JSON number, or null when it is not one.
QJsonValue JsonNumber(const QString &text);
// A text as JSON, null when empty.
QJsonValue JsonText(const QString &text);

} // namespace quillon
