// The Exchange tab's estimate over many attenuations, and the web lookup of
// the exchange distance beside three plain blocking HTTP GETs of the same
// pages from the same server. Prints "name: value" lines.
//   bench_exchange model [count]
//   bench_exchange lookup PORT POSTCODE [rounds]

#include "exchange/core/exchangelookup.h"
#include "exchange/core/exchangemodel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace quillon;

namespace {

QTextStream out(stdout);

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

double minimum(const QList<double> &v)
{
    return v.isEmpty() ? 0 : *std::min_element(v.begin(), v.end());
}

int runModel(int count)
{
    ExchangeModel model;
    model.Exc_LoadData(SpeedTableText());
    model.Exc_SetLossRate(QStringLiteral("13.81"));
    QList<double> attenuations;
    QStringList texts;
    // 0 to 80 dB: below the table, every row and beyond it.
    for (int i = 0; i < count; ++i) {
        attenuations << 80.0 * i / count;
        texts << QString::number(attenuations.last(), 'f', 2);
    }

    double sink = 0;
    QList<double> numeric;
    QList<double> labelled;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer t;
        t.start();
        for (double a : attenuations) {
            const SpeedEstimate e = model.estimate(a, (round & 1) != 0, false);
            sink += double(e.rate) + double(e.column);
        }
        numeric << double(t.nsecsElapsed()) / count;
        t.restart();
        for (const QString &a : texts) {
            const SpeedTexts e = model.Exc_GetData(a, (round & 1) != 0, false);
            sink += double(e.rate.size() + e.distance.size());
        }
        labelled << double(t.nsecsElapsed()) / count;
    }
    out << "attenuations: " << count << '\n';
    out << "estimate_ns_each: " << QString::number(median(numeric), 'f', 1) << '\n';
    out << "estimate_with_label_texts_ns_each: " << QString::number(median(labelled), 'f', 1) << '\n';
    out << "checksum: " << QString::number(sink, 'f', 0) << Qt::endl;
    return 0;
}

// One GET over a fresh blocking socket, read to the server's close.
qint64 plainGet(quint16 port, const QByteArray &target)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    qint64 total = -1;
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0) {
        const QByteArray request = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
        if (::send(fd, request.constData(), size_t(request.size()), 0) == request.size()) {
            char buffer[16384];
            total = 0;
            ssize_t n;
            while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
                total += n;
        }
    }
    if (fd >= 0)
        ::close(fd);
    return total;
}

int runLookup(quint16 port, const QString &postcode, int rounds)
{
    const QString site = QStringLiteral("http://127.0.0.1:") + QString::number(port);
    ExchangeLookup lookup;
    lookup.setSites(site, site);

    // The three targets the lookup asks, taken from its first run.
    ExchangeLookup::Result first = lookup.Run(postcode, {});
    if (first.km <= 0) {
        out << "lookup failed: is the simulator serving web pages on " << site << "?" << Qt::endl;
        return 1;
    }
    const QList<QByteArray> targets = {
        ExchangeLookup::SearchUrl(lookup.lookupSite(), postcode).toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority),
        ExchangeLookup::ExchangeUrl(lookup.lookupSite(), first.code).toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority),
        ExchangeLookup::DirectionsUrl(lookup.directionsSite(), first.exchangePostcode, postcode)
            .toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority)};

    QList<double> ours;
    QList<double> oursWithReach;
    QList<double> plain;
    QElapsedTimer t;
    for (int i = 0; i < rounds; ++i) {
        t.start();
        const ExchangeLookup::Result r = lookup.Run(postcode, {});
        ours << double(t.nsecsElapsed()) / 1e6;
        t.restart();
        const bool reached = lookup.SiteReachable(lookup.lookupSite());
        const ExchangeLookup::Result r2 = lookup.Run(postcode, {});
        oursWithReach << double(t.nsecsElapsed()) / 1e6;
        t.restart();
        qint64 bytes = 0;
        for (const QByteArray &target : targets)
            bytes += plainGet(port, target);
        plain << double(t.nsecsElapsed()) / 1e6;
        if (r.km != first.km || r2.km != first.km || !reached || bytes <= 0) {
            out << "round " << i << " went wrong" << Qt::endl;
            return 1;
        }
    }
    // The minimum is the cost on an idle machine; the median shows what other load adds.
    const auto line = [](const char *name, const QList<double> &v) {
        out << name << "_ms_median: " << QString::number(median(v), 'f', 3) << '\n';
        out << name << "_ms_min: " << QString::number(minimum(v), 'f', 3) << '\n';
    };
    out << "rounds: " << rounds << '\n';
    line("lookup", ours);
    line("lookup_with_reachability", oursWithReach);
    line("three_plain_gets", plain);
    out << "ratio_lookup_to_plain_median: " << QString::number(median(ours) / median(plain), 'f', 2) << '\n';
    out << "ratio_lookup_to_plain_min: " << QString::number(minimum(ours) / minimum(plain), 'f', 2) << '\n';
    out << "ratio_lookup_with_reachability_to_plain_median: "
        << QString::number(median(oursWithReach) / median(plain), 'f', 2) << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 2 && args[1] == QLatin1String("model"))
        return runModel(args.size() > 2 ? args[2].toInt() : 100000);
    if (args.size() >= 4 && args[1] == QLatin1String("lookup"))
        return runLookup(quint16(args[2].toUInt()), args[3], args.size() > 4 ? args[4].toInt() : 200);
    out << "usage: bench_exchange model [count] | lookup PORT POSTCODE [rounds]" << Qt::endl;
    return 2;
}
