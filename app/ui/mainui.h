#pragma once

#include <QtGlobal>

#include <array>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QScrollBar;
class QTimer;
class QWidget;

namespace quillon {

class OrbLabel;
class OrbTab;
class XButton;

// Every control of the main window, named as the rest of the program refers
// to it. Each control's objectName is its member name; members of a control
// array are named "<array>_<index>" ("fraTabs_0", "txtID_3"). setupUi builds
// the window with its captions, tool tips and initial texts; behaviour is
// wired by the window's controller.
struct MainUi final
{
    // Outside the tab pages.
    OrbTab *OrbTab1{};
    std::array<QFrame *, 7> fraTabs{};
    QLabel *lblStatus{};
    XButton *cmdCapture{};
    QLabel *picCaptureBuffer{};
    QLabel *picPNGBuffer{};
    QLabel *imgLogo{};
    QLabel *lblCredit{};
    std::array<QLabel *, 4> imgPingStatus{}; // 0 shown; 1 stopped, 2 up, 3 down
    QLabel *imgNormal{};
    QLabel *imgUP{};
    QLabel *imgDOWN{};
    QTimer *tmrStats{};
    QTimer *tmrPing{};
    QTimer *tmrCheck{};
    QTimer *tmrRebootWatch{};
    QTimer *tmrRebootSettle{};
    QTimer *tmrBWMonitor{};
    QMenu *mnSysTray{};
    QAction *mnOpen{};
    QAction *mnToggle{};
    QAction *mnShowStats{};
    QAction *mnExit{};

    // Tab 0, Stats.
    XButton *cmdToggle{};
    XButton *cmdGetRouterInfo{};
    XButton *cmdReboot{};
    XButton *cmdSendToTray{};
    XButton *cmdHistory{};
    QWidget *mcBits{}; // chart
    QComboBox *cboGraphs{};
    QCheckBox *chkXAxis{};
    QPlainTextEdit *txtInfo{};
    QCheckBox *chkShowLog{};
    QPlainTextEdit *txtOut{};
    QLabel *lblLastBoot{};
    QLabel *lblPingStats{};
    QLabel *imgPings{};
    QLabel *lblPing{};
    QLabel *lblRouterStatus{};
    QFrame *shpRouter{};
    QLabel *imgServer{};
    QLabel *lblMode{};
    QLabel *lblVendor{};
    OrbLabel *lblUpPower{};
    OrbLabel *lblDownPower{};
    OrbLabel *lblUpAtt{};
    OrbLabel *lblDownAtt{};
    OrbLabel *lblUpSNR{};
    OrbLabel *lblDownSNR{};
    OrbLabel *lblMaxUpRate{};
    OrbLabel *lblMaxDownRate{};
    OrbLabel *lblUpRate{};
    OrbLabel *lblDownRate{};
    std::array<QLabel *, 5> imgArrowUp{};
    std::array<QLabel *, 5> imgArrowDown{};
    QLabel *lblPingTime{};
    OrbLabel *lblCount{};

    // Tab 1, Settings.
    QLineEdit *txtRouter{};
    QLineEdit *txtUser{};
    QLineEdit *txtPass{};
    QLineEdit *txtPort{};
    QLineEdit *txtPing{};
    QLineEdit *txtInterval{};
    QLineEdit *txtMaxFailedPings{};
    QCheckBox *chkSettle{};
    QLineEdit *txtSettle{};
    QCheckBox *chkStats{};
    QLineEdit *txtStats{};
    QCheckBox *chkSaveStats{};
    QCheckBox *chkSaveStatsCSV{};
    QCheckBox *chkSendToTray{};
    QCheckBox *chkAutoTray{};
    QCheckBox *chkAutoMonitor{};
    QLineEdit *txtGraphLimit{};
    QScrollBar *hscrQuality{};
    QLabel *lblQuality{};
    QLineEdit *txtDSStart{};
    QCheckBox *chkMarginRetrain{};
    QScrollBar *hscrThreshold{};
    QLabel *lblThreshold{};
    QLabel *lblCurrentThreshold{};
    QCheckBox *chkUseLongCommands{};
    XButton *cmdUpdateRouter{};

