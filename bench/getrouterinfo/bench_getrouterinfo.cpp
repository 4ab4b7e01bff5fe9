// "Get Router Info" from the button to "Router statistics obtained." through
// the real main window, against a router on loopback, beside the same four
// scripts run by the bare engine and by a plain blocking socket client.
//   bench_getrouterinfo PORT RUNS
// Prints one "name: value" line per figure.

#include "base/apppaths.h"
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

namespace {

constexpr int kTimeoutMs = 30000;

// CPU time of this thread, ms: with the wall time it splits a run into our
// own work and the wait for the router.
double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The text of a quoted script argument with the engine's escapes resolved.
QByteArray unquote(QStringView arg)
{
    arg = arg.trimmed();
    if (arg.startsWith(u'"'))
        arg = arg.mid(1);
    if (arg.endsWith(u'"'))
        arg.chop(1);
    QByteArray out;
    for (qsizetype i = 0; i < arg.size(); ++i) {
        if (arg[i] == u'\\' && i + 1 < arg.size()) {
            ++i;
            out += arg[i] == u'n' ? '\n' : char(arg[i].toLatin1());
        } else {
            out += char(arg[i].toLatin1());
        }
    }
    return out;
}

struct Step
{
    bool send{false};
    QByteArray text;
};

// The WAIT and SEND lines of a script, the login included.
std::vector<Step> stepsOf(const QString &script)
{
    std::vector<Step> steps;
    for (const QString &line : script.split(QStringLiteral("\r\n"))) {
        if (line.startsWith(QLatin1String("WAIT ")))
            steps.push_back({false, unquote(QStringView(line).mid(5)).toLower()});
        else if (line.startsWith(QLatin1String("SEND ")))
            steps.push_back({true, unquote(QStringView(line).mid(5))});
    }
    return steps;
}

// The floor: a blocking socket, each wait satisfied by the first matching
// text after the echo of the line just sent.
class PlainClient final
{
public:
    bool connectTo(quint16 port)
    {
        m_socket.connectToHost(QHostAddress::LocalHost, port);
        m_data.clear();
        m_from = 0;
        return m_socket.waitForConnected(kTimeoutMs);
    }

    bool run(const std::vector<Step> &steps)
    {
        for (const Step &s : steps) {
            if (s.send) {
                m_data.clear();
                m_socket.write(s.text);
                m_from = -1;
                continue;
            }
            if (!waitFor(s.text))
                return false;
        }
        return true;
    }

    void close()
    {
        m_socket.abort();
    }

private:
    bool waitFor(const QByteArray &text)
    {
        qsizetype scanned = 0;
        for (;;) {
            if (m_from < 0) {
                const qsizetype eol = m_data.indexOf('\n');
                if (eol >= 0)
                    m_from = eol + 1;
            }
            if (m_from >= 0) {
                const qsizetype at = m_data.indexOf(text, std::max(m_from, scanned - text.size()));
                if (at >= 0) {
                    m_data.remove(0, at + text.size());
                    m_from = 0;
                    return true;
                }
                scanned = m_data.size();
            }
            if (!m_socket.waitForReadyRead(kTimeoutMs))
                return false;
            m_data += m_socket.readAll().toLower();
        }
    }

    QTcpSocket m_socket;
    QByteArray m_data;
    qsizetype m_from{0};
};

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
