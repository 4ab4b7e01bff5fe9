#include "tests/support/netlab.h"

#include "tests/support/testsupport.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon::test {

namespace {

QAtomicInteger<int> g_labs{0};

QString scriptPath()
{
    return QFileInfo(dataPath(QStringLiteral("../support/netlab.sh"))).canonicalFilePath();
}

bool run(const QString &program, const QStringList &args, int ms, QString *out = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(out ? QProcess::SeparateChannels : QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(ms)) {
        p.kill();
        p.waitForFinished(1000);
        return false;
    }
    if (out)
        *out = QString::fromLocal8Bit(p.readAllStandardOutput());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

ino_t inodeOf(const char *path)
{
    struct stat st{};
    return ::stat(path, &st) == 0 ? st.st_ino : 0;
}

} // namespace

NetLab::NetLab()
    : m_prefix(QStringLiteral("ql%1x%2").arg(QCoreApplication::applicationPid()).arg(g_labs.fetchAndAddRelaxed(1)))
{
}

NetLab::~NetLab()
{
    leave();
    for (const auto &daemon : m_daemons) {
        daemon->kill();
        daemon->waitForFinished(3000);
    }
    run(QStringLiteral("bash"), {scriptPath(), QStringLiteral("down"), m_prefix}, 30000);
}

QString NetLab::unavailableReason()
{
    if (::geteuid() != 0)
        return QStringLiteral("needs root to make network namespaces");
    if (const QString missing = missingProgram({QStringLiteral("ip"), QStringLiteral("bash")}); !missing.isEmpty())
        return missing + QStringLiteral(" is not installed");
    static const QString reason = [] {
        const QString probe = QStringLiteral("ql%1probe").arg(QCoreApplication::applicationPid());
        if (!run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("add"), probe}, 10000))
            return QStringLiteral("this machine does not allow network namespaces here");
        run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("del"), probe}, 10000);
        return QString();
    }();
    return reason;
}

QString NetLab::missingProgram(const QStringList &programs)
{
    const QStringList paths = {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"), QStringLiteral("/usr/bin"),
                               QStringLiteral("/bin")};
    for (const QString &p : programs) {
        if (QStandardPaths::findExecutable(p).isEmpty() && QStandardPaths::findExecutable(p, paths).isEmpty())
            return p;
    }
    return {};
}

bool NetLab::script(const QString &command, const QStringList &args)
{
    return run(QStringLiteral("bash"), QStringList{scriptPath(), command, m_prefix} + args, 60000);
}

QString NetLab::exec(const QString &suffix, const QStringList &argv, int ms, bool *ok)
{
    QString out;
    const bool done = run(QStringLiteral("ip"), QStringList{QStringLiteral("netns"), QStringLiteral("exec"), ns(suffix)} + argv,
                          ms, &out);
    if (ok)
        *ok = done;
    return done ? out : QString();
}

bool NetLab::startDaemon(const QString &suffix, const QStringList &argv)
{
    auto p = std::make_shared<QProcess>();
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->setStandardOutputFile(QProcess::nullDevice());
    p->start(QStringLiteral("ip"), QStringList{QStringLiteral("netns"), QStringLiteral("exec"), ns(suffix)} + argv);
    if (!p->waitForStarted(5000))
        return false;
    m_daemons.append(p);
    return true;
}

bool NetLab::enter(const QString &suffix)
{
    const QByteArray path = QStringLiteral("/run/netns/%1").arg(ns(suffix)).toLocal8Bit();
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    if (m_home < 0)
        m_home = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    const bool entered = m_home >= 0 && ::setns(fd, CLONE_NEWNET) == 0;
    ::close(fd);
    // Probes must never go out of the real interfaces: check where we are.
    return entered && inodeOf(path.constData()) == inodeOf("/proc/thread-self/ns/net");
}

void NetLab::leave()
{
    if (m_home < 0)
        return;
    ::setns(m_home, CLONE_NEWNET);
    ::close(m_home);
    m_home = -1;
}

} // namespace quillon::test
