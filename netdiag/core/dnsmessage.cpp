#include "netdiag/core/dnsmessage.h"

#include <QStringList>

#include <iterator>

namespace quillon::dns {

namespace {

// The smallest a question or a record can be: a one-byte root name and the
// fixed fields behind it.
constexpr int MinQuestionSize = 1 + 4;
constexpr int MinRecordSize = 1 + 10;

class Reader
{
public:
    explicit Reader(const QByteArray &bytes)
        : m_data(reinterpret_cast<const quint8 *>(bytes.constData()))
        , m_size(bytes.size())
    {
    }

    qsizetype size() const { return m_size; }
    bool has(qsizetype pos, qsizetype count) const { return pos >= 0 && count >= 0 && pos <= m_size - count; }
    quint8 u8(qsizetype pos) const { return m_data[pos]; }
    quint16 u16(qsizetype pos) const { return quint16((m_data[pos] << 8) | m_data[pos + 1]); }
    quint32 u32(qsizetype pos) const { return (quint32(u16(pos)) << 16) | u16(pos + 2); }

    // A domain name at pos; pos moves past it (past the first pointer when
    // one was followed).
    std::optional<QString> name(qsizetype &pos) const
    {
        QString text;
        qsizetype p = pos;
        qsizetype resume = -1;
        int jumps = 0;
        int wire = 1; // the root byte
        for (;;) {
            if (!has(p, 1))
                return std::nullopt;
            const quint8 b = m_data[p];
            if (b == 0) {
                ++p;
                break;
            }
            if ((b & PointerMark) == PointerMark) {
                if (!has(p, 2))
                    return std::nullopt;
                const qsizetype target = qsizetype(u16(p) & 0x3FFF);
                // Only backwards and never into the header: a pointer can
                // then not lead to itself or past what was read.
                if (target >= p || target < HeaderSize || ++jumps > MaxPointerJumps)
                    return std::nullopt;
                if (resume < 0)
                    resume = p + 2;
                p = target;
                continue;
            }
            if (b > MaxLabel || !has(p + 1, b))
                return std::nullopt;
            wire += 1 + b;
            if (wire > MaxName)
                return std::nullopt;
            appendEscaped(text, p + 1, b, true);
            text += QLatin1Char('.');
            p += 1 + b;
        }
        text.chop(1);
        pos = resume >= 0 ? resume : p;
        return text;
    }

