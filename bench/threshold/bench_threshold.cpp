// The margin-threshold read (login and the five environment reads) through
// the session core, from queueing the job to the parsed values, beside a
// plain blocking socket sending the same login and reads against the same
// router in the same run (the floor).
//   bench_threshold PORT RUNS [compat]
// Prints one "name: value" line per figure.

#include "base/apppaths.h"
#include "bench/support/plainrouter.h"
#include "config/core/configscripts.h"
#include "session/core/sessioncore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace quillon;
using namespace quillon::bench;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: bench_threshold PORT RUNS [compat]\n");
        return 2;
    }
    const quint16 port = quint16(args.at(1).toUInt());
    const int runs = std::max(1, args.at(2).toInt());
    const bool compat = args.size() > 3 && args.at(3) == QLatin1String("compat");

    QTemporaryDir dir;
    AppPaths::setAppDir(dir.path());
    SessionSettings settings;
    settings.login = {QStringLiteral("127.0.0.1"), QString::number(port), QStringLiteral("root"), QStringLiteral("Gravo")};
    settings.useLongCommands = compat;
    QTimer ping, stats, watch, settle, check;
    SessionCore core([&] { return settings; }, [](const QString &, qint32 &ms) { ms = 0; return true; },
                     SessionTimers{&ping, &stats, &watch, &settle, &check});
    const std::vector<Step> steps = stepsOf(GetThresholdScript(settings.login, compat));

    std::vector<double> stage, floor;
    QElapsedTimer clock;
    for (int i = 0; i <= runs; ++i) { // run 0 warms up
        bool read = false;
        QEventLoop loop;
        const auto done = QObject::connect(&core.tweaks, &RouterTweaks::thresholdRead, &loop, [&] {
            read = true;
            loop.quit();
        });
        const auto failed = QObject::connect(&core.tweaks, &RouterTweaks::readFailed, &loop, [&] { loop.quit(); });
        QTimer::singleShot(kTimeoutMs, &loop, &QEventLoop::quit);
        clock.start();
        core.tweaks.read();
        if (!read)
            loop.exec();
        const double ts = double(clock.nsecsElapsed()) / 1e6;
        QObject::disconnect(done);
        QObject::disconnect(failed);
        if (!read || !core.line.threshold.retrainValue()) {
            std::fprintf(stderr, "threshold read failed\n");
            return 1;
        }

        clock.start();
        if (!runPlain(port, steps)) {
            std::fprintf(stderr, "plain client failed\n");
            return 1;
        }
        const double tf = double(clock.nsecsElapsed()) / 1e6;
        if (i > 0) {
            stage.push_back(ts);
            floor.push_back(tf);
        }
    }
    const double s = median(stage);
    const double f = median(floor);
    std::printf("mode: %s\n", compat ? "environment file" : "getenv");
    std::printf("threshold_stage_ms: %.2f\n", s);
    std::printf("plain_socket_ms: %.2f\n", f);
    std::printf("stage_over_floor: %.3f (target <= 1.2)\n", s / f);
    return 0;
}
