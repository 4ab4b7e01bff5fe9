#pragma once

// One telnet connection to the simulated router: the telnetd's option
// bytes, BusyBox login, then the shell; output goes through the terminal's
// line discipline (LF to CR LF, TAB expansion) and the fault switches.

#include "tools/routersim/simshell.h"

#include <QByteArray>
#include <QObject>
#include <QRandomGenerator>

class QTcpSocket;
class QTimer;

namespace quillon::sim {

struct SimOptions;
class SimSystem;

class SimSession final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SimSession)

public:
    SimSession(QTcpSocket *socket, SimSystem &system, const SimOptions &options, quint32 seed,
               QObject *parent = nullptr);
    ~SimSession() override;

    // The router goes away: what is queued is sent, then the line drops.
    void hangUp();

signals:
    void finished(quillon::sim::SimSession *session);
    void rebootRequested();

private:
    enum class State { Login, Password, Shell, Busy, Closing };
    enum class Kind { Plain, Reply };

    void readInput();
    void processLines();
    void handleLine(const QByteArray &line);
    void handleLogin(const QByteArray &line);
    void handlePassword(const QByteArray &line);
    void handleCommand(const QByteArray &line);
    void sendCommandOutput(const ShellResult &result);
    void sendLoginPrompt();
    void sendPrompt();
    void send(const QByteArray &text, Kind kind = Kind::Plain);
    void sendRaw(const QByteArray &bytes);
    QByteArray toTerminal(const QByteArray &text);
    QByteArray withGarbage(const QByteArray &text);
    void pump();
    void closeWhenSent();
    QByteArray hostile(const QByteArray &wire);
    void pourEndlessOutput();
    bool dripping() const;

    QTcpSocket *m_socket{nullptr};
    SimSystem &m_system;
    const SimOptions &m_options;
    SimShell m_shell;
    QRandomGenerator m_random;
    QTimer *m_pumpTimer{nullptr};
    State m_state{State::Login};
    State m_resume{State::Login};
    QByteArray m_lineBuffer;
    QList<QByteArray> m_lines;
    QByteArray m_user;
    QByteArray m_out;
    int m_telnetState{0};
    int m_escState{0};
    bool m_lastWasCr{false};
    int m_column{0};
    int m_failedLogins{0};
    qint64 m_replyBytes{0};
    bool m_closeAfterSend{false};
    bool m_done{false};
    bool m_inShell{false};
    bool m_endless{false};
};

} // namespace quillon::sim
