// The parse of one worst-case router reply, from the engine's conversation to
// the parsed values, in a process of its own so that its peak memory is its own.
//   bench_replyparse <stage> <shape> [bytes]
// stage: stats (explode + modem statistics) or tones (explode + the six tone tables)
// shape: breaks, lf, longline, labels, blanks, hex
// Prints "<stage>/<shape>: <ms> ms wall, <ms> ms CPU, peak +<MB> MB": the CPU time
// is the figure to read on a busy machine; the peak is above the resident size
// just before the parse (the input already built).

#include "graphs/core/bitsfetch.h"
#include "router/core/telnetcommands.h"
#include "stats/core/modemstats.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

#include <sys/resource.h>

using namespace quillon;

namespace {

const QChar kSep{0xA4};
const QString kMarkerError = QStringLiteral("cat: no_where: No such file or directory\r\n/var # ");

QString filled(const QString &unit, qsizetype bytes)
{
    QString text;
    text.reserve(bytes + unit.size());
    while (text.size() < bytes)
        text += unit;
    text.truncate(bytes);
    return text;
}

QString shape(const QString &name, qsizetype bytes)
{
    if (name == QLatin1String("breaks"))
        return filled(QStringLiteral("\r\n"), bytes);
    if (name == QLatin1String("lf"))
        return filled(QStringLiteral("\n"), bytes);
    if (name == QLatin1String("longline"))
        return filled(QStringLiteral("A"), bytes);
    if (name == QLatin1String("labels"))
        return filled(QStringLiteral("        US Connection Rate:     1026    DS Connection Rate:     19019\r\n"
                                     "        DS Line Attenuation:    14      DS Margin:              9\r\n"
                                     "        Trained Mode:           16      Selected Mode:          1\r\n"),
                      bytes);
    if (name == QLatin1String("blanks"))
        return filled(QStringLiteral(" \t  \r\n"), bytes);
    if (name == QLatin1String("hex"))
        return filled(QStringLiteral("00 11 22 33 44 55 66 77 88 99 aa bb cc dd ee ff\r\n"), bytes);
    return {};
}

QString entry(const QString &command, const QString &reply)
{
    return command + kSep + reply + QStringLiteral("\r\n") + kMarkerError;
}

double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// "VmRSS" or "VmHWM" of /proc/self/status, in KiB.
long statusKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field)) + 1).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Sets the peak back to what is resident now, so that the peak read later is
// the parse's own and not the building of its input.
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

} // namespace

int main(int argc, char *argv[])
{
    QTextStream out(stdout);
    if (argc < 3) {
        out << "usage: bench_replyparse stats|tones breaks|lf|longline|labels|blanks|hex [bytes]\n";
        return 2;
    }
    const QString stage = QString::fromLatin1(argv[1]);
    const QString shapeName = QString::fromLatin1(argv[2]);
    const qsizetype bytes = argc > 3 ? QByteArray(argv[3]).toLongLong() : 4 * 1024 * 1024;
    QString big = shape(shapeName, bytes);
    if (big.isEmpty()) {
        out << "unknown shape " << shapeName << '\n';
        return 2;
    }

    QStringList conversation{QStringLiteral("\r\nBusyBox on (none) login: "), QStringLiteral("root") + kSep + QStringLiteral("Password: "),
                             QStringLiteral("Gravo") + kSep + QStringLiteral("/var # ")};
    if (stage == QLatin1String("stats")) {
        conversation << entry(QStringLiteral("cat /proc/avalanche/avsar_dsl_modulation_schemes \"no_where\""),
                              QStringLiteral("ADSL_G.dmt  0x3\r\nADSL_2plus 0x10"))
                     << entry(QStringLiteral("cat /proc/avalanche/avsar_modem_stats \"no_where\""), big);
    } else {
        const QStringList &paths = BitsPaths();
        for (qsizetype i = 0; i < paths.size(); ++i)
            conversation << entry(QStringLiteral("cat ") + paths.at(i) + QStringLiteral(" \"no_where\""),
                                  i == 0 ? big : QStringLiteral("00 11 22 33"));
    }
    big = QString();

    resetPeak();
    const long before = statusKiB("VmRSS:");
    const double cpuBefore = cpuMs();
    QElapsedTimer timer;
    timer.start();
    const TelnetCommands commands = TelnetCommands::ExplodeTelnetCommands(conversation);
    qsizetype sink = 0;
    if (stage == QLatin1String("stats")) {
        const ModemStats s = ProcessModemStats(commands);
        sink = s.dsRate.size() + s.mode.size();
    } else {
        ToneTables tables;
        ProcessBits(commands, tables);
        sink = tables.DSBits.size();
    }
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    const double cpu = cpuMs() - cpuBefore;
    const double mb = double(statusKiB("VmHWM:") - before) / 1024.0;
    out << stage << '/' << shapeName << ": " << QString::number(ms, 'f', 1) << " ms wall, "
        << QString::number(cpu, 'f', 1) << " ms CPU, peak +" << QString::number(mb, 'f', 1) << " MB"
        << (sink < 0 ? "?" : "") << '\n';
    return 0;
}
