#pragma once

#include <QString>

#include <functional>

namespace quillon {

class TelnetCommands;

// What a router script is for. The numbers are the job codes the window shows
// as its Stage while the script runs.
enum class JobKind : int {
    Idle = 0,
    Stats = 1,
    Bits = 2,
    Version = 3,
    Reboot = 4,
    ThresholdRead = 5,
    ThresholdWrite = 6,
    FeatureWrite = 7,
    Bandwidth = 8,
    SystemLog = 9,
};

// How a job ended without completing.
struct JobFailure
{
    enum class Reason {
        LoginFailed,  // the router refused the user name or password
        ScriptFailed, // refused or dropped connection, stalled router, bad reply
        Unrecognised, // the script had a line the engine does not know
        Cancelled,    // never started: dropped for a reboot or at close-down
        NothingToRun, // the job's builder gave no script (missing settings)
    };
    Reason reason{Reason::ScriptFailed};
    QString sentence; // for the status line: a full sentence
};

// One piece of router work: built when it gets the engine, ended by exactly
// one call of `done` or `failed`.
struct RouterJob
{
    enum class Priority {
        Normal,   // after every waiting job
        Chain,    // the next stage of a running chain: before normal jobs
        Urgent,   // a reboot: before everything that waits
    };

    JobKind kind{JobKind::Idle};
    Priority priority{Priority::Normal};
    // A job whose key equals that of a job still waiting is merged into it:
    // periodic readings never pile up behind a slow router.
    QString mergeKey;
    // Leave the connection open when the script ends (the reboot).
    bool waitForReboot{false};
    // Called when the job gets the engine; returns the script. An empty
    // script fails the job with NothingToRun and `failureSentence`.
    std::function<QString()> start;
    std::function<void(const TelnetCommands &)> done;
    std::function<void(const JobFailure &)> failed;
    QString failureSentence;
};

} // namespace quillon
