// Copying settings.ini into the window's controls at start-up and back at close.

#include "app/ui/frmmain.h"

#include "base/inifile.h"
#include "base/misc.h"
#include "base/settingstable.h"
#include "base/settingsvalues.h"
#include "app/ui/uimisc.h"
#include "controls/ui/orblabel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

namespace quillon {

QString *frmMain::specialSetting(const QString &control)
{
    for (auto [name, field] : {std::pair{"LossRate", &LossRate}, std::pair{"BWGraphs", &BWTickedGraphs},
                               std::pair{"LookupSite", &LookupSite}, std::pair{"DirectionsSite", &DirectionsSite},
                               std::pair{"MaxHops", &MaxHops}}) {
        if (control == QLatin1String(name))
            return field;
    }
    return nullptr;
}

void frmMain::LoadIniSettings()
{
    // Without a file every control keeps its design default.
    const SettingsValues values = SettingsValues::load(SettingsPath);
    if (values.fileFound()) {
        for (const SettingRow &row : settingsTable()) {
            const QString value = values.value(row.control);
            switch (row.kind) {
            case SettingKind::Text:
            case SettingKind::Label:
                if (QWidget *w = findChild<QWidget *>(row.control))
                    w->setProperty("text", value);
                break;
            case SettingKind::Check:
                if (auto *check = findChild<QCheckBox *>(row.control))
                    check->setChecked(values.ticked(row.control));
                break;
            case SettingKind::ScrollValue:
                if (auto *bar = findChild<QScrollBar *>(row.control))
                    bar->setValue(value.toInt());
                break;
            case SettingKind::ComboText:
                if (row.control == QLatin1String("cboRouterID"))
                    RouterType = value;
                else if (auto *combo = findChild<QComboBox *>(row.control))
                    SetComboByString(combo, value);
                break;
            case SettingKind::GraphTag: {
                const int i = row.control.right(1).toInt();
                if (i >= 0 && i < 3)
                    GraphTags[size_t(i)] = value;
                break;
            }
            case SettingKind::Special:
                if (QString *field = specialSetting(row.control))
                    *field = value;
                break;
            }
        }
    }
    ApplyDefaults();
}

void frmMain::ApplyDefaults()
{
    for (const SettingRow &row : settingsTable()) {
        auto *box = row.required ? findChild<QLineEdit *>(row.control) : nullptr;
        if (box && !isValidSetting(row, box->text()))
            box->setText(row.defaultValue);
    }
    if (Val(LossRate) == 0)
        LossRate = findSettingOfControl(QStringLiteral("LossRate"))->defaultValue;
    MaxHops = validSetting(*findSettingOfControl(QStringLiteral("MaxHops")), MaxHops);
    ui.lblLoss->setText(LossRate);
}

WriteResult frmMain::SaveIniFile()
{
    IniFile ini = IniFile::load(SettingsPath);
    for (const SettingRow &row : settingsTable()) {
        QString value;
        switch (row.kind) {
        case SettingKind::Text:
        case SettingKind::Label:
            if (QWidget *w = findChild<QWidget *>(row.control))
                value = validSetting(row, w->property("text").toString());
            break;
        case SettingKind::Check:
            if (auto *check = findChild<QCheckBox *>(row.control))
                value = check->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
            break;
        case SettingKind::ScrollValue:
            if (auto *bar = findChild<QScrollBar *>(row.control))
                value = QString::number(bar->value());
            break;
        case SettingKind::ComboText:
            if (row.control == QLatin1String("cboRouterID") && ui.cboRouterID->currentText().isEmpty())
                value = RouterType;
            else if (auto *combo = findChild<QComboBox *>(row.control))
                value = combo->currentText();
            break;
        case SettingKind::GraphTag: {
            const int i = row.control.right(1).toInt();
            if (i >= 0 && i < 3)
                value = GraphTags[size_t(i)];
            break;
        }
        case SettingKind::Special:
            if (const QString *field = specialSetting(row.control))
                value = *field;
            break;
        }
        ini.setValue(row.section, row.key, value);
    }
    return ini.save(SettingsPath, true);
}

} // namespace quillon
