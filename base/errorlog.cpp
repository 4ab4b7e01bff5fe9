#include "base/errorlog.h"

#include "base/appinfo.h"
#include "base/apppaths.h"
#include "base/clock.h"
#include "base/dialogs.h"
#include "base/safefile.h"

#include <QSysInfo>

#include <pwd.h>
#include <unistd.h>

namespace quillon {

namespace {

// Records are one line each; a quote or line break inside a text would split
// or unbalance the record, so quotes are doubled and breaks become blanks.
QString quoted(QString text)
{
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

QString userName()
{
    QString name = qEnvironmentVariable("USER");
    if (name.isEmpty()) {
        if (const passwd *pw = getpwuid(getuid()))
            name = QString::fromLocal8Bit(pw->pw_name);
    }
    return name;
}

QString computerName()
{
    return QSysInfo::machineHostName();
}

QString errorMessage(const QString &errNumber, const QString &errDescription,
                     const QString &moduleName, const QString &procName)
{
    QString msg = QStringLiteral("Error occured: ") + errNumber + QStringLiteral("\r\n");
    if (!errDescription.isEmpty())
        msg += QStringLiteral("Description: ") + errDescription + QStringLiteral("\r\n");
    if (!moduleName.isEmpty())
        msg += QStringLiteral("Module: ") + moduleName + QStringLiteral("\r\n");
    if (!procName.isEmpty())
        msg += QStringLiteral("Function: ") + procName;
    return msg;
}

QString errorRecord(const QString &errNumber, const QString &errDescription,
                    const QString &moduleName, const QString &procName)
{
    const QString when = Clock::now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return QLatin1Char('#') + when + QLatin1Char('#')
         + QLatin1Char(',') + quoted(errNumber)
         + QLatin1Char(',') + quoted(errDescription)
         + QLatin1Char(',') + quoted(moduleName)
         + QLatin1Char(',') + quoted(procName)
         + QLatin1Char(',') + quoted(appTitleWithVersion())
         + QLatin1Char(',') + quoted(userName())
         + QLatin1Char(',') + quoted(computerName());
}

WriteResult LogError(bool showBox, const QString &errNumber, const QString &errDescription,
                     const QString &moduleName, const QString &procName)
{
    try {
        if (showBox)
            Dialogs::message(Dialogs::Icon::Critical, appTitle() + QStringLiteral(" - ERROR"),
                             errorMessage(errNumber, errDescription, moduleName, procName));
    } catch (...) {
    }
    try {
        return AppendToFile(AppPaths::file(QString::fromLatin1(ErrorLogFileName)),
                            (errorRecord(errNumber, errDescription, moduleName, procName) + QStringLiteral("\r\n")).toLatin1());
    } catch (...) {
        return {QStringLiteral("Cannot append to ") + QString::fromLatin1(ErrorLogFileName)};
    }
}

} // namespace quillon
