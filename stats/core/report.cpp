#include "stats/core/report.h"

#include "base/apppaths.h"
#include "base/appinfo.h"
#include "base/clock.h"
#include "base/dialogs.h"
#include "base/safefile.h"
#include "stats/core/modemstats.h"

#include <QFileInfo>
#include <QLocale>

namespace quillon {

namespace {

const QString CrLf = QStringLiteral("\r\n");

} // namespace

void AddToString(QString &buffer, const QString &line)
{
    if (buffer.isEmpty())
        buffer = line;
    else
        buffer += CrLf + line;
}

void AddToReport(QString &report, const QString &line)
{
    if (!report.isEmpty())
        report += CrLf;
    report += line;
}

QString ReportHeader(const QString &windowCaption, const QDateTime &now)
{
    // Month names in English whatever the desktop's language: the report is a
    // plain document users paste into forums.
    return windowCaption + QStringLiteral(" report - ")
        + QLocale::c().toString(now, QStringLiteral("dd MMM yyyy hh:mm:ss"));
}

QStringList ModemStatsReportLines(const ModemStatsLabels &labels, const QString &versionText)
{
    return {labels.lastBoot,
            QStringLiteral("DS rate: ") + labels.downRate,
            QStringLiteral("US rate: ") + labels.upRate,
            QStringLiteral("Max DS rate: ") + labels.maxDownRate,
            QStringLiteral("Max US rate: ") + labels.maxUpRate,
            QStringLiteral("DS SNR: ") + labels.downSNR,
            QStringLiteral("US SNR: ") + labels.upSNR,
            QStringLiteral("DS Attn: ") + labels.downAtt,
            QStringLiteral("US Attn: ") + labels.upAtt,
            QStringLiteral("DS Power: ") + labels.downPower,
            QStringLiteral("US Power: ") + labels.upPower,
            QStringLiteral("Mode: ") + labels.mode,
            versionText};
}

void AnalyseAndReport(QString &report, const QString &analysis)
{
    AddToReport(report, analysis);
}

QString CopyReportStatus(const QString &text, bool &copied)
{
    copied = !text.isEmpty();
    return copied ? QStringLiteral("Report has been copied to the clipboard.")
                  : QStringLiteral("There is no report to be copied.");
}

QString ReportFileName(const QDateTime &now, const QString &document)
{
    return now.toString(QStringLiteral("yyyyMMdd_hhmmss")) + QLatin1Char('_') + document + QStringLiteral(".txt");
}

bool SaveReportAs(const QString &text, const QString &document, const QString &path)
{
    const WriteResult written = ReplaceFile(path, text.toLatin1());
    if (written) {
        Dialogs::message(Dialogs::Icon::Information, appTitle(),
                         QStringLiteral("The ") + document + QStringLiteral(" has been saved as: ")
                             + QFileInfo(path).absoluteFilePath());
        return true;
    }
    Dialogs::message(Dialogs::Icon::Exclamation, appTitle(),
                     QStringLiteral("Could not save the ") + document + QStringLiteral(" file.\r\n") + written.error);
    return false;
}

bool SaveReport(const QString &text, const QString &document)
{
    return SaveReportAs(text, document, AppPaths::file(ReportFileName(Clock::now(), document)));
}

} // namespace quillon
