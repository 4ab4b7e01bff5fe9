#pragma once

// Every key of "settings.ini", in the order it is loaded and saved, with the
// control that holds its value, the control's default and what the program
// needs the value to be.

#include <QList>
#include <QString>

namespace quillon {

enum class SettingKind {
    Text,        // a text box's text
    Check,       // a check box, "0" or "1"
    ScrollValue, // a scroll bar's value as decimal text
    ComboText,   // a drop-down list's text
    Label,       // a label's caption
    GraphTag,    // the graph a chart of the graphs window shows
    Special,     // a value the window keeps outside a plain control
};

struct SettingRow
{
    QString section;
    QString key;
    QString control; // objectName; control arrays as name + "_" + index
    SettingKind kind{SettingKind::Text};
    QString defaultValue;
    // The program cannot work with this value blank: an absent, blank or
    // invalid value gives the default instead of the file's empty text.
    bool required{false};
    // A whole number of minimum..maximum, written in digits only; a row is
    // numeric when maximum >= minimum.
    int minimum{0};
    int maximum{-1};

    bool isWholeNumber() const { return maximum >= minimum; }
};

// The settings file, in the program folder.
inline constexpr char SettingsFileName[] = "settings.ini";
// The monitoring ping target when none is set: a public anycast resolver that
// answers echo requests.
inline constexpr char DefaultPingAddress[] = "9.9.9.9";

const QList<SettingRow> &settingsTable();

// The row of a section and key (ignoring case), or nullptr.
const SettingRow *findSetting(const QString &section, const QString &key);
// The row whose value a control holds, or nullptr.
const SettingRow *findSettingOfControl(const QString &control);

// Whether the program can work with the value: anything for a row that is
// not required; not blank for a required one; digits within the range for a
// whole number.
bool isValidSetting(const SettingRow &row, const QString &value);
// The value when valid, else the row's default.
QString validSetting(const SettingRow &row, const QString &value);
// A whole-number setting held by `control`, as a number within its range:
// what the program counts, sizes and waits by.
int wholeSetting(const QString &control, const QString &value);

} // namespace quillon
