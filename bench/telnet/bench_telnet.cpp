// Timings of the telnet engine.
//   bench_telnet stats PORT RUNS   the ten-line statistics script against a router on loopback
//   bench_telnet reply             echo removal, waiting and explode for a 100 KB and a 1 MB reply
// Prints one "name: value" line per figure.

#include "router/core/orbtelnet.h"
#include "router/core/replybuffer.h"
#include "router/core/telnetcommands.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <functional>
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

// What a router prints for `cat big "no_where"` when big holds `bytes` of text.
QByteArray routerReply(qint64 bytes, int *lines)
{
    QByteArray body;
    body.reserve(bytes + 100);
    int line = 0;
    while (body.size() < bytes)
        body += "line " + QByteArray::number(++line) + " 0123456789 abcdefghij klmnopqrst uvwxyz\r\n";
    *lines = line;
    return "cat big \"no_where\"\r\n" + body + "cat: no_where: No such file or directory\r\n# ";
}

// Echo removal and the wait for the marker over pieces as the socket hands
// them over, then the conversation entry and its explode into lines.
double timeEchoAndExplode(qint64 bytes, qsizetype pieceSize)
{
    int lines = 0;
    const QString wire = QString::fromLatin1(routerReply(bytes, &lines));
    const QString command = QStringLiteral("cat big \"no_where\"");
    QElapsedTimer clock;
    clock.start();
    ReplyBuffer buffer;
    buffer.setCommand(command);
    buffer.setWaitText(QStringLiteral("no_where"));
    bool found = false;
    for (qsizetype at = 0; at < wire.size() && !found; at += pieceSize) {
        buffer.append(QStringView(wire).mid(at, pieceSize));
        found = buffer.containsWaitText();
    }
    QString entry = command + ConversationSeparator;
    entry += script::TrimLineBreaks(QStringView(buffer.text()));
    const TelnetCommands table = TelnetCommands::ExplodeTelnetCommands({QString(), entry});
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    if (!found || table.records().size() != 2 || table.records().at(1).lineCount() < lines)
        return -1;
    return ms;
}

// The same reply end to end: a router on loopback, the engine, then explode.
double timeReply(qint64 bytes)
{
    int line = 0;
    const QByteArray reply = routerReply(bytes, &line);

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
    if (table.records().size() != 2 || table.records().at(1).lineCount() < line)
        return -1;
    return ms;
}

bool printScaling(const char *name, const std::function<double(qint64)> &run)
{
    double small = 1e9;
    double large = 1e9;
    for (int i = 0; i < 7; ++i) {
        small = std::min(small, run(100 * 1024));
        large = std::min(large, run(1024 * 1024));
    }
    if (small < 0 || large < 0) {
        std::fprintf(stderr, "%s failed\n", name);
        return false;
    }
    std::printf("%s_100KB_ms: %.3f\n", name, small);
    std::printf("%s_1MB_ms: %.3f\n", name, large);
    std::printf("%s_ratio_1MB_over_100KB: %.2f (target <= 12)\n", name, large / small);
    return true;
}

int benchReply()
{
    const bool ok = printScaling("echo_explode", [](qint64 n) { return timeEchoAndExplode(n, 4096); })
        && printScaling("echo_explode_1k_pieces", [](qint64 n) { return timeEchoAndExplode(n, 1024); })
        && printScaling("reply_end_to_end", [](qint64 n) { return timeReply(n); });
    return ok ? 0 : 1;
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
