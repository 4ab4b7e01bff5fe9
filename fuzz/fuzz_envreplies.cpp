#include "config/core/dslfeatures.h"
#include "config/core/envreplies.h"
#include "fuzz/fuzzinput.h"

using namespace quillon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = fuzz::text(data, size);
    // The router's environment replies in both command sets.
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const bool compat : {false, true}) {
        ParseEnvReply(lines, QStringLiteral("DSL_FEATURE_CNTL_0"), compat);
        ParseEnvReply(lines, QStringLiteral("MARGIN_THRESHOLD"), compat);
    }
    // The feature description file beside the program, and words from the clipboard.
    for (const FeatureBlock &block : ParseDSLFeatureInfo(text)) {
        for (int bit = 0; bit < 32; ++bit)
            GetLongDes(block, bit);
    }
    ExtractDSP(text);
    if (const std::optional<quint32> word = FindFeatureWord(text))
        fuzz::require(ParseFeatureWord(FormatFeatureWord(*word)) == word);
    return 0;
}
