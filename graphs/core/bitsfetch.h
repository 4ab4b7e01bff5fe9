#pragma once

// The graph stage of the full fetch: the script that reads the six tone tables
// and the import of their replies.

#include "graphs/core/tonetables.h"

#include <QString>
#include <QStringList>

namespace quillon {

class TelnetCommands;

struct RouterLogin
{
    QString address;
    QString port;
    QString user;
    QString password;
};

// The six commands in the order the script sends them.
const QStringList &BitsCommands();

// The script text (lines joined by CR LF, no line end after the last).
QString GetBits(const RouterLogin &login);

// Imports the replies in the order bit table, SNR bins 0..2, SNR PSD, QLN PSD.
void ProcessBits(const TelnetCommands &commands, ToneTables &tables);

// A reply with the end-marker error line (and anything after it) removed.
QString CutMarkerLine(const QString &reply);

} // namespace quillon
