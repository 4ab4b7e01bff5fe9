// The Exchange tab of the main window: the estimate and best results on its
// labels and chart, and the distance lookup against the simulator's web pages.
#include "app/ui/frmmain.h"
#include "base/dialogs.h"
#include "controls/ui/orblabel.h"
#include "controls/ui/orbtab.h"
#include "controls/ui/xbutton.h"
#include "graphs/ui/metalchart.h"
#include "tests/support/testsupport.h"
#include "tools/routersim/simweb.h"

#include <QLabel>
#include <QLineEdit>
#include <QTcpServer>
#include <QTimer>
#include <QtTest>

using namespace quillon;

namespace {

QString s(const char *text)
{
    return QString::fromLatin1(text);
}

struct Started
{
    explicit Started(const QString &lookupSite = {}, const QString &directionsSite = {})
    {
        dir.write(s("settings.ini"), ("[Options]\r\nRouter IP=127.0.0.2\r\n[Exchange]\r\nLookup site=" + lookupSite
                                      + "\r\nDirections site=" + directionsSite + "\r\n")
                                         .toLatin1());
        w.Form_Load();
    }
    MetalChart &chart() { return *w.findChild<MetalChart *>(s("mcSpeeds")); }
    QList<ChartMarker> markers()
    {
        QList<ChartMarker> used;
        for (const ChartMarker &m : chart().markers()) {
            if (m.width != 0)
                used << m;
        }
        return used;
    }
    bool optionsBack() const
    {
        return w.ui.txtPing->isEnabled() && w.ui.cmdGetDist->isEnabled() && w.ui.cmdGetRouterInfo->isEnabled()
            && w.ui.cmdAbort->isHidden() && w.ui.cmdGetDist->Caption() == s("Get distance via Internet (UK only)");
    }
    QStringList messages() const
    {
        QStringList texts;
        for (const auto &m : dialogs.shown)
            texts << m.text;
        return texts;
    }

    test::TempAppDir dir;
    ScriptedDialogs dialogs;
    frmMain w;
};

QString siteOf(quint16 port)
{
    return s("http://127.0.0.1:") + QString::number(port);
}

} // namespace

class TestFrmMainExchange : public QObject
{
    Q_OBJECT
private slots:
    // The figures themselves are the model's; here: which label gets what, and the markers.
    void estimateThenBestResults()
    {
        Started st;
        frmMain &w = st.w;
        w.core().line.lastStats.dsAttenuation = s("33.14");
        w.DispExchange();
        QCOMPARE((QStringList{w.ui.lblDistance->Caption(), w.ui.lblExcRate->Caption(), w.ui.lblProfile->Caption(),
                              w.ui.lblDSAttn->Caption(), w.ui.lblADSLType->Caption()}),
                 (QStringList{s("2.40 km / 1.49 mile(s)"), s("7,720 kbit/s"), s("7150 kbit/s"), s("33.14 dB"), s("ADSL")}));
        QCOMPARE(st.chart().ChartTitle(), s("Estimated Speed vs Distance"));
        QCOMPARE(st.markers().size(), 1);
        QVERIFY(qAbs(st.markers()[0].position - 5.749f) < 0.001f && st.markers()[0].colour == 255u);

        w.ui.txtActualDistance->setText(s("2"));
        emit w.ui.cmdCalcBest->Click();
        QCOMPARE((QStringList{w.ui.lblBestRate->Caption(), w.ui.lblBestProfile->Caption(), w.ui.lblInternalAttn->Caption(),
                              w.ui.lblProfileTitle[1]->text(), st.chart().ChartTitle()}),
                 (QStringList{s("8,128 kbit/s"), s("7150 kbit/s"), s("5.52 dB"), s("Best IP Profile"),
                              s("Best Speed vs Distance")}));
        QCOMPARE(st.markers().size(), 2);
        QVERIFY(qAbs(st.markers()[1].position - 4.75f) < 0.001f && st.markers()[1].colour == 65280u);

        // Beyond the table no marker is drawn and the profile is emptied.
        w.core().line.lastStats.dsAttenuation = s("80");
        w.DispExchange();
        QVERIFY(w.ui.lblProfile->Caption().isEmpty() && st.markers().isEmpty());

        w.core().line.isADSL2 = true;
        w.core().line.lastStats.dsAttenuation = s("33.14");
        w.DispExchange();
        QCOMPARE((QStringList{w.ui.lblADSLType->Caption(), w.ui.lblProfileTitle[0]->text(), w.ui.lblProfile->Caption()}),
                 (QStringList{s("ADSL2"), s("Throughput"), s("11,508 kbit/s")}));
        QCOMPARE(st.chart().YCell(), 5000);
        QVERIFY(st.dialogs.shown.isEmpty());
    }

