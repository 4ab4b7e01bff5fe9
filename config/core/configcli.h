#pragma once

// What the command line's "features", "threshold" and "syslog" print and
// accept, kept apart from the commands so that they say exactly what the
// window shows.

#include "config/core/dslfeatures.h"
#include "config/core/envreplies.h"

#include <QString>

#include <array>
#include <optional>

namespace quillon {

using FeatureWordSet = std::array<std::optional<quint32>, 3>;

// One line per word as read ("DSL_FEATURE_CNTL_0 0x00004000", "... not set",
// "... unknown"), each followed by the listed bits set in it ("  14: text").
QString FeaturesText(const ThresholdReading &reading, const FeatureBlocks &blocks);

struct FeatureSetRequest
{
    FeatureWordSet words;
    QString error; // non-empty: a usage error
};
// "fc0=0x…[,fc1=0x…][,pc0=0x…]", each word at most once.
FeatureSetRequest ParseFeatureSet(const QString &argument);

// What to write: the bits the description file lists come from the words
// given, every other bit stays as read. Words not given are not written.
FeatureWordSet FeatureWordsToWrite(const FeatureWordSet &given, const FeatureWordSet &read,
                                   const FeatureBlocks &blocks);

// "threshold --set DB": the half-decibel steps of 0.5 ... 10.0 dB in half
// steps; no value for anything else.
std::optional<int> ThresholdStepsFor(const QString &db);

// The log as the report box shows it, with the terminal's line ends.
QString SystemLogText(const QString &shownLog);

} // namespace quillon
