// The router's system log on the Report tab: on demand, every few minutes,
// saved and cleared as the options say.

#include "app/ui/frmmain.h"

#include "base/appinfo.h"
#include "base/clock.h"
#include "base/dialogs.h"
#include "config/core/systemlog.h"
#include "controls/ui/orblabel.h"
#include "controls/ui/xbutton.h"
#include "stats/core/routerscripts.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <memory>

namespace quillon {

namespace {

const QString kLogDocument = QStringLiteral("SystemLog");

} // namespace

void frmMain::connectSystemLog()
{
    SystemLogCycle &log = m_core->systemLog;
    connect(ui.cmdGetLog, &XButton::Click, this, &frmMain::cmdGetLog_Click);
    connect(ui.chkRegularLog, &QCheckBox::clicked, this, &frmMain::chkRegularLog_Click);
    connect(ui.txtLogInt, &QLineEdit::textChanged, this, [this] { m_core->systemLog.setInterval(ui.txtLogInt->text()); });
    connect(ui.txtLogInt, &QLineEdit::editingFinished, this, &frmMain::txtLogInt_Change);

    connect(&log, &SystemLogCycle::countdownChanged, ui.lblTime, &OrbLabel::setText);
    // A periodic fetch runs unattended: its failures are told in the status line only.
    auto unattended = std::make_shared<bool>(false);
    connect(&log, &SystemLogCycle::fetchStarted, this, [this, unattended](bool periodic) {
        *unattended = periodic;
        if (periodic)
            ui.lblTime->setToolTip(QStringLiteral("Last check: ")
                                   + Clock::now().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));
        ui.txtReport->setToolTip(kLogDocument);
        m_pendingReport.clear();
        ui.txtReport->clear();
    });
    connect(&log, &SystemLogCycle::logRead, ui.txtReport, &QPlainTextEdit::setPlainText);
    connect(&log, &SystemLogCycle::statusChanged, this, &frmMain::setStatus);
    connect(&log, &SystemLogCycle::failed, this, [this, unattended](const JobFailure &failure) {
        setStatus(failure.sentence);
        if (failure.reason == JobFailure::Reason::LoginFailed && !*unattended)
            showLoginRefused();
    });
}

void frmMain::cmdGetLog_Click()
{
    switch (m_core->systemLog.fetchNow()) {
    case SystemLogCycle::StartResult::Started:
        UpdatePingIndicator(true);
        break;
    case SystemLogCycle::StartResult::RouterNotAnswering:
        ReportRouterNotAnswering();
        UpdatePingIndicator(false);
        break;
    case SystemLogCycle::StartResult::MissingLogin:
        setStatus(MissingLoginMessage(sessionSettings().login));
        break;
    case SystemLogCycle::StartResult::Busy:
        break;
    }
}

void frmMain::chkRegularLog_Click()
{
    const bool on = ui.chkRegularLog->isChecked();
    ui.txtLogInt->setEnabled(!on);
    ui.lblTime->setVisible(on);
    if (on)
        m_core->systemLog.startPeriodic(ui.txtLogInt->text());
    else
        m_core->systemLog.stopPeriodic();
}

void frmMain::txtLogInt_Change()
{
    const QString minutes = QString::number(LogIntervalMinsFor(ui.txtLogInt->text()));
    if (ui.txtLogInt->text() != minutes)
        ui.txtLogInt->setText(minutes);
}

} // namespace quillon
