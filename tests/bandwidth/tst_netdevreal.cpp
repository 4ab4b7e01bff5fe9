// The parser against a real kernel: a veth pair in private network
// namespaces carries a known amount of traffic, and the byte counts read from
// /proc/net/dev must be those `ip -s -j link` reports.

#include "bandwidth/core/netdev.h"
#include "tests/support/netlab.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace quillon;
using namespace quillon::test;

namespace {

constexpr int kPings = 20;
constexpr int kPayload = 1000;
// Ethernet, IPv4 and ICMP headers around each payload.
constexpr quint64 kFrameBytes = 14 + 20 + 8 + kPayload;

} // namespace

class tst_netdevreal final : public QObject
{
    Q_OBJECT

private slots:
    void countersMatchTheKernel()
    {
        if (const QString why = NetLab::unavailableReason(); !why.isEmpty())
            QSKIP(qPrintable(why));
        if (const QString missing = NetLab::missingProgram({QStringLiteral("ping")}); !missing.isEmpty())
            QSKIP(qPrintable(missing + QStringLiteral(" is not installed")));
        NetLab lab;
        QVERIFY(lab.script(QStringLiteral("pair")));

        const auto read = [&lab](NetDevCounters &out) {
            bool ok = false;
            const QString text = lab.exec(QStringLiteral("a"), {QStringLiteral("cat"), QStringLiteral("/proc/net/dev")}, 10000, &ok);
            QVERIFY(ok);
            const QByteArray json = lab.exec(QStringLiteral("a"), {QStringLiteral("ip"), QStringLiteral("-s"), QStringLiteral("-j"),
                                                                   QStringLiteral("link"), QStringLiteral("show"), QStringLiteral("qv-a")},
                                             10000, &ok).toUtf8();
            QVERIFY(ok);
            const NetDevReading reading = ParseNetDev(text);
            const NetDevCounters *parsed = reading.find(QStringLiteral("qv-a"));
            QVERIFY2(parsed, qPrintable(text));
            const QJsonObject stats = QJsonDocument::fromJson(json).array().at(0).toObject().value(QStringLiteral("stats64")).toObject();
            QCOMPARE(parsed->rx, quint64(stats.value(QStringLiteral("rx")).toObject().value(QStringLiteral("bytes")).toInteger(-1)));
            QCOMPARE(parsed->tx, quint64(stats.value(QStringLiteral("tx")).toObject().value(QStringLiteral("bytes")).toInteger(-1)));
            out = *parsed;
        };

        NetDevCounters before, after;
        read(before);
        if (QTest::currentTestFailed())
            return;
        bool ok = false;
        lab.exec(QStringLiteral("a"), {QStringLiteral("ping"), QStringLiteral("-q"), QStringLiteral("-c"), QString::number(kPings),
                                       QStringLiteral("-i"), QStringLiteral("0.01"), QStringLiteral("-s"), QString::number(kPayload),
                                       QStringLiteral("10.78.0.2")},
                 30000, &ok);
        QVERIFY(ok);
        read(after);
        if (QTest::currentTestFailed())
            return;
        // The echoes and their replies, and an address resolution or two.
        const quint64 sent = after.tx - before.tx;
        const quint64 received = after.rx - before.rx;
        QVERIFY2(sent >= kPings * kFrameBytes && sent <= kPings * kFrameBytes + 256, qPrintable(QString::number(sent)));
        QVERIFY2(received >= kPings * kFrameBytes && received <= kPings * kFrameBytes + 256,
                 qPrintable(QString::number(received)));
    }
};

QTEST_GUILESS_MAIN(tst_netdevreal)
#include "tst_netdevreal.moc"
