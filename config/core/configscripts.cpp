#include "config/core/configscripts.h"

#include "base/misc.h"
#include "config/core/dslfeatures.h"
#include "config/core/envreplies.h"

namespace quillon {

namespace {

const QString kLineEnd = QStringLiteral("\\n"); // sent by the engine as a line end

void sendAndWait(QString &script, const QString &command, const QString &waitFor = QStringLiteral("#"))
{
    AddToScript(script, QStringLiteral("SEND ") + Quote(command + kLineEnd));
    AddToScript(script, QStringLiteral("WAIT ") + Quote(waitFor));
}

// One variable set: "setenv name value", or the line written into the
// environment file.
QString setCommand(const QString &name, const QString &value, bool compat)
{
    return compat ? QStringLiteral("echo ") + name + QLatin1Char(' ') + value + QStringLiteral(" >")
                        + QString::fromLatin1(TicfgEnvPath)
                  : QStringLiteral("setenv ") + name + QLatin1Char(' ') + value;
}

QString cmCliCommand(const char *query)
{
    const QString marker = QString::fromLatin1(MarkerWord);
    return QStringLiteral("echo ") + QuoteEscape() + QString::fromLatin1(query) + QuoteEscape()
        + QStringLiteral(" | cm_cli; cat ") + QuoteEscape() + marker + QuoteEscape();
}

} // namespace

QString GetThresholdScript(const RouterLogin &login, bool compat)
{
    QString script;
    AddLoginPreamble(script, login);
    for (const QString &name : {QString::fromLatin1(RetrainEnvName), QString::fromLatin1(ThresholdEnvName),
                                FeatureWordName(0), FeatureWordName(1), FeatureWordName(2)})
        sendAndWait(script, EnvReadCommand(name, compat));
    return script;
}

QString SetThresholdScript(const RouterLogin &login, bool compat, bool clear, int value)
{
    const QString retrain = QString::fromLatin1(RetrainEnvName);
    const QString threshold = QString::fromLatin1(ThresholdEnvName);
    QString script;
    AddLoginPreamble(script, login);
    if (clear && !compat) {
        sendAndWait(script, QStringLiteral("unsetenv ") + retrain);
        sendAndWait(script, QStringLiteral("unsetenv ") + threshold);
    } else if (clear) {
        sendAndWait(script, setCommand(retrain, QStringLiteral("0"), true));
        sendAndWait(script, setCommand(threshold, QStringLiteral("0"), true));
    } else {
        sendAndWait(script, setCommand(retrain, QStringLiteral("1"), compat));
        sendAndWait(script, setCommand(threshold, QString::number(value), compat));
    }
    return script;
}

QString SetDSLFeatureScript(const RouterLogin &login, bool compat,
                            const std::array<std::optional<quint32>, 3> &words)
{
    QString script;
    AddLoginPreamble(script, login);
    for (int i = 0; i < FeatureWordCount; ++i) {
        if (words[size_t(i)])
            sendAndWait(script, setCommand(FeatureWordName(i), FormatFeatureWord(*words[size_t(i)]), compat));
    }
    return script;
}

QString GetSystemLogScript(const RouterLogin &login)
{
    QString script;
    AddLoginPreamble(script, login);
    sendAndWait(script, cmCliCommand(LogStatusQuery), QString::fromLatin1(MarkerWord));
    return script;
}

QString ClearSystemLogScript(const RouterLogin &login)
{
    QString script;
    AddLoginPreamble(script, login);
    sendAndWait(script, cmCliCommand(LogClearQuery), QString::fromLatin1(MarkerWord));
    return script;
}

} // namespace quillon
