#pragma once

// The scripts of the router's configuration: the threshold read (which also
// reads the feature words), the threshold and feature writes, and the
// system log's read and clear.

#include "stats/core/routerscripts.h"

#include <QString>

#include <array>
#include <optional>

namespace quillon {

// The system log's configuration-manager queries, piped into cm_cli.
inline constexpr char LogStatusQuery[] = "logger:status/log";
inline constexpr char LogClearQuery[] = "begin;logger:command/logclear;end";

// Job 5: the five environment values, retrain first.
QString GetThresholdScript(const RouterLogin &login, bool compat);
// Job 6: sets retrain on and the threshold (half-decibel steps), or clears both.
QString SetThresholdScript(const RouterLogin &login, bool compat, bool clear, int value);
// Job 7: the words given; a word without a value is left alone.
QString SetDSLFeatureScript(const RouterLogin &login, bool compat,
                            const std::array<std::optional<quint32>, 3> &words);
// Job 9: the log, ended by the marker: a log message may hold a "#".
QString GetSystemLogScript(const RouterLogin &login);
// The clear, as a script of its own once the log is safe.
QString ClearSystemLogScript(const RouterLogin &login);

} // namespace quillon
