// Runs the trace route to a target N times in this process and prints
// "median_ms min_ms hops" for run.sh. Run it inside the client namespace.
// Usage: bench_tracert TARGET [rounds] [probes-per-hop] [time-out ms]
#include "netdiag/core/traceroute.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_tracert TARGET [rounds] [probes] [timeout-ms]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 20;
    quillon::TraceOptions options;
    options.target = QString::fromLocal8Bit(argv[1]);
    if (argc > 3)
        options.probesPerHop = std::max(1, atoi(argv[3]));
    if (argc > 4)
        options.probeTimeoutMs = std::max(1, atoi(argv[4]));
    quillon::TraceRoute trace;
    std::vector<double> ms;
    qsizetype hops = 0;
    for (int i = 0; i < rounds; ++i) {
        QEventLoop loop;
        bool complete = false;
        QObject::connect(&trace, &quillon::TraceRoute::finished, &loop, [&](quillon::TraceOutcome o, const QString &) {
            complete = o == quillon::TraceOutcome::Complete;
            loop.quit();
        });
        QElapsedTimer t;
        t.start();
        trace.start(options);
        if (trace.isRunning())
            loop.exec();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
        if (!complete) {
            std::fprintf(stderr, "trace did not complete\n");
            return 1;
        }
        hops = trace.RouteNodes().size();
    }
    std::sort(ms.begin(), ms.end());
    const double median = ms.size() % 2 ? ms[ms.size() / 2] : (ms[ms.size() / 2 - 1] + ms[ms.size() / 2]) / 2;
    std::printf("%.3f %.3f %lld\n", median, ms.front(), static_cast<long long>(hops));
    return 0;
}
