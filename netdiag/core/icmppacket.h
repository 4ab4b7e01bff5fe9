#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace quillon::icmp {

// ICMP message types and the header sizes the parser checks against.
inline constexpr quint8 EchoReplyType = 0;
inline constexpr quint8 UnreachableType = 3;
inline constexpr quint8 EchoRequestType = 8;
inline constexpr quint8 TimeExceededType = 11;
inline constexpr int IpHeaderMin = 20;
inline constexpr int IcmpHeaderSize = 8;
inline constexpr int MaxPayload = 65535 - IpHeaderMin - IcmpHeaderSize;

enum class Match { NotOurs, EchoReply, Unreachable, TimeExceeded };

struct Parsed
{
    Match match{Match::NotOurs};
    quint32 from{0}; // sender, host order; 0 when the packet carried no IP header
    quint16 seq{0};  // of our request that was answered
};

// Internet checksum (RFC 1071) over the bytes.
quint16 Checksum(const char *data, qsizetype size);

// An echo request with its checksum filled in.
QByteArray BuildEchoRequest(quint16 id, quint16 seq, const QByteArray &payload);

// Reads one received packet: with an IP header in front (raw socket) or the
// bare ICMP message (datagram socket, where the kernel owns the identifier,
// so only the sequence is compared). Every length is checked before the
// header behind it is read; anything that is not a reply to (id, seq), or an
// error about it, is NotOurs.
Parsed ParsePacket(const char *data, qsizetype size, bool withIpHeader, quint16 id, quint16 seq, bool matchId);
// As ParsePacket for a reply or error about any of our requests: the
// sequence number found is in `seq`.
Parsed ParseAnySequence(const char *data, qsizetype size, bool withIpHeader, quint16 id, bool matchId);

} // namespace quillon::icmp
