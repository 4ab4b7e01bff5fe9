#pragma once

#include <QStringList>
#include <QWidget>

#include <array>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace quillon {

class MetalChart;

// The graphs window: three charts whose graph types are chosen one by one
// through a drop-down shown over the chart that was right-clicked.
class frmGraphs final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmGraphs)

public:
    static constexpr int ChartCount = 3;
    static const QString HintText;
    static const QString HideMessage;
    static const QString ShowOptionsTip;

    explicit frmGraphs(QWidget *parent = nullptr);

    void setGraphNames(const QStringList &names);
    MetalChart *chart(int index) const;
    // The graph type name each chart shows (saved as "G1".."G3"); empty for none.
    QString graphType(int index) const;
    void setGraphType(int index, const QString &name);

    // For the capture: the status line and the three option buttons.
    void setStatus(const QString &text);
    void setOptionsEnabled(bool enabled);

    int comboChart() const { return m_comboChart; }
    bool optionsVisible() const;
    bool comboVisible() const;

    // Right-click handling of chart `index` (also what a right-click on it does).
    void chartRightClicked(int index);
    // index -1 keeps the current chart.
    void AlignCombo(int index);

signals:
    // A chart's graph type was chosen: redraw the charts (DrawUserGraphs).
    void graphTypeChosen(int index);
    void captureRequested();
    void historyRequested();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void layoutCharts();
    void comboChosen(int row);
    void hideOptions();
    void exitWindow();

    std::array<MetalChart *, ChartCount> m_charts{};
    std::array<QString, ChartCount> m_types;
    QComboBox *m_combo{nullptr};
    QGroupBox *m_options{nullptr};
    QPushButton *m_capture{nullptr};
    QPushButton *m_exit{nullptr};
    QPushButton *m_hide{nullptr};
    QPushButton *m_history{nullptr};
    QLabel *m_status{nullptr};
    int m_comboChart{0};
    bool m_suppressChoice{false};
    bool m_hideHintShown{false};
};

} // namespace quillon
