#pragma once

#include <QHash>
#include <QString>

namespace quillon {

// "settings.ini" as the program takes it at start-up: one text per row of the
// settings table, found by the row's control name. The window copies these
// into its controls; the command line reads them directly.
class SettingsValues final
{
public:
    // Without the file every row holds its design default. With it, a row
    // holds the file's value (an absent key reads blank), a required row its
    // default when that value is unusable, and an empty ping-test target and
    // DNS server borrow the monitoring address and the router's.
    static SettingsValues load(const QString &path);
    static SettingsValues defaults();

    bool fileFound() const { return m_fileFound; }
    QString value(const QString &control) const { return m_values.value(control); }
    // A check box's value: any number but 0.
    bool ticked(const QString &control) const;
    void setValue(const QString &control, const QString &value) { m_values.insert(control, value); }

private:
    QHash<QString, QString> m_values;
    bool m_fileFound{false};
};

} // namespace quillon
