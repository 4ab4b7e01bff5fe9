#include "netdiag/core/pingtest.h"

#include "base/misc.h"
#include "netdiag/core/ping.h"

#include <QCoreApplication>

#include <algorithm>

namespace quillon {

namespace {

const QString CrLf = QStringLiteral("\r\n");

} // namespace

PingTestHooks defaultPingTestHooks()
{
    PingTestHooks hooks;
    hooks.echo = [](const QString &address, qint32 &time, const QByteArray &payload) {
        return FullPing(address, time, payload);
    };
    hooks.resolve = GetIPFromHostName;
    hooks.afterEach = [] {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
    };
    return hooks;
}

QString RunPingTest(const PingTestSettings &settings, const PingTestHooks &hooks)
{
    const qint64 count = clampedWhole(settings.count, -32768, 32767);
    const qint32 timeout = clampedWhole(settings.timeout, 0, INT32_MAX);
    const qint64 size = clampedWhole(settings.packetSize, 0, 32767);
    const QByteArray payload(size, 'a');

    QString address = settings.target;
    QString shownAs = settings.target;
    if (!IsValidIP(address)) {
        address = hooks.resolve ? hooks.resolve(settings.target) : QString();
        shownAs = settings.target + QStringLiteral(" (") + address + QLatin1Char(')');
    }

    qint64 minimum = 1000000;
    qint64 maximum = 0;
    double total = 0;
    qint64 failures = 0;
    qint64 sent = 0;
    QString report;
    for (qint64 i = 1; i <= count; ++i) {
        qint32 rtt = timeout;
        const bool ok = hooks.echo && hooks.echo(address, rtt, payload);
        ++sent;
        if (!report.isEmpty())
            report += CrLf;
        if (ok) {
            minimum = std::min<qint64>(minimum, rtt);
            maximum = std::max<qint64>(maximum, rtt);
            total += rtt;
            report += QStringLiteral("Reply from ") + shownAs + QStringLiteral(", ") + QString::number(rtt)
                + QStringLiteral(" ms");
        } else {
            ++failures;
            report += QStringLiteral("No reply from ") + shownAs;
        }
        if (hooks.afterEach)
            hooks.afterEach();
        if (hooks.abortRequested && hooks.abortRequested()) {
            report += CrLf + QStringLiteral("User aborted test.");
            break;
        }
    }

    const qint64 replies = sent - failures;
    qint64 average = 0;
    if (replies > 0)
        average = roundHalfEven(total / double(replies));
    else
        minimum = 0;
    // No request sent (a count below 1): nothing was lost.
    const qint64 loss = sent > 0 ? roundHalfEven(double(failures) / double(sent) * 100.0) : 0;

    if (!report.isEmpty())
        report += CrLf;
    report += QStringLiteral("\t%1 fail(s), %2% packet loss").arg(failures).arg(loss);
    report += CrLf + QStringLiteral("Response time statistics:");
    report += CrLf + QStringLiteral("\tMin: %1 ms, Max: %2 ms, Avg: %3 ms").arg(minimum).arg(maximum).arg(average);
    return report;
}

} // namespace quillon
