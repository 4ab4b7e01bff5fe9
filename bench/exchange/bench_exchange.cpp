// The Exchange tab's estimate over many attenuations, and the web lookup of
// the exchange distance beside three plain blocking HTTP GETs of the same
// pages from the same server. Prints "name: value" lines.
//   bench_exchange model [count]
//   bench_exchange cold PORT POSTCODE           (the first lookup in a process)
//   bench_exchange lookup PORT POSTCODE [rounds] (later lookups)

#include "exchange/core/exchangelookup.h"
#include "exchange/core/exchangemodel.h"
#include "tools/routersim/simweb.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QTextStream>

#include <algorithm>
#include <memory>
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

int connectTo(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

// Reads one reply: to its Content-Length when the connection stays open, else to the close.
qint64 readReply(int fd, bool keepAlive)
{
    QByteArray reply;
    char buffer[16384];
    qsizetype want = -1;
    while (want < 0 || reply.size() < want) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return keepAlive ? -1 : reply.size();
        reply.append(buffer, n);
        const qsizetype headerEnd = reply.indexOf("\r\n\r\n");
        if (keepAlive && want < 0 && headerEnd >= 0) {
            const qsizetype at = reply.toLower().indexOf("\r\ncontent-length:");
            if (at < 0 || at > headerEnd)
                return -1;
            want = headerEnd + 4 + reply.mid(at + 17, reply.indexOf('\r', at + 2) - at - 17).trimmed().toLongLong();
        }
    }
    return reply.size();
}

// Three plain blocking GETs: a fresh connection each, or all on one kept-alive connection.
qint64 plainGets(quint16 port, const QList<QByteArray> &targets, bool keepAlive)
{
    qint64 total = 0;
    int fd = -1;
    for (const QByteArray &target : targets) {
        if (fd < 0 && (fd = connectTo(port)) < 0)
            return -1;
        const QByteArray request = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n"
            + (keepAlive ? "" : "Connection: close\r\n") + "\r\n";
        const qint64 got = ::send(fd, request.constData(), size_t(request.size()), 0) == request.size()
            ? readReply(fd, keepAlive) : -1;
        if (got <= 0)
            total = -1;
        else if (total >= 0)
            total += got;
        if (!keepAlive) {
            ::close(fd);
            fd = -1;
        }
    }
    if (fd >= 0)
        ::close(fd);
    return total;
}

QString siteOf(quint16 port)
{
    return QStringLiteral("http://127.0.0.1:") + QString::number(port);
}

// The three request targets of a lookup of one of the simulator's postcodes.
QList<QByteArray> targetsOf(quint16 port, const QString &postcode)
{
    const QUrl site = ExchangeLookup::SiteUrl(siteOf(port));
    for (const sim::SimExchange &e : sim::simExchanges()) {
        if (postcode != QLatin1String(e.postcode))
            continue;
        const QString exchangePostcode = QString::fromLatin1(e.exchangePostcode).remove(QLatin1Char(' '));
        const auto target = [](const QUrl &url) { return url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority); };
        return {target(ExchangeLookup::SearchUrl(site, postcode)),
                target(ExchangeLookup::ExchangeUrl(site, QString::fromLatin1(e.code))),
                target(ExchangeLookup::DirectionsUrl(site, exchangePostcode, postcode))};
    }
    return {};
}

double msSince(QElapsedTimer &t)
{
    const double ms = double(t.nsecsElapsed()) / 1e6;
    t.restart();
    return ms;
}

// The first lookup in a fresh process (the lookup object made, its first
// connection opened) beside the first plain GETs of the same process.
int runCold(quint16 port, const QString &postcode)
{
    const QList<QByteArray> targets = targetsOf(port, postcode);
    QElapsedTimer t;
    t.start();
    auto lookup = std::make_unique<ExchangeLookup>();
    lookup->setSites(siteOf(port), siteOf(port));
    const double create = msSince(t);
    const ExchangeLookup::Result first = lookup->Run(postcode, {});
    const double run = msSince(t);
    const ExchangeLookup::Result second = lookup->Run(postcode, {});
    const double next = msSince(t);
    const qint64 fresh = plainGets(port, targets, false);
    const double freshMs = msSince(t);
    const qint64 kept = plainGets(port, targets, true);
    const double keptMs = msSince(t);
    if (targets.isEmpty() || first.km <= 0 || second.km != first.km || fresh <= 0 || kept <= 0) {
        out << "cold lookup failed: is the simulator serving web pages on " << siteOf(port) << "?" << Qt::endl;
        return 1;
    }
    const auto line = [](const char *name, double ms) { out << name << ": " << QString::number(ms, 'f', 3) << '\n'; };
    line("cold_lookup_ms", create + run);
    line("cold_lookup_object_ms", create);
    line("second_lookup_ms", next);
    line("cold_plain_gets_ms", freshMs);
    line("cold_plain_gets_one_connection_ms", keptMs);
    out.flush();
    return 0;
}

