#include "base/settingstable.h"
#include "app/ui/mainui.h"
#include "controls/ui/xbutton.h"
#include "tests/support/testsupport.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

using namespace quillon;

namespace {

// The text a fixed-size control must find room for.
QString textOf(const QWidget *w)
{
    if (auto *b = qobject_cast<const XButton *>(w))
        return b->Caption();
    return w->property("text").toString();
}

} // namespace

class TestMainUi : public QObject
{
    Q_OBJECT

    QWidget m_window;
    MainUi m_ui;

private slots:
    void initTestCase()
    {
        m_ui.setupUi(&m_window);
    }

    void objectNamesAreUnique()
    {
        QSet<QString> seen;
        for (const QObject *o : m_window.findChildren<QObject *>()) {
            const QString name = o->objectName();
            if (name.isEmpty() || name.startsWith(QLatin1String("qt_")))
                continue;
            QVERIFY2(!seen.contains(name), qPrintable(name));
            seen.insert(name);
        }
    }

    void numberBoxesTakeOnlyDigitsInRange_data()
    {
        QTest::addColumn<QString>("name");
        for (const SettingRow &row : settingsTable()) {
            if (row.isWholeNumber() && row.kind == SettingKind::Text)
                QTest::newRow(qPrintable(row.control)) << row.control;
        }
    }

    void numberBoxesTakeOnlyDigitsInRange()
    {
        QFETCH(QString, name);
        const SettingRow &row = *findSettingOfControl(name);
        auto *box = m_window.findChild<QLineEdit *>(name);
        QVERIFY(box);
        QCOMPARE(box->text(), row.defaultValue);
        const QString largest = QString::number(row.maximum);

        box->clear();
        QTest::keyClicks(box, QStringLiteral("abc-+. e"));
        QCOMPARE(box->text(), QString());
        QTest::keyClicks(box, largest + QStringLiteral("9x"));
        QCOMPARE(box->text(), largest);
        QVERIFY(box->hasAcceptableInput());

        // Left blank or out of range: the default comes back when editing ends.
        box->clear();
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(box->text(), row.defaultValue);
        for (const int outside : {row.minimum - 1, row.maximum + 1}) {
            const QString typed = QString::number(outside);
            if (outside < 0 || typed.size() > largest.size())
                continue;
            box->clear();
            QTest::keyClicks(box, typed);
            QCOMPARE(box->text(), typed);
            QTest::keyClick(box, Qt::Key_Return);
            QCOMPARE(box->text(), row.defaultValue);
        }
        box->setText(row.defaultValue);
    }

    // Every picture comes from the resources: a lost one would show nothing.
    void picturesLoadAndOnlyTheStatsPageShows()
    {
        for (int i = 0; i < 7; ++i)
            QCOMPARE(m_ui.fraTabs[i]->isVisibleTo(&m_window), i == 0);
        for (QLabel *l : {m_ui.imgNormal, m_ui.imgUP, m_ui.imgDOWN, m_ui.imgPingStatus[0], m_ui.imgPingStatus[1],
                          m_ui.imgPingStatus[2], m_ui.imgPingStatus[3], m_ui.imgLogo, m_ui.imgPings, m_ui.imgArrowUp[0],
                          m_ui.imgArrowDown[4]})
            QVERIFY2(!l->pixmap().isNull(), qPrintable(l->objectName()));
        QVERIFY(m_ui.imgPingStatus[2]->pixmap().toImage() != m_ui.imgPingStatus[3]->pixmap().toImage());
    }

    // Nothing on any page is squeezed below the room its text needs, at the
    // default size.
    void nothingIsClippedAtTheDefaultSize()
    {
        QWidget window;
        MainUi ui;
        ui.setupUi(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (int page = 0; page < 7; ++page) {
            for (int i = 0; i < 7; ++i)
                ui.fraTabs[i]->setVisible(i == page);
            QCoreApplication::processEvents();
            for (QWidget *w : ui.fraTabs[page]->findChildren<QWidget *>()) {
                if (!w->isVisible())
                    continue;
                const bool fixedText = qobject_cast<XButton *>(w) || qobject_cast<QCheckBox *>(w)
                    || (qobject_cast<QLabel *>(w) && !static_cast<QLabel *>(w)->wordWrap());
                if (!fixedText)
                    continue;
                QVERIFY2(w->width() >= w->sizeHint().width(),
                         qPrintable(QStringLiteral("page %1: %2 \"%3\" %4 < %5").arg(page).arg(w->objectName(), textOf(w))
                                        .arg(w->width()).arg(w->sizeHint().width())));
                QVERIFY2(w->mapTo(&window, QPoint(w->width(), 0)).x() <= window.width(), qPrintable(textOf(w)));
            }
        }
    }
};

QTEST_MAIN(TestMainUi)
#include "tst_mainui.moc"
