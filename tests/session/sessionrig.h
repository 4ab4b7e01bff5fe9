#pragma once

// The session core against the router simulator, with the clock, the pings
// and the timers in the test's hands: timers are started and stopped by the
// core as in the program, but never fire; the test ticks them.

#include "base/clock.h"
#include "base/dialogs.h"
#include "router/core/orbtelnet.h"
#include "session/core/sessioncore.h"
#include "tests/support/testsupport.h"
#include "tools/routersim/routersim.h"

#include <QTimer>

#include <memory>
#include <optional>

namespace quillon::test {

inline constexpr char kRouterAddress[] = "127.0.0.1";
inline constexpr char kInternetAddress[] = "127.0.0.2";

struct SessionRig
{
    explicit SessionRig(sim::SimOptions options = {.rebootDownMs = 200, .marginDriftDb = 0})
        : sim(options)
        , clock(QDateTime(QDate(2026, 7, 2), QTime(8, 0, 0)))
    {
        for (QTimer *t : {&pingTimer, &statsTimer, &watchTimer, &settleTimer, &bandwidthTimer, &checkTimer})
            t->blockSignals(true);
        started = sim.start();
        settings.login = {QString::fromLatin1(kRouterAddress), QString::number(sim.port()), QStringLiteral("root"),
                          QStringLiteral("Gravo")};
        settings.pingTarget = QString::fromLatin1(kInternetAddress);
        settings.pingInterval = QStringLiteral("1");
        settings.maxFailedPings = QStringLiteral("0");
        settings.statsInterval = QStringLiteral("1");
        settings.settleTime = QStringLiteral("2");
        settings.dsStartBit = QStringLiteral("32");
        newCore();
    }

    // A core as a new start of the program makes it (the old one ends first).
    void newCore()
    {
        core.reset();
        core = std::make_unique<SessionCore>(
            [this] { return settings; },
            [this](const QString &address, qint32 &ms) {
                ms = 3;
                if (address == QLatin1String(kRouterAddress))
                    return routerForced.value_or(!sim.isRebooting());
                return internetUp;
            },
            SessionTimers{&pingTimer, &statsTimer, &watchTimer, &settleTimer, &bandwidthTimer, &checkTimer});
        core->session.engine().setStallTimeoutMs(400);
        core->session.engine().setDelayUnitMs(5);
    }

    // Nothing runs, nothing waits, nothing holds the options.
    bool idle() const
    {
        return core->session.isIdle() && core->session.waitingCount() == 0 && !core->leases.busy()
            && !core->reboot.active();
    }
    bool waitIdle(int ms = 10000) { return waitUntil([this] { return idle(); }, ms); }

    // A second of monitoring: the ping timer's tick and the statistics timer's.
    void second()
    {
        clock.advanceSecs(1);
        if (pingTimer.isActive())
            core->monitor.pingTick();
        if (statsTimer.isActive())
            core->monitor.statsTick();
    }
    // Ticks until a statistics reading is due and asked for.
    void statsDue()
    {
        while (core->monitor.statsTicks() + 1 < core->monitor.statsIntervalSecs())
            core->monitor.statsTick();
        clock.advanceSecs(core->monitor.statsIntervalSecs());
        core->monitor.statsTick();
    }
    // Drives the reboot watch with the router going down and coming back.
    bool rideOutReboot(int ms = 20000)
    {
        return waitUntil([this] {
            if (watchTimer.isActive())
                core->reboot.watchTick();
            else if (settleTimer.isActive())
                core->reboot.settleTick();
            return !core->reboot.active();
        }, ms);
    }

    QStringList statsLines() const { return crlfLines(dir.read(QStringLiteral("stats.txt"))); }
    static QStringList crlfLines(const QByteArray &bytes)
    {
        QStringList lines = QString::fromLatin1(bytes).split(QStringLiteral("\r\n"));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }

    TempAppDir dir;
    ScriptedDialogs dialogs;
    sim::RouterSim sim;
    ScopedClock clock;
    QTimer pingTimer, statsTimer, watchTimer, settleTimer, bandwidthTimer, checkTimer;
    SessionSettings settings;
    std::optional<bool> routerForced; // the router's echo, whatever the simulator does
    bool internetUp{true};
    bool started{false};
    std::unique_ptr<SessionCore> core;
};

} // namespace quillon::test
