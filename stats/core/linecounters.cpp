#include "stats/core/linecounters.h"

#include <QRegularExpression>

namespace quillon {

namespace {

struct CounterInfo
{
    LineCounter counter;
    const char *key;
    // The driver's label, matched with any run of blanks where it has a blank
    // (telnet servers expand its TABs differently).
    const char *label;
    // "Last showtime init. errors:" follows "Showtime init. errors:".
    bool notAfterLast{false};
};

const CounterInfo kCounters[] = {
    {LineCounter::DsCrcInterleaved, "ds_crc_i", nullptr},
    {LineCounter::DsFecInterleaved, "ds_fec_i", nullptr},
    {LineCounter::DsHecInterleaved, "ds_hec_i", nullptr},
    {LineCounter::UsCrcInterleaved, "us_crc_i", nullptr},
    {LineCounter::UsFecInterleaved, "us_fec_i", nullptr},
    {LineCounter::UsHecInterleaved, "us_hec_i", nullptr},
    {LineCounter::DsCrcFast, "ds_crc_f", nullptr},
    {LineCounter::DsFecFast, "ds_fec_f", nullptr},
    {LineCounter::DsHecFast, "ds_hec_f", nullptr},
    {LineCounter::UsCrcFast, "us_crc_f", nullptr},
    {LineCounter::UsFecFast, "us_fec_f", nullptr},
    {LineCounter::UsHecFast, "us_hec_f", nullptr},
    {LineCounter::Los, "los", "LOS errors:"},
    {LineCounter::Sef, "sef", "SEF errors:"},
    {LineCounter::ErroredSecs, "es", "Errored Seconds:"},
    {LineCounter::SeverelyErroredSecs, "ses", "Severely Err Secs:"},
    {LineCounter::TotalInitErrors, "init_err", "Total init. errors:"},
    {LineCounter::TotalInitTimeouts, "init_timeouts", "Total init. timeouts:"},
    {LineCounter::ShowtimeInitErrors, "showtime_init_err", "Showtime init. errors:", true},
    {LineCounter::ShowtimeInitTimeouts, "showtime_init_timeouts", "Showtime init. timeouts:", true},
    {LineCounter::ShowtimeCount, "showtime_count", "Showtime Count:"},
    {LineCounter::DsSuperframes, "ds_superframes", "DS Superframe Cnt :"},
    {LineCounter::UsSuperframes, "us_superframes", "US Superframe Cnt :"},
};
static_assert(std::size(kCounters) == LineCounterCount);

const QString kAtmSection = QStringLiteral("[ATM Stats]");
constexpr qint64 kMaxCounter = 0xFFFFFFFFll;

QRegularExpression labelPattern(const CounterInfo &info)
{
    const QString label = QString::fromLatin1(info.label);
    QString pattern = info.notAfterLast ? QStringLiteral("(?<!last )") : QString();
    for (qsizetype i = 0; i < label.size(); ++i) {
        const QChar ch = label[i];
        if (ch == QLatin1Char(' '))
            pattern += (i + 1 < label.size() && label[i + 1] == QLatin1Char(':')) ? QStringLiteral(" *") : QStringLiteral(" +");
        else
            pattern += QRegularExpression::escape(QString(ch));
    }
    return QRegularExpression(pattern + QStringLiteral(" *(\\S+)"), QRegularExpression::CaseInsensitiveOption);
}

// A whole 32-bit counter, or Absent for anything else (negative init counts
// are printed with %d and mean nothing as counts).
qint64 counterValue(QStringView text)
{
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    return ok && v >= 0 && v <= kMaxCounter ? v : LineCounters::Absent;
}

struct PathPatterns
{
    QRegularExpression crc{QStringLiteral("CRC: *(\\S+)")};
    QRegularExpression fec{QStringLiteral("FEC: *(\\S+)")};
    QRegularExpression hec{QStringLiteral("HEC: *(\\S+)")};
};

} // namespace

const char *lineCounterKey(LineCounter counter)
{
    return kCounters[size_t(counter)].key;
}

bool LineCounters::any() const
{
    for (qint64 v : values) {
        if (v >= 0)
            return true;
    }
    return false;
}

LineCounters ParseLineCounters(QStringView text)
{
    static const auto labelled = [] {
        QList<std::pair<LineCounter, QRegularExpression>> list;
        for (const CounterInfo &info : kCounters) {
            if (info.label)
                list.append({info.counter, labelPattern(info)});
        }
        return list;
    }();
    static const PathPatterns path;

    LineCounters c;
    // Index of the path block's CRC counter, or -1 outside the blocks.
    int block = -1;
    for (qsizetype start = 0, end = 0; start < text.size(); start = end + 1) {
        end = start;
        while (end < text.size() && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        const QStringView line = text.sliced(start, end - start);
        // Every label and counter has a colon: a hostile reply of blank or
        // unlabelled lines costs no pattern matching.
        if (!line.contains(QLatin1Char(':')) && !line.contains(QLatin1Char('[')))
            continue;
        const QStringView trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1Char('['))) {
            if (trimmed.startsWith(kAtmSection, Qt::CaseInsensitive))
                break;
            const bool down = trimmed.contains(QLatin1String("Downstream"), Qt::CaseInsensitive);
            const bool up = trimmed.contains(QLatin1String("Upstream"), Qt::CaseInsensitive);
            const bool interleaved = trimmed.contains(QLatin1String("Interleave"), Qt::CaseInsensitive);
            const bool fast = trimmed.contains(QLatin1String("Fast"), Qt::CaseInsensitive);
            block = -1;
            if ((down || up) && (interleaved || fast)) {
                const LineCounter first = down ? (interleaved ? LineCounter::DsCrcInterleaved : LineCounter::DsCrcFast)
                                               : (interleaved ? LineCounter::UsCrcInterleaved : LineCounter::UsCrcFast);
                block = int(first);
            }
            continue;
        }
        if (block >= 0) {
            const std::pair<const QRegularExpression *, int> fields[] = {{&path.crc, 0}, {&path.fec, 1}, {&path.hec, 2}};
            for (const auto &[pattern, offset] : fields) {
                const QRegularExpressionMatch m = pattern->match(line);
                if (m.hasMatch())
                    c.values[size_t(block + offset)] = counterValue(m.capturedView(1));
            }
            continue;
        }
        for (const auto &[counter, pattern] : labelled) {
            if (c.has(counter))
                continue;
            const QRegularExpressionMatch m = pattern.match(line);
            if (m.hasMatch())
                c.set(counter, counterValue(m.capturedView(1)));
        }
    }
    return c;
}

} // namespace quillon
