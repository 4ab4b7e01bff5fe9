#include "exchange/core/exchangeviews.h"

#include "base/misc.h"

#include <cmath>

namespace quillon {

namespace {

const QString Adsl = QStringLiteral("ADSL");
const QString Adsl2 = QStringLiteral("ADSL2");
const QString IpProfile = QStringLiteral("IP Profile");
const QString Throughput = QStringLiteral("Throughput");

ExchangeMessage message(Dialogs::Icon icon, const QString &text)
{
    return {icon, text};
}

// The loss rate as the settings hold it, and the model built from it at
// start-up: a zero rate has its own message, anything else unusable the model's.
ExchangeMessage lossOrTableProblem(const ExchangeModel &model, const ExchangeInputs &in, const QString &zeroText,
                                   const QString &ending)
{
    if (Val(in.lossRate) == 0)
        return message(Dialogs::Icon::Exclamation, zeroText);
    const QString problem = model.problem();
    if (!problem.isEmpty())
        return message(Dialogs::Icon::Exclamation, problem + ending);
    return {};
}

bool usableDistance(double km)
{
    return std::isfinite(km) && km > 0 && km <= MaxActualDistanceKm;
}

} // namespace

EstimateView ExchangeEstimate(const ExchangeModel &model, const ExchangeInputs &in)
{
    EstimateView v;
    v.message = lossOrTableProblem(model, in,
                                   QStringLiteral("Loss rate value is zero, cannot calculate exchange information."),
                                   QStringLiteral(", cannot calculate exchange information."));
    if (v.message.isSet() || in.dsAttenuation.trimmed().isEmpty())
        return v;
    v.shown = true;
    v.chartTitle = QStringLiteral("Estimated Speed vs Distance");
    v.chartTip = QStringLiteral("Red line = the estimated distance");
    v.yCell = in.adsl2 ? 5000 : 1000;
    const SpeedTexts t = model.Exc_GetData(in.dsAttenuation, in.adsl2, false);
    v.distance = t.distance;
    v.rate = t.rate;
    v.dsAttn = in.dsAttenuation + QStringLiteral(" dB");
    v.type = in.adsl2 ? Adsl2 : Adsl;
    v.profileTitle = in.adsl2 ? Throughput : IpProfile;
    v.bestProfileTitle = v.profileTitle;
    v.profile = in.adsl2 ? t.secondRate : t.profile;
    v.column = t.column;
    v.graph = model.Exc_GetGraph(in.adsl2, QString::fromLatin1(EstimateGraphColour));
    return v;
}

CalcBestNeed CalcBestPrecheck(const ExchangeInputs &in, ExchangeMessage &out)
{
    const double km = Val(in.actualDistance);
    if (km == 0) {
        out = message(Dialogs::Icon::Information,
                      QStringLiteral("To calculate the best results achievable, you must enter the actual distance "
                                     "to the closest exchange."));
        return CalcBestNeed::ActualDistance;
    }
    if (!usableDistance(km)) {
        out = message(Dialogs::Icon::Information,
                      QStringLiteral("The actual distance must be above 0 and at most 100 km."));
        return CalcBestNeed::ActualDistance;
    }
    if (in.dsAttenuation.isEmpty()) {
        out = message(Dialogs::Icon::Information,
                      QStringLiteral("To calculate the best results achievable, you must obtain the basic router "
                                     "information first.\r\nPlease click on the 'Get Router Info' to fetch this data."));
        return CalcBestNeed::RouterInfo;
    }
    out = {};
    return CalcBestNeed::Nothing;
}

BestView ExchangeBest(const ExchangeModel &model, const ExchangeInputs &in)
{
    BestView v;
    v.message = lossOrTableProblem(model, in, QStringLiteral("Loss rate value is zero, cannot calculate best statistics."),
                                   QStringLiteral(", cannot calculate best statistics."));
    if (v.message.isSet() || in.actualDistance.isEmpty() || in.dsAttenuation.isEmpty())
        return v;
    const float km = float(Val(in.actualDistance));
    if (!usableDistance(double(km)))
        return v;
    // The distance goes to the table as the text of a single-precision number,
    // so 2.4 km is 2400 m exactly and selects the rows an exact 2400 would.
    const QString metres = QString::number(double(km * 1000.0f), 'g', 7);

    v.shown = true;
    const double internal = Val(in.dsAttenuation) - double(km) * Val(in.lossRate);
    v.internalAttn = FormatTwoDecimals(internal < 0 ? 0 : internal) + QStringLiteral(" dB");
    v.chartTitle = QStringLiteral("Best Speed vs Distance");
    v.chartTip = QStringLiteral("Red line = the estimated distance, Green line = actual distance");
    v.yCell = in.adsl2 ? 5000 : 1000;
    const SpeedTexts t = model.Exc_GetData(QString(), in.adsl2, true, metres);
    v.bestRate = t.rate;
    v.type = in.adsl2 ? Adsl2 : Adsl;
    v.profileTitle = in.adsl2 ? Throughput : IpProfile;
    v.bestProfileTitle = in.adsl2 ? QStringLiteral("Best Throughput") : QStringLiteral("Best IP Profile");
    v.bestProfile = in.adsl2 ? t.secondRate : t.profile;
    v.column = t.column;
    v.graph = model.Exc_GetGraph(in.adsl2, QString::fromLatin1(BestGraphColour));
    return v;
}

QList<QPair<QString, QString>> ExchangeLabelLines(const EstimateView &estimate, const BestView *best)
{
    QList<QPair<QString, QString>> lines;
    if (estimate.shown) {
        lines.append({QStringLiteral("Est. distance from exchange"), estimate.distance});
        lines.append({QStringLiteral("Estimated max. attainable rate"), estimate.rate});
        lines.append({QStringLiteral("Type"), estimate.type});
        lines.append({estimate.profileTitle, estimate.profile});
    }
    if (best && best->shown) {
        lines.append({QStringLiteral("Best max. attainable rate"), best->bestRate});
        lines.append({best->bestProfileTitle, best->bestProfile});
        lines.append({QStringLiteral("Attenuation due to internal wiring"), best->internalAttn});
    }
    return lines;
}

QList<QPair<QString, QString>> ExchangeLabelsFor(const ExchangeInputs &in, QString *message)
{
    ExchangeModel model;
    model.Exc_LoadData(SpeedTableText());
    model.Exc_SetLossRate(in.lossRate);
    const EstimateView estimate = ExchangeEstimate(model, in);
    if (message)
        *message = estimate.message.text;
    if (in.actualDistance.isEmpty())
        return ExchangeLabelLines(estimate, nullptr);
    const BestView best = ExchangeBest(model, in);
    return ExchangeLabelLines(estimate, &best);
}

} // namespace quillon
