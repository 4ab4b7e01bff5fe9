#pragma once

// The trace route: ICMP echoes with a rising time-to-live (several hops in
// flight at once), one line per hop,
// and optionally a host name per hop from the system's resolver or from an
// OrbDNS lookup chain.
//
// Without any window: TraceRoute t; connect finished(); t.start(options,
// hooks) (returns after the hops, while lookups may still run) and run the
// event loop until finished() carries the report or the failure message.

#include "netdiag/core/ping.h"
#include "netdiag/core/probesocket.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

namespace quillon {

class OrbDNS;

struct RouteNode
{
    qint16 Hop{0};
    QString Address;
    QString HostName; // "!..." is a failed custom lookup
    QString Time;
    bool TimedOut{false}; // no answer to any probe of this time-to-live
};

struct TraceOptions
{
    QString target;         // dotted address or host name
    QString packetSize;     // text of the packet-size box
    bool resolve{false};
    bool standardDns{false};
    QString dnsServer;      // for OrbDNS: address, name, either with ":port"
    QString routerAddress;  // this hop is looked up at itself; empty: never
    int maxHops{30};
    int probesPerHop{3};    // a hop is silent when this many probes got no answer
    int probeTimeoutMs{2400};
    int probeSpacingMs{10}; // between the probes of one hop while none is answered
    int probeWindow{16};    // hops probed at the same time
    int lookupTimeoutMs{3000};
    int lookupRetries{1};
};

struct TraceHooks
{
    // The ICMP transport; a ProbeSocket when `send` is not set.
    std::function<bool()> open;
    std::function<bool(quint32 destination, int ttl, quint16 seq, const QByteArray &payload)> send;
    std::function<QList<ProbeAnswer>(int waitMs)> receive;
    std::function<QString(const QString &)> resolveTarget; // default GetIPFromHostName
    std::function<bool()> abortRequested;                  // default never
};

enum class TraceOutcome {
    Complete, // the report
    Aborted,  // during the hops: no report
    Failed,   // before the first probe or without an ICMP socket: the message
};

// Payload bytes for the packet-size text: 32..128, clamped before converting.
int TracePacketSize(const QString &text);
// "<10 ms", "N ms", "*" (1201 ms or more).
QString TraceTimeText(qint64 ms);
// A dotted quad with decimal pieces 0-255 ("010.0.0.1" is 10.0.0.1).
std::optional<quint32> DottedToAddress(const QString &text);
// One report line with its CR LF.
QString TraceLine(const RouteNode &node);

class TraceRoute final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TraceRoute)

public:
    // dns: the resolver for custom lookups; one of its own when null.
    explicit TraceRoute(OrbDNS *dns = nullptr, QObject *parent = nullptr);
    ~TraceRoute() override;

    void start(const TraceOptions &options, const TraceHooks &hooks = {});
    bool isRunning() const { return m_running; }
    const QList<RouteNode> &RouteNodes() const { return m_nodes; }

signals:
    void statusChanged(const QString &text);
    void hopRecorded(const quillon::RouteNode &node);
    // An OrbDNS error; the hop counts as not found and the chain goes on.
    void lookupError(const QString &message);
    void finished(quillon::TraceOutcome outcome, const QString &text);

private:
    bool aborted() const;
    void setStatus(const QString &text);
    void runHops(quint32 destination, const QString &destinationText);
    void AppendTracertResult(int hop, qint64 ms, const QString &address);
    void AddRouteNodes(bool resolve);
    QString GetHostNameFromIP(const QString &address);
    void ImportDNSResponse(const QString &answer);
    void FinishTraceRoute();
    void end(TraceOutcome outcome, const QString &text);
    void pollAbort();

    QPointer<OrbDNS> m_dns;
    std::unique_ptr<ProbeSocket> m_socket;
    TraceOptions m_options;
    TraceHooks m_hooks;
    QList<RouteNode> m_nodes;
    QString m_traceText;
    QString m_status;
    QTimer m_abortPoll;
    bool m_running{false};
    bool m_dnsBusy{false};
    qsizetype m_dnsIndex{0};
};

} // namespace quillon

Q_DECLARE_METATYPE(quillon::TraceOutcome)
Q_DECLARE_METATYPE(quillon::RouteNode)
