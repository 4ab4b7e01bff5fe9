#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace quillon {

class CliContext;

// Exit statuses of quillon-cli.
namespace CliExit {
inline constexpr int Ok = 0;
inline constexpr int Failure = 1; // the router or the network failed
inline constexpr int Usage = 2;
inline constexpr int File = 3;    // a file could not be read or written
} // namespace CliExit

struct CliCommand
{
    QString name;
    QString synopsis; // "ping TARGET [-c COUNT] ..."
    QString help;     // what it does, its options, its output
    std::function<int(CliContext &, const QStringList &args)> run;
};

// Every command, in the order the help lists them.
const QList<CliCommand> &cliCommands();

CliCommand infoCommand();
CliCommand statsCommand();
CliCommand tonesCommand();
CliCommand featuresCommand();
CliCommand thresholdCommand();
CliCommand syslogCommand();
CliCommand monitorCommand();
CliCommand bandwidthCommand();
CliCommand totalsCommand();
CliCommand historyCommand();
CliCommand rebootCommand();
CliCommand pingCommand();
CliCommand traceCommand();
CliCommand resolveCommand();
CliCommand exchangeCommand();

// A command's own options: flags, options with a value, and the rest.
struct CliArgs
{
    QStringList positional;
    QStringList flags;
    QList<std::pair<QString, QString>> values;
    QString error; // non-empty: a usage error to report

    bool has(const QString &flag) const { return flags.contains(flag); }
    QString value(const QString &option, const QString &fallback = {}) const;
    bool hasValue(const QString &option) const;
};

CliArgs ParseCliArgs(const QStringList &args, const QStringList &flagNames, const QStringList &valueNames,
                     int minPositional, int maxPositional);

} // namespace quillon
