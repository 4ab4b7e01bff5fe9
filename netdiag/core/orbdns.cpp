#include "netdiag/core/orbdns.h"

#include "router/core/socketerrors.h"
#include "router/core/socketmaster.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QPointer>
#include <QRandomGenerator>

#include <arpa/inet.h>

namespace quillon {

namespace {

constexpr int MaxQueryCount = 5;
const QString NoResponse = QStringLiteral("!No Response");
const QString InvalidResponse = QStringLiteral("!Invalid Response");
const QString RecordUnavailable = QStringLiteral("!Record Unavailable");
const QString ResponseCode = QStringLiteral("!Response Code: ");

QString errorText(int number, const QString &description)
{
    return QStringLiteral("ERROR: ") + QString::number(number) + QStringLiteral(" - ") + description;
}

// Strictly a dotted quad: inet_pton refuses the shortened and octal forms a
// name lookup would otherwise turn into some other address.
bool parseDotted(const QString &text, quint32 &address)
{
    in_addr a{};
    if (::inet_pton(AF_INET, text.toLatin1().constData(), &a) != 1)
        return false;
    address = ntohl(a.s_addr);
    return true;
}

const dns::DNSRecord *firstOfType(const QList<dns::DNSRecord> &records, quint16 type)
{
    for (const dns::DNSRecord &r : records) {
        if (r.Type == type)
            return &r;
    }
    return nullptr;
}

} // namespace

OrbDNS::OrbDNS(QObject *parent)
    : QObject(parent)
    , m_socket(new CSocketMaster(this))
{
    m_socket->setObjectName(QStringLiteral("wsClassDNS"));
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &OrbDNS::onTimeout);
    connect(m_socket, &CSocketMaster::DataArrival, this, &OrbDNS::onDataArrival);
    connect(m_socket, &CSocketMaster::ConnectEvent, this, &OrbDNS::SendQuery);
    connect(m_socket, &CSocketMaster::Error, this,
            [this](int number, const QString &description, int, const QString &, bool *) {
                onSocketError(number, description);
            });
    // A server that hangs up before the whole reply is there: the time-out
    // decides whether to ask again.
    connect(m_socket, &CSocketMaster::CloseSckEvent, this, &OrbDNS::closeSocket);
}

OrbDNS::~OrbDNS()
{
    if (m_lookupId != -1)
        QHostInfo::abortHostLookup(m_lookupId);
}

void OrbDNS::setTimeout(int ms, int retries)
{
    m_timeoutMs = qMax(1, ms);
    m_retries = qMax(0, retries);
}

void OrbDNS::LookUpIP(const QString &server, const QString &address)
{
    stopQuery();
    m_busy = true;
    m_queryCount = 0;
    m_useTcp = m_tcp;
    m_queryName = dns::ReverseName(address.trimmed());
    const QString first = server.simplified().section(QLatin1Char(' '), 0, 0);
    QString host = first;
    quint16 port = dns::DefaultPort;
    const qsizetype colon = first.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        bool ok = false;
        const uint p = first.mid(colon + 1).toUInt(&ok);
        if (!ok || p < 1 || p > 0xFFFF)
            host.clear();
        else
            host = first.left(colon);
        port = quint16(p);
    }
    if (host.isEmpty()) {
        fail(errorText(0, QStringLiteral("Invalid DNS server")));
        return;
    }
    InitiateQuery(first, host, port);
}

void OrbDNS::AbortWinsock()
{
    stopQuery();
    closeSocket();
}

void OrbDNS::stopQuery()
{
    ++m_generation;
    m_timer.stop();
    if (m_lookupId != -1) {
        QHostInfo::abortHostLookup(m_lookupId);
        m_lookupId = -1;
    }
    m_busy = false;
}

void OrbDNS::InitiateQuery(const QString &displayServer, const QString &remoteHost, quint16 port)
{
    ++m_queryCount;
    const quint64 generation = m_generation;
    emit QueryStart(displayServer);
    if (generation != m_generation)
        return; // the handler cancelled the lookup
    m_port = port;
    m_triesLeft = m_retries + 1;
    m_id = quint16(QRandomGenerator::system()->generate());
    QString error;
    m_query = dns::BuildQuery(m_id, m_queryName, dns::TypePTR, m_recursion, &error);
    if (m_query.isEmpty()) {
        fail(error);
        return;
    }
    if (parseDotted(remoteHost, m_serverIp)) {
        sendAttempt();
        return;
    }
    // Looked up without blocking; the time-out bounds the lookup as well.
    m_lookupId = QHostInfo::lookupHost(remoteHost, this, &OrbDNS::onHostResolved);
    m_timer.start(m_timeoutMs * (m_retries + 1));
}

void OrbDNS::onHostResolved(const QHostInfo &info)
{
    if (info.lookupId() != m_lookupId)
        return;
    m_lookupId = -1;
    m_timer.stop();
    const auto addresses = info.addresses();
    for (const QHostAddress &a : addresses) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol) {
            m_serverIp = a.toIPv4Address();
            sendAttempt();
            return;
        }
    }
    const int number = info.error() == QHostInfo::HostNotFound ? SocketErrors::HostNotFound : SocketErrors::NoAddressRecord;
    fail(errorText(number, SocketErrorText(number)));
}

void OrbDNS::resetSocket(bool tcp)
{
    closeSocket();
    m_socket->setProtocol(tcp ? CSocketMaster::sckTCPProtocol : CSocketMaster::sckUDPProtocol);
}

