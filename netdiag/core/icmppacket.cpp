#include "netdiag/core/icmppacket.h"

namespace quillon::icmp {

namespace {

quint16 read16(const char *p)
{
    return quint16((quint8(p[0]) << 8) | quint8(p[1]));
}

quint32 read32(const char *p)
{
    return (quint32(quint8(p[0])) << 24) | (quint32(quint8(p[1])) << 16) | (quint32(quint8(p[2])) << 8)
        | quint32(quint8(p[3]));
}

// Length of a valid IPv4 header carrying ICMP at the start of the data, or 0.
int icmpIpHeaderLength(const char *data, qsizetype size)
{
    if (size < IpHeaderMin)
        return 0;
    const quint8 versionAndLength = quint8(data[0]);
    const int length = (versionAndLength & 0x0F) * 4;
    if ((versionAndLength >> 4) != 4 || length < IpHeaderMin || length > size)
        return 0;
    if (quint8(data[9]) != 1) // protocol ICMP
        return 0;
    return length;
}

bool ours(const char *icmpHeader, quint16 id, bool matchId)
{
    return !matchId || read16(icmpHeader + 4) == id;
}

} // namespace

quint16 Checksum(const char *data, qsizetype size)
{
    quint32 sum = 0;
    qsizetype i = 0;
    for (; i + 1 < size; i += 2)
        sum += read16(data + i);
    if (i < size)
        sum += quint32(quint8(data[i])) << 8;
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return quint16(~sum);
}

QByteArray BuildEchoRequest(quint16 id, quint16 seq, const QByteArray &payload)
{
    QByteArray packet(IcmpHeaderSize, '\0');
    packet[0] = char(EchoRequestType);
    packet[4] = char(id >> 8);
    packet[5] = char(id & 0xFF);
    packet[6] = char(seq >> 8);
    packet[7] = char(seq & 0xFF);
    packet += payload;
    const quint16 sum = Checksum(packet.constData(), packet.size());
    packet[2] = char(sum >> 8);
    packet[3] = char(sum & 0xFF);
    return packet;
}

Parsed ParsePacket(const char *data, qsizetype size, bool withIpHeader, quint16 id, quint16 seq, bool matchId)
{
    const Parsed any = ParseAnySequence(data, size, withIpHeader, id, matchId);
    return any.match != Match::NotOurs && any.seq == seq ? any : Parsed{};
}

Parsed ParseAnySequence(const char *data, qsizetype size, bool withIpHeader, quint16 id, bool matchId)
{
    Parsed result;
    if (!data || size <= 0)
        return result;
    const char *icmp = data;
    qsizetype icmpSize = size;
    quint32 from = 0;
    if (withIpHeader) {
        const int ipLength = icmpIpHeaderLength(data, size);
        if (ipLength == 0)
            return result;
        from = read32(data + 12);
        icmp += ipLength;
        icmpSize -= ipLength;
    }
    if (icmpSize < IcmpHeaderSize)
        return result;

    const quint8 type = quint8(icmp[0]);
    if (type == EchoReplyType) {
        // A raw socket sees every echo reply on the host; only a whole,
        // intact reply to this request counts.
        if (withIpHeader && Checksum(icmp, icmpSize) != 0)
            return result;
        if (ours(icmp, id, matchId))
            result = {Match::EchoReply, from, read16(icmp + 6)};
        return result;
    }
    if (type != UnreachableType && type != TimeExceededType)
        return result;

    // An error quotes the IP header and the first eight bytes of our request.
    const char *quoted = icmp + IcmpHeaderSize;
    const qsizetype quotedSize = icmpSize - IcmpHeaderSize;
    const int quotedIpLength = icmpIpHeaderLength(quoted, quotedSize);
    if (quotedIpLength == 0 || quotedSize - quotedIpLength < IcmpHeaderSize)
        return result;
    const char *request = quoted + quotedIpLength;
    if (quint8(request[0]) != EchoRequestType || !ours(request, id, matchId))
        return result;
    result = {type == UnreachableType ? Match::Unreachable : Match::TimeExceeded, from, read16(request + 6)};
    return result;
}

} // namespace quillon::icmp
