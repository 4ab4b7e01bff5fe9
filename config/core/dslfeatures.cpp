#include "config/core/dslfeatures.h"

#include "base/apppaths.h"
#include "base/misc.h"

namespace quillon {

namespace {

const char *const kWordNames[] = {"DSL_FEATURE_CNTL_0", "DSL_FEATURE_CNTL_1", "DSL_PHY_CNTL_0"};
const char *const kBlockNames[] = {"DSLFC0", "DSLFC1", "DSLPC0"};
const char *const kBlockTags[] = {"dslfc0", "dslfc1", "dslpc0"};
const QString kEntrySeparator = QStringLiteral("#");
const QString kDescriptionStart = QStringLiteral(" ~");
const QString kLongStart = QStringLiteral("@");

bool isDigits(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

bool isHexDigit(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
        || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

} // namespace

QString FeatureWordName(int block)
{
    return block >= 0 && block < FeatureWordCount ? QString::fromLatin1(kWordNames[block]) : QString();
}

QString FeatureBlockName(int block)
{
    return block >= 0 && block < FeatureWordCount ? QString::fromLatin1(kBlockNames[block]) : QString();
}

FeatureBlocks LoadDSLFeatureInfo()
{
    return ParseDSLFeatureInfo(LoadAFile(AppPaths::shippedFile(QString::fromLatin1(DSLFeaturesFileName))));
}

FeatureBlocks ParseDSLFeatureInfo(const QString &text)
{
    FeatureBlocks blocks;
    for (int i = 0; i < FeatureWordCount; ++i) {
        const QString tag = QString::fromLatin1(kBlockTags[i]);
        const QString start = QLatin1Char('[') + tag + QLatin1Char(']');
        const QString end = QStringLiteral("[/") + tag + QLatin1Char(']');
        const qsizetype from = text.indexOf(start);
        if (from < 0)
            continue;
        const qsizetype to = text.indexOf(end, from + start.size());
        if (to < 0)
            continue;
        blocks[size_t(i)] = LoadDSLFeatureBlock(text.mid(from + start.size(), to - from - start.size()));
    }
    return blocks;
}

FeatureBlock LoadDSLFeatureBlock(const QString &text)
{
    FeatureBlock block;
    const QStringList entries = text.split(kEntrySeparator);
    if (entries.size() < 2)
        return block;
    for (qsizetype i = 1; i < entries.size(); ++i) {
        const QString &entry = entries[i];
        QString head = Field(entry, kDescriptionStart, 1);
        DSLFeature feature;
        if (head.contains(QLatin1Char('['))) {
            feature.DSPVersion = GetMiddle(QStringLiteral("["), QStringLiteral("]"), head).trimmed();
            head = Field(head, QStringLiteral("["), 1);
        }
        head = head.trimmed();
        if (!isDigits(head) || head.size() > 2 || head.toInt() >= FeatureWordBits)
            continue;
        feature.Bit = quint16(head.toInt());
        const qsizetype descriptionAt = entry.indexOf(kDescriptionStart);
        const QString rest = descriptionAt < 0 ? QString() : entry.mid(descriptionAt + kDescriptionStart.size());
        const qsizetype longAt = rest.indexOf(kLongStart);
        QString shortDes = longAt < 0 ? rest : rest.left(longAt);
        shortDes.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        shortDes.replace(QLatin1Char('\n'), QLatin1Char(' '));
        feature.ShortDes = shortDes.trimmed();
        feature.LongDes = longAt < 0 ? QString() : rest.mid(longAt + kLongStart.size()).trimmed();
        block.features.append(feature);
    }
    block.FeatureLoaded = true;
    return block;
}

bool IsFeatureListed(const DSLFeature &feature, bool limitByDsp, const QString &dspText)
{
    return !limitByDsp || Val(dspText) >= Val(feature.DSPVersion);
}

QString FeatureItemText(const DSLFeature &feature)
{
    return QString::number(feature.Bit) + QStringLiteral(": ") + feature.ShortDes;
}

QString GetLongDes(const FeatureBlock &block, int bit)
{
    for (const DSLFeature &feature : block.features) {
        if (feature.Bit == bit)
            return feature.LongDes;
    }
    return {};
}

QString ExtractDSP(const QString &versionText)
{
    QString v = GetMiddle(QStringLiteral("DSP Datapump version:"), QStringLiteral("]"), versionText, 1, false);
    v = Field(v, QStringLiteral("["), 2);
    QString kept;
    bool dropping = false;
    for (const QChar c : v) {
        if (c == QLatin1Char('.')) {
            dropping = true;
        } else if (c == QLatin1Char('0') && dropping) {
            continue;
        } else {
            dropping = false;
        }
        kept += c;
    }
    if (kept.trimmed().isEmpty())
        return {};
    return QString::number(Val(kept));
}

std::optional<quint32> ParseFeatureWord(const QString &text)
{
    const QString t = text.trimmed();
    if (t.size() < 3 || t.size() > 10 || t[0] != QLatin1Char('0') || (t[1] != QLatin1Char('x') && t[1] != QLatin1Char('X')))
        return std::nullopt;
    quint32 word = 0;
    for (qsizetype i = 2; i < t.size(); ++i) {
        if (!isHexDigit(t[i]))
            return std::nullopt;
        word = (word << 4) | quint32(QString(t[i]).toUInt(nullptr, 16));
    }
    return word;
}

std::optional<quint32> FindFeatureWord(const QString &text)
{
    const qsizetype at = text.indexOf(QLatin1String("0x"), 0, Qt::CaseInsensitive);
    if (at < 0)
        return std::nullopt;
    qsizetype end = at;
    while (end < text.size() && !text[end].isSpace())
        ++end;
    return ParseFeatureWord(text.mid(at, end - at));
}

QString FormatFeatureWord(quint32 word)
{
    return QStringLiteral("0x") + QStringLiteral("%1").arg(word, 8, 16, QLatin1Char('0')).toUpper();
}

quint32 MergeFeatureWord(quint32 readWord, quint32 listedMask, quint32 selectedMask)
{
    return (readWord & ~listedMask) | (selectedMask & listedMask);
}

} // namespace quillon
