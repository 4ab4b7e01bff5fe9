// Copying settings.ini into the window's controls at start-up and back at close.

#include "app/ui/frmmain.h"

#include "base/inifile.h"
#include "base/misc.h"
#include "base/settingstable.h"
#include "app/ui/uimisc.h"
#include "controls/ui/orblabel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

#include <limits>

namespace quillon {

namespace {

// A check box or scroll bar takes the text's numeric value as a 16-bit
// integer; a value that does not fit counts as 0 rather than stopping the load.
int toShort(const QString &text)
{
    const double v = Val(text);
    if (v < std::numeric_limits<qint16>::min() - 0.5 || v > std::numeric_limits<qint16>::max() + 0.5)
        return 0;
    return int(roundHalfEven(v));
}

bool isPingTestSection(const SettingRow &row)
{
    return row.section.compare(QLatin1String("Ping test"), Qt::CaseInsensitive) == 0;
}

} // namespace

void frmMain::LoadIniSettings()
{
    if (QFileInfo::exists(SettingsPath)) {
        const IniFile ini = IniFile::load(SettingsPath);
        bool pingTestDone = false;
        for (const SettingRow &row : settingsTable()) {
            if (!pingTestDone && !isPingTestSection(row) && row.section != QLatin1String("Options")) {
                // Between the ping-test and exchange sections: empty targets borrow.
                pingTestDone = true;
                if (ui.txtIPToPing->text().isEmpty())
                    ui.txtIPToPing->setText(ui.txtPing->text());
                if (ui.txtDNS->text().isEmpty())
                    ui.txtDNS->setText(ui.txtRouter->text());
            }
            const QString value = ini.value(row.section, row.key);
            switch (row.kind) {
            case SettingKind::Text:
            case SettingKind::Label:
                if (QWidget *w = findChild<QWidget *>(row.control))
                    w->setProperty("text", value);
                break;
            case SettingKind::Check:
                if (auto *check = findChild<QCheckBox *>(row.control))
                    check->setChecked(toShort(value) != 0);
                break;
            case SettingKind::ScrollValue:
                if (auto *bar = findChild<QScrollBar *>(row.control))
                    bar->setValue(std::clamp(toShort(value), bar->minimum(), bar->maximum()));
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
                if (row.control == QLatin1String("LossRate"))
                    LossRate = value;
                else
                    BWTickedGraphs = value;
                break;
            }
        }
    }
    ApplyDefaults();
}

void frmMain::ApplyDefaults()
{
    if (ui.txtPort->text().isEmpty())
        ui.txtPort->setText(QStringLiteral("23"));
    if (Val(LossRate) == 0)
        LossRate = QStringLiteral("13.81");
    ui.lblLoss->setText(LossRate);
    if (ui.txtDSStart->text().isEmpty())
        ui.txtDSStart->setText(QStringLiteral("32"));
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
                value = w->property("text").toString();
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
            value = row.control == QLatin1String("LossRate") ? LossRate : BWTickedGraphs;
            break;
        }
        ini.setValue(row.section, row.key, value);
    }
    return ini.save(SettingsPath, true);
}

} // namespace quillon