int runLookup(quint16 port, const QString &postcode, int rounds)
{
    const QList<QByteArray> targets = targetsOf(port, postcode);
    ExchangeLookup lookup;
    lookup.setSites(siteOf(port), siteOf(port));
    auto *manager = lookup.downloader().findChild<QNetworkAccessManager *>();
    // Warm-up: the manager's first request and connection.
    const ExchangeLookup::Result first = lookup.Run(postcode, {});
    if (targets.isEmpty() || first.km <= 0 || !manager) {
        out << "lookup failed: is the simulator serving web pages on " << siteOf(port) << "?" << Qt::endl;
        return 1;
    }

    QList<double> kept, fresh, reach, plain, plainKept;
    QElapsedTimer t;
    for (int i = 0; i < rounds; ++i) {
        t.start();
        const ExchangeLookup::Result r = lookup.Run(postcode, {});
        kept << msSince(t);
        manager->clearConnectionCache();
        t.restart();
        const ExchangeLookup::Result r2 = lookup.Run(postcode, {});
        fresh << msSince(t);
        const bool reached = lookup.SiteReachable(lookup.lookupSite());
        const ExchangeLookup::Result r3 = lookup.Run(postcode, {});
        reach << msSince(t);
        const qint64 bytes = plainGets(port, targets, false);
        plain << msSince(t);
        const qint64 bytesKept = plainGets(port, targets, true);
        plainKept << msSince(t);
        if (r.km != first.km || r2.km != first.km || r3.km != first.km || !reached || bytes <= 0 || bytesKept <= 0) {
            out << "round " << i << " went wrong" << Qt::endl;
            return 1;
        }
    }
    // The minimum is the cost on an idle machine; the median shows what other load adds.
    const auto line = [](const char *name, const QList<double> &v) {
        out << name << "_ms_median: " << QString::number(median(v), 'f', 3) << '\n';
        out << name << "_ms_min: " << QString::number(minimum(v), 'f', 3) << '\n';
    };
    const auto ratio = [](const char *name, const QList<double> &a, const QList<double> &b) {
        out << name << "_median: " << QString::number(median(a) / median(b), 'f', 2) << '\n';
        out << name << "_min: " << QString::number(minimum(a) / minimum(b), 'f', 2) << '\n';
    };
    out << "rounds: " << rounds << '\n';
    line("lookup_connection_open", kept);
    line("lookup_new_connection", fresh);
    line("lookup_with_reachability", reach);
    line("three_plain_gets", plain);
    line("three_plain_gets_one_connection", plainKept);
    ratio("ratio_lookup_to_plain", kept, plain);
    ratio("ratio_lookup_new_connection_to_plain", fresh, plain);
    ratio("ratio_lookup_new_connection_to_plain_one_connection", fresh, plainKept);
    ratio("ratio_lookup_with_reachability_to_plain", reach, plain);
    out.flush();
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 2 && args[1] == QLatin1String("model"))
        return runModel(args.size() > 2 ? args[2].toInt() : 100000);
    if (args.size() >= 4 && args[1] == QLatin1String("cold"))
        return runCold(quint16(args[2].toUInt()), args[3]);
    if (args.size() >= 4 && args[1] == QLatin1String("lookup"))
        return runLookup(quint16(args[2].toUInt()), args[3], args.size() > 4 ? args[4].toInt() : 200);
    out << "usage: bench_exchange model [count] | cold PORT POSTCODE | lookup PORT POSTCODE [rounds]" << Qt::endl;
    return 2;
}
