// The trace route of the Ping Test tab and its name-lookup options.

#include "app/ui/frmmain.h"

#include "base/appinfo.h"
#include "base/dialogs.h"
#include "base/settingstable.h"
#include "controls/ui/xbutton.h"
#include "netdiag/core/orbdns.h"
#include "netdiag/core/traceroute.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <utility>

namespace quillon {

void frmMain::setupTraceRoute()
{
    m_dns = new OrbDNS(this);
    m_dns->setObjectName(QStringLiteral("OrbDNS"));
    m_trace = new TraceRoute(m_dns, this);
    m_trace->setObjectName(QStringLiteral("TraceRoute"));
    connect(m_trace, &TraceRoute::statusChanged, this, &frmMain::setStatus);
    connect(m_trace, &TraceRoute::lookupError, this, [this](const QString &message) {
        // Once per trace: the chain goes on, and a box for every hop of a
        // dead server would hold the window for minutes.
        if (std::exchange(m_traceErrorShown, true))
            return;
        Dialogs::message(Dialogs::Icon::Exclamation, QStringLiteral("DNS error"), message);
    });
    connect(m_trace, &TraceRoute::finished, this, [this](TraceOutcome outcome, const QString &text) {
        switch (outcome) {
        case TraceOutcome::Complete:
            ShowTraceResult(text);
            break;
        case TraceOutcome::Aborted:
            ShowTraceResult({});
            Dialogs::message(Dialogs::Icon::Information, appTitle(), QStringLiteral("Trace route aborted."));
            break;
        case TraceOutcome::Failed:
            ShowTraceResult({});
            setStatus(text);
            Dialogs::message(Dialogs::Icon::None, appTitle(), text);
            break;
        }
    });
    connect(ui.cmdTracert, &XButton::Click, this, &frmMain::cmdTracert_Click);
    connect(ui.chkResolve, &QCheckBox::clicked, this, &frmMain::chkResolve_Click);
    connect(ui.chkStandardDNS, &QCheckBox::clicked, this, &frmMain::chkStandardDNS_Click);
}

void frmMain::cmdTracert_Click()
{
    if (m_trace->isRunning())
        return;
    ui.txtPingResults->clear();
    QCoreApplication::processEvents();
    m_traceLease = m_core->leases.acquire(QStringLiteral("trace route"));
    AbortRequested = false;
    ui.cmdAbort->setVisible(true);
    m_traceErrorShown = false;

    TraceOptions options;
    options.target = ui.txtIPToPing->text();
    options.packetSize = ui.txtPackSz->text();
    options.resolve = ui.chkResolve->isChecked();
    options.standardDns = ui.chkStandardDNS->isChecked();
    options.dnsServer = options.standardDns ? QString() : ui.txtDNS->text();
    options.routerAddress = ui.chkUseRouter->isChecked() ? ui.txtRouter->text() : QString();
    options.maxHops = wholeSetting(QStringLiteral("MaxHops"), MaxHops);
    TraceHooks hooks;
    hooks.abortRequested = [this] { return AbortRequested; };
    m_trace->start(options, hooks);
}

void frmMain::ShowTraceResult(const QString &report)
{
    ui.txtPingResults->setPlainText(report);
    ui.cmdAbort->setVisible(false);
    m_traceLease.release();
}

void frmMain::chkResolve_Click()
{
    const bool resolve = ui.chkResolve->isChecked();
    ui.chkStandardDNS->setEnabled(resolve);
    ui.chkUseRouter->setEnabled(resolve);
    ui.txtDNS->setEnabled(resolve && !ui.chkStandardDNS->isChecked());
}

void frmMain::chkStandardDNS_Click()
{
    ui.txtDNS->setEnabled(!ui.chkStandardDNS->isChecked());
}

} // namespace quillon
