#include "app/ui/frmmain.h"
#include "base/dialogs.h"
#include "controls/ui/xbutton.h"
#include "netdiag/core/traceroute.h"
#include "tests/support/netlab.h"
#include "tests/support/testsupport.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <QtTest>

using namespace quillon;

namespace {

const QString CrLf = QStringLiteral("\r\n");

QStringList dnsmasq(const QString &listen, const QStringList &records)
{
    QStringList argv{QStringLiteral("dnsmasq"), QStringLiteral("-k"), QStringLiteral("--conf-file=/dev/null"),
                     QStringLiteral("--no-resolv"), QStringLiteral("--no-hosts"), QStringLiteral("--bind-interfaces"),
                     QStringLiteral("--listen-address=") + listen, QStringLiteral("--pid-file="), QStringLiteral("--user=root")};
    for (const QString &r : records)
        argv << QStringLiteral("--ptr-record=") + r;
    return argv;
}

} // namespace

// The window against a lab of client - r1 - r2 - target, with a DNS server
// on the router r1 and one on the target.
class TestFrmMainTracert : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::NetLab> m_lab;
    QString m_skip;

    struct Window
    {
        Window()
        {
            dir.write(QStringLiteral("settings.ini"), "[Options]\r\nRouter IP=10.77.1.2\r\n");
            w.Form_Load();
        }
        test::TempAppDir dir;
        ScriptedDialogs dialogs;
        frmMain w;
    };

    void setUp(frmMain &w, const QString &target, const QString &dns, bool useRouter)
    {
        w.ui.txtIPToPing->setText(target);
        w.ui.chkResolve->setChecked(true);
        w.chkResolve_Click();
        w.ui.chkStandardDNS->setChecked(false);
        w.chkStandardDNS_Click();
        w.ui.txtDNS->setText(dns);
        w.ui.chkUseRouter->setChecked(useRouter);
    }

    static bool idle(frmMain &w)
    {
        return w.ui.cmdTracert->isEnabled() && w.ui.txtIPToPing->isEnabled() && w.ui.cmdAbort->isHidden();
    }

