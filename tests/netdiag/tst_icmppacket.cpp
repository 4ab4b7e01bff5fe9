#include "netdiag/core/icmppacket.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace quillon;
using namespace quillon::icmp;

namespace {

QByteArray ipHeader(int payloadSize, quint32 from = 0x7F000001, int protocol = 1)
{
    QByteArray ip(20, '\0');
    ip[0] = char(0x45);
    const int total = 20 + payloadSize;
    ip[2] = char(total >> 8);
    ip[3] = char(total & 0xFF);
    ip[8] = char(64);
    ip[9] = char(protocol);
    for (int i = 0; i < 4; ++i)
        ip[12 + i] = char((from >> (24 - 8 * i)) & 0xFF);
    return ip;
}

QByteArray echoReply(quint16 id, quint16 seq, const QByteArray &payload = "Test")
{
    QByteArray icmp = BuildEchoRequest(id, seq, payload);
    icmp[0] = char(EchoReplyType);
    icmp[2] = icmp[3] = '\0';
    const quint16 sum = Checksum(icmp.constData(), icmp.size());
    icmp[2] = char(sum >> 8);
    icmp[3] = char(sum & 0xFF);
    return icmp;
}

QByteArray errorAbout(quint8 type, quint16 id, quint16 seq)
{
    QByteArray request = BuildEchoRequest(id, seq, "Test").left(8);
    QByteArray quoted = ipHeader(request.size(), 0x0A000001) + request;
    QByteArray icmp(8, '\0');
    icmp[0] = char(type);
    return icmp + quoted;
}

Parsed parse(const QByteArray &bytes, bool withIp, quint16 id = 0x1234, quint16 seq = 7, bool matchId = true)
{
    return ParsePacket(bytes.constData(), bytes.size(), withIp, id, seq, matchId);
}

} // namespace

class TestIcmpPacket : public QObject
{
    Q_OBJECT

private slots:
    void requestChecksumVerifies()
    {
        const QByteArray request = BuildEchoRequest(0x1234, 7, "abc"); // odd length
        QCOMPARE(request.size(), 11);
        QCOMPARE(quint8(request[0]), EchoRequestType);
        QCOMPARE(Checksum(request.constData(), request.size()), quint16(0));
    }

    void repliesToUsAreRecognised()
    {
        const QByteArray reply = echoReply(0x1234, 7);
        const Parsed raw = parse(ipHeader(reply.size(), 0xC0A80101) + reply, true);
        QCOMPARE(raw.match, Match::EchoReply);
        QCOMPARE(raw.from, 0xC0A80101u);
        QCOMPARE(parse(reply, false).match, Match::EchoReply);
        // The datagram socket's kernel owns the identifier.
        QCOMPARE(parse(echoReply(0x9999, 7), false, 0x1234, 7, false).match, Match::EchoReply);

        QCOMPARE(parse(ipHeader(36) + errorAbout(UnreachableType, 0x1234, 7), true).match, Match::Unreachable);
        QCOMPARE(parse(ipHeader(36) + errorAbout(TimeExceededType, 0x1234, 7), true).match, Match::TimeExceeded);
    }

    void othersAndGarbageAreRejected()
    {
        const QByteArray reply = echoReply(0x1234, 7);
        QCOMPARE(parse(ipHeader(reply.size()) + echoReply(0x1234, 8), true).match, Match::NotOurs);
        QCOMPARE(parse(ipHeader(reply.size()) + echoReply(0x1235, 7), true).match, Match::NotOurs);
        QCOMPARE(parse(ipHeader(36) + errorAbout(UnreachableType, 0x1234, 6), true).match, Match::NotOurs);

        QByteArray corrupt = ipHeader(reply.size()) + reply;
        corrupt[corrupt.size() - 1] = 'X';
        QCOMPARE(parse(corrupt, true).match, Match::NotOurs);

        QByteArray request = ipHeader(12) + BuildEchoRequest(0x1234, 7, "Test"); // our own request looped back
        QCOMPARE(parse(request, true).match, Match::NotOurs);
        QCOMPARE(parse(ipHeader(reply.size(), 1, 6) + reply, true).match, Match::NotOurs); // not ICMP

        QByteArray badLength = ipHeader(reply.size()) + reply;
        badLength[0] = char(0x4F); // header longer than the packet
        QCOMPARE(parse(badLength.left(40), true).match, Match::NotOurs);
        badLength[0] = char(0x44); // shorter than the minimum
        QCOMPARE(parse(badLength, true).match, Match::NotOurs);
        badLength[0] = char(0x65); // IPv6 version nibble
        QCOMPARE(parse(badLength, true).match, Match::NotOurs);

        const QByteArray whole = ipHeader(36) + errorAbout(UnreachableType, 0x1234, 7);
        for (qsizetype cut = 0; cut < whole.size(); ++cut)
            QCOMPARE(parse(whole.left(cut), true).match, Match::NotOurs);
        QCOMPARE(ParsePacket(nullptr, 10, true, 1, 1, true).match, Match::NotOurs);

        auto *rng = QRandomGenerator::global();
        for (int round = 0; round < 5000; ++round) {
            QByteArray junk(int(rng->bounded(80)), Qt::Uninitialized);
            for (char &c : junk)
                c = char(rng->bounded(256));
            if (round % 2)
                junk = ipHeader(int(junk.size())) + junk;
            const Parsed p = parse(junk, round % 3 != 0, quint16(rng->bounded(65536)), quint16(rng->bounded(65536)));
            QVERIFY(p.match == Match::NotOurs || junk.size() >= 8);
        }
    }
};

QTEST_GUILESS_MAIN(TestIcmpPacket)
#include "tst_icmppacket.moc"
