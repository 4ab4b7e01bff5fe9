#pragma once

// Every key of "settings.ini", in the order it is loaded and saved, with the
// control that holds its value and the control's default.

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
};

// The settings file, in the program folder.
inline constexpr char SettingsFileName[] = "settings.ini";
// The monitoring ping target when none is set: a public anycast resolver that
// answers echo requests.
inline constexpr char DefaultPingAddress[] = "9.9.9.9";

const QList<SettingRow> &settingsTable();

// The row of a section and key (ignoring case), or nullptr.
const SettingRow *findSetting(const QString &section, const QString &key);

} // namespace quillon
