#pragma once

// Runs a line script against the router over telnet (or an FTP control
// session): connect, wait for texts, send commands, pause, upload a file over
// a passive data connection. Records every command with the router's reply.
//
// Lines: HOST host [port] | WAIT "text" | SEND "text" | STOR "name" |
// PUT "file" | DELAY seconds | ECHO "text" | # comment. Lines are separated
// by CR LF; "\n" inside quotes is a line end, \" a double quote.
//
// After ScriptComplete or ScriptError the engine is idle and RunScript may be
// called again, also from inside those handlers.

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>

#include "router/core/replybuffer.h"

class QTimer;

namespace quillon {

class CSocketMaster;

class OrbTelnet final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OrbTelnet)

public:
    static constexpr int DefaultStallTimeoutMs = 30000;
    // The router's largest file is tens of kilobytes: these leave a wide margin.
    static constexpr qint64 DefaultMaxReplyBytes = 2 * 1024 * 1024;
    static constexpr qint64 DefaultMaxScriptBytes = 4 * 1024 * 1024;
    // A script may take this long, plus so much per line, plus its pauses.
    static constexpr int DefaultDeadlineBaseMs = 20000;
    static constexpr int DefaultDeadlinePerLineMs = 2000;
    // After login, data trickling in slower than this does not count as an
    // answer for the stall timer.
    static constexpr int DefaultMinBytesPerSecond = 32;

    explicit OrbTelnet(QObject *parent = nullptr);
    ~OrbTelnet() override;

    // "Log from the telnet session": every message since the last RunScript.
    QString ConsoleLog() const { return m_consoleLog; }
    void setConsoleLog(const QString &log) { m_consoleLog = log; }
    // 1 = telnet with login-failure detection, 2 = FTP control session,
    // anything else = telnet without the login check.
    qint32 Mode() const { return m_mode; }
    void setMode(qint32 mode) { m_mode = mode; }
    // Leave the connection open when the script ends (the reboot script).
    bool WaitForReboot() const { return m_waitForReboot; }
    void setWaitForReboot(bool wait) { m_waitForReboot = wait; }

    // An empty script runs the previous one again. Returns at once.
    void RunScript(const QString &strScript = {});
    // Closes the connection; no further line runs and no signal is raised.
    void AbortScript();
    // Entries "command" + "¤" + "reply"; entry 0 holds what came before the
    // first command, without the separator.
    QStringList GetConversation() const { return m_conversation; }

    bool isRunning() const { return m_running; }
    // A sentence for the status line about the last failure; empty after success.
    QString LastError() const { return m_lastError; }

    // A running script that receives nothing and runs no line this long is stopped.
    int stallTimeoutMs() const { return m_stallTimeoutMs; }
    void setStallTimeoutMs(int ms);
    // How long one second of a DELAY line lasts (tests shorten it).
    void setDelayUnitMs(int ms) { m_delayUnitMs = ms; }
    // The most one reply may hold before the script is stopped.
    qint64 maxReplyBytes() const { return m_maxReplyBytes; }
    void setMaxReplyBytes(qint64 bytes) { m_maxReplyBytes = bytes; }
    // The most a whole script may receive.
    qint64 maxScriptBytes() const { return m_maxScriptBytes; }
    void setMaxScriptBytes(qint64 bytes) { m_maxScriptBytes = bytes; }
    // Applies from the next RunScript; a base of 0 turns the deadline off.
    void setDeadline(int baseMs, int perLineMs);
    // The deadline of the script running or last run.
    qint64 deadlineMs() const { return m_deadlineMs; }
    // 0 lets any data reset the stall timer.
    void setMinBytesPerSecond(int bytes) { m_minBytesPerSecond = bytes; }

signals:
    void ScriptProgress(int intProgress);
    void ScriptComplete();
    void ScriptError(bool blnUnrecognised, bool blnLoginFailed);
    void FTPSendComplete(const QString &strFile);
    void LogUpdate(const QString &strMessage);

private:
    // Script running (orbtelnet.cpp)
    void RunNextLine();
    void executeNextLine();
    void executeLine(const QString &line, const QString &word);
    void CheckNextCommandForWait();
    void armWait(const QString &text);
    void pauseFor(qint64 seconds);
    void finishScript();
    void failScript(const QString &sentence, bool unrecognised = false, bool loginFailed = false);
    void failLine(int number, const QString &description);
    void touchWatchdog();
    void noteData(qint64 bytes);
    void onStalled();
    void onDeadline();
    qint64 scriptDeadlineMs() const;
    void AddToLog(QStringView message);
    double GetSeconds() const;

    // Telnet side (orbtelnet_session.cpp)
    void onMainData();
    void onMainClosed();
    void onMainError(int number, const QString &description);
    void onMainSendComplete();
    void ProcessRecData(const QString &text);
    bool StoreDataInBuffer(const QString &text);
    bool waitTextArrived(const QString &piece);
    bool loginRefused(const QString &piece);
    void AddTheCommand(const QString &command);
    void StoreLastReply();
    void AddTheReply(QStringView reply);
    void CloseConnection();
    void resetReplyState();

    // FTP side (orbtelnet_ftp.cpp)
    void ConnectWSData(const QString &reply);
    void SendFileViaFTP(const QString &file);
    void onDataConnected();
    void onDataSendComplete();
    void onDataError(int number, const QString &description);

    CSocketMaster *m_wsTelnetMain{nullptr};
    CSocketMaster *m_wsTelnetData{nullptr};
    QTimer *m_watchdog{nullptr};
    QTimer *m_deadline{nullptr};

    QString m_consoleLog;
    qint32 m_mode{0};
    bool m_waitForReboot{false};

    QString m_script;
    QStringList m_scriptLines;
    qsizetype m_lastLineIndex{0};
    qsizetype m_lineIndex{-1};
    bool m_scriptFinished{true};
    bool m_running{false};
    quint64 m_generation{0}; // changes whenever a script starts or stops
    int m_pendingAdvances{0};
    bool m_driving{false};
    bool m_delaying{false};

    QString m_hostName;
    QString m_port;
    QString m_currentText;
    QString m_waitText;
    bool m_waiting{false};
    // Login-failure detection lasts until the prompt after the password.
    QString m_loginTail;

    ReplyBuffer m_replyBuffer; // holds LastCommand too
    qint64 m_bytesSinceCommand{0};

    QStringList m_conversation{QString()};
    qsizetype m_conversationIndex{0};

    QString m_uploadFile;
    QByteArray m_uploadBytes;
    bool m_uploadPending{false};

    QElapsedTimer m_clock;
    double m_startTime{0};
    double m_lastLogTime{0};
    QString m_lastError;
    int m_stallTimeoutMs{DefaultStallTimeoutMs};
    int m_delayUnitMs{1000};
    qint64 m_maxReplyBytes{DefaultMaxReplyBytes};
    qint64 m_maxScriptBytes{DefaultMaxScriptBytes};
    int m_deadlineBaseMs{DefaultDeadlineBaseMs};
    int m_deadlinePerLineMs{DefaultDeadlinePerLineMs};
    qint64 m_deadlineMs{0};
    int m_minBytesPerSecond{DefaultMinBytesPerSecond};
    qint64 m_scriptBytes{0};
    int m_sendsDone{0};
    bool m_loggedIn{false}; // a wait after the user name and password was met
    qint64 m_trickleBytes{0}; // received since the stall timer last restarted
    QElapsedTimer m_sinceProgress;
};

} // namespace quillon
