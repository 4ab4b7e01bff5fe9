#pragma once

// A router on loopback for tests and demonstrations: a telnet service that
// behaves like the BusyBox telnetd/login/ash of a TI AR7 ADSL router, with the
// modem's /proc/avalanche files, /proc/uptime, /proc/net/dev, the boot
// environment, the configuration manager's log and a reboot that really drops
// the line. Fully asynchronous: it may run on the client's own thread.

#include <QHostAddress>
#include <QObject>
#include <QString>

#include <memory>

class QTcpServer;

namespace quillon::sim {

// Present only with SimOptions::bigFile.
inline constexpr char kBigFilePath[] = "/proc/bigfile";
inline constexpr qint64 kBigFileBytes = 1024 * 1024;

// Read live through RouterSim::options(), except profile, seed and
// wrapAfterBytes, which shape the router when it is constructed.
struct SimOptions
{
    // "adsl": G.dmt, 256 tones, long line; "adsl2plus": ADSL2+, 512 tones, short line.
    QString profile{QStringLiteral("adsl")};
    QString user{QStringLiteral("root")};
    QString password{QStringLiteral("Gravo")};
    QString prompt{QStringLiteral("/var # ")}; // or "# "
    bool rawTabs{false};     // TABs as they are instead of expanded to 8-column stops
    int catErrorStyle{0};    // 0: "cat: F: No such file or directory", 1: "cat: can't open 'F': ..."
    bool terminalQuery{false}; // ESC [6n after every shell prompt
    // Every byte in its own write, one per event-loop pass: an in-process
    // client should wait in a real event loop (QEventLoop, QSignalSpy::wait),
    // since polling waits sleep ~10 ms between passes.
    bool byteByByte{false};
    bool randomSplits{false}; // writes cut at random points
    qint64 dropAfterBytes{-1}; // close a connection after this many command-output bytes
    bool errorWithoutMarker{false}; // cat's missing-file error names no file
    bool garbage{false};     // control and high bytes scattered through command output
    bool bigFile{false};     // kBigFilePath exists
    double timeScale{1.0};   // simulated seconds per real second
    int replyDelayMs{0};     // pause before the output of every command line
    int rebootDownMs{3000};  // real time the router is away after "reboot"
    // Every interface byte counter starts this many bytes below 2^32 and so
    // wraps after that volume; 0 keeps the profile's own starting values.
    quint64 wrapAfterBytes{0};
    // Byte counters as a 64-bit kernel prints them: no wrap at 2^32.
    bool wideCounters{false};
    quint32 seed{1};
    bool negativeMargin{false}; // the line degraded after training: margins of -3 dB
    double marginDriftDb{1.0};  // slow swing of the line noise, dB (0: steady)
    int loginFailDelayMs{0};    // pause before "Login incorrect"
    int maxLoginAttempts{3};    // then the connection is closed
    int trainSecs{0};           // uptime before the line is in showtime (0: at once)
    // The firmware has getenv/setenv/unsetenv; without them only the
    // environment file reads and writes the boot environment.
    bool envApplets{true};
    double resyncEverySecs{0};  // the line trains again this often, simulated seconds (0: never)

    // Hostile routers, for the engine's bounds.
    int dripMs{0};              // command output one byte per this many ms
    bool dripFromConnect{false}; // drip everything, the login prompt too
    qint64 lineBreakFlood{0};   // this many bytes of CR LF before every command's output
    bool hostileValues{false};  // NUL, 0xFF and commas inside the statistics values
    bool iacMidLine{false};     // telnet commands in the middle of output lines
    bool endlessOutput{false};  // a command's output never ends (no marker, no prompt)
    bool closeAfterPrompt{false}; // the line drops right after the first shell prompt
};

class SimSession;
class SimSystem;

class RouterSim final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RouterSim)

public:
    explicit RouterSim(SimOptions o = {}, QObject *parent = nullptr);
    ~RouterSim() override;

    // port 0 picks a free port; the port is kept across reboots.
    bool start(quint16 port = 0, const QHostAddress &addr = QHostAddress::LocalHost);
    quint16 port() const;
    QHostAddress address() const;
    QString errorString() const;
    void stop();

    SimOptions &options();
    bool isRebooting() const;
    int sessionCount() const;

    // Boot environment (/proc/ticfg/env); empty when unset.
    QString env(const QString &name) const;
    void setEnv(const QString &name, const QString &value);
    void unsetEnv(const QString &name);
    // A message the configuration manager logs now.
    void addLogEntry(const QString &module, const QString &message);

    // Simulated time: seconds since boot, and a jump forward without waiting.
    double uptimeSeconds() const;
    void advanceTime(double seconds);

    // Restarts the router as the shell command "reboot" does.
    void reboot();
    // The interface is made anew (a PPP reconnect): its counters start from 0
    // while the router runs on. False when there is no such interface.
    bool restartInterface(const QString &name);
    // The byte counters /proc/net/dev shows now; false when there is no such interface.
    bool interfaceCounters(const QString &name, quint64 &rx, quint64 &tx) const;
    // The line drops and trains again (the showtime count rises, the
    // error counters start over); in showtime again after trainSecs.
    void resync(double trainSecs = 0);

signals:
    void rebootStarted();
    void rebootFinished();

private:
    void acceptPending();
    void finishReboot();
    bool listen();

    SimOptions m_options;
    std::unique_ptr<SimSystem> m_system;
    QTcpServer *m_server{nullptr};
    QList<SimSession *> m_sessions;
    QHostAddress m_address{QHostAddress::LocalHost};
    quint16 m_port{0};
    QString m_error;
    bool m_rebooting{false};
    bool m_running{false};
    quint32 m_connections{0};
};

} // namespace quillon::sim
