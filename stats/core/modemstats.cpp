#include "stats/core/modemstats.h"

#include "base/misc.h"
#include "router/core/telnetcommands.h"
#include "stats/core/routerscripts.h"
#include "stats/core/vendors.h"

#include <cmath>
#include <cstring>

namespace quillon {

namespace {

const QString EndOfLine = QStringLiteral("[EOL]");

// Labels of the modem statistics file; a blank before some colons is the
// driver's own spelling.
const QString UsRateLabel = QStringLiteral("US Connection Rate:");
const QString DsRateLabel = QStringLiteral("DS Connection Rate:");
const QString DsMaxRateLabel = QStringLiteral("DS Max Attainable Bit Rate:");
const QString UsMaxRateLabel = QStringLiteral("US Max Attainable Bit Rate:");
const QString DsAttenuationLabel = QStringLiteral("DS Line Attenuation:");
const QString DsMarginLabel = QStringLiteral("DS Margin:");
const QString UsAttenuationLabel = QStringLiteral("US Line Attenuation:");
const QString UsMarginLabel = QStringLiteral("US Margin:");
const QString DsPowerLabel = QStringLiteral("DS Transmit Power:");
const QString UsPowerLabel = QStringLiteral("US Transmit Power :");
const QString VendorLabel = QStringLiteral("ATUC Vendor Code:");
const QString RevisionLabel = QStringLiteral("ATUC Revision:");
const QString TrainedModeLabel = QStringLiteral("Trained Mode:");
const QString SelectedModeLabel = QStringLiteral("Selected Mode:");
const QString TrainedPathLabel = QStringLiteral("Trained Path:");
const QString PeakCellRateLabel = QStringLiteral("US Peak Cell Rate:");

// The ways BusyBox versions word the error for the missing marker file.
const QString NoWhereError = QStringLiteral("cat: no_where: No such file or directory");
const QString NoWhereOpenError = QStringLiteral("cat: can't open 'no_where'");

constexpr double TwoTo31 = 2147483648.0;
constexpr double TwoTo32 = 4294967296.0;

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

QByteArray foldedLabel(const QString &label)
{
    return label.toLatin1().toLower();
}

// glibc's two-way search: linear in the text, no allocation.
qsizetype find(const QByteArray &haystack, qsizetype from, qsizetype to, const QByteArray &needle)
{
    if (needle.isEmpty() || to - from < needle.size())
        return -1;
    const void *hit = ::memmem(haystack.constData() + from, size_t(to - from), needle.constData(), size_t(needle.size()));
    return hit ? static_cast<const char *>(hit) - haystack.constData() : -1;
}

// Cuts the text at the start of the first occurrence of `line`, whether or
// not a line end follows it.
void cutAtLine(QString &text, const QString &line)
{
    const qsizetype at = IndexOfNoCase(text, line);
    if (at >= 0)
        text.truncate(at);
}

QString numberText(double value)
{
    if (value == std::floor(value) && std::fabs(value) < 9.0e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'g', 15);
}

} // namespace

QString BlankTabs(const QString &text)
{
    QString out = text;
    out.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return out;
}

void RemoveNoWhere(QString &text)
{
    if (IndexOfNoCase(text, NoWhereError) >= 0) {
        cutAtLine(text, NoWhereError);
    } else if (IndexOfNoCase(text, NoWhereOpenError) >= 0) {
        cutAtLine(text, NoWhereOpenError);
    } else if (IndexOfNoCase(text, QString::fromLatin1(MarkerWord)) >= 0) {
        const QString middle = GetMiddle(QStringLiteral("cat:"), QStringLiteral("directory"), text, 1, false);
        if (!middle.isEmpty()) {
            cutAtLine(text, QStringLiteral("cat:") + middle + QStringLiteral("directory"));
            return;
        }
        // The wait for the marker ends as soon as the word arrives, so a
        // router that sends its output in small pieces leaves the error line
        // unfinished at the end.
        const qsizetype lineStart = text.lastIndexOf(QLatin1Char('\n')) + 1;
        const QStringView last = QStringView(text).mid(lineStart);
        if (last.startsWith(QLatin1String("cat:"), Qt::CaseInsensitive)
            && last.contains(QLatin1String(MarkerWord), Qt::CaseInsensitive))
            text.truncate(lineStart);
    }
}

StatsLines::StatsLines(const QString &text)
    : m_text(text)
{
    m_folded.resize(text.size());
    char *out = m_folded.data();
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        *out++ = u < 0x80 ? char((u >= 'A' && u <= 'Z') ? u + 32 : u) : char(0x80);
    }
}

