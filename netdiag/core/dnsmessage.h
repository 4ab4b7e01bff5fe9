#pragma once

// DNS messages (RFC 1035) as pure functions over bytes: building a query and
// decoding a reply. Nothing here touches a socket, so every function can be
// fed arbitrary bytes (fuzzing: GetDNSInfo(QByteArray(data, size))).

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace quillon::dns {

inline constexpr quint16 TypeA = 1;
inline constexpr quint16 TypeNS = 2;
inline constexpr quint16 TypeMD = 3;
inline constexpr quint16 TypeMF = 4;
inline constexpr quint16 TypeCNAME = 5;
inline constexpr quint16 TypeMB = 7;
inline constexpr quint16 TypeMG = 8;
inline constexpr quint16 TypeMR = 9;
inline constexpr quint16 TypePTR = 12;
inline constexpr quint16 TypeTXT = 16;
inline constexpr quint16 TypeX25 = 19;
inline constexpr quint16 TypeAAAA = 28;
inline constexpr quint16 ClassIN = 1;

inline constexpr int HeaderSize = 12;
inline constexpr int MaxLabel = 63;
inline constexpr int MaxName = 255;         // wire length, root byte included
inline constexpr int MaxPointerJumps = 128;
inline constexpr quint8 PointerMark = 0xC0;
inline constexpr quint16 DefaultPort = 53;
inline constexpr char ReverseSuffix[] = "IN-ADDR.ARPA";

struct DNSQuestion
{
    QString Name;
    quint16 Type{0};
    quint16 Class{0};
};

struct DNSRecord
{
    QString Name;
    quint16 Type{0};
    quint16 Class{0};
    double TTL{0};
    quint16 DataLength{0};
    QString Data;
};

struct DNSInfo
{
    quint16 ID{0};
    bool QR{false}, AA{false}, TC{false}, RD{false}, RA{false};
    quint8 Opcode{0};
    quint8 Z{0};
    quint8 RCODE{0};
    qint32 QDCOUNT{0}, ANCOUNT{0}, NSCOUNT{0}, ARCOUNT{0};
    QList<DNSQuestion> Questions;
    QList<DNSRecord> Answers;
    QList<DNSRecord> Authority;
    QList<DNSRecord> Additional;
};

// 1.2.3.4 gives "4.3.2.1.IN-ADDR.ARPA" (the pieces are not checked).
QString ReverseName(const QString &address);

// The query message; empty with *error set when a label is too long.
QByteArray BuildQuery(quint16 id, const QString &name, quint16 type, bool recursion, QString *error = nullptr);
// The two-byte length prefix of a message sent over TCP.
QByteArray TcpFrame(const QByteArray &message);

// The whole message decoded, or nothing when any part of it is malformed:
// a read past the end, a pointer that does not point backwards, more than
// MaxPointerJumps jumps, a name over MaxName bytes, record data that does not
// match its length. Names come back in presentation form with bytes outside
// printable ASCII (and "." or "\" inside a label) escaped as \DDD.
std::optional<DNSInfo> GetDNSInfo(const QByteArray &message);

// Only the header and the first question, for replies whose sections may be
// cut short (TC set): true when they decode.
bool GetHeaderAndQuestion(const QByteArray &message, DNSInfo &info);

// "No Error", "Format Error" ... for RCODE 0-5, empty otherwise.
QString GetRespCode(int code);

// Host name text made safe for a TAB-separated line: every byte of its UTF-8
// form outside printable ASCII (a blank, TAB or line break too) becomes \DDD.
// Names from GetDNSInfo are already in that form and pass unchanged.
QString EscapeHostName(const QString &name);

} // namespace quillon::dns
