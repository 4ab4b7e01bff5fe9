#pragma once

#include "session/core/routerjob.h"
#include "session/core/sessionsettings.h"

#include <QJsonObject>

#include <functional>

namespace quillon {

class CliContext;
class TelnetCommands;
struct ModemStats;
struct ModemStatsLabels;

// Runs one router job to its end: CliExit::Ok after `done`, or the job's
// failure sentence on standard error and its status.
int RunRouterJob(CliContext &context, JobKind kind, const std::function<QString(const SessionSettings &)> &script,
                 const std::function<void(const TelnetCommands &)> &done);

// A statistics reading's values as JSON numbers (null when unknown), with
// the Stats tab's texts under "labels".
QJsonObject StatsJson(const ModemStats &stats, const ModemStatsLabels &labels);

} // namespace quillon
