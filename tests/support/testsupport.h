#pragma once

#include <QByteArray>
#include <QSignalSpy>
#include <QString>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <functional>

namespace quillon {
class OrbTelnet;
}

namespace quillon::test {

// A scratch program folder for one test: AppPaths points at it while the
// object lives.
class TempAppDir final
{
public:
    TempAppDir();
    ~TempAppDir();
    TempAppDir(const TempAppDir &) = delete;
    TempAppDir &operator=(const TempAppDir &) = delete;

    QString path() const; // with trailing "/"
    QString file(const QString &name) const { return path() + name; }
    QByteArray read(const QString &name) const;
    void write(const QString &name, const QByteArray &bytes) const;

private:
    QTemporaryDir m_dir;
};

// tests/data/<relative>
QString dataPath(const QString &relative);
QByteArray readData(const QString &relative);
// A file of the source tree (scripts, ...): <source>/<relative>
QString sourcePath(const QString &relative);
// A file built into the build tree (tools, helpers): <build>/<relative>
QString binPath(const QString &relative);

// Runs the event loop until `done` holds or `ms` pass; true when it holds.
// A real event loop, polled every couple of milliseconds.
bool waitUntil(const std::function<bool()> &done, int ms = 10000);

// Watches one run of a script engine to its end.
struct ScriptRun final
{
    explicit ScriptRun(OrbTelnet &e);
    // A real event loop: the polling waits of QtTest sleep between rounds,
    // which a router sending byte by byte would turn into minutes.
    bool ended(int ms = 15000);
    bool completed() const;
    bool failedWith(bool unrecognised, bool loginFailed) const;

    OrbTelnet &engine;
    QSignalSpy complete;
    QSignalSpy error;
};

// A telnet client as simple as the program's: no option replies, lines end
// in LF. It waits in a real event loop: polling waits sleep between passes,
// which a router sending one byte per pass would turn into seconds.
class TelnetClient final
{
public:
    explicit TelnetClient(quint16 port, QByteArray prompt = "/var # ");
    TelnetClient(const TelnetClient &) = delete;
    TelnetClient &operator=(const TelnetClient &) = delete;

    bool waitUntil(const std::function<bool()> &done, int ms = 5000);
    bool waitFor(const QByteArray &text, int ms = 5000);
    bool waitClosed(int ms = 5000);
    void send(const QByteArray &line);
    bool login(const QByteArray &user = "root", const QByteArray &password = "Gravo");
    // Everything the router printed for one command line, up to and including the prompt.
    QByteArray command(const QByteArray &line, int ms = 5000);
    // The output alone: echo and prompt cut off.
    QByteArray output(const QByteArray &line, int ms = 5000);

    QByteArray &data() { return m_data; }
    int reads() const { return m_reads; }
    QTcpSocket &socket() { return m_socket; }

private:
    QTcpSocket m_socket;
    QByteArray m_prompt;
    QByteArray m_data;
    int m_reads{0};
};

// A loopback port nobody listens on (free now; another process may take it).
quint16 freeLocalPort();

// A loopback port held bound but never listening for the object's lifetime:
// connections to it are refused, and no test running alongside can take it.
class ClosedLocalPort final
{
public:
    ClosedLocalPort();
    ~ClosedLocalPort();
    ClosedLocalPort(const ClosedLocalPort &) = delete;
    ClosedLocalPort &operator=(const ClosedLocalPort &) = delete;
    quint16 port() const { return m_port; }

private:
    int m_fd = -1;
    quint16 m_port = 0;
};

} // namespace quillon::test