    void appendEscaped(QString &out, qsizetype pos, int count, bool inLabel) const
    {
        for (int i = 0; i < count; ++i) {
            const quint8 c = m_data[pos + i];
            if (c > 0x20 && c < 0x7F && !(inLabel && (c == '.' || c == '\\')))
                out += QLatin1Char(char(c));
            else
                out += QStringLiteral("\\%1").arg(int(c), 3, 10, QLatin1Char('0'));
        }
    }

private:
    const quint8 *m_data;
    qsizetype m_size;
};

bool readHeader(const Reader &r, DNSInfo &info)
{
    if (!r.has(0, HeaderSize))
        return false;
    info.ID = r.u16(0);
    const quint8 b2 = r.u8(2);
    const quint8 b3 = r.u8(3);
    info.QR = b2 & 0x80;
    info.Opcode = quint8((b2 >> 3) & 0x0F);
    info.AA = b2 & 0x04;
    info.TC = b2 & 0x02;
    info.RD = b2 & 0x01;
    info.RA = b3 & 0x80;
    info.Z = quint8((b3 >> 4) & 0x07);
    info.RCODE = quint8(b3 & 0x0F);
    info.QDCOUNT = r.u16(4);
    info.ANCOUNT = r.u16(6);
    info.NSCOUNT = r.u16(8);
    info.ARCOUNT = r.u16(10);
    return true;
}

bool readQuestion(const Reader &r, qsizetype &pos, DNSQuestion &q)
{
    const auto name = r.name(pos);
    if (!name || !r.has(pos, 4))
        return false;
    q.Name = *name;
    q.Type = r.u16(pos);
    q.Class = r.u16(pos + 2);
    pos += 4;
    return true;
}

bool isNameType(quint16 type)
{
    switch (type) {
    case TypeNS: case TypeMD: case TypeMF: case TypeCNAME:
    case TypeMB: case TypeMG: case TypeMR: case TypePTR:
        return true;
    default:
        return false;
    }
}

bool readRecordData(const Reader &r, qsizetype start, qsizetype end, DNSRecord &rec)
{
    if (rec.Type == TypeA) {
        if (end - start != 4)
            return false;
        rec.Data = QStringLiteral("%1.%2.%3.%4").arg(r.u8(start)).arg(r.u8(start + 1)).arg(r.u8(start + 2)).arg(r.u8(start + 3));
    } else if (rec.Type == TypeAAAA) {
        if (end - start != 16)
            return false;
        QStringList groups;
        for (int i = 0; i < 8; ++i)
            groups << QStringLiteral("%1").arg(r.u16(start + 2 * i), 4, 16, QLatin1Char('0')).toUpper();
        rec.Data = groups.join(QLatin1Char(':'));
    } else if (isNameType(rec.Type)) {
        qsizetype p = start;
        const auto name = r.name(p);
        if (!name || p > end)
            return false;
        rec.Data = *name;
    } else if (rec.Type == TypeTXT || rec.Type == TypeX25) {
        QStringList strings;
        for (qsizetype p = start; p < end;) {
            const int length = r.u8(p);
            if (p + 1 + length > end)
                return false;
            QString s;
            r.appendEscaped(s, p + 1, length, false);
            strings << s;
            p += 1 + length;
        }
        rec.Data = strings.join(QLatin1Char(' '));
    } else {
        rec.Data = QString::number(start);
    }
    return true;
}

bool readSection(const Reader &r, qsizetype &pos, qint32 count, QList<DNSRecord> &out)
{
    if (qint64(count) * MinRecordSize > r.size() - pos)
        return false;
    out.reserve(count);
    for (qint32 i = 0; i < count; ++i) {
        DNSRecord rec;
        const auto name = r.name(pos);
        if (!name || !r.has(pos, 10))
            return false;
        rec.Name = *name;
        rec.Type = r.u16(pos);
        rec.Class = r.u16(pos + 2);
        rec.TTL = double(r.u32(pos + 4));
        rec.DataLength = r.u16(pos + 8);
        pos += 10;
        if (!r.has(pos, rec.DataLength) || !readRecordData(r, pos, pos + rec.DataLength, rec))
            return false;
        pos += rec.DataLength;
        out.append(rec);
    }
    return true;
}

} // namespace

QString ReverseName(const QString &address)
{
    const QStringList pieces = address.split(QLatin1Char('.'));
    QString name;
    for (auto it = pieces.crbegin(); it != pieces.crend(); ++it)
        name += *it + QLatin1Char('.');
    return name + QLatin1String(ReverseSuffix);
}

QByteArray BuildQuery(quint16 id, const QString &name, quint16 type, bool recursion, QString *error)
{
    QByteArray message(HeaderSize, '\0');
    message[0] = char(id >> 8);
    message[1] = char(id & 0xFF);
    message[2] = char(recursion ? 0x01 : 0x00);
    message[5] = 1; // QDCOUNT
    qsizetype wire = 1;
    const QStringList labels = name.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    for (const QString &label : labels) {
        const QByteArray bytes = label.toLatin1();
        if (bytes.size() > MaxLabel) {
            if (error)
                *error = QStringLiteral("Label '") + label + QStringLiteral("' is too long (max 63 characters)");
            return {};
        }
        wire += 1 + bytes.size();
        if (wire > MaxName) {
            if (error)
                *error = QStringLiteral("Name '") + name + QStringLiteral("' is too long (max 255 characters)");
            return {};
        }
        message += char(bytes.size());
        message += bytes;
    }
    message += '\0';
    message += char(type >> 8);
    message += char(type & 0xFF);
    message += char(0);
    message += char(ClassIN);
    return message;
}

QByteArray TcpFrame(const QByteArray &message)
{
    const qsizetype n = qMin<qsizetype>(message.size(), 0xFFFF);
    QByteArray framed;
    framed.reserve(n + 2);
    framed += char(n >> 8);
    framed += char(n & 0xFF);
    framed += message.left(n);
    return framed;
}

std::optional<DNSInfo> GetDNSInfo(const QByteArray &message)
{
    const Reader r(message);
    DNSInfo info;
    if (!readHeader(r, info))
        return std::nullopt;
    qsizetype pos = HeaderSize;
    if (qint64(info.QDCOUNT) * MinQuestionSize > r.size() - pos)
        return std::nullopt;
    info.Questions.reserve(info.QDCOUNT);
    for (qint32 i = 0; i < info.QDCOUNT; ++i) {
        DNSQuestion q;
        if (!readQuestion(r, pos, q))
            return std::nullopt;
        info.Questions.append(q);
    }
    if (!readSection(r, pos, info.ANCOUNT, info.Answers) || !readSection(r, pos, info.NSCOUNT, info.Authority)
        || !readSection(r, pos, info.ARCOUNT, info.Additional))
        return std::nullopt;
    return info;
}

bool GetHeaderAndQuestion(const QByteArray &message, DNSInfo &info)
{
    const Reader r(message);
    if (!readHeader(r, info))
        return false;
    info.Questions.clear();
    if (info.QDCOUNT < 1)
        return true;
    qsizetype pos = HeaderSize;
    DNSQuestion q;
    if (!readQuestion(r, pos, q))
        return false;
    info.Questions.append(q);
    return true;
}

QString GetRespCode(int code)
{
    static const char *const texts[] = {"No Error", "Format Error", "Server Failure",
                                        "Name Error", "Not Implemented", "Refused"};
    if (code < 0 || code >= int(std::size(texts)))
        return {};
    return QString::fromLatin1(texts[code]);
}

QString EscapeHostName(const QString &name)
{
    const QByteArray bytes = name.toUtf8();
    QString out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const quint8 c = quint8(ch);
        if (c > 0x20 && c < 0x7F)
            out += QLatin1Char(ch);
        else
            out += QStringLiteral("\\%1").arg(int(c), 3, 10, QLatin1Char('0'));
    }
    return out;
}

} // namespace quillon::dns
