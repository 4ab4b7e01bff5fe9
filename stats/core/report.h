#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace quillon {

struct ModemStatsLabels;

// Document names, carried by the report box's tool tip.
inline constexpr char ReportDocument[] = "Report";
inline constexpr char SystemLogDocument[] = "SystemLog";

// buffer = line when empty, else buffer + CR LF + line.
void AddToString(QString &buffer, const QString &line);
// Appends line to the report text, after a CR LF when the text is not empty.
void AddToReport(QString &report, const QString &line);

// "<caption> report - dd MMM yyyy hh:mm:ss"
QString ReportHeader(const QString &windowCaption, const QDateTime &now);

// The statistics block of a full fetch: last boot, the eleven label lines and
// the version text, in report order.
QStringList ModemStatsReportLines(const ModemStatsLabels &labels, const QString &versionText);

// Appends the tone-table gap analysis (already written as text) to the report.
void AnalyseAndReport(QString &report, const QString &analysis);

// Status after a copy request; `copied` tells the caller to put the text on
// the clipboard.
QString CopyReportStatus(const QString &text, bool &copied);

// "yyyyMMdd_hhmmss_<document>.txt"
QString ReportFileName(const QDateTime &now, const QString &document);

// Writes the text unchanged to `path` (replacing it whole) and shows the
// success or failure box. Returns whether it was saved.
bool SaveReportAs(const QString &text, const QString &document, const QString &path);
// Saves into the program folder under ReportFileName(Clock::now(), document).
bool SaveReport(const QString &text, const QString &document);

} // namespace quillon
