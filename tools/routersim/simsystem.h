#pragma once

// The simulated router's state shared by every telnet session: its clock and
// boot, the boot environment, the interface counters, the configuration
// manager's log, a small RAM disk and the modem.

#include "tools/routersim/simmodem.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

namespace quillon::sim {

struct SimOptions;

class SimSystem final
{
public:
    explicit SimSystem(const SimOptions &options);
    SimSystem(const SimSystem &) = delete;
    SimSystem &operator=(const SimSystem &) = delete;

    // --- Time ---
    double now() const; // simulated seconds since the simulator started
    double uptime() const;
    void advance(double seconds);
    // The router restarts: uptime, counters, log and RAM disk begin again.
    void restart();
    // The line retrains: showtime begins again trainSecs from now.
    void resync(double trainSecs);

    // --- Files (LF text); false when the path does not exist ---
    bool readFile(const QString &path, QByteArray &out) const;
    bool isDirectory(const QString &path) const;
    // false with a reason ("Read-only file system" ...).
    bool writeFile(const QString &path, const QByteArray &data, bool append, QString &reason);

    // --- Boot environment, in flash order ---
    QString env(const QString &name) const;
    bool hasEnv(const QString &name) const;
    void setEnv(const QString &name, const QString &value);
    void unsetEnv(const QString &name);
    QByteArray envFile() const;

    // --- Configuration manager log ---
    QByteArray logText() const;
    void clearLog();
    void addLog(const QByteArray &module, const QByteArray &message);

    QByteArray uptimeFile() const;
    QByteArray netDevFile() const;
    bool restartInterface(const QString &name);
    bool interfaceCounters(const QString &name, quint64 &rx, quint64 &tx) const;
    QByteArray bigFile() const;
    ModemConditions modemConditions() const;

private:
    struct Interface
    {
        QByteArray name;
        double rxStart{0};
        double txStart{0};
        double rxRate{0}; // bytes per simulated second, on average
        double txRate{0};
        double rxPacket{0}; // average packet size
        double txPacket{0};
        double period{3600};
        double phase{0};
        double from{0}; // uptime the start values belong to
    };
    struct LogEntry
    {
        double at{0}; // uptime
        QByteArray module;
        QByteArray message;
    };

    double traffic(const Interface &i, double rate, double start) const;
    quint64 shown(double counter) const;
    void fillBootLog();
    QByteArray logStamp(double at) const;

    const SimOptions &m_options;
    SimModem m_modem;
    QElapsedTimer m_real;
    mutable qint64 m_lastRealNs{0};
    mutable double m_simNow{0};
    double m_bootAt{0};
    double m_countersFrom{0}; // uptime the counters' start values belong to
    double m_showtimeFrom{-1}; // uptime of the last asked-for resync's showtime; < 0: none this boot
    int m_resyncs{0};          // asked-for resyncs this boot
    bool m_firstBoot{true};
    QList<Interface> m_interfaces;
    QList<QPair<QString, QString>> m_env;
    QList<LogEntry> m_log;
    QMap<QString, QByteArray> m_ramDisk;
};

} // namespace quillon::sim
