// "Get Router Info" from the button to "Router statistics obtained." through
// the real main window, against a router on loopback, beside the same four
// scripts run by the bare engine and by a plain blocking socket client.
//   bench_getrouterinfo PORT RUNS
// Prints one "name: value" line per figure.

#include "base/apppaths.h"
#include "bench/support/plainrouter.h"
#include "config/core/configscripts.h"
#include "app/ui/frmmain.h"
#include "graphs/core/bitsfetch.h"
#include "router/core/orbtelnet.h"
#include "stats/core/routerscripts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace quillon;
using namespace quillon::bench;

namespace {

bool runEngine(OrbTelnet &engine, const QString &script)
{
    bool ok = false;
    QEventLoop loop;
    const auto done = QObject::connect(&engine, &OrbTelnet::ScriptComplete, &loop, [&] { ok = true; loop.quit(); });
    const auto failed = QObject::connect(&engine, &OrbTelnet::ScriptError, &loop, [&] { loop.quit(); });
    QTimer::singleShot(kTimeoutMs, &loop, &QEventLoop::quit);
    engine.RunScript(script);
    if (!ok)
        loop.exec();
    QObject::disconnect(done);
    QObject::disconnect(failed);
    return ok;
}

bool runWindow(frmMain &w)
{
    bool idle = false;
    QEventLoop loop;
    const auto c = QObject::connect(&w, &frmMain::becameIdle, &loop, [&] { idle = true; loop.quit(); });
    QTimer::singleShot(kTimeoutMs, &loop, &QEventLoop::quit);
    w.cmdGetRouterInfo_Click();
    if (!idle)
        loop.exec();
    QObject::disconnect(c);
    return idle && w.ui.lblStatus->text() == QLatin1String("Router statistics obtained.");
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: bench_getrouterinfo PORT RUNS\n");
        return 2;
    }
    const quint16 port = quint16(args.at(1).toUInt());
    const int runs = std::max(1, args.at(2).toInt());

    QTemporaryDir dir;
    AppPaths::setAppDir(dir.path());
    QFile settings(AppPaths::file(QStringLiteral("settings.ini")));
    if (!settings.open(QIODevice::WriteOnly))
        return 1;
    settings.write("[Options]\r\nRouter IP=127.0.0.1\r\nTelnet Port=" + QByteArray::number(port)
                   + "\r\nRouter Username=root\r\nRouter Password=Gravo\r\n");
    settings.close();

    frmMain w;
    // The router check costs one echo on loopback; it is not what is measured.
    w.setPingFunction([](const QString &, qint32 &timeMs) { timeMs = 0; return true; });
    w.Form_Load();

    const RouterLogin login{QStringLiteral("127.0.0.1"), QString::number(port), QStringLiteral("root"),
                            QStringLiteral("Gravo")};
    // The fetch's four stages: version, tone tables, statistics, margin threshold.
    const QStringList scripts{GetRouterVersionScript(login), GetBits(login), GetStatsScript(login),
                              GetThresholdScript(login, false)};
    std::vector<std::vector<Step>> steps;
    std::vector<Step> oneSession;
    for (const QString &s : scripts) {
        steps.push_back(stepsOf(s));
        // After the first login only the commands remain (login, password, prompt: five steps).
        const auto &st = steps.back();
        oneSession.insert(oneSession.end(), st.begin() + (oneSession.empty() ? 0 : 5), st.end());
    }

    OrbTelnet engine;
    engine.setMode(1);
    PlainClient client;
    std::vector<double> window, bare, floor, single, windowCpu, bareCpu;
    QElapsedTimer clock;
    for (int i = 0; i <= runs; ++i) { // run 0 warms up
        double cpu = cpuMs();
        clock.start();
        if (!runWindow(w)) {
            std::fprintf(stderr, "window run failed: %s\n", qPrintable(w.ui.lblStatus->text()));
            return 1;
        }
        const double tw = double(clock.nsecsElapsed()) / 1e6;
        const double cw = cpuMs() - cpu;

        cpu = cpuMs();
        clock.start();
        for (const QString &s : scripts) {
            if (!runEngine(engine, s)) {
                std::fprintf(stderr, "engine run failed: %s\n", qPrintable(engine.LastError()));
                return 1;
            }
        }
        const double te = double(clock.nsecsElapsed()) / 1e6;
        const double ce = cpuMs() - cpu;

        clock.start();
        for (const auto &st : steps) {
            if (!client.connectTo(port) || !client.run(st)) {
                std::fprintf(stderr, "plain client failed\n");
                return 1;
            }
            client.close();
        }
        const double tf = double(clock.nsecsElapsed()) / 1e6;

        clock.start();
        if (!client.connectTo(port) || !client.run(oneSession)) {
            std::fprintf(stderr, "plain client failed\n");
            return 1;
        }
        client.close();
        const double ts = double(clock.nsecsElapsed()) / 1e6;
        if (i > 0) {
            window.push_back(tw);
            bare.push_back(te);
            floor.push_back(tf);
            single.push_back(ts);
            windowCpu.push_back(cw);
            bareCpu.push_back(ce);
        }
    }
    const double mw = median(window);
    const double mf = median(floor);
    std::printf("runs: %d\n", runs);
    std::printf("window_get_router_info_median_ms: %.3f\n", mw);
    std::printf("engine_four_scripts_median_ms: %.3f\n", median(bare));
    std::printf("plain_client_four_logins_median_ms: %.3f\n", mf);
    std::printf("plain_client_one_login_median_ms: %.3f\n", median(single));
    std::printf("window_cpu_median_ms: %.3f\n", median(windowCpu));
    std::printf("engine_cpu_median_ms: %.3f\n", median(bareCpu));
    std::printf("window_over_floor: %.3f (target <= 2)\n", mw / mf);
    return 0;
}
