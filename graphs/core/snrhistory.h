#pragma once

// The downstream SNR margin of the last 100 monitored readings, kept across
// runs in "snr_stats.txt".

#include "base/safefile.h"
#include "graphs/core/graphdrawing.h"

#include <array>

namespace quillon {

class SnrHistory final
{
public:
    static constexpr int Points = 100;
    static const QString FileName;

    // Drops the oldest sample and stores the numeric value of text as the newest;
    // an empty text adds nothing.
    void addSample(const QString &text);
    // The chart of the history ("DrawSNR" without a new sample).
    GraphDrawing drawing() const;

    // Missing or empty file: the history stays as it is. A short file fills the
    // first values only.
    void LoadSNRFromFile();
    WriteResult SaveSNRToFile() const;

    // "v0,v1,...,v99" without the line end.
    QString toLine() const;
    void fromText(const QString &text);

    const std::array<float, Points> &values() const { return m_values; }

private:
    std::array<float, Points> m_values{};
};

} // namespace quillon
