#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

namespace quillon::test {

// Private network namespaces made with support/netlab.sh, named after this
// process so tests running alongside never meet. Removed, with every daemon
// started in them, when the object goes.
class NetLab final
{
public:
    NetLab();
    ~NetLab();
    NetLab(const NetLab &) = delete;
    NetLab &operator=(const NetLab &) = delete;

    // Empty when namespaces can be made here, else why not.
    static QString unavailableReason();
    // Empty when every program is installed, else the first one missing.
    static QString missingProgram(const QStringList &programs);

    // netlab.sh COMMAND PREFIX ARGS...
    bool script(const QString &command, const QStringList &args = {});
    QString ns(const QString &suffix) const { return m_prefix + QLatin1Char('-') + suffix; }
    // Runs a program inside a namespace; its standard output, or empty with ok false.
    QString exec(const QString &suffix, const QStringList &argv, int ms = 30000, bool *ok = nullptr);
    // Starts a long-running program inside a namespace (killed at the end).
    bool startDaemon(const QString &suffix, const QStringList &argv);
    // Moves the calling thread into a namespace (its sockets are made there),
    // checked against the namespace's own identity; leave() moves it back.
    bool enter(const QString &suffix);
    void leave();

private:
    QString m_prefix;
    QList<std::shared_ptr<QProcess>> m_daemons;
    int m_home{-1};
};

} // namespace quillon::test
