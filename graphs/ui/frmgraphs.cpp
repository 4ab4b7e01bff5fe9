#include "graphs/ui/frmgraphs.h"

#include "base/appinfo.h"
#include "base/dialogs.h"
#include "graphs/core/graphdrawing.h"
#include "graphs/ui/chartpresets.h"
#include "graphs/ui/metalchart.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace quillon {

namespace {

constexpr int ComboInset = 8;
constexpr int OptionsHeight = 56;
// Keeps the frame's caption and border off the window's edges.
constexpr int FrameInset = 3;

} // namespace

const QString frmGraphs::HintText = QStringLiteral("Right-click on a graph to change the graph type");
const QString frmGraphs::HideMessage =
    QStringLiteral("Right-click on any of the graphs to display the options panel again.");
const QString frmGraphs::ShowOptionsTip = QStringLiteral("Right-click to show options");

frmGraphs::frmGraphs(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmGraphs"));
    setWindowTitle(appTitle() + QStringLiteral(" - Graphs"));
    resize(640, 600);

    for (int i = 0; i < ChartCount; ++i) {
        auto *chart = new MetalChart(this);
        chart->setObjectName(QStringLiteral("mcGraphs_%1").arg(i));
        applyChartPreset(*chart, ChartInstance::mcGraphs);
        connect(chart, &MetalChart::RightClick, this, [this, i] { chartRightClicked(i); });
        m_charts[size_t(i)] = chart;
    }

    m_options = new QGroupBox(QStringLiteral("Options"), this);
    m_options->setObjectName(QStringLiteral("fraOptions"));
    m_capture = new QPushButton(QStringLiteral("Capture"), m_options);
    m_capture->setObjectName(QStringLiteral("cmdCapture"));
    m_capture->setToolTip(QStringLiteral("Capture the Quillon screen as an image file"));
    m_exit = new QPushButton(QStringLiteral("Close"), m_options);
    m_exit->setObjectName(QStringLiteral("cmdExit"));
    m_exit->setToolTip(QStringLiteral("Close graphs window"));
    m_hide = new QPushButton(QStringLiteral("Hide"), m_options);
    m_hide->setObjectName(QStringLiteral("cmdHide"));
    m_hide->setToolTip(QStringLiteral("Hide the graph options"));
    m_history = new QPushButton(QStringLiteral("Line history"), m_options);
    m_history->setObjectName(QStringLiteral("cmdHistory"));
    m_history->setToolTip(QStringLiteral("Show the stored readings as charts over time"));
    m_status = new QLabel(HintText, m_options);
    m_status->setObjectName(QStringLiteral("lblStatus"));
    auto *row = new QHBoxLayout(m_options);
    row->setContentsMargins(6, 2, 6, 4);
    row->addWidget(m_capture);
    row->addWidget(m_exit);
    row->addWidget(m_hide);
    row->addWidget(m_history);
    row->addWidget(m_status, 1);

    m_combo = new QComboBox(this);
    m_combo->setObjectName(QStringLiteral("cboGraphType"));
    m_combo->hide();
    setGraphNames(GraphNames());

    connect(m_combo, &QComboBox::activated, this, &frmGraphs::comboChosen);
    connect(m_capture, &QPushButton::clicked, this, &frmGraphs::captureRequested);
    connect(m_exit, &QPushButton::clicked, this, &frmGraphs::exitWindow);
    connect(m_hide, &QPushButton::clicked, this, &frmGraphs::hideOptions);
    connect(m_history, &QPushButton::clicked, this, &frmGraphs::historyRequested);
    layoutCharts();
}

void frmGraphs::setGraphNames(const QStringList &names)
{
    m_suppressChoice = true;
    m_combo->clear();
    m_combo->addItems(names);
    m_suppressChoice = false;
}

MetalChart *frmGraphs::chart(int index) const
{
    return index >= 0 && index < ChartCount ? m_charts[size_t(index)] : nullptr;
}

QString frmGraphs::graphType(int index) const
{
    return index >= 0 && index < ChartCount ? m_types[size_t(index)] : QString();
}

void frmGraphs::setGraphType(int index, const QString &name)
{
    if (index >= 0 && index < ChartCount)
        m_types[size_t(index)] = name;
}

void frmGraphs::setStatus(const QString &text)
{
    m_status->setText(text);
}

void frmGraphs::setOptionsEnabled(bool enabled)
{
    m_capture->setEnabled(enabled);
    m_exit->setEnabled(enabled);
    m_hide->setEnabled(enabled);
}

bool frmGraphs::optionsVisible() const
{
    return !m_options->isHidden();
}

bool frmGraphs::comboVisible() const
{
    return !m_combo->isHidden();
}

void frmGraphs::chartRightClicked(int index)
{
    if (index < 0 || index >= ChartCount)
        return;
    if (!optionsVisible()) {
        for (MetalChart *chart : m_charts)
            chart->setToolTip(QString());
        m_options->show();
        layoutCharts();
        return;
    }
    if (comboVisible() && m_comboChart == index) {
        m_combo->hide();
        return;
    }
    AlignCombo(index);
    m_combo->show();
    m_combo->raise();
}

void frmGraphs::AlignCombo(int index)
{
    if (index >= 0 && index < ChartCount)
        m_comboChart = index;
    const MetalChart *chart = m_charts[size_t(m_comboChart)];
    m_combo->setGeometry(ComboInset, chart->y() + ComboInset, std::max(1, chart->width() - 2 * ComboInset),
                         m_combo->sizeHint().height());
    const int found = m_combo->findText(m_types[size_t(m_comboChart)], Qt::MatchFixedString);
    if (found >= 0) {
        m_suppressChoice = true;
        m_combo->setCurrentIndex(found);
        m_suppressChoice = false;
    }
}

void frmGraphs::comboChosen(int row)
{
    if (m_suppressChoice || row < 0)
        return;
    m_types[size_t(m_comboChart)] = m_combo->itemText(row);
    emit graphTypeChosen(m_comboChart);
    m_combo->hide();
}

void frmGraphs::hideOptions()
{
    if (!m_hideHintShown) {
        m_hideHintShown = true;
        Dialogs::message(Dialogs::Icon::Information, appTitle(), HideMessage);
    }
    for (MetalChart *chart : m_charts)
        chart->setToolTip(ShowOptionsTip);
    m_options->hide();
    layoutCharts();
}

void frmGraphs::exitWindow()
{
    m_combo->hide();
    hide();
}

void frmGraphs::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutCharts();
}

void frmGraphs::closeEvent(QCloseEvent *event)
{
    event->ignore();
    exitWindow();
}

void frmGraphs::layoutCharts()
{
    const int w = width();
    const int optionsHeight = optionsVisible() ? OptionsHeight : 0;
    const int area = std::max(0, height() - optionsHeight);
    const int h = area / ChartCount;
    for (int i = 0; i < ChartCount; ++i)
        m_charts[size_t(i)]->setGeometry(0, area - (ChartCount - i) * h, w, h);
    if (optionsVisible())
        m_options->setGeometry(FrameInset, area, std::max(0, w - 2 * FrameInset), optionsHeight);
    AlignCombo(-1);
}

} // namespace quillon
