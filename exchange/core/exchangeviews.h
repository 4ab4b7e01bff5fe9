#pragma once

// What the Exchange tab shows for an estimate and for the best results, as
// texts, so that the window and the command line print the same thing.

#include "base/dialogs.h"
#include "exchange/core/exchangemodel.h"

#include <QList>
#include <QPair>
#include <QString>

namespace quillon {

struct ExchangeInputs
{
    QString dsAttenuation; // as read from the router, without unit
    bool adsl2{false};
    QString lossRate;       // dB/km, as in the settings
    QString actualDistance; // km, as typed
};

// A box to show instead of figures; icon None means there is none.
struct ExchangeMessage
{
    Dialogs::Icon icon{Dialogs::Icon::None};
    QString text;
    bool isSet() const { return icon != Dialogs::Icon::None; }
};

struct EstimateView
{
    ExchangeMessage message;
    bool shown{false}; // false: stopped, with or without a message
    QString chartTitle;
    QString chartTip;
    int yCell{1000};
    QString distance;
    QString rate;
    QString dsAttn;
    QString type;
    QString profileTitle; // over the profile of the estimate
    QString bestProfileTitle;
    QString profile;
    float column{-1};
    QString graph;
};

struct BestView
{
    ExchangeMessage message;
    bool shown{false}; // false: stopped, with or without a message
    QString chartTitle;
    QString chartTip;
    int yCell{1000};
    QString bestRate;
    QString internalAttn;
    QString type;
    QString profileTitle;
    QString bestProfileTitle;
    QString bestProfile;
    float column{-1};
    QString graph;
};

// The estimate from the measured attenuation.
EstimateView ExchangeEstimate(const ExchangeModel &model, const ExchangeInputs &in);
// What the best-results button checks before anything is computed, and
// where it sends the user when a check fails.
enum class CalcBestNeed { Nothing, ActualDistance, RouterInfo };
CalcBestNeed CalcBestPrecheck(const ExchangeInputs &in, ExchangeMessage &message);
// The best results at the actual distance.
BestView ExchangeBest(const ExchangeModel &model, const ExchangeInputs &in);

// "Caption" and value of every label the two views fill, in the tab's order;
// the best results only when shown.
QList<QPair<QString, QString>> ExchangeLabelLines(const EstimateView &estimate, const BestView *best);

// The tab's labels for these inputs with the design table: the estimate, and
// the best results when an actual distance is given. A message that stops
// the estimate goes to *message, with no lines.
QList<QPair<QString, QString>> ExchangeLabelsFor(const ExchangeInputs &in, QString *message = nullptr);

} // namespace quillon