private slots:
    void initTestCase()
    {
        m_skip = test::NetLab::unavailableReason();
        if (m_skip.isEmpty() && !test::NetLab::missingProgram({QStringLiteral("dnsmasq"), QStringLiteral("dig")}).isEmpty())
            m_skip = QStringLiteral("dnsmasq or dig is not installed");
        if (!m_skip.isEmpty())
            return;
        m_lab = std::make_unique<test::NetLab>();
        const bool ok = m_lab->script(QStringLiteral("chain"), {QStringLiteral("3")})
            && m_lab->startDaemon(QStringLiteral("r1"), dnsmasq(QStringLiteral("10.77.1.2"), {QStringLiteral("2.1.77.10.in-addr.arpa,gw.router.lan")}))
            && m_lab->startDaemon(QStringLiteral("t"), dnsmasq(QStringLiteral("10.77.3.2"),
                                  {QStringLiteral("2.1.77.10.in-addr.arpa,r1.example"), QStringLiteral("2.2.77.10.in-addr.arpa,r2.example"),
                                   QStringLiteral("2.3.77.10.in-addr.arpa,target.example")}));
        if (!ok) {
            m_skip = QStringLiteral("the lab could not be set up");
            return;
        }
        for (const char *server : {"@10.77.1.2", "@10.77.3.2"}) {
            QString answer;
            for (int i = 0; i < 50 && answer.isEmpty(); ++i) {
                answer = m_lab->exec(QStringLiteral("c"), {QStringLiteral("dig"), QStringLiteral("+short"), QStringLiteral("+time=1"),
                                                           QStringLiteral("-x"), QStringLiteral("10.77.1.2"), QString::fromLatin1(server)});
                if (answer.isEmpty())
                    QTest::qWait(100);
            }
            QVERIFY2(!answer.isEmpty(), server);
        }
        QVERIFY(m_lab->enter(QStringLiteral("c")));
    }

    void cleanupTestCase() { m_lab.reset(); }

    void customLookups_data()
    {
        QTest::addColumn<QString>("dns");
        QTest::addColumn<bool>("useRouter");
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QString>("errorBox");
        QTest::newRow("router hop asked at the router")
            << QStringLiteral("10.77.3.2") << true
            << QStringLiteral("1\t<10 ms\tgw.router.lan [10.77.1.2]|2\t<10 ms\tr2.example [10.77.2.2]|3\t<10 ms\ttarget.example [10.77.3.2]")
            << QString();
        QTest::newRow("every hop asked at txtDNS")
            << QStringLiteral("10.77.3.2") << false
            << QStringLiteral("1\t<10 ms\tr1.example [10.77.1.2]|2\t<10 ms\tr2.example [10.77.2.2]|3\t<10 ms\ttarget.example [10.77.3.2]")
            << QString();
        QTest::newRow("resolver error: one box, the chain goes on")
            << QStringLiteral("10.77.3.2:0") << false << QStringLiteral("1\t<10 ms\t10.77.1.2|2\t<10 ms\t10.77.2.2|3\t<10 ms\t10.77.3.2")
            << QStringLiteral("ERROR: 0 - Invalid DNS server");
    }

    void customLookups()
    {
        QFETCH(QString, dns);
        QFETCH(bool, useRouter);
        QFETCH(QString, lines);
        QFETCH(QString, errorBox);
        if (!m_skip.isEmpty())
            QSKIP(qPrintable(m_skip));
        Window win;
        frmMain &w = win.w;
        setUp(w, QStringLiteral("10.77.3.2"), dns, useRouter);
        bool busySeen = false;
        connect(w.findChild<TraceRoute *>(QStringLiteral("TraceRoute")), &TraceRoute::hopRecorded, &w,
                [&] { busySeen = !w.ui.cmdTracert->isEnabled() && !w.ui.cmdAbort->isHidden(); });
        w.cmdTracert_Click();
        QTRY_VERIFY_WITH_TIMEOUT(idle(w), 10000);
        QVERIFY(busySeen);
        QCOMPARE(w.ui.txtPingResults->toPlainText().replace(QLatin1Char('\n'), CrLf),
                 QStringLiteral("Tracing route to 10.77.3.2:") + CrLf + CrLf + QString(lines).replace(QLatin1Char('|'), CrLf) + CrLf + CrLf
                     + QStringLiteral("Trace route complete"));
        QCOMPARE(w.ui.lblStatus->text(), QStringLiteral("Trace route complete"));
        QStringList boxes;
        for (const auto &b : win.dialogs.shown) {
            if (b.title == QLatin1String("DNS error"))
                boxes << b.text;
        }
        QCOMPARE(boxes, errorBox.isEmpty() ? QStringList() : QStringList{errorBox});
        QCOMPARE(w.ui.txtDNS->isEnabled(), true);
    }

    // Abort while the hop loop waits on a silent host, and while a lookup
    // waits on a server that never answers: both end soon, options back.
    void abort_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("dns");
        QTest::addColumn<QString>("abortWhen");
        QTest::addColumn<QString>("report");
        QTest::newRow("in the hop loop") << QStringLiteral("10.77.200.1") << QStringLiteral("10.77.3.2")
                                         << QStringLiteral("Node: 10.77.2.2") << QString();
        QTest::newRow("during a lookup") << QStringLiteral("10.77.3.2") << QStringLiteral("10.77.2.2")
                                         << QStringLiteral("Querying DNS server")
                                         << QStringLiteral("1\t<10 ms\t10.77.1.2|2\t<10 ms\t10.77.2.2|3\t<10 ms\t10.77.3.2");
    }

    void abort()
    {
        QFETCH(QString, target);
        QFETCH(QString, dns);
        QFETCH(QString, abortWhen);
        QFETCH(QString, report);
        if (!m_skip.isEmpty())
            QSKIP(qPrintable(m_skip));
        Window win;
        frmMain &w = win.w;
        setUp(w, target, dns, false);
        QElapsedTimer sinceAbort;
        QTimer watch;
        connect(&watch, &QTimer::timeout, &watch, [&] {
            if (!sinceAbort.isValid() && w.ui.lblStatus->text().contains(abortWhen)) {
                sinceAbort.start();
                emit w.ui.cmdAbort->Click();
            }
        });
        watch.start(5);
        w.cmdTracert_Click();
        QTRY_VERIFY_WITH_TIMEOUT(idle(w), 10000);
        QVERIFY(sinceAbort.isValid());
        QVERIFY2(sinceAbort.elapsed() < 1000, qPrintable(QString::number(sinceAbort.elapsed())));
        if (report.isEmpty()) {
            QCOMPARE(w.ui.txtPingResults->toPlainText(), QString());
            QVERIFY(!win.dialogs.shown.isEmpty());
            QCOMPARE(win.dialogs.shown.constLast().text, QStringLiteral("Trace route aborted."));
        } else {
            QCOMPARE(w.ui.txtPingResults->toPlainText().replace(QLatin1Char('\n'), CrLf),
                     QStringLiteral("Tracing route to ") + target + QStringLiteral(":") + CrLf + CrLf
                         + QString(report).replace(QLatin1Char('|'), CrLf) + CrLf + CrLf + QStringLiteral("Trace route complete"));
        }
    }

    void optionEnabling()
    {
        Window win;
        frmMain &w = win.w;
        for (const bool resolve : {false, true}) {
            for (const bool standard : {false, true}) {
                w.ui.chkResolve->setChecked(resolve);
                w.ui.chkStandardDNS->setChecked(standard);
                w.chkResolve_Click();
                QCOMPARE(w.ui.chkStandardDNS->isEnabled(), resolve);
                QCOMPARE(w.ui.chkUseRouter->isEnabled(), resolve);
                QCOMPARE(w.ui.txtDNS->isEnabled(), resolve && !standard);
                w.ui.chkStandardDNS->setChecked(!standard);
                w.chkStandardDNS_Click();
                QCOMPARE(w.ui.txtDNS->isEnabled(), standard);
            }
        }
    }
};

QTEST_MAIN(TestFrmMainTracert)
#include "tst_frmmain_tracert.moc"
