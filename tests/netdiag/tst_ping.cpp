#include "netdiag/core/ping.h"
#include "netdiag/core/pingtest.h"

#include "tests/support/testsupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <QtTest>

#include <cstring>
#include <functional>

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillon;

namespace {

// Exit codes of the forked children.
constexpr int ChildPassed = 0;
constexpr int ChildFailed = 1;
constexpr int ChildCannotSetUp = 4;

int waitForChild(pid_t child)
{
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return ChildFailed;
    return WEXITSTATUS(status);
}

bool bringLoopbackUp()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        return false;
    ifreq ifr{};
    std::strncpy(ifr.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = ::ioctl(fd, SIOCGIFFLAGS, &ifr) == 0;
    ifr.ifr_flags = short(ifr.ifr_flags | IFF_UP);
    up = up && ::ioctl(fd, SIOCSIFFLAGS, &ifr) == 0;
    ::close(fd);
    return up;
}

bool writeProc(const char *path, const QByteArray &value)
{
    QFile file{QString::fromLatin1(path)};
    return file.open(QIODevice::WriteOnly) && file.write(value) >= 0 && file.flush();
}

// Runs body in a forked child, inside a network namespace of its own with the
// loopback up and one kernel setting written; returns the child's exit code.
int inNamespace(const char *procPath, const QByteArray &value, const std::function<int()> &body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(10);
        if (::unshare(CLONE_NEWNET) != 0 || !bringLoopbackUp() || !writeProc(procPath, value))
            ::_exit(ChildCannotSetUp);
        ::_exit(body());
    }
    return child > 0 ? waitForChild(child) : ChildFailed;
}

bool icmpAvailable()
{
    return Ping({QStringLiteral("127.0.0.1"), 1000, {}, 0}).status != PingStatus::NoSocket;
}

} // namespace