void OrbDNS::sendAttempt()
{
    m_tcpBuffer.clear();
    const bool reuse = !m_useTcp && m_socket->Protocol() == CSocketMaster::sckUDPProtocol
        && m_socket->State() == CSocketMaster::sckOpen;
    if (!reuse)
        resetSocket(m_useTcp);
    m_timer.start(m_timeoutMs);
    const QString server = QHostAddress(m_serverIp).toString();
    const quint64 generation = m_generation;
    try {
        if (m_useTcp) {
            m_socket->Connect(server, int(m_port)); // SendQuery runs on ConnectEvent
            return;
        }
        if (!reuse)
            m_socket->Bind();
        if (generation != m_generation || m_socket->State() != CSocketMaster::sckOpen)
            return; // Error has been raised
        m_socket->setRemoteHost(server);
        m_socket->setRemotePort(m_port);
    } catch (const SocketRuntimeError &e) {
        onSocketError(e.number, e.text);
        return;
    }
    SendQuery();
}

void OrbDNS::SendQuery()
{
    const QByteArray message = m_useTcp ? dns::TcpFrame(m_query) : m_query;
    try {
        m_socket->SendData(message);
    } catch (const SocketRuntimeError &) {
        onSocketError(0, QStringLiteral("Invalid DNS server"));
    }
}

void OrbDNS::onTimeout()
{
    if (m_lookupId != -1) {
        QHostInfo::abortHostLookup(m_lookupId);
        m_lookupId = -1;
        finish(NoResponse);
        return;
    }
    if (--m_triesLeft > 0)
        sendAttempt();
    else
        finish(NoResponse);
}

void OrbDNS::onDataArrival(qint64 bytesTotal)
{
    // Always drained: the socket outlives a lookup, and a datagram left in
    // its buffer would be read in front of the next one.
    const QByteArray received = m_socket->GetData();
    if (!m_busy)
        return;
    if (!m_useTcp) {
        const QByteArray datagram = received.right(bytesTotal);
        quint32 from = 0;
        // Anyone on the path can send to our port; only the server's own
        // address and port count.
        if (parseDotted(m_socket->RemoteHostIP(), from) && from == m_serverIp && m_socket->RemotePort() == m_port)
            handleMessage(datagram);
        return;
    }
    m_tcpBuffer += received;
    if (m_tcpBuffer.size() < 2)
        return;
    const qsizetype length = (qsizetype(quint8(m_tcpBuffer[0])) << 8) | quint8(m_tcpBuffer[1]);
    if (m_tcpBuffer.size() < 2 + length)
        return;
    const QByteArray message = m_tcpBuffer.mid(2, length);
    m_tcpBuffer.clear();
    handleMessage(message);
}

bool OrbDNS::isOurReply(const QByteArray &message, dns::DNSInfo &header) const
{
    if (!dns::GetHeaderAndQuestion(message, header) || !header.QR || header.ID != m_id || header.Questions.isEmpty())
        return false;
    const dns::DNSQuestion &q = header.Questions.first();
    return q.Type == dns::TypePTR && q.Class == dns::ClassIN
        && q.Name.compare(m_queryName, Qt::CaseInsensitive) == 0;
}

void OrbDNS::handleMessage(const QByteArray &message)
{
    dns::DNSInfo header;
    if (!isOurReply(message, header))
        return;
    if (header.TC && !m_useTcp) {
        m_useTcp = true;
        m_triesLeft = m_retries + 1;
        sendAttempt();
        return;
    }
    const std::optional<dns::DNSInfo> info = dns::GetDNSInfo(message);
    if (!info) {
        finish(InvalidResponse);
        return;
    }
    const dns::DNSRecord *answer = firstOfType(info->Answers, dns::TypePTR);
    // A recursive server's answer carries AA 0 and often NS records beside
    // it: only a reply without the answer is a referral.
    if (!answer && info->RCODE == 0 && !info->AA && m_queryCount < MaxQueryCount && m_recursion) {
        const dns::DNSRecord *ns = firstOfType(info->Authority, dns::TypeNS);
        if (ns && !ns->Data.isEmpty()) {
            ++m_queryCount;
            const dns::DNSRecord *glue = nullptr;
            for (const dns::DNSRecord &r : info->Additional) {
                if (r.Type == dns::TypeA && r.Name.compare(ns->Data, Qt::CaseInsensitive) == 0) {
                    glue = &r;
                    break;
                }
            }
            const QString nameServer = ns->Data;
            InitiateQuery(nameServer, glue ? glue->Data : nameServer, dns::DefaultPort);
            return;
        }
    }
    m_queryCount = 0;
    if (info->RCODE != 0)
        finish(ResponseCode + dns::GetRespCode(info->RCODE));
    else if (!answer || answer->Data.isEmpty())
        finish(RecordUnavailable);
    else
        finish(answer->Data);
}

void OrbDNS::onSocketError(int number, const QString &description)
{
    if (m_busy)
        fail(errorText(number, description));
}

void OrbDNS::finish(const QString &answer)
{
    // A UDP socket stays open for the next lookup: opening one costs more
    // than the query. A late reply to this one fails the ID check there.
    stopQuery();
    if (m_useTcp)
        closeSocket();
    emit DNSResponse(answer);
}

void OrbDNS::fail(const QString &message)
{
    AbortWinsock();
    emit ErrorMsg(message);
}

void OrbDNS::closeSocket()
{
    if (m_socket->State() != CSocketMaster::sckClosed)
        m_socket->CloseSck();
}

} // namespace quillon
