// Timings of the telnet engine.
//   bench_telnet stats PORT RUNS   the ten-line statistics script against a router on loopback
//   bench_telnet reply             echo removal, waiting and explode for a 100 KB and a 1 MB reply
// Prints one "name: value" line per figure.

#include "router/core/orbtelnet.h"
#include "router/core/telnetcommands.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cstdio>

using namespace quillon;

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString markerRead(const QString &path)
{
    return kCrLf + QStringLiteral("SEND \"cat %1 \\\"no_where\\\"\\n\"").arg(path) + kCrLf + QStringLiteral("WAIT \"no_where\"");
}

QString statsScript(quint16 port)
{
    return QStringList{QStringLiteral("HOST 127.0.0.1 %1").arg(port), QStringLiteral("WAIT \"login\""),
                       QStringLiteral("SEND \"root\\n\""), QStringLiteral("WAIT \"password\""),
                       QStringLiteral("SEND \"Gravo\\n\""), QStringLiteral("WAIT \"#\"")}
               .join(kCrLf)
        + markerRead(QStringLiteral("/proc/avalanche/avsar_dsl_modulation_schemes"))
        + markerRead(QStringLiteral("/proc/avalanche/avsar_modem_stats"));
}

// Runs the engine's current script to its end; false on an error or after 30 s.
bool runToEnd(OrbTelnet &engine, const QString &script)
{
    bool ok = false;
    QEventLoop loop;
    const auto done = QObject::connect(&engine, &OrbTelnet::ScriptComplete, &loop, [&] { ok = true; loop.quit(); });
    const auto failed = QObject::connect(&engine, &OrbTelnet::ScriptError, &loop, [&] { loop.quit(); });
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    engine.RunScript(script);
    if (!ok)
        loop.exec();
    QObject::disconnect(done);
    QObject::disconnect(failed);
    return ok;
}

int benchStats(quint16 port, int runs)
{
    OrbTelnet engine;
    engine.setMode(1);
    const QString script = statsScript(port);
    if (!runToEnd(engine, script)) { // warm-up
        std::fprintf(stderr, "statistics script failed: %s\n", qPrintable(engine.LastError()));
        return 1;
    }
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < runs; ++i) {
        if (!runToEnd(engine, script)) {
            std::fprintf(stderr, "statistics script failed: %s\n", qPrintable(engine.LastError()));
            return 1;
        }
    }
    std::printf("engine_stats_ms_per_run: %.3f\n", double(clock.nsecsElapsed()) / 1e6 / runs);
    return 0;
}

// A router whose `cat big "no_where"` prints `bytes` of text.
double timeReply(qint64 bytes)
{
    const QByteArray command = "cat big \"no_where\"";
    QByteArray body;
    body.reserve(bytes + 100);
    int line = 0;
    while (body.size() < bytes)
        body += "line " + QByteArray::number(++line) + " 0123456789 abcdefghij klmnopqrst uvwxyz\r\n";
    const QByteArray reply = command + "\r\n" + body + "cat: no_where: No such file or directory\r\n# ";

    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
        QTcpSocket *peer = server.nextPendingConnection();
        peer->write("# ");
        QObject::connect(peer, &QTcpSocket::readyRead, peer, [peer, &reply] {
            if (peer->readAll().startsWith("cat"))
                peer->write(reply);
        });
    });
    OrbTelnet engine;
    const QString script = QStringLiteral("HOST 127.0.0.1 %1\r\nWAIT \"#\"\r\nSEND \"cat big \\\"no_where\\\"\\n\"\r\nWAIT \"no_where\"")
                               .arg(server.serverPort());
    QElapsedTimer clock;
    clock.start();
    if (!runToEnd(engine, script))
        return -1;
    const TelnetCommands table = TelnetCommands::ExplodeTelnetCommands(engine.GetConversation());
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    if (table.records().size() != 2 || table.records().at(1).Reply.size() < line)
        return -1;
    return ms;
}

int benchReply()
{
    double small = 1e9;
    double large = 1e9;
    for (int i = 0; i < 5; ++i) {
        small = std::min(small, timeReply(100 * 1024));
        large = std::min(large, timeReply(1024 * 1024));
    }
    if (small < 0 || large < 0) {
        std::fprintf(stderr, "reply benchmark failed\n");
        return 1;
    }
    std::printf("reply_100KB_ms: %.3f\n", small);
    std::printf("reply_1MB_ms: %.3f\n", large);
    std::printf("reply_ratio_1MB_over_100KB: %.2f\n", large / small);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 4 && args.at(1) == QLatin1String("stats"))
        return benchStats(quint16(args.at(2).toUInt()), std::max(1, args.at(3).toInt()));
    if (args.size() >= 2 && args.at(1) == QLatin1String("reply"))
        return benchReply();
    std::fprintf(stderr, "usage: bench_telnet stats PORT RUNS | bench_telnet reply\n");
    return 2;
}
