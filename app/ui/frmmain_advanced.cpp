// The Advanced tab's feature lists and the Settings tab's tweak options:
// what the threshold read shows, and the writes of both.

#include "app/ui/frmmain.h"

#include "base/appinfo.h"
#include "base/dialogs.h"
#include "base/misc.h"
#include "controls/ui/orblabel.h"
#include "controls/ui/orbtab.h"
#include "controls/ui/xbutton.h"
#include "stats/core/routerscripts.h"

#include <QCheckBox>
#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollBar>

#include <functional>

namespace quillon {

namespace {

// A label has no click signal: a release over it counts as one.
class ClickFilter final : public QObject
{
public:
    ClickFilter(QObject *parent, std::function<void()> onClick)
        : QObject(parent), m_onClick(std::move(onClick))
    {
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonRelease)
            m_onClick();
        return false;
    }

private:
    std::function<void()> m_onClick;
};

quint32 bitOf(const QListWidgetItem *item)
{
    return quint32(1) << item->data(Qt::UserRole).toUInt();
}

} // namespace

void frmMain::connectAdvanced()
{
    SessionCore &c = *m_core;
    connect(ui.nTabAdv, &OrbTab::TabClicked, this, &frmMain::nTabAdv_TabClicked);
    for (int i = 0; i < int(ui.lstDSLFeat.size()); ++i) {
        QListWidget *list = ui.lstDSLFeat[size_t(i)];
        connect(list, &QListWidget::currentItemChanged, this, [this, i] { DisplayDSLFeatDes(i); });
        connect(list, &QListWidget::itemClicked, this, [this, i] { DisplayDSLFeatDes(i); });
    }
    ui.lblDSLFeat->installEventFilter(new ClickFilter(this, [this] { lblDSLFeat_Click(); }));
    connect(ui.chkLimitDSP, &QCheckBox::clicked, this, &frmMain::RefreshDSLFeatures);
    connect(ui.txtDSP, &QLineEdit::editingFinished, this, &frmMain::RefreshDSLFeatures);
    connect(ui.cmdSaveDSLFeat, &XButton::Click, this, &frmMain::cmdSaveDSLFeat_Click);
    connect(ui.cmdUpdateRouter, &XButton::Click, this, &frmMain::cmdUpdateRouter_Click);
    connect(ui.chkMarginRetrain, &QCheckBox::clicked, this, &frmMain::chkMarginRetrain_Click);
    connect(ui.hscrThreshold, &QScrollBar::valueChanged, this, &frmMain::hscrThreshold_Change);

    connect(&c.fetch, &RouterInfoFetch::versionRead, this, [this] {
        if (!ui.txtDSP->text().isEmpty())
            return;
        ui.txtDSP->setText(ExtractDSP(m_core->line.versionText));
        if (ui.chkLimitDSP->isChecked())
            RefreshDSLFeatures();
    });
    connect(&c.fetch, &RouterInfoFetch::finished, this, [this] {
        for (int i = 0; i < FeatureWordCount; ++i) {
            if (const std::optional<quint32> word = m_core->line.featureWords[size_t(i)])
                DisplayDSLFeat(i, *word);
        }
    });
    connect(&c.tweaks, &RouterTweaks::thresholdRead, this, &frmMain::showThreshold);
    connect(&c.tweaks, &RouterTweaks::statusChanged, this, &frmMain::setStatus);
    connect(&c.tweaks, &RouterTweaks::writeFailed, this, &frmMain::showWriteFailed);
    connect(&c.tweaks, &RouterTweaks::thresholdWritten, this, [this](bool ok, bool cleared) {
        if (!ok) {
            const QString text = QStringLiteral("Could not save SNR margin threshold settings to router.");
            setStatus(text);
            Dialogs::message(Dialogs::Icon::Exclamation, appTitle(),
                             ui.chkUseLongCommands->isChecked()
                                 ? text
                                 : text + QStringLiteral("\r\nPlease try enabling the compatibility mode."));
        } else if (cleared) {
            const QString text = QStringLiteral("Router's SNR margin threshold has been reset.");
            setStatus(text);
            Dialogs::message(Dialogs::Icon::Information, appTitle(), text);
        } else {
            setStatus(QStringLiteral("Router's SNR margin threshold has been updated."));
            if (Dialogs::message(Dialogs::Icon::Information, appTitle(),
                                 QStringLiteral("Router's SNR margin threshold has been updated. The router needs to be "
                                                "rebooted before\r\nthe new threshold is used. Would you like to reboot "
                                                "your router now?"),
                                 Dialogs::Buttons::YesNo)
                == Dialogs::Answer::Yes)
                RebootRouter();
        }
    });
    connect(&c.tweaks, &RouterTweaks::featuresWritten, this, [this](bool ok) {
        if (!ok) {
            const QString text = QStringLiteral("Could not save DSL Feature Control settings to router.");
            setStatus(text);
            Dialogs::message(Dialogs::Icon::Exclamation, appTitle(),
                             text
                                 + QStringLiteral("\r\nThe values read back from the router differ from those written."));
            return;
        }
        setStatus(QStringLiteral("DSL Feature Control has been set."));
        if (Dialogs::message(Dialogs::Icon::Information, appTitle(),
                             QStringLiteral("DSL Feature Control has been set. The router needs to be rebooted before\r\n"
                                            "the new settings are used. Would you like to reboot your router now?"),
                             Dialogs::Buttons::YesNo)
            == Dialogs::Answer::Yes)
            RebootRouter();
    });
}

