// The Exchange tab: the estimate from the line attenuation, the best results
// at the actual distance, and the web lookup of that distance.

#include "app/ui/frmmain.h"

#include "base/appinfo.h"
#include "base/dialogs.h"
#include "controls/ui/orblabel.h"
#include "controls/ui/orbtab.h"
#include "controls/ui/xbutton.h"
#include "exchange/core/exchangelookup.h"
#include "exchange/core/exchangescrapers.h"
#include "exchange/core/exchangeviews.h"
#include "graphs/ui/metalchart.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>

namespace quillon {

namespace {

constexpr quint32 EstimateMarker = 255;   // red
constexpr quint32 ActualMarker = 65280;   // green
constexpr qint32 MarkerWidth = 2;

// What the estimate and the best results show alike: the chart's titles and
// scale, the line type and the two profile captions.
template <typename View>
void ShowSpeedsHeading(MainUi &ui, MetalChart &chart, const View &v)
{
    chart.setChartTitle(v.chartTitle);
    chart.setToolTip(v.chartTip);
    chart.setYCell(v.yCell);
    ui.lblADSLType->setText(v.type);
    ui.lblProfileTitle[0]->setText(v.profileTitle);
    ui.lblProfileTitle[1]->setText(v.bestProfileTitle);
}

const QString Unreachable = QStringLiteral("Could not accesss the Internet to obtain the exchange data.");
const QString NoLookupSite = QStringLiteral(
    "No exchange lookup site is set (\"Lookup site\" in the \"Exchange\" section of settings.ini), "
    "so the exchange details have to be entered by hand.");

void showMessage(const ExchangeMessage &m)
{
    Dialogs::message(m.icon, appTitle(), m.text);
}

} // namespace

ExchangeLookup &frmMain::exchangeLookup()
{
    if (!m_lookup) {
        m_lookup = new ExchangeLookup(this);
        connect(m_lookup, &ExchangeLookup::statusChanged, this, &frmMain::setStatus);
        connect(m_lookup, &ExchangeLookup::exchangeFound, ui.lblExchange, &OrbLabel::setText);
    }
    return *m_lookup;
}

MetalChart &frmMain::speedsChart() const
{
    return *static_cast<MetalChart *>(ui.mcSpeeds);
}

ExchangeInputs frmMain::exchangeInputs() const
{
    const LineState &line = m_core->line;
    return {line.lastStats.dsAttenuation, line.isADSL2, LossRate, ui.txtActualDistance->text()};
}

void frmMain::DispExchange()
{
    const EstimateView v = ExchangeEstimate(Exchange, exchangeInputs());
    if (v.message.isSet())
        showMessage(v.message);
    if (!v.shown)
        return;
    MetalChart &chart = speedsChart();
    ShowSpeedsHeading(ui, chart, v);
    EstimatedColumn = v.column;
    ui.lblDistance->setText(v.distance);
    ui.lblExcRate->setText(v.rate);
    ui.lblDSAttn->setText(v.dsAttn);
    ui.lblProfile->setText(v.profile);
    chart.ResetVerticalColumns();
    if (EstimatedColumn >= 0)
        chart.SetVerticalColumn(EstimatedColumn, MarkerWidth, EstimateMarker);
    chart.CreateColumns(v.graph);
}

void frmMain::cmdCalcBest_Click()
{
    ExchangeMessage message;
    switch (CalcBestPrecheck(exchangeInputs(), message)) {
    case CalcBestNeed::ActualDistance:
        showMessage(message);
        ui.txtActualDistance->setFocus();
        break;
    case CalcBestNeed::RouterInfo:
        showMessage(message);
        ui.OrbTab1->setSelected(0);
        OrbTab1_TabClicked();
        break;
    case CalcBestNeed::Nothing:
        FindBestFromRealDistance();
        break;
    }
}

void frmMain::FindBestFromRealDistance()
{
    const BestView v = ExchangeBest(Exchange, exchangeInputs());
    if (v.message.isSet())
        showMessage(v.message);
    if (!v.shown)
        return;
    MetalChart &chart = speedsChart();
    ShowSpeedsHeading(ui, chart, v);
    ui.lblBestRate->setText(v.bestRate);
    ui.lblInternalAttn->setText(v.internalAttn);
    ui.lblBestProfile->setText(v.bestProfile);
    chart.ResetVerticalColumns();
    if (EstimatedColumn >= 0)
        chart.SetVerticalColumn(EstimatedColumn, MarkerWidth, EstimateMarker);
    if (v.column >= 0)
        chart.SetVerticalColumn(v.column, MarkerWidth, ActualMarker);
    chart.CreateColumns(v.graph);
}

void frmMain::cmdGetDist_Click()
{
    // While a page is awaited the button is the lookup's own Abort button.
    if (m_lookupLease.held()) {
        cmdAbort_Click();
        return;
    }
    ExchangeLookup &lookup = exchangeLookup();
    lookup.setSites(LookupSite, DirectionsSite);
    lookup.setAbortCheck([this] { return AbortRequested; });
    // Every way out gives the options back and the button its caption.
    struct Running
    {
        frmMain &w;
        const QString caption;
        ~Running()
        {
            w.ui.cmdGetDist->setCaption(caption);
            w.m_lookupLease.release();
        }
    } running{*this, ui.cmdGetDist->Caption()};
    m_lookupLease = m_core->leases.acquire(QStringLiteral("exchange lookup"));
    AbortRequested = false;

    if (lookup.lookupSite().isEmpty()) {
        setStatus(NoLookupSite);
        Dialogs::message(Dialogs::Icon::Information, appTitle(), NoLookupSite);
    }
    QString postcode;
    const QUrl &firstSite = lookup.lookupSite().isEmpty() ? lookup.directionsSite() : lookup.lookupSite();
    if (!firstSite.isEmpty()) {
        if (!lookup.SiteReachable(firstSite)) {
            Dialogs::message(Dialogs::Icon::Exclamation, appTitle(), Unreachable);
            setStatus(Unreachable);
            return;
        }
        QString typed = Dialogs::input(appTitle(), QStringLiteral("Please enter your postcode:")).value_or(QString());
        typed.remove(QLatin1Char(' '));
        if (typed.isEmpty())
            return;
        postcode = LookupTokenWithoutBlanks(typed);
        if (postcode.isEmpty()) {
            Dialogs::message(Dialogs::Icon::Exclamation, appTitle(),
                             QStringLiteral("A postcode may hold only letters, digits and blanks."));
            return;
        }
    }

    AbortRequested = false;
    ui.cmdAbort->setVisible(true);
    ui.cmdGetDist->setCaption(QStringLiteral("Abort"));
    ui.cmdGetDist->setEnabled(true);
    QCoreApplication::processEvents();
    const ExchangeLookup::Result r = lookup.Run(postcode, [](const QString &prompt) {
        return Dialogs::input(appTitle(), prompt);
    });
    ui.cmdGetDist->setCaption(running.caption);
    ui.cmdAbort->setVisible(false);

    if (r.aborted) {
        setStatus(QStringLiteral("The distance lookup was aborted."));
        return;
    }
    if (!r.problem.isEmpty())
        Dialogs::message(Dialogs::Icon::Exclamation, appTitle(), r.problem);
    else if (r.distanceSought && r.km <= 0)
        Dialogs::message(Dialogs::Icon::Exclamation, appTitle(), QStringLiteral("Could not find the distance to the exchange."));
    if (r.km > 0)
        ui.txtActualDistance->setText(FormatTwoDecimals(double(r.km)));
    setStatus(QStringLiteral("Finished calculating distance from exchange."));
}

} // namespace quillon