    void bestResultsNeedDistanceAndReading()
    {
        Started st;
        st.w.ui.OrbTab1->setSelected(4);
        emit st.w.ui.cmdCalcBest->Click();
        st.w.ui.txtActualDistance->setText(s("2"));
        emit st.w.ui.cmdCalcBest->Click();
        QCOMPARE(st.dialogs.shown.size(), 2);
        QVERIFY(st.dialogs.shown[0].text.contains(s("you must enter the actual distance")));
        QVERIFY(st.dialogs.shown[1].text.contains(s("Please click on the 'Get Router Info'")));
        QCOMPARE(st.w.ui.OrbTab1->Selected(), 0);
        QVERIFY(st.w.ui.lblBestRate->Caption().isEmpty());
    }

    void lookupAgainstTheSimulator()
    {
        sim::SimWebServer web;
        QVERIFY(web.start());
        {
            Started st(siteOf(web.port()), siteOf(web.port()));
            st.dialogs.queueInput(s("zz1 1aa"));
            emit st.w.ui.cmdGetDist->Click();
            QVERIFY(st.dialogs.shown.isEmpty());
            QCOMPARE(st.dialogs.prompts, QStringList{s("Please enter your postcode:")});
            QCOMPARE(st.w.ui.lblExchange->Caption(), s("ZZQUIL"));
            QCOMPARE(st.w.ui.txtActualDistance->text(), s("3.86"));
            QCOMPARE(st.w.ui.lblStatus->text(), s("Finished calculating distance from exchange."));
            QVERIFY(st.optionsBack());
            QCOMPARE(web.requests().size(), 3);
            QVERIFY(st.w.Form_QueryUnload(frmMain::UnloadMode::Program));
            const QByteArray saved = st.dir.read(s("settings.ini"));
            QVERIFY(saved.contains("OLO=ZZQUIL\r\n"));
            QVERIFY(saved.contains("Real distance=3.86\r\n"));
            QVERIFY(saved.contains("Lookup site=" + siteOf(web.port()).toLatin1() + "\r\n"));
        }
        {
            // A postcode that could shape the request never reaches the site.
            Started st(siteOf(web.port()), siteOf(web.port()));
            st.dialogs.queueInput(s("ZZ1&1AA"));
            emit st.w.ui.cmdGetDist->Click();
            QCOMPARE(st.messages(), QStringList{s("A postcode may hold only letters, digits and blanks.")});
            QCOMPARE(web.requests().size(), 3);
            QVERIFY(st.optionsBack());
        }
    }

    void withoutServicesTheValuesAreAsked()
    {
        Started st;
        st.dialogs.queueInput(s("ZZQUIL"));
        st.dialogs.queueInput(s("2.5"));
        emit st.w.ui.cmdGetDist->Click();
        QCOMPARE(st.dialogs.shown.size(), 1);
        QVERIFY(st.dialogs.shown[0].text.startsWith(s("No exchange lookup site is set")));
        QCOMPARE(st.dialogs.prompts.size(), 2);
        QCOMPARE(st.w.ui.lblExchange->Caption(), s("ZZQUIL"));
        QCOMPARE(st.w.ui.txtActualDistance->text(), s("2.50"));
        QVERIFY(st.optionsBack());
    }

    void unreachableSite()
    {
        test::ClosedLocalPort closed;
        Started st(siteOf(closed.port()));
        emit st.w.ui.cmdGetDist->Click();
        const QString text = s("Could not accesss the Internet to obtain the exchange data.");
        QCOMPARE(st.messages(), QStringList{text});
        QCOMPARE(st.w.ui.lblStatus->text(), text);
        QVERIFY(st.dialogs.prompts.isEmpty());
        QVERIFY(st.optionsBack());
    }

    void abortWhileAPageIsAwaited()
    {
        // Accepts and never answers.
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        Started st(siteOf(silent.serverPort()), siteOf(silent.serverPort()));
        st.dialogs.queueInput(s("ZZ11AA"));
        bool busyWhileWaiting = false;
        QTimer::singleShot(300, &st.w, [&] {
            busyWhileWaiting = !st.w.ui.txtPing->isEnabled() && st.w.ui.cmdGetDist->Caption() == s("Abort");
            emit st.w.ui.cmdGetDist->Click();
        });
        emit st.w.ui.cmdGetDist->Click();
        QVERIFY(busyWhileWaiting);
        QCOMPARE(st.w.ui.lblStatus->text(), s("The distance lookup was aborted."));
        QVERIFY(st.dialogs.shown.isEmpty());
        QVERIFY(st.optionsBack());
    }
};

QTEST_MAIN(TestFrmMainExchange)
#include "tst_frmmain_exchange.moc"
