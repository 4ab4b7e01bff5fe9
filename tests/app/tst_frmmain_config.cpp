// The window's router configuration against the simulator: a full fetch
// shows the threshold and selects the feature bits read, saving keeps every
// bit the lists do not show, and the system log lands in the report box.

#include "app/ui/frmmain.h"
#include "base/dialogs.h"
#include "controls/ui/orblabel.h"
#include "controls/ui/xbutton.h"
#include "router/core/orbtelnet.h"
#include "tests/support/testsupport.h"
#include "tools/routersim/routersim.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using namespace quillon;
using namespace quillon::sim;

namespace {

// Bit 14 needs a DSP newer than the simulator's: hidden under the limit.
const QByteArray kFeatures = "[dslfc0]#3 ~Three@Bit three.#14[9.9] ~Fourteen@F#31 ~Top@T[/dslfc0]"
                             "[dslfc1]#0 ~Zero@Z[/dslfc1][dslpc0]#10 ~Ten@X[/dslpc0]";

struct Rig
{
    explicit Rig(const QByteArray &extraSettings = {})
        : sim(SimOptions{.profile = QStringLiteral("adsl2plus"), .timeScale = 0, .marginDriftDb = 0})
    {
        if (!sim.start())
            return;
        dir.write(QStringLiteral("settings.ini"), "[Options]\r\nRouter IP=127.0.0.1\r\nTelnet Port="
                                                      + QByteArray::number(sim.port())
                                                      + "\r\nRouter Username=root\r\nRouter Password=Gravo\r\n"
                                                      + extraSettings);
        dir.write(QStringLiteral("dslfeatures.txt"), kFeatures);
        window = std::make_unique<frmMain>();
        window->setPingFunction([](const QString &, qint32 &ms) {
            ms = 2;
            return true;
        });
        window->Form_Load();
    }

    bool click(XButton *button)
    {
        QSignalSpy idle(window.get(), &frmMain::becameIdle);
        emit button->Click();
        return idle.wait(15000);
    }

    QStringList selectedBits(int block) const
    {
        QStringList bits;
        const QListWidget *list = window->ui.lstDSLFeat[size_t(block)];
        for (int row = 0; row < list->count(); ++row) {
            if (list->item(row)->isSelected())
                bits << list->item(row)->data(Qt::UserRole).toString();
        }
        return bits;
    }

    test::TempAppDir dir;
    ScriptedDialogs dialogs;
    RouterSim sim;
    std::unique_ptr<frmMain> window;
};

} // namespace

class TestFrmMainConfig : public QObject
{
    Q_OBJECT

private slots:
    void fetchShowsThresholdAndSelectsBits()
    {
        Rig rig;
        QVERIFY(rig.window);
        frmMain &w = *rig.window;
        rig.sim.setEnv(QStringLiteral("enable_margin_retrain"), QStringLiteral("1"));
        rig.sim.setEnv(QStringLiteral("margin_threshold"), QStringLiteral("13"));
        rig.sim.setEnv(QStringLiteral("DSL_FEATURE_CNTL_0"), QStringLiteral("0x80004008"));
        QCOMPARE(w.ui.lstDSLFeat[0]->count(), 3);
        QVERIFY(rig.click(w.ui.cmdGetRouterInfo));

        QVERIFY(w.ui.txtInfo->toPlainText().endsWith(QLatin1String("\nSNR Margin Threshold: 6.5 dB")));
        QVERIFY(w.ui.txtReport->toPlainText().contains(QLatin1String("\nSNR Margin Threshold: 6.5 dB\n")));
        QCOMPARE(w.ui.lblCurrentThreshold->text(),
                 QStringLiteral("Margin Retrain enabled. Router will retrain when margin drops below 6.5 dB. "
                                "Current SNR Margin = ")
                     + w.ui.lblDownSNR->text());
        QVERIFY(w.ui.chkMarginRetrain->isChecked());
        QCOMPARE(w.ui.hscrThreshold->value(), 13);
        QCOMPARE(w.ui.lblThreshold->text(), QStringLiteral("6.5 dB"));
        QCOMPARE(rig.selectedBits(0), (QStringList{"3", "14", "31"}));
        QCOMPARE(rig.selectedBits(2), (QStringList{"10"}));
        QCOMPARE(w.ui.txtDSP->text(), QStringLiteral("7.5"));

        // The Tweak controls as read are what the next save writes.
        w.ui.hscrThreshold->setValue(14);
        rig.dialogs.queueAnswer(Dialogs::Answer::No);
        QVERIFY(rig.click(w.ui.cmdUpdateRouter));
        QCOMPARE(rig.sim.env(QStringLiteral("margin_threshold")), QStringLiteral("14"));
        QCOMPARE(w.ui.lblStatus->text(), QStringLiteral("Router's SNR margin threshold has been updated."));
        QVERIFY(!w.core().reboot.active());
    }