QString StatsLines::GetStatsValue(const QString &label, const QString &endLabel) const
{
    // The first occurrence in the text lies on the first line that holds the label.
    const QByteArray wanted = foldedLabel(label);
    const qsizetype at = find(m_folded, 0, m_folded.size(), wanted);
    if (at < 0)
        return {};
    qsizetype lineEnd = at;
    while (lineEnd < m_folded.size() && !isLineEnd(m_folded.at(lineEnd)))
        ++lineEnd;
    const qsizetype from = at + wanted.size();
    qsizetype to = find(m_folded, from, lineEnd, foldedLabel(endLabel));
    if (to < 0) {
        if (endLabel != EndOfLine)
            return {};
        to = lineEnd;
    }
    return QStringView(m_text).mid(from, to - from).trimmed().toString();
}

ADSLModes LoadADSLModes(const QString &text)
{
    ADSLModes modes;
    const QString blanked = BlankTabs(text);
    const QStringView all(blanked);
    for (qsizetype from = 0; from <= all.size();) {
        qsizetype end = from;
        while (end < all.size() && all[end] != QLatin1Char('\r') && all[end] != QLatin1Char('\n'))
            ++end;
        const QStringView raw = all.mid(from, end - from).trimmed();
        from = end + 1;
        if (raw.isEmpty())
            continue;
        const QString line = RemoveMultipleBlocks(raw.toString(), QStringLiteral(" "), false).trimmed();
        if (line.isEmpty())
            continue;
        QString code = Field(line, QStringLiteral(" "), 2);
        code.replace(QStringLiteral("0x"), QStringLiteral("&H"), Qt::CaseInsensitive);
        const double value = Val(code);
        ADSLMode mode{Field(line, QStringLiteral(" "), 1),
                      (value >= -32768 && value <= 32767) ? qint32(roundHalfEven(value)) : -1};
        if (!modes.isEmpty() && modes.last().Name.isEmpty())
            modes.last() = mode;
        else
            modes.append(mode);
    }
    return modes;
}

QString GetADSLMode(const ADSLModes &modes, const QString &code, bool *found, bool *isADSL2)
{
    const double value = Val(code);
    const bool fits = value >= -32768 && value <= 32767;
    const qint64 wanted = fits ? roundHalfEven(value) : 0;
    for (const ADSLMode &mode : modes) {
        if (!fits || mode.Code != wanted)
            continue;
        if (found)
            *found = true;
        if (isADSL2)
            *isADSL2 = mode.Name.startsWith(QStringLiteral("ADSL_2"), Qt::CaseInsensitive);
        QString name = mode.Name;
        name.replace(QLatin1Char('_'), QLatin1Char(' '));
        name.replace(QStringLiteral("plus"), QStringLiteral("+"));
        return name;
    }
    if (found)
        *found = false;
    return {};
}

QString GetPathType(const QString &code)
{
    const qint64 path = roundHalfEven(Val(code));
    if (path == 0)
        return QStringLiteral("Fastpath");
    if (path == 1)
        return QStringLiteral("Interleaved");
    return QStringLiteral("Unknown path (") + QString::number(path) + QLatin1Char(')');
}

