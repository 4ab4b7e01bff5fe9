#include "history/ui/frmhistory.h"

#include "base/appinfo.h"
#include "base/apppaths.h"
#include "base/clock.h"
#include "history/core/historyexport.h"
#include "history/core/historyrecorder.h"
#include "history/ui/historychartview.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QTimer>
#include <QVBoxLayout>

namespace quillon {

namespace {

constexpr qint64 kMinWidthMs = 10 * 60 * 1000;
constexpr qint64 kMaxWidthMs = 3 * 365ll * 24 * 3600 * 1000;
// Readings arriving together, or a drag's many small moves, make one query.
constexpr int kRefreshDelayMs = 30;
constexpr int kPlotMargin = 60;

} // namespace

frmHistory::frmHistory(HistoryRecorder &recorder, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_recorder(recorder)
{
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(appTitle() + QStringLiteral(" - Line history"));
    resize(1000, 720);

    auto *bar = new QHBoxLayout;
    auto *group = new QButtonGroup(this);
    for (int i = 0; i < int(m_spanButtons.size()); ++i) {
        auto *b = new QPushButton(historySpanTitle(HistorySpan(i)), this);
        b->setObjectName(QStringLiteral("cmdSpan_%1").arg(i));
        b->setCheckable(true);
        group->addButton(b, i);
        bar->addWidget(b);
        m_spanButtons[size_t(i)] = b;
    }
    m_exportPng = new QPushButton(QStringLiteral("Export PNG"), this);
    m_exportPng->setObjectName(QStringLiteral("cmdExportPNG"));
    m_exportPng->setToolTip(QStringLiteral("Save the charts as shown as a picture in the program folder"));
    m_exportCsv = new QPushButton(QStringLiteral("Export CSV"), this);
    m_exportCsv->setObjectName(QStringLiteral("cmdExportCSV"));
    m_exportCsv->setToolTip(QStringLiteral("Save the values of the shown span in the program folder"));
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblStatus"));
    m_status->setWordWrap(true);
    bar->addSpacing(12);
    bar->addWidget(m_exportPng);
    bar->addWidget(m_exportCsv);
    bar->addSpacing(12);
    bar->addWidget(m_status, 1);

    m_chart = new HistoryChartView(this);
    m_chart->setObjectName(QStringLiteral("hcHistory"));
    m_chart->setToolTip(QStringLiteral("Wheel: zoom; drag: move in time"));
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_chart, 1);

    m_refresh = new QTimer(this);
    m_refresh->setSingleShot(true);
    m_refresh->setInterval(kRefreshDelayMs);
    connect(m_refresh, &QTimer::timeout, this, &frmHistory::refresh);
    connect(group, &QButtonGroup::idClicked, this, [this](int id) { setSpan(HistorySpan(id)); });
    connect(m_exportPng, &QPushButton::clicked, this, [this] { exportClicked(true); });
    connect(m_exportCsv, &QPushButton::clicked, this, [this] { exportClicked(false); });
    connect(m_chart, &HistoryChartView::zoomRequested, this, &frmHistory::zoom);
    connect(m_chart, &HistoryChartView::panRequested, this, &frmHistory::pan);
    connect(&m_recorder, &HistoryRecorder::recorded, this, [this] {
        if (m_live)
            scheduleRefresh();
    });
    connect(&m_recorder, &HistoryRecorder::problemChanged, this, [this] { m_status->setText(statusText()); });
    setSpan(HistorySpan::Hours24);
}

qint64 frmHistory::utcOffsetMs() const
{
    return qint64(Clock::now().offsetFromUtc()) * 1000;
}

void frmHistory::setSpan(HistorySpan span)
{
    m_span = span;
    m_spanButtons[size_t(span)]->setChecked(true);
    const qint64 now = Clock::now().toMSecsSinceEpoch();
    m_width = historySpanMs(span);
    if (span == HistorySpan::All) {
        const auto extent = m_recorder.store().extent();
        m_width = extent ? std::clamp(now - extent->first, kMinWidthMs, kMaxWidthMs) : historySpanMs(HistorySpan::Hours24);
    }
    m_to = now;
    m_live = true;
    refresh();
}

void frmHistory::zoom(qint64 anchorMs, double factor)
{
    const qint64 from = fromMs();
    const qint64 width = std::clamp(qint64(double(m_width) * factor), kMinWidthMs, kMaxWidthMs);
    const double f = double(anchorMs - from) / double(std::max<qint64>(1, m_width));
    const qint64 newFrom = anchorMs - qint64(f * double(width));
    m_width = width;
    m_to = newFrom + width;
    pan(0);
}

void frmHistory::pan(qint64 deltaMs)
{
    const qint64 now = Clock::now().toMSecsSinceEpoch();
    m_to += deltaMs;
    m_live = m_to >= now;
    if (m_live)
        m_to = now;
    scheduleRefresh();
}

void frmHistory::scheduleRefresh()
{
    if (!m_refresh->isActive())
        m_refresh->start();
}

void frmHistory::refresh()
{
    m_refresh->stop();
    if (m_live)
        m_to = Clock::now().toMSecsSinceEpoch();
    const qint64 from = fromMs();
    const qint64 bucket = HistoryBucketMs(m_width, std::max(1, m_chart->width() - kPlotMargin));
    const qint64 offset = utcOffsetMs();
    HistorySeries series = m_recorder.store().query(from - bucket, m_to + bucket, bucket, offset);
    m_chart->setSeries(std::move(series), from, m_to, offset);
    m_status->setText(statusText());
}

QString frmHistory::statusText() const
{
    if (!m_recorder.problem().isEmpty())
        return m_recorder.problem();
    qint64 readings = 0;
    for (const HistoryBucket &b : m_chart->series().buckets)
        readings += b.readings;
    return QStringLiteral("%1 readings, %2 events").arg(readings).arg(m_chart->layout().events.size());
}

bool frmHistory::exportPng(const QString &path) const
{
    return m_chart->render().save(path, "PNG");
}

bool frmHistory::exportCsv(const QString &path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(HistoryCsv(m_chart->series(), utcOffsetMs()).toUtf8());
    return file.commit();
}

void frmHistory::exportClicked(bool png)
{
    const QString name = QStringLiteral("History_") + Clock::now().toString(QStringLiteral("yyyyMMdd_hhmmss"))
                       + (png ? QStringLiteral(".png") : QStringLiteral(".csv"));
    const QString path = AppPaths::file(name);
    const bool ok = png ? exportPng(path) : exportCsv(path);
    m_status->setText(ok ? QStringLiteral("Saved ") + path : QStringLiteral("Could not save ") + path + QLatin1Char('.'));
}

} // namespace quillon
