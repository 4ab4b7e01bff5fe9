#pragma once

// The router's boot environment as the threshold read sees it: the five
// values, how each reply is read in either command set, and the texts that
// show them.

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace quillon {

class TelnetCommands;

inline constexpr char RetrainEnvName[] = "enable_margin_retrain";
inline constexpr char ThresholdEnvName[] = "margin_threshold";
inline constexpr char TicfgEnvPath[] = "/proc/ticfg/env";

// One value as read. Unset: the router has no such variable (an empty
// reply). Unknown: the reply was not a value at all ("getenv: not found").
struct EnvValue
{
    enum class State { Unset, Value, Unknown };
    State state{State::Unknown};
    QString text; // the value, or the reply that was not one
};

// The read command of a name: "getenv name", or with the compatibility
// switch "cat /proc/ticfg/env | grep name".
QString EnvReadCommand(const QString &name, bool compat);

// A shell prompt alone on a line ("#", "/var #", "~ #"), terminal codes aside.
bool IsPromptLine(const QString &line);
// The line without the terminal's control sequences: ash with line editing
// asks for the cursor position (ESC [6n) after every prompt.
QString WithoutTerminalCodes(const QString &line);

// One reply, cut into lines. getenv prints the bare value; the environment
// file has one "name<TAB>value" line per variable, and grep also passes
// longer names that contain this one, so only an exact first field counts.
EnvValue ParseEnvReply(const QStringList &replyLines, const QString &name, bool compat);

struct ThresholdReading
{
    EnvValue retrain;
    EnvValue threshold;
    std::array<EnvValue, 3> words;

    // Unset reads as 0; a value that is not a number is no value.
    std::optional<int> retrainValue() const;
    std::optional<double> thresholdValue() const;
    std::optional<quint32> word(int block) const;
    bool retrainEnabled() const { return retrainValue().value_or(0) > 0; }
    // Half-decibel steps rounded to a whole step, then halved.
    std::optional<double> thresholdDb() const;
};

// The five replies of a threshold read, parsed in the mode the script was
// built with.
ThresholdReading ProcessThreshold(const TelnetCommands &commands, bool compat);

// lblCurrentThreshold's caption.
QString CurrentThresholdText(const ThresholdReading &reading, const QString &downSNRCaption);
// The line for txtInfo and the report: "SNR Margin Threshold: 6 dB".
QString ThresholdInfoLine(const ThresholdReading &reading);
// Decibels as the captions show them: "6", "6.5".
QString DbText(double db);

} // namespace quillon
