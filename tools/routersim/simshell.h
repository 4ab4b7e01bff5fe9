#pragma once

// The part of BusyBox ash the router's users meet: quoting, pipes, ";" and
// "&&", output redirection, and the applets the program sends (cat, echo,
// grep, getenv/setenv/unsetenv, cm_cli, reboot, exit ...).

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quillon::sim {

struct SimOptions;
class SimSystem;

struct ShellResult
{
    QByteArray output; // stdout and stderr as the terminal shows them, LF line ends
    bool exit{false};
    bool reboot{false};
};

class SimShell final
{
public:
    SimShell(SimSystem &system, const SimOptions &options);

    ShellResult run(const QByteArray &line);

    // Words of one simple command, quotes removed (exposed for tests).
    static QStringList splitWords(const QString &text);

private:
    struct Stage
    {
        QStringList words;
        QString outFile;
        bool append{false};
        bool errToOut{false};
        bool errToNull{false};
    };
    struct Context
    {
        QByteArray in;
        bool hasInput{false};
        QByteArray *out{nullptr}; // the terminal, the next stage's input or a file
        QByteArray *err{nullptr};
        int status{0};
    };

    int runPipeline(const QList<Stage> &stages, ShellResult &result);
    void runCommand(const Stage &stage, Context &ctx, ShellResult &result);
    void cat(const QStringList &args, Context &ctx);
    void grep(const QStringList &args, Context &ctx);
    void cmCli(Context &ctx);
    QString resolve(const QString &path) const;
    QByteArray missingFile(const QString &name) const;

    SimSystem &m_system;
    const SimOptions &m_options;
    QString m_cwd{QStringLiteral("/var")};
};

} // namespace quillon::sim
