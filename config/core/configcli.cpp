#include "config/core/configcli.h"

#include <QRegularExpression>

namespace quillon {

namespace {

const char *const kSetKeys[] = {"fc0", "fc1", "pc0"};

quint32 listedMask(const FeatureBlock &block)
{
    quint32 mask = 0;
    for (const DSLFeature &feature : block.features)
        mask |= quint32(1) << feature.Bit;
    return mask;
}

} // namespace

QString FeaturesText(const ThresholdReading &reading, const FeatureBlocks &blocks)
{
    QString out;
    for (int i = 0; i < FeatureWordCount; ++i) {
        const EnvValue &value = reading.words[size_t(i)];
        const std::optional<quint32> word = reading.word(i);
        out += FeatureWordName(i) + QLatin1Char(' ');
        if (word)
            out += FormatFeatureWord(*word);
        else if (value.state == EnvValue::State::Unset)
            out += QStringLiteral("not set");
        else
            out += QStringLiteral("unknown");
        out += QLatin1Char('\n');
        if (!word)
            continue;
        for (const DSLFeature &feature : blocks[size_t(i)].features) {
            if (*word & (quint32(1) << feature.Bit))
                out += QStringLiteral("  ") + FeatureItemText(feature) + QLatin1Char('\n');
        }
    }
    return out;
}

FeatureSetRequest ParseFeatureSet(const QString &argument)
{
    FeatureSetRequest request;
    const QStringList parts = argument.split(QLatin1Char(','));
    for (const QString &part : parts) {
        const QString key = part.section(QLatin1Char('='), 0, 0).trimmed().toLower();
        const QString text = part.section(QLatin1Char('='), 1);
        int index = -1;
        for (int i = 0; i < FeatureWordCount; ++i) {
            if (key == QLatin1String(kSetKeys[i]))
                index = i;
        }
        const std::optional<quint32> word = ParseFeatureWord(text);
        if (index < 0 || !part.contains(QLatin1Char('=')) || !word || request.words[size_t(index)]) {
            request.error = QStringLiteral("\"%1\" is not fc0=, fc1= or pc0= with \"0x\" and one to eight hex digits, "
                                           "each at most once.")
                                .arg(part);
            request.words = {};
            return request;
        }
        request.words[size_t(index)] = word;
    }
    return request;
}

FeatureWordSet FeatureWordsToWrite(const FeatureWordSet &given, const FeatureWordSet &read, const FeatureBlocks &blocks)
{
    FeatureWordSet out;
    for (size_t i = 0; i < out.size(); ++i) {
        if (given[i] && read[i])
            out[i] = MergeFeatureWord(*read[i], listedMask(blocks[i]), *given[i]);
    }
    return out;
}

std::optional<int> ThresholdStepsFor(const QString &db)
{
    static const QRegularExpression number(QStringLiteral("^([0-9]{1,2})(\\.([05])0*)?$"));
    const QRegularExpressionMatch m = number.match(db.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const int steps = m.captured(1).toInt() * 2 + (m.captured(3) == QLatin1String("5") ? 1 : 0);
    if (steps < 1 || steps > 20)
        return std::nullopt;
    return steps;
}

QString SystemLogText(const QString &shownLog)
{
    if (shownLog.isEmpty())
        return {};
    return QString(shownLog).replace(QStringLiteral("\r\n"), QStringLiteral("\n")) + QLatin1Char('\n');
}

} // namespace quillon
