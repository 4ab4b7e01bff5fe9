#include "base/settingsvalues.h"

#include "base/inifile.h"
#include "base/misc.h"
#include "base/settingstable.h"

#include <QFileInfo>

namespace quillon {

namespace {

const QString kLossRate = QStringLiteral("LossRate");

} // namespace

SettingsValues SettingsValues::defaults()
{
    SettingsValues v;
    for (const SettingRow &row : settingsTable())
        v.m_values.insert(row.control, row.defaultValue);
    return v;
}

SettingsValues SettingsValues::load(const QString &path)
{
    if (!QFileInfo::exists(path))
        return defaults();
    SettingsValues v;
    v.m_fileFound = true;
    const IniFile ini = IniFile::load(path);
    for (const SettingRow &row : settingsTable())
        v.m_values.insert(row.control, validSetting(row, ini.value(row.section, row.key)));
    const auto borrow = [&v](const char *control, const char *from) {
        if (v.value(QLatin1String(control)).isEmpty())
            v.setValue(QLatin1String(control), v.value(QLatin1String(from)));
    };
    borrow("txtIPToPing", "txtPing");
    borrow("txtDNS", "txtRouter");
    if (Val(v.value(kLossRate)) == 0)
        v.setValue(kLossRate, findSettingOfControl(kLossRate)->defaultValue);
    return v;
}

bool SettingsValues::ticked(const QString &control) const
{
    return clampedWhole(value(control), -32768, 32767) != 0;
}

} // namespace quillon