QString ConvertVendor(const QString &hex)
{
    QString out;
    for (qsizetype i = 0; i < hex.size(); i += 2) {
        bool ok = false;
        const uint code = hex.mid(i, 2).toUInt(&ok, 16);
        if (ok && code != 0)
            out += QChar(code);
    }
    return out;
}

void CorrectSubZero(QString &value)
{
    const double v = Val(value);
    const double magnitude = std::fabs(v);
    if (magnitude <= 65535)
        return;
    // The driver prints a negative DS margin as 2^31 + margin, and a negative
    // ADSL2/2+ US margin as an unsigned 32-bit number.
    const double corrected = (v >= TwoTo32 - 65536) ? v - TwoTo32 : magnitude - TwoTo31;
    value = numberText(corrected);
}

ModemStats ParseModemStats(const QString &modesReply, const QString &statsReply)
{
    QString modesText = BlankTabs(modesReply);
    RemoveNoWhere(modesText);
    const ADSLModes modes = LoadADSLModes(modesText);

    QString statsText = BlankTabs(statsReply);
    RemoveNoWhere(statsText);
    const StatsLines lines(statsText);

    ModemStats s;
    s.usRate = lines.GetStatsValue(UsRateLabel, DsRateLabel);
    s.dsRate = lines.GetStatsValue(DsRateLabel, EndOfLine);
    s.dsMaxRate = lines.GetStatsValue(DsMaxRateLabel, EndOfLine);
    s.usMaxRate = lines.GetStatsValue(UsMaxRateLabel, EndOfLine);
    s.dsAttenuation = lines.GetStatsValue(DsAttenuationLabel, DsMarginLabel);
    s.dsMargin = lines.GetStatsValue(DsMarginLabel, EndOfLine);
    s.usAttenuation = lines.GetStatsValue(UsAttenuationLabel, UsMarginLabel);
    s.usMargin = lines.GetStatsValue(UsMarginLabel, EndOfLine);
    s.dsPower = lines.GetStatsValue(DsPowerLabel, EndOfLine);
    s.usPower = lines.GetStatsValue(UsPowerLabel, DsPowerLabel);
    s.vendorCode = ConvertVendor(lines.GetStatsValue(VendorLabel, RevisionLabel));
    s.vendorRevision = lines.GetStatsValue(RevisionLabel, EndOfLine);
    s.mode = GetADSLMode(modes, lines.GetStatsValue(TrainedModeLabel, SelectedModeLabel), &s.modeFound, &s.isADSL2);
    s.path = GetPathType(lines.GetStatsValue(TrainedPathLabel, PeakCellRateLabel));
    CorrectSubZero(s.dsMargin);
    CorrectSubZero(s.usMargin);
    s.counters = ParseLineCounters(statsText);
    return s;
}

QString BootTimeText(const QDateTime &bootTime)
{
    return bootTime.isValid() ? bootTime.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")) : QString();
}

ModemStatsLabels StatsLabels(const ModemStats &stats, const VendorTable &vendors, const QDateTime &bootTime)
{
    const QString kbits = QStringLiteral(" kbit/s");
    const QString dB = QStringLiteral(" dB");
    ModemStatsLabels l;
    l.lastBoot = QStringLiteral("Last boot: ") + BootTimeText(bootTime);
    l.downRate = stats.dsRate + kbits;
    l.upRate = stats.usRate + kbits;
    l.maxDownRate = GetFormattedRate(stats.dsMaxRate);
    l.maxUpRate = GetFormattedRate(stats.usMaxRate);
    l.downSNR = stats.dsMargin + dB;
    l.upSNR = stats.usMargin + dB;
    l.downAtt = stats.dsAttenuation + dB;
    l.upAtt = stats.usAttenuation + dB;
    l.vendor = vendors.FindVendor(stats.vendorCode) + QStringLiteral(", Revision ") + stats.vendorRevision;
    l.downPower = stats.dsPower + dB;
    l.upPower = stats.usPower + dB;
    l.mode = stats.mode + QLatin1Char(' ') + stats.path;
    return l;
}

} // namespace quillon
