#include "stats/core/routerscripts.h"

#include "base/misc.h"
#include "stats/core/report.h"

namespace quillon {

namespace {

const QString LineEnd = QStringLiteral("\\n"); // sent by the engine as a line end

QString sendLine(const QString &text)
{
    return QStringLiteral("SEND ") + Quote(text + LineEnd);
}

QString waitLine(const QString &text)
{
    return QStringLiteral("WAIT ") + Quote(text);
}

} // namespace

QString MissingLoginMessage(const RouterLogin &login)
{
    if (!login.user.trimmed().isEmpty() && !login.password.trimmed().isEmpty())
        return {};
    return QStringLiteral("Please enter the router's user name and password on the Settings tab.");
}

QString QuoteEscape()
{
    return QStringLiteral("\\\"");
}

void AddToScript(QString &script, const QString &line)
{
    AddToString(script, line);
}

void AddLoginPreamble(QString &script, const RouterLogin &login)
{
    AddToScript(script, QStringLiteral("HOST ") + login.host + QLatin1Char(' ') + login.port);
    AddToScript(script, waitLine(QStringLiteral("login")));
    AddToScript(script, sendLine(login.user));
    AddToScript(script, waitLine(QStringLiteral("password")));
    AddToScript(script, sendLine(login.password));
    AddToScript(script, waitLine(QStringLiteral("#")));
}

void AddMarkerRead(QString &script, const QString &path)
{
    const QString marker = QString::fromLatin1(MarkerWord);
    AddToScript(script, sendLine(QStringLiteral("cat ") + path + QLatin1Char(' ') + QuoteEscape() + marker
                                 + QuoteEscape()));
    AddToScript(script, waitLine(marker));
}

QString GetStatsScript(const RouterLogin &login)
{
    QString script;
    AddLoginPreamble(script, login);
    AddMarkerRead(script, QString::fromLatin1(ModulationSchemesPath));
    AddMarkerRead(script, QString::fromLatin1(ModemStatsPath));
    return script;
}

QString GetRouterVersionScript(const RouterLogin &login)
{
    QString script;
    AddLoginPreamble(script, login);
    AddMarkerRead(script, QString::fromLatin1(VersionPath));
    // The marker, not the prompt: a prompt still arriving from the previous
    // command would end a wait for "#" before the uptime came.
    AddMarkerRead(script, QString::fromLatin1(UptimePath));
    return script;
}

QString RebootRouterScript(const RouterLogin &login)
{
    QString script;
    AddLoginPreamble(script, login);
    AddToScript(script, QStringLiteral("DELAY 5"));
    AddToScript(script, sendLine(QStringLiteral("reboot")));
    return script;
}

} // namespace quillon
