#include "tools/routersim/simsystem.h"
#include "tools/routersim/routersim.h"

#include <QDateTime>
#include <QLocale>
#include <QtMath>

namespace quillon::sim {

namespace {

constexpr double k2Pow32 = 4294967296.0;
constexpr double kDriftPeriodSecs = 6 * 3600.0;
constexpr qsizetype kRamFileMax = 64 * 1024;
constexpr qsizetype kRamFilesMax = 64;

const char kEnvPath[] = "/proc/ticfg/env";
const char kUptimePath[] = "/proc/uptime";
const char kNetDevPath[] = "/proc/net/dev";
const char kVersionPath[] = "/proc/version";
const char kAvalanche[] = "/proc/avalanche/";

struct EnvSeed
{
    const char *name;
    const char *value;
};

// ADAM2 boot loader: lower-case names.
const EnvSeed kAdam2Env[] = {
    {"memsize", "0x01000000"}, {"flashsize", "0x00400000"}, {"modetty0", "38400,n,8,1,hw"},
    {"modetty1", "38400,n,8,1,hw"}, {"bootserport", "tty0"}, {"cpufrequency", "150000000"},
    {"sysfrequency", "125000000"}, {"bootloaderVersion", "0.22.02"},
    {"Adam2_Release", "0.22.02_b04_Jun 14 2005"}, {"ProductID", "AR7RD"}, {"HWRevision", "Unknown"},
    {"SerialNumber", "N/A"}, {"my_ipaddress", "192.168.1.1"}, {"prompt", "Adam2_AR7RD"},
    {"firstfreeaddress", "0x9401e2c0"}, {"req_fullrate_freq", "125000000"}, {"maca", "00:0E:71:2A:5C:10"},
    {"mtd0", "0x90091000,0x903f0000"}, {"mtd1", "0x90010090,0x90091000"}, {"mtd2", "0x90000000,0x90010000"},
    {"mtd3", "0x903f0000,0x90400000"}, {"mtd4", "0x90010000,0x903f0000"}, {"autoload", "1"},
    {"autoload_timeout", "7"}, {"StaticBuffer", "120"}, {"SW_FEATURES", "0X8000"},
    {"vcc_encaps0", "0.0"}, {"vcc_encaps1", "0.0"}, {"modulation", "MMODE"},
    {"enable_margin_retrain", "1"}, {"margin_threshold", "6"}, {"eoc_vendor_serialnum", "N/A"},
    {"eoc_vendor_revision", "20050614"}, {"HWA_0", "00:0E:71:2A:5C:10"}, {"mac_ap", "00:0E:71:2A:5C:11"},
    {"usb_vid", "0x0"}, {"usb_pid", "0x0"}, {"usb_man", "N/A"}, {"usb_prod", "N/A"},
};

// PSPBoot: upper-case names, plus the modem's feature words.
const EnvSeed kPspEnv[] = {
    {"BUILD_OPS", "0x301"}, {"bootloaderVersion", "1.4.0.3"}, {"ProductID", "AR7VWi"},
    {"HWRevision", "Unknown"}, {"SerialNumber", "none"}, {"MAC_PORT", "0"}, {"MEMSZ", "0x01000000"},
    {"FLASHSZ", "0x00400000"}, {"MODETTY0", "115200,n,8,1,hw"}, {"MODETTY1", "115200,n,8,1,hw"},
    {"CPUFREQ", "211968000"}, {"MIPSFREQ", "211968000"}, {"PROMPT", "(psbl)"}, {"IPA", "192.168.1.1"},
    {"mtd2", "0x90000000,0x90010000"}, {"mtd3", "0x90010000,0x90020000"}, {"mtd4", "0x90020000,0x903f0000"},
    {"BOOTCFG", "m:f:\"mtd1\""}, {"StaticBuffer", "120"}, {"mtd1", "0x90020090,0x900c0000"},
    {"mtd0", "0x900c0000,0x903f0000"}, {"SYSFREQ", "105984000"}, {"HWA_0", "00:16:E3:41:07:2C"},
    {"HWA_2", "00:16:E3:41:07:2D"}, {"modulation", "0xff"}, {"DSL_FEATURE_CNTL_0", "0x00004000"},
    {"DSL_FEATURE_CNTL_1", "0x00000000"}, {"DSL_PHY_CNTL_0", "0x00000400"},
    {"enable_margin_retrain", "0"}, {"eoc_vendor_id", "b500545354430000"}, {"eoc_vendor_revision", "0"},
    {"eoc_vendor_serialnum", "CHZ17B204411"}, {"dsp_freq", "250"}, {"sar_ipacemax", "2"},
    {"oam_lb_timeout", "5000"}, {"autoload_timeout", "25"},
};

bool isSpaceByte(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

SimSystem::SimSystem(const SimOptions &options)
    : m_options(options), m_modem(options.profile, options.seed)
{
    m_real.start();
    const bool plus = m_modem.isAdsl2Plus();
    m_bootAt = plus ? -190432.81 : -275913.47;

    auto add = [this](const char *name, double rx, double tx, double rxRate, double txRate, double rxPkt,
                      double txPkt, double period, double phase) {
        m_interfaces.append({name, rx, tx, rxRate, txRate, rxPkt, txPkt, period, phase, -m_bootAt});
    };
    add("lo", 181244, 181244, 0.7, 0.7, 83, 83, 600, 0);
    if (plus) {
        add("eth0", 530104442, 3716330201., 1900, 47000, 222, 1230, 5400, 1.1);
        add("br0", 497310881, 3688106003., 1850, 46500, 209, 1216, 5400, 1.1);
        add("wlan0", 8120443, 61004118, 40, 3100, 180, 1102, 2700, 2.3);
        add("nas0", 3665012007., 527100551, 52600, 7000, 1200, 219, 3600, 0.4);
        add("ppp0", 3604220913., 474800118, 52000, 6900, 1190, 212, 3600, 0.4);
    } else {
        add("eth0", 468113270, 2861447015., 2400, 15500, 228, 1190, 5400, 1.7);
        add("br0", 437907115, 2850003778., 2350, 15300, 214, 1178, 5400, 1.7);
        add("wlan0", 3204118, 22630977, 30, 210, 160, 850, 2700, 0.2);
        add("ppp0", 2829004361., 441052338, 17500, 2700, 1200, 225, 3600, 0.9);
    }
    if (options.wrapAfterBytes > 0) {
        const double start = qMax(0.0, k2Pow32 - double(options.wrapAfterBytes));
        for (Interface &i : m_interfaces)
            i.rxStart = i.txStart = start;
    }

    if (plus) {
        for (const EnvSeed &e : kPspEnv)
            m_env.append({QString::fromLatin1(e.name), QString::fromLatin1(e.value)});
    } else {
        for (const EnvSeed &e : kAdam2Env)
            m_env.append({QString::fromLatin1(e.name), QString::fromLatin1(e.value)});
    }
    fillBootLog();
    // The first boot has a history: one retrain a day before.
    if (!plus) {
        const double at = uptime() - 86400.0 - 3127.0;
        m_log.append({at, "cfgmgr(sar)", "DSL Carrier is down"});
        m_log.append({at + 51.0, "cfgmgr(sar)", "DSL Carrier is up"});
    }
}

double SimSystem::now() const
{
    const qint64 ns = m_real.nsecsElapsed();
    m_simNow += double(ns - m_lastRealNs) / 1e9 * qMax(0.0, m_options.timeScale);
    m_lastRealNs = ns;
    return m_simNow;
}

double SimSystem::uptime() const
{
    return now() - m_bootAt;
}

void SimSystem::advance(double seconds)
{
    now();
    if (seconds > 0)
        m_simNow += seconds;
}

void SimSystem::restart()
{
    m_bootAt = now();
    for (Interface &i : m_interfaces) {
        i.rxStart = i.txStart = 0;
        i.from = 0;
    }
    m_ramDisk.clear();
    m_log.clear();
    m_showtimeFrom = -1;
    m_resyncs = 0;
    m_firstBoot = false;
    fillBootLog();
}

void SimSystem::resync(double trainSecs)
{
    const double up = uptime();
    m_showtimeFrom = up + qMax(0.0, trainSecs);
    ++m_resyncs;
    m_log.append({up, "cfgmgr(sar)", "DSL Carrier is down"});
    m_log.append({m_showtimeFrom, "cfgmgr(sar)", "DSL Carrier is up"});
}

// Bytes since the counters' start: a rate that swings by 60% around its mean
// but never stops, so the counter only ever grows.
double SimSystem::traffic(const Interface &i, double rate, double start) const
{
    const auto g = [&](double t) {
        return t + 0.6 * i.period / (2 * M_PI) * (qSin(2 * M_PI * t / i.period + i.phase) - qSin(i.phase));
    };
    return start + rate * qMax(0.0, g(uptime()) - g(i.from));
}

quint64 SimSystem::shown(double counter) const
{
    const auto whole = quint64(counter);
    return m_options.wideCounters ? whole : whole & 0xFFFFFFFFull;
}

bool SimSystem::restartInterface(const QString &name)
{
    for (Interface &i : m_interfaces) {
        if (QLatin1String(i.name) == name) {
            i.rxStart = i.txStart = 0;
            i.from = uptime();
            return true;
        }
    }
    return false;
}

bool SimSystem::interfaceCounters(const QString &name, quint64 &rx, quint64 &tx) const
{
    for (const Interface &i : m_interfaces) {
        if (QLatin1String(i.name) == name) {
            rx = shown(traffic(i, i.rxRate, i.rxStart));
            tx = shown(traffic(i, i.txRate, i.txStart));
            return true;
        }
    }
    return false;
}

QByteArray SimSystem::netDevFile() const
{
    QByteArray out = "Inter-|   Receive                                                |  Transmit\n"
                     " face |bytes    packets errs drop fifo frame compressed multicast|bytes    packets errs "
                     "drop fifo colls carrier compressed\n";
    for (const Interface &i : m_interfaces) {
        const double rx = traffic(i, i.rxRate, i.rxStart);
        const double tx = traffic(i, i.txRate, i.txStart);
        const auto w = [this](double v) { return qulonglong(shown(v)); };
        out += QString::asprintf("%6s:%8llu %7llu %4lu %4lu %4lu %5lu %10lu %9lu %8llu %7llu %4lu %4lu %4lu "
                                 "%5lu %7lu %10lu\n",
                                 i.name.constData(), w(rx), w(rx / i.rxPacket), 0ul, 0ul, 0ul, 0ul, 0ul, 0ul,
                                 w(tx), w(tx / i.txPacket), 0ul, 0ul, 0ul, 0ul, 0ul, 0ul)
                   .toLatin1();
    }
    return out;
}

QByteArray SimSystem::uptimeFile() const
{
    const double up = uptime();
    const auto centi = [](double v) {
        const quint64 c = quint64(v * 100.0);
        return QString::asprintf("%llu.%02llu", qulonglong(c / 100), qulonglong(c % 100));
    };
    return (centi(up) + QLatin1Char(' ') + centi(up * 0.972) + QLatin1Char('\n')).toLatin1();
}

ModemConditions SimSystem::modemConditions() const
{
    ModemConditions c;
    const double up = uptime();
    // Showtime began at the boot's training, the last periodic retrain or
    // the last asked-for one, whichever is latest.
    const double trained = qMax(0, m_options.trainSecs);
    double from = trained;
    int periodic = 0;
    if (m_options.resyncEverySecs > 0 && up > trained) {
        periodic = int(qMin((up - trained) / m_options.resyncEverySecs, 1e6));
        from = trained + periodic * m_options.resyncEverySecs;
    }
    if (m_showtimeFrom >= 0)
        from = qMax(from, m_showtimeFrom);
    c.showtimeSecs = up - from;
    c.resyncs = periodic + m_resyncs;
    c.firstBoot = m_firstBoot;
    c.errorSeed = m_options.seed * 2654435761u ^ quint32(qint64(m_bootAt + from) * 40503);
    c.noiseRiseDb = qMax(0.0, m_options.marginDriftDb) * 0.5 * (1.0 - qCos(2 * M_PI * up / kDriftPeriodSecs));
    c.negativeMargin = m_options.negativeMargin;
    c.highPrecision = env(QStringLiteral("high_precision")).trimmed() == QLatin1String("1");
    c.bitTMode = hasEnv(QStringLiteral("DSL_BIT_TMODE"));
    for (const Interface &i : m_interfaces) {
        if (i.name == "ppp0") {
            c.rxBytes = quint64(traffic(i, i.rxRate, i.rxStart));
            c.txBytes = quint64(traffic(i, i.txRate, i.txStart));
            c.rxPackets = quint64(c.rxBytes / i.rxPacket);
            c.txPackets = quint64(c.txBytes / i.txPacket);
        }
    }
    return c;
}

QByteArray SimSystem::bigFile() const
{
    QByteArray out;
    out.reserve(kBigFileBytes);
    quint32 x = m_options.seed * 2654435761u + 1u;
    int line = 0;
    while (out.size() < kBigFileBytes) {
        QByteArray row = QByteArray::number(line++, 16).rightJustified(8, '0') + ':';
        for (int k = 0; k < 8; ++k) {
            x = x * 1664525u + 1013904223u;
            row += ' ' + QByteArray::number(x, 16).rightJustified(8, '0');
        }
        out += row + '\n';
    }
    out.truncate(kBigFileBytes - 1);
    return out + '\n';
}

bool SimSystem::isDirectory(const QString &path) const
{
    static const char *const dirs[] = {"/", "/proc", "/proc/avalanche", "/proc/net", "/proc/ticfg",
                                       "/var", "/tmp", "/etc", "/bin", "/dev", "/sbin", "/usr"};
    QString p = path;
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    for (const char *d : dirs) {
        if (p == QLatin1String(d))
            return true;
    }
    return false;
}

bool SimSystem::readFile(const QString &path, QByteArray &out) const
{
    out.clear();
    if (path == QLatin1String(kUptimePath)) {
        out = uptimeFile();
    } else if (path == QLatin1String(kNetDevPath)) {
        out = netDevFile();
    } else if (path == QLatin1String(kEnvPath)) {
        out = envFile();
    } else if (path == QLatin1String(kVersionPath)) {
        out = "Linux version 2.4.17_mvl21-malta-mips_fp_le (build@quillon-sim) (gcc version 2.95.3 20010315 "
              "(release/MontaVista)) #1 Tue Feb 14 17:31:10 CET 2006\n";
    } else if (path.startsWith(QLatin1String(kAvalanche)) && m_modem.hasFile(path.mid(int(sizeof kAvalanche) - 1))) {
        out = m_modem.file(path.mid(int(sizeof kAvalanche) - 1), modemConditions());
    } else if (m_options.bigFile && path == QLatin1String(kBigFilePath)) {
        out = bigFile();
    } else if (path == QLatin1String("/dev/null")) {
        // empty
    } else if (m_ramDisk.contains(path)) {
        out = m_ramDisk.value(path);
    } else {
        return false;
    }
    return true;
}

bool SimSystem::writeFile(const QString &path, const QByteArray &data, bool append, QString &reason)
{
    if (path == QLatin1String("/dev/null"))
        return true;
    if (path == QLatin1String(kEnvPath)) {
        // The ticfg driver takes "name value" to set and a bare "name" to unset.
        for (const QByteArray &raw : data.split('\n')) {
            const QByteArray line = raw.trimmed();
            if (line.isEmpty())
                continue;
            qsizetype cut = 0;
            while (cut < line.size() && !isSpaceByte(line[cut]))
                ++cut;
            const QString name = QString::fromLatin1(line.left(cut));
            const QString value = QString::fromLatin1(line.mid(cut).trimmed());
            if (value.isEmpty())
                unsetEnv(name);
            else
                setEnv(name, value);
        }
        return true;
    }
    if (path.startsWith(QLatin1String("/var/")) || path.startsWith(QLatin1String("/tmp/"))) {
        if (isDirectory(path)) {
            reason = QStringLiteral("Is a directory");
            return false;
        }
        QByteArray next = append ? m_ramDisk.value(path) + data : data;
        if (next.size() > kRamFileMax || (!m_ramDisk.contains(path) && m_ramDisk.size() >= kRamFilesMax)) {
            reason = QStringLiteral("No space left on device");
            return false;
        }
        m_ramDisk.insert(path, next);
        return true;
    }
    reason = path.startsWith(QLatin1String("/proc/")) ? QStringLiteral("Permission denied")
                                                      : QStringLiteral("Read-only file system");
    return false;
}

QString SimSystem::env(const QString &name) const
{
    for (const auto &e : m_env) {
        if (e.first == name)
            return e.second;
    }
    return {};
}

bool SimSystem::hasEnv(const QString &name) const
{
    for (const auto &e : m_env) {
        if (e.first == name)
            return true;
    }
    return false;
}

void SimSystem::setEnv(const QString &name, const QString &value)
{
    if (name.isEmpty())
        return;
    for (auto &e : m_env) {
        if (e.first == name) {
            e.second = value;
            return;
        }
    }
    m_env.append({name, value});
}

void SimSystem::unsetEnv(const QString &name)
{
    m_env.removeIf([&](const QPair<QString, QString> &e) { return e.first == name; });
}

QByteArray SimSystem::envFile() const
{
    QByteArray out;
    for (const auto &e : m_env)
        out += e.first.toLatin1() + '\t' + e.second.toLatin1() + '\n';
    return out;
}

void SimSystem::fillBootLog()
{
    const bool plus = m_modem.isAdsl2Plus();
    const double up = qMax(9.0, double(m_options.trainSecs));
    m_log.append({6, "cm_monitor", "Monitor Starting"});
    m_log.append({7, plus ? "cfgmgr(pppoe-108)" : "cfgmgr(pppoa-102)", "Valid Configuration Tree"});
    m_log.append({7, "cfgmgr(sar)", "DSL Polling Timer Started succesfully."});
    m_log.append({7, "cfgmgr(sar)", "PSP Boot environment  Modem Modulation Change: " + env(QStringLiteral("modulation")).toLatin1()});
    m_log.append({7, "cfgmgr(fdb)", "Firewall NAT service started"});
    m_log.append({7, plus ? "cfgmgr(lanbridge0)" : "cfgmgr(bridge)", "Bridge Created: br0"});
    m_log.append({8, plus ? "cfgmgr(lanbridge0)" : "cfgmgr(bridge)", "Bridge Interface Added: eth0"});
    m_log.append({8, plus ? "cfgmgr(lanbridge0)" : "cfgmgr(bridge)", "Bridge Interface Added: wlan0"});
    m_log.append({8, "cfgmgr(sar)", "DSL Carrier is down"});
    if (plus)
        m_log.append({8, "cfgmgr(ap)", "AP IS UP"});
    m_log.append({up, "cfgmgr(sar)", "DSL Carrier is up"});
}

// Routers without a time server start every boot on 1 January; the ADSL2+
// profile's firmware sets its clock and prints the time twice, as 7.x builds do.
QByteArray SimSystem::logStamp(double at) const
{
    const bool plus = m_modem.isAdsl2Plus();
    const QDateTime base = plus ? QDateTime(QDate(2008, 11, 25), QTime(9, 12, 0), Qt::UTC).addSecs(qint64(m_bootAt))
                                : QDateTime(QDate(2007, 1, 1), QTime(0, 0, 0), Qt::UTC);
    const QDateTime t = base.addSecs(qint64(at));
    const QString month = QLocale::c().monthName(t.date().month(), QLocale::ShortFormat);
    return QString::asprintf("%s %2d %s", qPrintable(month), t.date().day(),
                             qPrintable(t.time().toString(QStringLiteral("HH:mm:ss"))))
        .toLatin1();
}

QByteArray SimSystem::logText() const
{
    const bool plus = m_modem.isAdsl2Plus();
    const double up = uptime();
    QByteArray out;
    for (const LogEntry &e : m_log) {
        if (e.at > up)
            continue;
        const QByteArray stamp = logStamp(e.at);
        out += stamp + ' ' + e.module + ": ";
        if (plus && e.module != "cm_monitor")
            out += stamp + " | ";
        out += e.message + '\n';
    }
    return out;
}

void SimSystem::addLog(const QByteArray &module, const QByteArray &message)
{
    m_log.append({uptime(), module, message});
}

void SimSystem::clearLog()
{
    const double up = uptime();
    m_log.removeIf([&](const LogEntry &e) { return e.at <= up; });
    m_log.prepend({up, "cfgmgr(logger)", "Log Buffer is cleared!"});
}

} // namespace quillon::sim
