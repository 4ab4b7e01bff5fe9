#include "netdiag/core/traceroute.h"

#include "base/misc.h"
#include "netdiag/core/dnsmessage.h"
#include "netdiag/core/orbdns.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QRandomGenerator>
#include <QEventLoop>
#include <QHostAddress>
#include <QHostInfo>

#include <algorithm>

namespace quillon {

namespace {

const QString CrLf = QStringLiteral("\r\n");
constexpr int MinPacket = 32;
constexpr int MaxPacket = 128;
constexpr int SlowestShownMs = 1200;
constexpr int AbortPollMs = 20;
// The longest wait for an answer before pending events run again.
constexpr int WaitSliceMs = 2;

void letEventsRun()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

bool sameAddress(const QString &a, const QString &b)
{
    const auto x = DottedToAddress(a);
    const auto y = DottedToAddress(b);
    return x && y ? *x == *y : a == b;
}

} // namespace

int TracePacketSize(const QString &text)
{
    return int(roundHalfEven(std::clamp(Val(text), double(MinPacket), double(MaxPacket))));
}

QString TraceTimeText(qint64 ms)
{
    if (ms < 10)
        return QStringLiteral("<10 ms");
    if (ms <= SlowestShownMs)
        return QString::number(ms) + QStringLiteral(" ms");
    return QStringLiteral("*");
}

std::optional<quint32> DottedToAddress(const QString &text)
{
    if (!IsValidIP(text))
        return std::nullopt;
    quint32 address = 0;
    const QStringList pieces = text.trimmed().split(QLatin1Char('.'));
    for (const QString &piece : pieces) {
        bool ok = false;
        const uint value = piece.toUInt(&ok, 10);
        if (!ok || value > 255)
            return std::nullopt;
        address = (address << 8) | value;
    }
    return address;
}

QString TraceLine(const RouteNode &node)
{
    const QString hop = QString::number(node.Hop) + QLatin1Char('\t');
    if (node.TimedOut)
        return hop + QStringLiteral("*\tRequest timed out.") + CrLf;
    if (node.HostName.isEmpty() || node.HostName.startsWith(QLatin1Char('!')))
        return hop + node.Time + QLatin1Char('\t') + node.Address + CrLf;
    return hop + node.Time + QLatin1Char('\t') + node.HostName + QStringLiteral(" [") + node.Address
        + QLatin1Char(']') + CrLf;
}

TraceRoute::TraceRoute(OrbDNS *dns, QObject *parent)
    : QObject(parent)
    , m_dns(dns ? dns : new OrbDNS(this))
{
    qRegisterMetaType<quillon::TraceOutcome>();
    qRegisterMetaType<quillon::RouteNode>();
    m_abortPoll.setInterval(AbortPollMs);
    connect(&m_abortPoll, &QTimer::timeout, this, &TraceRoute::pollAbort);
    connect(m_dns, &OrbDNS::DNSResponse, this, [this](const QString &answer) {
        if (!m_dnsBusy)
            return;
        m_dnsBusy = false;
        // The next lookup starts from the event loop, not from inside the
        // resolver's own signal.
        QMetaObject::invokeMethod(this, [this, answer] { ImportDNSResponse(answer); }, Qt::QueuedConnection);
    });
    connect(m_dns, &OrbDNS::ErrorMsg, this, [this](const QString &message) {
        if (!m_dnsBusy)
            return;
        m_dnsBusy = false;
        emit lookupError(message);
        QMetaObject::invokeMethod(this, [this, message] { ImportDNSResponse(QLatin1Char('!') + message); },
                                  Qt::QueuedConnection);
    });
    connect(m_dns, &OrbDNS::QueryStart, this, [this](const QString &server) {
        if (m_dnsBusy)
            setStatus(m_status + QStringLiteral(" - Querying DNS server ") + server);
    });
}

TraceRoute::~TraceRoute() = default;

bool TraceRoute::aborted() const
{
    return m_hooks.abortRequested && m_hooks.abortRequested();
}

void TraceRoute::setStatus(const QString &text)
{
    m_status = text;
    emit statusChanged(text);
}

void TraceRoute::start(const TraceOptions &options, const TraceHooks &hooks)
{
    if (m_running)
        return;
    m_running = true;
    m_options = options;
    m_options.maxHops = std::clamp(m_options.maxHops, 1, 255);
    m_options.probesPerHop = std::max(1, m_options.probesPerHop);
    m_options.probeWindow = std::max(1, m_options.probeWindow);
    m_hooks = hooks;
    if (!m_hooks.resolveTarget)
        m_hooks.resolveTarget = GetIPFromHostName;
    m_nodes.clear();
    m_traceText.clear();
    m_dnsBusy = false;
    m_dns->setTimeout(m_options.lookupTimeoutMs, m_options.lookupRetries);

    const QString target = m_options.target.trimmed();
    if (target.isEmpty()) {
        end(TraceOutcome::Failed, QStringLiteral("Please enter the address to trace the route to."));
        return;
    }
    setStatus(QStringLiteral("Tracing route to ") + target);
    const QString destinationText = IsValidIP(target) ? target : m_hooks.resolveTarget(target);
    const std::optional<quint32> destination = DottedToAddress(destinationText);
    if (!destination) {
        end(TraceOutcome::Failed, QStringLiteral("Unable to find the address of ") + target + QLatin1Char('.'));
        return;
    }
    runHops(*destination, QHostAddress(*destination).toString());
}

void TraceRoute::runHops(quint32 destination, const QString &destinationText)
{
    if (!m_hooks.send) {
        m_socket = std::make_unique<ProbeSocket>();
        m_hooks.open = [this] { return m_socket->open(); };
        m_hooks.send = [this](quint32 d, int ttl, quint16 seq, const QByteArray &p) { return m_socket->send(d, ttl, seq, p); };
        m_hooks.receive = [this](int ms) { return m_socket->receive(ms); };
    }
    if (m_hooks.open && !m_hooks.open()) {
        end(TraceOutcome::Failed, QStringLiteral("Unable to Open an Icmp File Handle"));
        return;
    }
    struct Hop
    {
        int sent{0};
        int expired{0};
        qint64 nextSendMs{0};
        ProbeAnswer answer;
        bool answered{false};
    };
    struct Outstanding
    {
        int ttl;
        qint64 deadlineMs;
    };
    const QByteArray payload(TracePacketSize(m_options.packetSize), 'a');
    const int probes = m_options.probesPerHop;
    QList<Hop> hops(m_options.maxHops + 1);
    QHash<quint16, Outstanding> outstanding;
    quint16 seq = quint16(QRandomGenerator::global()->generate());
    int last = m_options.maxHops; // the destination's hop once known
    int recorded = 0;
    QString lastAddress;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        // Hops are reported in order, each once every probe of it is settled.
        while (recorded < last && (hops[recorded + 1].answered || hops[recorded + 1].expired >= probes)) {
            const Hop &h = hops[++recorded];
            if (h.answered) {
                lastAddress = h.answer.from;
                AppendTracertResult(recorded, h.answer.rttMicros / 1000, h.answer.from);
            } else {
                RouteNode silent;
                silent.Hop = qint16(recorded);
                silent.TimedOut = true;
                m_nodes.append(silent);
                emit hopRecorded(silent);
            }
            setStatus(QStringLiteral("Node: ") + lastAddress);
        }
        if (recorded >= last)
            break;

        qint64 now = clock.elapsed();
        qint64 nextEvent = now + m_options.probeTimeoutMs;
        const int high = std::min(last, recorded + m_options.probeWindow);
        for (int ttl = recorded + 1; ttl <= high; ++ttl) {
            Hop &h = hops[ttl];
            if (h.answered || h.sent >= probes)
                continue;
            if (now >= h.nextSendMs) {
                ++seq;
                if (!m_hooks.send(destination, ttl, seq, payload)) {
                    end(TraceOutcome::Failed, QStringLiteral("Unable to send to ") + destinationText + QLatin1Char('.'));
                    return;
                }
                outstanding.insert(seq, {ttl, now + m_options.probeTimeoutMs});
                ++h.sent;
                h.nextSendMs = now + m_options.probeSpacingMs;
            }
            if (h.sent < probes)
                nextEvent = std::min(nextEvent, h.nextSendMs);
        }
        for (auto it = outstanding.begin(); it != outstanding.end();) {
            if (it->deadlineMs <= now) {
                ++hops[it->ttl].expired;
                it = outstanding.erase(it);
            } else {
                nextEvent = std::min(nextEvent, it->deadlineMs);
                ++it;
            }
        }

        const int wait = int(std::clamp<qint64>(nextEvent - now, 0, WaitSliceMs));
        const QList<ProbeAnswer> answers = m_hooks.receive ? m_hooks.receive(wait) : QList<ProbeAnswer>();
        for (const ProbeAnswer &a : answers) {
            const auto it = outstanding.constFind(a.seq);
            if (it == outstanding.constEnd())
                continue; // too late, or not ours
            const int ttl = it->ttl;
            outstanding.erase(it);
            Hop &h = hops[ttl];
            if (h.answered || ttl > last)
                continue;
            h.answered = true;
            h.answer = a;
            if (a.status != PingStatus::TimeExceeded || DottedToAddress(a.from) == std::optional(destination))
                last = ttl;
        }
        letEventsRun();
        if (aborted()) {
            end(TraceOutcome::Aborted, {});
            return;
        }
    }

