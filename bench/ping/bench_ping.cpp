// Sends N echoes to 127.0.0.1 one after the other (optionally spaced) and prints the round-trip
// times in the form run.sh reads: "median_ms min_ms mean_ms wall_us_per_echo".
#include "netdiag/core/ping.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <unistd.h>
#include <vector>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 200;
    // Optional spacing between echoes in microseconds, as ping's -i.
    const int spacingUs = argc > 2 ? std::max(0, atoi(argv[2])) : 0;
    std::vector<double> rtts;
    rtts.reserve(size_t(count));
    QElapsedTimer wall;
    wall.start();
    for (int i = 0; i < count; ++i) {
        const quillon::PingReply reply = quillon::Ping({QStringLiteral("127.0.0.1"), 1000, {}, 0});
        if (reply.status == quillon::PingStatus::NoSocket) {
            std::fprintf(stderr, "no ICMP socket available\n");
            return 2;
        }
        if (reply.status == quillon::PingStatus::Success)
            rtts.push_back(double(reply.rttMicros) / 1000.0);
        if (spacingUs > 0)
            usleep(useconds_t(spacingUs));
    }
    const double wallUs = double(wall.nsecsElapsed()) / 1000.0 / count;
    if (rtts.empty()) {
        std::fprintf(stderr, "no replies\n");
        return 1;
    }
    std::sort(rtts.begin(), rtts.end());
    const double median = rtts.size() % 2 ? rtts[rtts.size() / 2]
                                          : (rtts[rtts.size() / 2 - 1] + rtts[rtts.size() / 2]) / 2;
    const double mean = std::accumulate(rtts.begin(), rtts.end(), 0.0) / double(rtts.size());
    std::printf("%.4f %.4f %.4f %.1f %zu\n", median, rtts.front(), mean, wallUs, rtts.size());
    return 0;
}
