#pragma once

#include "stats/core/linecounters.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace quillon {

class TelnetCommands;
class VendorTable;

// One row of the router's modulation table, name as the router writes it.
struct ADSLMode
{
    QString Name;
    qint32 Code{0};
};

using ADSLModes = QList<ADSLMode>;

// The values of one statistics reading, as texts read from the router after
// their conversions (vendor decoded, mode and path named, margins corrected).
struct ModemStats
{
    QString usRate;
    QString dsRate;
    QString dsMaxRate;
    QString usMaxRate;
    QString dsAttenuation;
    QString dsMargin;
    QString usAttenuation;
    QString usMargin;
    QString dsPower;
    QString usPower;
    QString vendorCode;
    QString vendorRevision;
    QString mode;
    QString path;
    // Whether the trained mode was found in the table; only then does isADSL2
    // replace the window's previous value.
    bool modeFound{false};
    bool isADSL2{false};
    // The error and sync counters of the same reply, raw.
    LineCounters counters;
};

// The captions of the Stats tab's labels for one reading.
struct ModemStatsLabels
{
    QString lastBoot;
    QString downRate;
    QString upRate;
    QString maxDownRate;
    QString maxUpRate;
    QString downSNR;
    QString upSNR;
    QString downAtt;
    QString upAtt;
    QString vendor;
    QString downPower;
    QString upPower;
    QString mode;
};

struct RouterVersion
{
    QString versionText; // the driver version reply, marker line removed
    QString uptime;      // the one-line uptime reply
};

// Router text with every TAB turned into a blank: some telnet servers pass
// the driver's TABs through, BusyBox's expands them.
QString BlankTabs(const QString &text);

void RemoveNoWhere(QString &text);

// The statistics reply prepared for label lookups: each lookup is one search
// through the whole text however many lines it has, so a reply of millions of
// empty lines costs no more than its bytes.
class StatsLines final
{
public:
    explicit StatsLines(const QString &text);
    // The text between label and endLabel on the first line holding label
    // (ignoring case), blanks trimmed; "[EOL]" ends at the line's end.
    QString GetStatsValue(const QString &label, const QString &endLabel) const;

private:
    QString m_text;
    QByteArray m_folded; // m_text in ASCII lower case; other characters never match a label
};

ADSLModes LoadADSLModes(const QString &text);
// The mode's display name ("ADSL 2+"), empty when the code is not in the table.
QString GetADSLMode(const ADSLModes &modes, const QString &code, bool *found = nullptr, bool *isADSL2 = nullptr);
QString GetPathType(const QString &code);
QString ConvertVendor(const QString &hex);
void CorrectSubZero(QString &value);

// The two replies of the statistics script, each still ending in the marker
// line, turned into one reading.
ModemStats ParseModemStats(const QString &modesReply, const QString &statsReply);
ModemStats ProcessModemStats(const TelnetCommands &commands);
RouterVersion ProcessVersion(const TelnetCommands &commands);

// "dd/MM/yyyy hh:mm:ss"; empty before the first uptime reading.
QString BootTimeText(const QDateTime &bootTime);
ModemStatsLabels StatsLabels(const ModemStats &stats, const VendorTable &vendors, const QDateTime &bootTime);

} // namespace quillon