    m_socket.reset();
    m_traceText = QStringLiteral("Tracing route to ") + m_options.target.trimmed() + QLatin1Char(':') + CrLf + CrLf;
    if (m_options.resolve && !m_options.standardDns) {
        setStatus(QStringLiteral("Using custom DNS lookup"));
        m_dnsIndex = 0;
        m_abortPoll.start();
        ImportDNSResponse({});
        return;
    }
    AddRouteNodes(m_options.resolve);
    m_traceText += CrLf + QStringLiteral("Trace route complete");
    setStatus(QStringLiteral("Trace route complete"));
    end(TraceOutcome::Complete, m_traceText);
}

void TraceRoute::AppendTracertResult(int hop, qint64 ms, const QString &address)
{
    RouteNode node;
    node.Hop = qint16(hop);
    node.Address = address;
    node.Time = TraceTimeText(ms);
    m_nodes.append(node);
    emit hopRecorded(node);
}

void TraceRoute::AddRouteNodes(bool resolve)
{
    for (RouteNode &node : m_nodes) {
        if (resolve && !node.TimedOut) {
            setStatus(QStringLiteral("Resolving ") + node.Address);
            letEventsRun();
            if (aborted())
                break;
            node.HostName = GetHostNameFromIP(node.Address);
        }
        m_traceText += TraceLine(node);
    }
}

