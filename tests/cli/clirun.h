#pragma once

// quillon-cli run as a separate process against the router simulator, which
// lives in the test process: waits keep the test's event loop turning so the
// simulator answers while the command runs.

#include "tests/support/testsupport.h"
#include "tools/routersim/routersim.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace quillon::test {

struct CliResult
{
    int exitCode{-1};
    bool finished{false};
    QString out;
    QString err;
};

class CliRig final
{
public:
    explicit CliRig(sim::SimOptions options = {.rebootDownMs = 200, .marginDriftDb = 0})
        : sim(options)
    {
        started = sim.start();
        dir.write(QStringLiteral("pw"), "Gravo\n");
    }

    // The global options that point the command at the simulator.
    QStringList routerArgs() const
    {
        return {QStringLiteral("--dir"), dir.path(), QStringLiteral("--router"), QStringLiteral("127.0.0.1"),
                QStringLiteral("--port"), QString::number(sim.port()), QStringLiteral("--user"),
                QStringLiteral("root"), QStringLiteral("--password-file"), dir.file(QStringLiteral("pw"))};
    }

    void start(const QStringList &args)
    {
        process.setProgram(binPath(QStringLiteral("app/cli/quillon-cli")));
        process.setArguments(args);
        process.setProcessEnvironment(env);
        process.start();
    }

    CliResult finish(int ms = 30000)
    {
        CliResult r;
        r.finished = waitUntil([this] { return process.state() == QProcess::NotRunning; }, ms);
        if (!r.finished) {
            process.kill();
            process.waitForFinished();
        }
        r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        r.out = QString::fromUtf8(process.readAllStandardOutput());
        r.err = QString::fromUtf8(process.readAllStandardError());
        return r;
    }

    CliResult run(const QStringList &args, int ms = 30000)
    {
        start(args);
        return finish(ms);
    }

    // routerArgs() then the command and its arguments.
    CliResult runOnRouter(const QStringList &command, int ms = 30000) { return run(routerArgs() + command, ms); }

    sim::RouterSim sim;
    TempAppDir dir;
    QProcess process;
    QProcessEnvironment env{QProcessEnvironment::systemEnvironment()};
    bool started{false};
};

} // namespace quillon::test
