// The Ping Test tab.

#include "app/ui/frmmain.h"

#include "controls/ui/xbutton.h"
#include "netdiag/core/pingtest.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace quillon {

void frmMain::cmdPingTest_Click()
{
    BusyLeases::Lease lease = m_core->leases.acquire(QStringLiteral("ping test"));
    AbortRequested = false;
    ui.cmdAbort->setVisible(true);
    ui.txtPingResults->clear();
    QCoreApplication::processEvents();

    const PingTestSettings settings{ui.txtIPToPing->text(), ui.txtPingCount->text(), ui.txtTimeout->text(),
                                    ui.txtPackSz->text()};
    PingTestHooks hooks = defaultPingTestHooks();
    if (m_pingTestEcho)
        hooks.echo = m_pingTestEcho;
    hooks.abortRequested = [this] { return AbortRequested; };
    const QString report = RunPingTest(settings, hooks);
    ui.txtPingResults->setPlainText(report);
    ui.cmdAbort->setVisible(false);
}

void frmMain::cmdAbort_Click()
{
    AbortRequested = true;
    ui.cmdAbort->setVisible(false);
    setStatus(QStringLiteral("Aborting...please wait"));
    QCoreApplication::processEvents();
}

} // namespace quillon