QString TraceRoute::GetHostNameFromIP(const QString &address)
{
    QEventLoop loop;
    QString name;
    // Asked without blocking so painting and the abort button go on; a
    // lookup still running when we give up is cancelled.
    const int id = QHostInfo::lookupHost(address, &loop, [&](const QHostInfo &info) {
        if (info.error() == QHostInfo::NoError && info.hostName() != address)
            name = info.hostName();
        loop.quit();
    });
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(m_options.lookupTimeoutMs);
    QTimer poll;
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (aborted())
            loop.quit();
    });
    poll.start(AbortPollMs);
    loop.exec();
    QHostInfo::abortHostLookup(id);
    return dns::EscapeHostName(name);
}

void TraceRoute::ImportDNSResponse(const QString &answer)
{
    if (!m_running)
        return;
    if (m_dnsIndex > 0 && m_dnsIndex <= m_nodes.size())
        m_nodes[m_dnsIndex - 1].HostName = answer;
    for (;;) {
        ++m_dnsIndex;
        if (aborted()) {
            m_dns->AbortWinsock();
            FinishTraceRoute();
            return;
        }
        if (m_dnsIndex > m_nodes.size()) {
            FinishTraceRoute();
            return;
        }
        const RouteNode &node = m_nodes[m_dnsIndex - 1];
        if (node.TimedOut || node.Address.isEmpty())
            continue;
        setStatus(QStringLiteral("Resolving ") + node.Address);
        letEventsRun();
        if (!m_running)
            return;
        const QString address = node.Address;
        const bool atRouter = !m_options.routerAddress.isEmpty() && sameAddress(m_options.routerAddress, address);
        m_dnsBusy = true;
        m_dns->LookUpIP(atRouter ? m_options.routerAddress : m_options.dnsServer, address);
        return;
    }
}

void TraceRoute::pollAbort()
{
    if (m_dnsBusy && aborted()) {
        m_dnsBusy = false;
        m_dns->AbortWinsock();
        FinishTraceRoute();
    }
}

void TraceRoute::FinishTraceRoute()
{
    if (!m_running)
        return;
    AddRouteNodes(false);
    m_traceText += CrLf + QStringLiteral("Trace route complete");
    setStatus(QStringLiteral("Trace route complete"));
    end(TraceOutcome::Complete, m_traceText);
}

void TraceRoute::end(TraceOutcome outcome, const QString &text)
{
    m_socket.reset();
    m_abortPoll.stop();
    m_dnsBusy = false;
    m_running = false;
    emit finished(outcome, text);
}

} // namespace quillon
