// PTR lookups of one address at a DNS server on loopback: OrbDNS in this
// process against a minimal blocking UDP query/response loop. Prints
// "ours_median_us minimal_median_us answers" for run.sh.
// Usage: bench_dnsptr PORT ADDRESS [lookups] [rounds]
#include "netdiag/core/dnsmessage.h"
#include "netdiag/core/orbdns.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSocketNotifier>

#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// One socket, a fixed query, send and wait: the least a PTR lookup costs.
double minimalLoop(quint16 port, const QByteArray &query, int count)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval limit{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    char reply[1500];
    QElapsedTimer t;
    t.start();
    int answered = 0;
    for (int i = 0; i < count; ++i) {
        ::sendto(fd, query.constData(), size_t(query.size()), 0, reinterpret_cast<sockaddr *>(&to), sizeof to);
        const ssize_t n = ::recv(fd, reply, sizeof reply, 0);
        if (n >= 2 && reply[0] == query[0] && reply[1] == query[1])
            ++answered;
    }
    ::close(fd);
    return answered == count ? double(t.nsecsElapsed()) / 1000.0 / count : -1;
}

// The same exchange waited for in the event loop, as any asynchronous Qt
// client waits: the floor under OrbDNS.
double notifierLoop(quint16 port, const QByteArray &query, int count)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QSocketNotifier notifier(fd, QSocketNotifier::Read);
    QEventLoop loop;
    char reply[1500];
    int answered = 0;
    QObject::connect(&notifier, &QSocketNotifier::activated, &loop, [&] {
        if (::recv(fd, reply, sizeof reply, 0) >= 2)
            ++answered;
        loop.quit();
    });
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < count; ++i) {
        ::sendto(fd, query.constData(), size_t(query.size()), 0, reinterpret_cast<sockaddr *>(&to), sizeof to);
        loop.exec();
    }
    ::close(fd);
    return answered == count ? double(t.nsecsElapsed()) / 1000.0 / count : -1;
}

double orbDns(quint16 port, const QString &address, int count, QString &answer)
{
    quillon::OrbDNS dns;
    const QString server = QStringLiteral("127.0.0.1:%1").arg(port);
    QEventLoop loop;
    QObject::connect(&dns, &quillon::OrbDNS::DNSResponse, &loop, [&](const QString &a) {
        answer = a;
        loop.quit();
    });
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < count; ++i) {
        answer.clear();
        dns.LookUpIP(server, address);
        loop.exec();
        if (answer.isEmpty() || answer.startsWith(QLatin1Char('!')))
            return -1;
    }
    return double(t.nsecsElapsed()) / 1000.0 / count;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_dnsptr PORT ADDRESS [lookups] [rounds]\n");
        return 2;
    }
    const quint16 port = quint16(atoi(argv[1]));
    const QString address = QString::fromLocal8Bit(argv[2]);
    const int count = argc > 3 ? std::max(1, atoi(argv[3])) : 2000;
    const int rounds = argc > 4 ? std::max(1, atoi(argv[4])) : 5;
    const QByteArray query = quillon::dns::BuildQuery(0x1234, quillon::dns::ReverseName(address), quillon::dns::TypePTR, true);
    std::vector<double> ours, minimal, notified;
    QString answer;
    for (int r = 0; r < rounds; ++r) {
        minimal.push_back(minimalLoop(port, query, count));
        notified.push_back(notifierLoop(port, query, count));
        ours.push_back(orbDns(port, address, count, answer));
        if (minimal.back() < 0 || ours.back() < 0) {
            std::fprintf(stderr, "a lookup went unanswered (%s)\n", qPrintable(answer));
            return 1;
        }
    }
    std::printf("%.2f %.2f %.2f %s\n", median(ours), median(minimal), median(notified), qPrintable(answer));
    return 0;
}
