// The reboot watch with real pings: a simulated router in a private network
// namespace whose loopback link goes down while the router reboots.
#include "netdiag/core/ping.h"
#include "stats/core/pingmonitor.h"
#include "tools/routersim/routersim.h"

#include <QEventLoop>
#include <QTimer>
#include <QtTest>

#include <cstring>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillon;

namespace {

constexpr int ChildPassed = 0;
constexpr int ChildCannotSetUp = 4;

bool setLoopback(bool up)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        return false;
    ifreq ifr{};
    std::strncpy(ifr.ifr_name, "lo", IFNAMSIZ - 1);
    bool ok = ::ioctl(fd, SIOCGIFFLAGS, &ifr) == 0;
    ifr.ifr_flags = short(up ? (ifr.ifr_flags | IFF_UP) : (ifr.ifr_flags & ~IFF_UP));
    ok = ok && ::ioctl(fd, SIOCSIFFLAGS, &ifr) == 0;
    ::close(fd);
    return ok;
}

void runEvents(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs in the child: exit code 0 when the watch saw the router go down and
// come back twice, then finished; otherwise the step that failed (10 + n).
int watchTwoReboots()
{
    sim::SimOptions o;
    o.rebootDownMs = 300;
    sim::RouterSim router(o);
    if (!router.start())
        return ChildCannotSetUp;
    QObject::connect(&router, &sim::RouterSim::rebootStarted, [] { setLoopback(false); });
    QObject::connect(&router, &sim::RouterSim::rebootFinished, [] { setLoopback(true); });

    RebootWatch watch([](const QString &address, qint32 &time) { return FullPing(address, time); });
    watch.start(QStringLiteral("127.0.0.1"), false, QStringLiteral("0"));
    if (watch.tick().status != QString() || watch.phase() != RebootWatch::Phase::Watching)
        return 11; // still answering after the command: not yet rebooting

    router.reboot();
    bool sawDown = false;
    bool rebootedAgain = false;
    for (int tick = 0; tick < 200; ++tick) {
        const RebootTick t = watch.tick();
        sawDown = sawDown || t.status == QLatin1String("Router is rebooting...");
        if (t.done)
            return sawDown && rebootedAgain && watch.UpCycles() == 2 ? ChildPassed : 12;
        if (watch.UpCycles() == 1 && !rebootedAgain) {
            rebootedAgain = true;
            router.reboot();
        }
        runEvents(50);
    }
    return 13;
}

} // namespace

class TestRebootWatch : public QObject
{
    Q_OBJECT

private slots:
    void routerGoesDownAndComesBack()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to create a private network namespace");
        const pid_t child = ::fork();
        if (child == 0) {
            ::alarm(30);
            if (::unshare(CLONE_NEWNET) != 0 || !setLoopback(true))
                ::_exit(ChildCannotSetUp);
            qint32 time = 500;
            if (!FullPing(QStringLiteral("127.0.0.1"), time))
                ::_exit(ChildCannotSetUp); // no ICMP socket here
            ::_exit(watchTwoReboots());
        }
        QVERIFY(child > 0);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        if (WEXITSTATUS(status) == ChildCannotSetUp)
            QSKIP("no private network namespace or ICMP socket on this machine");
        QCOMPARE(WEXITSTATUS(status), ChildPassed);
    }
};

QTEST_GUILESS_MAIN(TestRebootWatch)
#include "tst_rebootwatch.moc"
