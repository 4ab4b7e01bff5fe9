#pragma once

#include "history/core/historytypes.h"

#include <QByteArrayView>
#include <optional>

namespace quillon {

class HistoryStore;

// One line of "stats.csv" ("dd/mm/yyyy hh:mm,dsRate,dsAttn,dsMargin,usRate,
// usAttn,usMargin,state,rtt", local time); nullopt for a line that is not one.
std::optional<HistoryReading> ParseStatsCsvLine(QByteArrayView line);

struct CsvImport
{
    qint64 imported{0};
    qint64 skipped{0}; // lines that were not readings (blank lines are not counted)
    bool ok{true};     // false: the store refused them (its problem() says why)
};

// Reads the file in slices, one transaction per slice; lines from `beforeMs`
// on are left out.
CsvImport ImportStatsCsv(HistoryStore &store, const QString &path, qint64 beforeMs);

} // namespace quillon
