#pragma once

#include "history/core/historychartlayout.h"

#include <QWidget>

#include <array>

class QLabel;
class QPushButton;
class QTimer;

namespace quillon {

class HistoryChartView;
class HistoryRecorder;

// "Line history": the stored readings of a span as stacked charts, kept up
// to date while monitoring adds readings, with exports of what is shown.
class frmHistory final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmHistory)

public:
    explicit frmHistory(HistoryRecorder &recorder, QWidget *parent = nullptr);

    void setSpan(HistorySpan span);
    HistorySpan span() const { return m_span; }
    qint64 fromMs() const { return m_to - m_width; }
    qint64 toMs() const { return m_to; }
    // Follows the newest readings (the span ends now).
    bool live() const { return m_live; }
    void zoom(qint64 anchorMs, double factor);
    void pan(qint64 deltaMs);
    // Reads the shown span again now.
    void refresh();

    // The shown span as a picture or as buckets; false when it cannot be written.
    bool exportPng(const QString &path) const;
    bool exportCsv(const QString &path) const;
    HistoryChartView *chart() const { return m_chart; }
    QString statusText() const;

private:
    void scheduleRefresh();
    void exportClicked(bool png);
    qint64 utcOffsetMs() const;

    HistoryRecorder &m_recorder;
    HistoryChartView *m_chart{nullptr};
    std::array<QPushButton *, 5> m_spanButtons{};
    QPushButton *m_exportPng{nullptr};
    QPushButton *m_exportCsv{nullptr};
    QLabel *m_status{nullptr};
    QTimer *m_refresh{nullptr};
    HistorySpan m_span{HistorySpan::Hours24};
    qint64 m_to{0};
    qint64 m_width{24 * 3600 * 1000};
    bool m_live{true};
};

} // namespace quillon