    // Saving changes only the bits the lists show; a bit hidden by the DSP
    // limit and the other words stay as the router has them.
    void saveKeepsBitsTheListsDoNotShow()
    {
        Rig rig("[Tweaks]\r\nLimit by DSP=1\r\n");
        QVERIFY(rig.window);
        frmMain &w = *rig.window;
        rig.sim.setEnv(QStringLiteral("DSL_FEATURE_CNTL_0"), QStringLiteral("0x80004000"));

        // Never read: refused with a message, nothing written.
        rig.dialogs.queueAnswer(Dialogs::Answer::Ok);
        emit w.ui.cmdSaveDSLFeat->Click();
        QCOMPARE(rig.dialogs.shown.size(), 1);
        QCOMPARE(rig.dialogs.shown[0].text, RouterTweaks::WordsNotReadMessage());

        QVERIFY(rig.click(w.ui.cmdGetRouterInfo));
        QCOMPARE(w.ui.lstDSLFeat[0]->count(), 2); // bit 14 hidden
        QCOMPARE(rig.selectedBits(0), QStringList{"31"});
        w.ui.lstDSLFeat[0]->item(0)->setSelected(true);  // bit 3 on
        w.ui.lstDSLFeat[0]->item(1)->setSelected(false); // bit 31 off
        rig.dialogs.queueAnswer(Dialogs::Answer::No);
        QVERIFY(rig.click(w.ui.cmdSaveDSLFeat));
        QCOMPARE(rig.sim.env(QStringLiteral("DSL_FEATURE_CNTL_0")), QStringLiteral("0x00004008"));
        QCOMPARE(rig.sim.env(QStringLiteral("DSL_FEATURE_CNTL_1")), QStringLiteral("0x00000000"));
        QCOMPARE(rig.sim.env(QStringLiteral("DSL_PHY_CNTL_0")), QStringLiteral("0x00000400"));
        QCOMPARE(w.ui.lblStatus->text(), QStringLiteral("DSL Feature Control has been set."));
        QCOMPARE(rig.dialogs.shown.last().buttons, Dialogs::Buttons::YesNo);

        // The limit lifted: the refilled lists show the words as read.
        w.ui.chkLimitDSP->setChecked(false);
        w.RefreshDSLFeatures();
        QCOMPARE(rig.selectedBits(0), (QStringList{"3", "14"}));
    }

    void clipboardWord()
    {
        Rig rig;
        QVERIFY(rig.window);
        frmMain &w = *rig.window;
        QGuiApplication::clipboard()->setText(QStringLiteral("0x1234567890"));
        w.lblDSLFeat_Click();
        QCOMPARE(rig.selectedBits(0), QStringList());
        QCOMPARE(rig.dialogs.shown.last().icon, Dialogs::Icon::Exclamation);
        QGuiApplication::clipboard()->setText(QStringLiteral("DSL_FEATURE_CNTL_0\t0x80000008"));
        w.lblDSLFeat_Click();
        QCOMPARE(rig.selectedBits(0), (QStringList{"3", "31"}));
        QCOMPARE(rig.dialogs.shown.last().text, QStringLiteral("DSL Feature table updated."));
    }

    void systemLogShownAndSaved()
    {
        Rig rig("Save system log=1\r\nSystem log interval=0\r\n");
        QVERIFY(rig.window);
        frmMain &w = *rig.window;
        QCOMPARE(w.ui.txtLogInt->text(), QStringLiteral("1"));
        QVERIFY(rig.click(w.ui.cmdGetLog));
        QCOMPARE(w.ui.txtReport->toolTip(), QStringLiteral("SystemLog"));
        QVERIFY(w.ui.txtReport->toPlainText().contains(QLatin1String("DSL Carrier is up")));
        QVERIFY(w.ui.lblStatus->text().startsWith(QLatin1String("System log saved, ")));
        QCOMPARE(QString::fromLatin1(rig.dir.read(QStringLiteral("sys-log.txt"))),
                 w.ui.txtReport->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    }
};

QTEST_MAIN(TestFrmMainConfig)
#include "tst_frmmain_config.moc"