class TestPing : public QObject
{
    Q_OBJECT

private slots:
    // First, before any lookup has started a thread: the child of a fork may
    // then keep using Qt.
    void noSocketLogsOnceAndGetsNoReply()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to drop to an unprivileged user in a child process");
        QFile range(QStringLiteral("/proc/sys/net/ipv4/ping_group_range"));
        if (!range.open(QIODevice::ReadOnly) || !range.readAll().startsWith("1\t0"))
            QSKIP("datagram ICMP sockets are allowed here, so an unprivileged user still has one");
        test::TempAppDir dir;
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                              | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther);
        const pid_t child = ::fork();
        if (child == 0) {
            ::alarm(10);
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(ChildCannotSetUp);
            qint32 time = 500;
            const bool a = FullPing(QStringLiteral("127.0.0.1"), time);
            const bool b = FullPing(QStringLiteral("127.0.0.1"), time);
            const bool none = Ping({QStringLiteral("127.0.0.1"), 500, {}, 0}).status == PingStatus::NoSocket;
            ::_exit(!a && !b && none ? ChildPassed : ChildFailed);
        }
        QVERIFY(child > 0);
        QCOMPARE(waitForChild(child), ChildPassed);
        const QByteArray log = dir.read(QStringLiteral("ErrorLog.txt"));
        QCOMPARE(log.count("No ICMP socket can be opened"), 1);
    }

    // The datagram ICMP socket, in a network namespace of our own whose
    // ping_group_range lets an unprivileged user open one.
    void datagramSocketWhereRawIsRefused()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to create a network namespace and drop privileges");
        const int result = inNamespace("/proc/sys/net/ipv4/ping_group_range", "0 2147483647\n", [] {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                return ChildCannotSetUp;
            const PingReply reply = Ping({QStringLiteral("127.0.0.1"), 1000, QByteArray(100, 'a'), 0});
            const PingReply ttl = Ping({QStringLiteral("127.0.0.1"), 1000, {}, 1});
            return reply.status == PingStatus::Success && reply.from == QLatin1String("127.0.0.1")
                           && ttl.status == PingStatus::Success
                       ? ChildPassed
                       : ChildFailed;
        });
        if (result == ChildCannotSetUp)
            QSKIP("this machine does not allow a private network namespace here");
        QCOMPARE(result, ChildPassed);
    }

    // An unanswered echo, in a namespace whose loopback ignores echoes: it
    // times out on time, and timers keep firing while it waits.
    void waitingLetsEventsRun()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to create a network namespace");
        const int result = inNamespace("/proc/sys/net/ipv4/icmp_echo_ignore_all", "1\n", [] {
            int fired = 0;
            QTimer timer;
            timer.setInterval(10);
            QObject::connect(&timer, &QTimer::timeout, &timer, [&fired] { ++fired; });
            timer.start();
            QElapsedTimer waited;
            waited.start();
            const PingReply reply = Ping({QStringLiteral("127.0.0.1"), 300, {}, 0});
            const qint64 ms = waited.elapsed();
            return reply.status == PingStatus::TimedOut && ms >= 300 && ms < 1000 && fired >= 10 ? ChildPassed : ChildFailed;
        });
        if (result == ChildCannotSetUp)
            QSKIP("this machine does not allow a private network namespace here");
        QCOMPARE(result, ChildPassed);
    }

    void addresses()
    {
        QVERIFY(IsValidIP(QStringLiteral("999.1.1.1")));
        QVERIFY(IsValidIP(QStringLiteral("192.168.1.1 ")));
        QVERIFY(!IsValidIP(QStringLiteral("1.2.3")));
        QVERIFY(!IsValidIP(QStringLiteral("1.2.3.4.5")));
        QVERIFY(!IsValidIP(QStringLiteral("1..3.4")));
        QVERIFY(!IsValidIP(QStringLiteral("a.b.c.d")));
        QCOMPARE(GetIPFromHostName(QStringLiteral("localhost")), QStringLiteral("127.0.0.1"));
        QCOMPARE(GetIPFromHostName(QString()), QString());

        qint32 time = 500;
        QVERIFY(!FullPing(QStringLiteral("999.1.1.1"), time));
        QCOMPARE(Ping({QStringLiteral("not an address"), 500, {}, 0}).status, PingStatus::BadAddress);
    }

    void loopbackAnswers()
    {
        if (!icmpAvailable())
            QSKIP("no ICMP socket here: needs CAP_NET_RAW or net.ipv4.ping_group_range");
        qint32 time = 1000;
        QVERIFY(FullPing(QStringLiteral(" 127.0.0.1 "), time));
        QVERIFY(time >= 0 && time < 1000);
        const PingReply big = Ping({QStringLiteral("127.0.0.2"), 1000, QByteArray(1400, 'a'), 5});
        QCOMPARE(big.status, PingStatus::Success);
        QCOMPARE(big.from, QStringLiteral("127.0.0.2"));
    }

    void pingTestReports()
    {
        if (!icmpAvailable())
            QSKIP("no ICMP socket here: needs CAP_NET_RAW or net.ipv4.ping_group_range");
        const QString report = RunPingTest({QStringLiteral("localhost"), QStringLiteral("3"), QStringLiteral("1000"),
                                            QString()},
                                           defaultPingTestHooks());
        const QStringList lines = report.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 6);
        QVERIFY2(lines.at(0).startsWith(QLatin1String("Reply from localhost (127.0.0.1), ")), qPrintable(lines.at(0)));
        QCOMPARE(lines.at(3), QStringLiteral("\t0 fail(s), 0% packet loss"));
        QCOMPARE(lines.at(4), QStringLiteral("Response time statistics:"));

        PingTestHooks hooks = defaultPingTestHooks();
        int sent = 0;
        hooks.afterEach = [&] { ++sent; };
        hooks.abortRequested = [&] { return sent >= 2; };
        const QStringList aborted = RunPingTest({QStringLiteral("127.0.0.1"), QStringLiteral("10"),
                                                 QStringLiteral("1000"), QStringLiteral("4")},
                                                hooks)
                                        .split(QStringLiteral("\r\n"));
        QCOMPARE(sent, 2);
        QCOMPARE(aborted.size(), 6);
        QVERIFY(aborted.at(1).startsWith(QLatin1String("Reply from 127.0.0.1, ")));
        QCOMPARE(aborted.at(2), QStringLiteral("User aborted test."));
        QCOMPARE(aborted.at(3), QStringLiteral("\t0 fail(s), 0% packet loss"));
    }

    void scriptedEchoes()
    {
        PingTestHooks hooks;
        QList<qint32> rtts = {12, -1, 13, -1};
        QList<QByteArray> payloads;
        hooks.echo = [&](const QString &, qint32 &time, const QByteArray &payload) {
            payloads.append(payload);
            time = rtts.takeFirst();
            return time >= 0;
        };
        hooks.resolve = [](const QString &) { return QString(); };
        const QString report = RunPingTest({QStringLiteral("10.0.0.1"), QStringLiteral("4"), QStringLiteral("500"),
                                            QStringLiteral("0")},
                                           hooks);
        QCOMPARE(report, QStringLiteral("Reply from 10.0.0.1, 12 ms\r\nNo reply from 10.0.0.1\r\n"
                                        "Reply from 10.0.0.1, 13 ms\r\nNo reply from 10.0.0.1\r\n"
                                        "\t2 fail(s), 50% packet loss\r\nResponse time statistics:\r\n"
                                        "\tMin: 12 ms, Max: 13 ms, Avg: 12 ms"));
        QCOMPARE(payloads.first(), QByteArray()); // FullPing sends "Test" for it

        hooks.echo = [](const QString &address, qint32 &, const QByteArray &) { return !address.isEmpty(); };
        const QStringList unresolved = RunPingTest({QStringLiteral("nowhere.invalid"), QStringLiteral("2"),
                                                    QStringLiteral("500"), QStringLiteral("4")},
                                                   hooks)
                                           .split(QStringLiteral("\r\n"));
        QCOMPARE(unresolved.at(0), QStringLiteral("No reply from nowhere.invalid ()"));
        QCOMPARE(unresolved.at(2), QStringLiteral("\t2 fail(s), 100% packet loss"));
        QCOMPARE(unresolved.at(4), QStringLiteral("\tMin: 0 ms, Max: 0 ms, Avg: 0 ms"));
    }
};

QTEST_GUILESS_MAIN(TestPing)
#include "tst_ping.moc"
