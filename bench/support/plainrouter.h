#pragma once

// What the router benchmarks share: medians, thread CPU time, and the floor
// they measure against, a plain blocking socket running a script's SEND and
// WAIT lines against the same router.

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <QStringView>
#include <QTcpSocket>

#include <algorithm>
#include <ctime>
#include <vector>

namespace quillon::bench {

inline constexpr int kTimeoutMs = 30000;

// CPU time of this thread, ms: with the wall time it splits a run into our
// own work and the wait for the router.
inline double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The text of a quoted script argument with the engine's escapes resolved.
inline QByteArray unquote(QStringView arg)
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
inline std::vector<Step> stepsOf(const QString &script)
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

// One connection running `steps` to the end: the floor of a single script.
inline bool runPlain(quint16 port, const std::vector<Step> &steps)
{
    PlainClient client;
    const bool ok = client.connectTo(port) && client.run(steps);
    client.close();
    return ok;
}

} // namespace quillon::bench
