#pragma once

// The graph stage of the full fetch: the script that reads the six tone tables
// and the import of their replies.

#include "graphs/core/tonetables.h"
#include "stats/core/routerscripts.h"

#include <QString>
#include <QStringList>

namespace quillon {

class TelnetCommands;

// The six files in the order the script reads them.
const QStringList &BitsPaths();

// The script text (lines joined by CR LF, no line end after the last).
QString GetBits(const RouterLogin &login);

// Imports the replies in the order bit table, SNR bins 0..2, SNR PSD, QLN PSD.
void ProcessBits(const TelnetCommands &commands, ToneTables &tables);

} // namespace quillon