void frmMain::SetupConfigControls()
{
    LoadDSLFeatureInfo();
    chkMarginRetrain_Click();
    hscrThreshold_Change();
    chkRegularLog_Click();
}

void frmMain::LoadDSLFeatureInfo()
{
    m_featureBlocks = quillon::LoadDSLFeatureInfo();
    for (int i = 0; i < FeatureWordCount; ++i) {
        QListWidget *list = ui.lstDSLFeat[size_t(i)];
        list->clear();
        for (const DSLFeature &feature : m_featureBlocks[size_t(i)].features) {
            if (!IsFeatureListed(feature, ui.chkLimitDSP->isChecked(), ui.txtDSP->text()))
                continue;
            auto *item = new QListWidgetItem(FeatureItemText(feature), list);
            item->setData(Qt::UserRole, uint(feature.Bit));
        }
    }
}

// The selection the user made survives the refill for every bit still
// listed; bits no longer listed keep the router's value.
void frmMain::RefreshDSLFeatures()
{
    if (ui.txtDSP->text().isEmpty())
        return;
    std::array<quint32, 3> shown{};
    for (int i = 0; i < FeatureWordCount; ++i)
        shown[size_t(i)] = BuildNewDSLFeat(i).value_or(selectedBits(i));
    LoadDSLFeatureInfo();
    for (int i = 0; i < FeatureWordCount; ++i)
        DisplayDSLFeat(i, shown[size_t(i)]);
}

quint32 frmMain::selectedBits(int block) const
{
    quint32 bits = 0;
    const QListWidget *list = ui.lstDSLFeat[size_t(block)];
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->isSelected())
            bits |= bitOf(list->item(row));
    }
    return bits;
}

void frmMain::DisplayDSLFeat(int block, quint32 word)
{
    if (block < 0 || block >= FeatureWordCount)
        return;
    QListWidget *list = ui.lstDSLFeat[size_t(block)];
    for (int row = 0; row < list->count(); ++row) {
        QListWidgetItem *item = list->item(row);
        item->setSelected((word & bitOf(item)) != 0);
    }
}

std::optional<quint32> frmMain::BuildNewDSLFeat(int block) const
{
    if (block < 0 || block >= FeatureWordCount)
        return std::nullopt;
    const std::optional<quint32> read = m_core->line.featureWords[size_t(block)];
    if (!read)
        return std::nullopt;
    quint32 listed = 0;
    const QListWidget *list = ui.lstDSLFeat[size_t(block)];
    for (int row = 0; row < list->count(); ++row)
        listed |= bitOf(list->item(row));
    return MergeFeatureWord(*read, listed, selectedBits(block));
}

void frmMain::DisplayDSLFeatDes(int block)
{
    if (block < 0 || block >= FeatureWordCount || !m_featureBlocks[size_t(block)].FeatureLoaded)
        return;
    const QListWidgetItem *item = ui.lstDSLFeat[size_t(block)]->currentItem();
    if (!item)
        return;
    const int bit = item->data(Qt::UserRole).toInt();
    ui.lblDSLFeat->setText(QStringLiteral("Full description for ") + FeatureBlockName(block) + QStringLiteral(" Bit")
                           + QString::number(bit) + QLatin1Char(':'));
    ui.txtLongDes->setPlainText(GetLongDes(m_featureBlocks[size_t(block)], bit));
}

