#include "config/core/envreplies.h"

#include "base/misc.h"
#include "config/core/dslfeatures.h"
#include "router/core/telnetcommands.h"

#include <QRegularExpression>

namespace quillon {

namespace {

const QString kLineBreak = QStringLiteral("\r\n");

bool isNumber(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?[0-9]{1,9}(\\.[0-9]{1,6})?$"));
    return number.match(text).hasMatch();
}

// A line of the environment file: a name, then blanks or a TAB, then the value.
bool isEnvLine(const QString &line)
{
    static const QRegularExpression envLine(QStringLiteral("^[A-Za-z0-9_.]+([ \\t]|$)"));
    return envLine.match(line).hasMatch();
}

EnvValue value(const QString &text)
{
    return {EnvValue::State::Value, text};
}

EnvValue unknown(const QString &text)
{
    return {EnvValue::State::Unknown, text};
}

} // namespace

QString EnvReadCommand(const QString &name, bool compat)
{
    return compat ? QStringLiteral("cat ") + QString::fromLatin1(TicfgEnvPath) + QStringLiteral(" | grep ") + name
                  : QStringLiteral("getenv ") + name;
}

QString WithoutTerminalCodes(const QString &line)
{
    static const QRegularExpression csi(QStringLiteral("\x1b\\[[0-9;?]*[@-~]"));
    if (!line.contains(QChar(0x1b)))
        return line;
    QString out = line;
    out.remove(csi);
    return out;
}

bool IsPromptLine(const QString &line)
{
    static const QRegularExpression prompt(QStringLiteral("^(\\S+ )?[#$]$"));
    return prompt.match(WithoutTerminalCodes(line).trimmed()).hasMatch();
}

EnvValue ParseEnvReply(const QStringList &replyLines, const QString &name, bool compat)
{
    QStringList lines;
    for (const QString &raw : replyLines) {
        const QString line = WithoutTerminalCodes(raw).trimmed();
        if (!line.isEmpty() && !IsPromptLine(line))
            lines.append(line);
    }
    if (!compat) {
        if (lines.isEmpty())
            return {EnvValue::State::Unset, {}};
        // getenv prints one line; more is something else talking.
        return lines.size() == 1 && !lines[0].contains(QLatin1Char(':')) ? value(lines[0]) : unknown(lines.join(kLineBreak));
    }
    for (const QString &line : lines) {
        if (!isEnvLine(line))
            return unknown(lines.join(kLineBreak));
    }
    for (const QString &line : lines) {
        qsizetype cut = 0;
        while (cut < line.size() && line[cut] != QLatin1Char(' ') && line[cut] != QLatin1Char('\t'))
            ++cut;
        if (line.left(cut) != name)
            continue;
        const QString found = line.mid(cut).trimmed();
        return found.isEmpty() ? EnvValue{EnvValue::State::Unset, {}} : value(found);
    }
    return {EnvValue::State::Unset, {}};
}

std::optional<int> ThresholdReading::retrainValue() const
{
    if (retrain.state == EnvValue::State::Unset)
        return 0;
    if (retrain.state != EnvValue::State::Value || !isNumber(retrain.text))
        return std::nullopt;
    return int(std::clamp<qint64>(roundHalfEven(Val(retrain.text)), -32768, 32767));
}

std::optional<double> ThresholdReading::thresholdValue() const
{
    if (threshold.state == EnvValue::State::Unset)
        return 0.0;
    if (threshold.state != EnvValue::State::Value || !isNumber(threshold.text))
        return std::nullopt;
    return Val(threshold.text);
}

std::optional<quint32> ThresholdReading::word(int block) const
{
    if (block < 0 || block >= int(words.size()) || words[size_t(block)].state != EnvValue::State::Value)
        return std::nullopt;
    return ParseFeatureWord(words[size_t(block)].text);
}

std::optional<double> ThresholdReading::thresholdDb() const
{
    const std::optional<double> v = thresholdValue();
    if (!v)
        return std::nullopt;
    return double(roundHalfEven(*v)) / 2.0;
}

ThresholdReading ProcessThreshold(const TelnetCommands &commands, bool compat)
{
    const auto read = [&](const QString &name) {
        const QString reply = commands.GetTelnetResponse(EnvReadCommand(name, compat));
        return ParseEnvReply(reply.split(kLineBreak), name, compat);
    };
    ThresholdReading reading;
    reading.retrain = read(QString::fromLatin1(RetrainEnvName));
    reading.threshold = read(QString::fromLatin1(ThresholdEnvName));
    for (int i = 0; i < FeatureWordCount; ++i)
        reading.words[size_t(i)] = read(FeatureWordName(i));
    return reading;
}

QString DbText(double db)
{
    return QString::number(db, 'f', 1).remove(QRegularExpression(QStringLiteral("\\.0$")));
}

QString CurrentThresholdText(const ThresholdReading &reading, const QString &downSNRCaption)
{
    const QString margin = QStringLiteral(". Current SNR Margin = ") + downSNRCaption;
    const std::optional<int> retrain = reading.retrainValue();
    if (!retrain)
        return QStringLiteral("Margin Retrain unknown (the router's reply was not a number)") + margin;
    if (*retrain <= 0)
        return QStringLiteral("Margin Retrain disabled") + margin;
    const std::optional<double> db = reading.thresholdDb();
    if (!db)
        return QStringLiteral("Margin Retrain enabled. The retrain threshold is unknown (the router's reply was not a number)")
            + margin;
    return QStringLiteral("Margin Retrain enabled. Router will retrain when margin drops below ") + DbText(*db)
        + QStringLiteral(" dB") + margin;
}

QString ThresholdInfoLine(const ThresholdReading &reading)
{
    const QString label = QStringLiteral("SNR Margin Threshold: ");
    const std::optional<int> retrain = reading.retrainValue();
    if (!retrain)
        return label + QStringLiteral("unknown");
    if (*retrain <= 0)
        return label + QStringLiteral("not set");
    const std::optional<double> db = reading.thresholdDb();
    return label + (db ? DbText(*db) + QStringLiteral(" dB") : QStringLiteral("unknown"));
}

} // namespace quillon
