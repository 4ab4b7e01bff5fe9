#pragma once

// The modem's three feature words: the descriptions of their bits from
// "dslfeatures.txt", which bits a list shows, and the words as text.

#include <QList>
#include <QString>

#include <array>
#include <optional>

namespace quillon {

inline constexpr char DSLFeaturesFileName[] = "dslfeatures.txt";
inline constexpr int FeatureWordCount = 3;
inline constexpr int FeatureWordBits = 32;

// The environment names of the three words, in block order.
QString FeatureWordName(int block);
// "DSLFC0", "DSLFC1", "DSLPC0".
QString FeatureBlockName(int block);

struct DSLFeature
{
    QString ShortDes;
    QString LongDes;
    quint16 Bit{0};
    QString DSPVersion; // minimum DSP version; empty: every version
};

struct FeatureBlock
{
    QList<DSLFeature> features;
    bool FeatureLoaded{false};
};

using FeatureBlocks = std::array<FeatureBlock, FeatureWordCount>;

// Reads the file (the program folder's copy, else the shipped one).
FeatureBlocks LoadDSLFeatureInfo();
FeatureBlocks ParseDSLFeatureInfo(const QString &text);
// One block's text between its tags. An entry whose bit is not a number
// below 32 is skipped: it could never be shown or written.
FeatureBlock LoadDSLFeatureBlock(const QString &text);

// Whether a list shows the feature: always without the limit, else when the
// DSP version reaches the feature's minimum.
bool IsFeatureListed(const DSLFeature &feature, bool limitByDsp, const QString &dspText);
// The list item's text: "5: Short text".
QString FeatureItemText(const DSLFeature &feature);
// The long description of the first entry with that bit, or empty.
QString GetLongDes(const FeatureBlock &block, int bit);

// The DSP version for the limit from the modem's version text: "7.3" from
// "DSP Datapump version: [7.03.01.00]"; empty when the text has none.
QString ExtractDSP(const QString &versionText);

// A word as the router or the user writes it: "0x" and one to eight hex
// digits, blanks around allowed. Anything else is no word.
std::optional<quint32> ParseFeatureWord(const QString &text);
// The first "0x" word inside a text (the clipboard may hold a whole
// environment line); no word when the digits after it are malformed.
std::optional<quint32> FindFeatureWord(const QString &text);
// "0x" + eight upper-case hex digits.
QString FormatFeatureWord(quint32 word);
// The word to write: the bits the list shows come from the selection, every
// other bit stays as the router has it.
quint32 MergeFeatureWord(quint32 readWord, quint32 listedMask, quint32 selectedMask);

} // namespace quillon