void frmMain::lblDSLFeat_Click()
{
    const QString text = QGuiApplication::clipboard()->text();
    if (!text.contains(QLatin1String("0x"), Qt::CaseInsensitive))
        return;
    const std::optional<quint32> word = FindFeatureWord(text);
    if (!word) {
        Dialogs::message(Dialogs::Icon::Exclamation, appTitle(),
                         QStringLiteral("The clipboard does not hold a feature word (\"0x\" and one to eight hex digits)."));
        return;
    }
    DisplayDSLFeat(ui.nTabAdv->Selected(), *word);
    Dialogs::message(Dialogs::Icon::Information, appTitle(), QStringLiteral("DSL Feature table updated."));
}

void frmMain::nTabAdv_TabClicked()
{
    const int selected = ui.nTabAdv->Selected();
    for (int i = 0; i < int(ui.lstDSLFeat.size()); ++i)
        ui.lstDSLFeat[size_t(i)]->setVisible(i == selected);
    if (selected >= 0 && selected < int(ui.lstDSLFeat.size()))
        ui.nTabAdv->setToolTip(ui.lstDSLFeat[size_t(selected)]->property("tag").toString());
}

void frmMain::cmdSaveDSLFeat_Click()
{
    RouterTweaks::FeatureWords words;
    for (int i = 0; i < FeatureWordCount; ++i)
        words[size_t(i)] = BuildNewDSLFeat(i);
    switch (m_core->tweaks.writeFeatures(words)) {
    case RouterTweaks::WriteStart::WordsNotRead:
        setStatus(QStringLiteral("DSL Feature Control was not saved."));
        Dialogs::message(Dialogs::Icon::Exclamation, appTitle(), RouterTweaks::WordsNotReadMessage());
        break;
    case RouterTweaks::WriteStart::MissingLogin:
        setStatus(MissingLoginMessage(sessionSettings().login));
        break;
    case RouterTweaks::WriteStart::Started:
    case RouterTweaks::WriteStart::Busy:
        break;
    }
}

void frmMain::cmdUpdateRouter_Click()
{
    const bool set = ui.chkMarginRetrain->isChecked();
    if (m_core->tweaks.writeThreshold(!set, set ? ui.hscrThreshold->value() : 0) == RouterTweaks::WriteStart::MissingLogin)
        setStatus(MissingLoginMessage(sessionSettings().login));
}

void frmMain::chkMarginRetrain_Click()
{
    const bool on = ui.chkMarginRetrain->isChecked();
    ui.lblThreshold->setEnabled(on);
    ui.hscrThreshold->setEnabled(on);
}

void frmMain::hscrThreshold_Change()
{
    ui.lblThreshold->setText(QString::number(ui.hscrThreshold->value() / 2.0, 'f', 1) + QStringLiteral(" dB"));
}

// A value that is not a number leaves the controls as they are: it says
// nothing about what the router does.
void frmMain::showThreshold(const ThresholdReading &reading, bool inFullFetch)
{
    ui.lblCurrentThreshold->setText(CurrentThresholdText(reading, ui.lblDownSNR->text()));
    if (inFullFetch) {
        // The version text ends in a line break of its own: no empty line between.
        QString info = ui.txtInfo->toPlainText();
        while (info.endsWith(QLatin1Char('\n')))
            info.chop(1);
        ui.txtInfo->setPlainText(info + QLatin1Char('\n') + ThresholdInfoLine(reading));
    }
    if (!m_core->tweaks.checking()) {
        const std::optional<int> retrain = reading.retrainValue();
        const std::optional<double> threshold = reading.thresholdValue();
        if (retrain && (*retrain <= 0 || threshold)) {
            ui.chkMarginRetrain->setChecked(*retrain > 0);
            const qint64 steps = *retrain > 0 ? roundHalfEven(*threshold) : ui.hscrThreshold->minimum();
            ui.hscrThreshold->setValue(int(std::clamp<qint64>(steps, ui.hscrThreshold->minimum(), ui.hscrThreshold->maximum())));
            chkMarginRetrain_Click();
        }
    }
    if (!inFullFetch) {
        for (int i = 0; i < FeatureWordCount; ++i) {
            if (const std::optional<quint32> word = reading.word(i))
                DisplayDSLFeat(i, *word);
        }
    }
}

void frmMain::showWriteFailed(const JobFailure &failure)
{
    setStatus(failure.sentence);
    if (failure.reason == JobFailure::Reason::LoginFailed)
        showLoginRefused();
}

} // namespace quillon