    // Tab 2, Report.
    QPlainTextEdit *txtReport{};
    XButton *cmdCopyReport{};
    XButton *cmdSaveReport{};
    XButton *cmdShowGraphs{};
    XButton *cmdGetLog{};
    QCheckBox *chkRegularLog{};
    QLineEdit *txtLogInt{};
    OrbLabel *lblTime{};
    QCheckBox *chkSaveLog{};
    QCheckBox *chkClearLog{};

    // Tab 3, Ping Test.
    QLineEdit *txtIPToPing{};
    QLineEdit *txtPingCount{};
    QLineEdit *txtTimeout{};
    QLineEdit *txtPackSz{};
    QLineEdit *txtDNS{};
    QCheckBox *chkResolve{};
    QCheckBox *chkStandardDNS{};
    QCheckBox *chkUseRouter{};
    XButton *cmdPingTest{};
    XButton *cmdTracert{};
    XButton *cmdAbort{};
    QPlainTextEdit *txtPingResults{};

    // Tab 4, Exchange.
    QWidget *mcSpeeds{}; // chart
    QPlainTextEdit *txtData{};
    QLineEdit *txtActualDistance{};
    XButton *cmdGetDist{};
    XButton *cmdCalcBest{};
    OrbLabel *lblExchange{};
    OrbLabel *lblDSAttn{};
    OrbLabel *lblLoss{};
    OrbLabel *lblDistance{};
    OrbLabel *lblExcRate{};
    OrbLabel *lblADSLType{};
    std::array<QLabel *, 2> lblProfileTitle{};
    OrbLabel *lblProfile{};
    OrbLabel *lblBestRate{};
    OrbLabel *lblBestProfile{};
    OrbLabel *lblInternalAttn{};
    QLabel *lblInfo{};

    // Tab 5, Advanced.
    OrbTab *nTabAdv{};
    std::array<QListWidget *, 3> lstDSLFeat{};
    QLabel *lblDSLFeat{};
    QPlainTextEdit *txtLongDes{};
    QLineEdit *txtDSP{};
    QCheckBox *chkLimitDSP{};
    XButton *cmdSaveDSLFeat{};

    // Tab 6, Bandwidth.
    XButton *cmdGetBandwidth{};
    XButton *cmdLogBW{};
    XButton *cmdClearBW{};
    XButton *cmdListMonthly{};
    XButton *cmdMiniStats{};
    QComboBox *cboRouterID{};
    std::array<QLineEdit *, 4> txtID{};
    std::array<QLabel *, 4> lblID{};
    QLineEdit *txtBWInt{};
    OrbLabel *lblTimer{};
    QLabel *lblUptime{};
    QComboBox *cboRecords{};
    QCheckBox *chkBWTotals{};
    QCheckBox *chkLogBW{};
    QCheckBox *chkDispText{};
    QPlainTextEdit *txtUpDown{};
    std::array<OrbLabel *, 4> lblRec{};
    std::array<OrbLabel *, 4> lblTrans{};
    std::array<QFrame *, 4> shpRec{};
    std::array<QFrame *, 4> shpTrans{};
    std::array<QCheckBox *, 4> chkGraphRx{};
    std::array<QCheckBox *, 4> chkGraphTx{};
    QWidget *mcBandwidth{}; // chart

    // Builds every control inside frmMain. Tab 0's page is shown; the rest
    // are hidden until the tab strip selects them.
    void setupUi(QWidget *frmMain);

private:
    void setupOutside(QWidget *frmMain);
    void setupStats(QFrame *page);
    void setupSettings(QFrame *page);
    void setupReport(QFrame *page);
    void setupPingTest(QFrame *page);
    void setupExchange(QFrame *page);
    void setupAdvanced(QFrame *page);
    void setupBandwidth(QFrame *page);
};

// The fill colour of a shape control (a small filled frame), red in the low
// byte; and setting it.
quint32 shapeFillColour(const QFrame *shape);
void setShapeFillColour(QFrame *shape, quint32 colour);

} // namespace quillon
