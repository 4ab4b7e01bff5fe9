#include "controls/ui/xbutton.h"

#include <QSignalSpy>
#include <QtTest>

using namespace quillon;

namespace {

void moveInto(XButton &b)
{
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), b.mapToGlobal(QPointF(5, 5)));
    QCoreApplication::sendEvent(&b, &enter);
}

void moveOut(XButton &b)
{
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&b, &leave);
}

} // namespace

class TestXButton : public QObject
{
    Q_OBJECT
private slots:
    void hoverPressAndReleaseLooks()
    {
        XButton b(QStringLiteral("Go"));
        b.resize(100, 30);
        QSignalSpy enter(&b, &XButton::MouseEnter);
        QSignalSpy exit(&b, &XButton::MouseExit);
        moveInto(b);
        QCOMPARE(b.look(), ButtonLook::Hot);
        QCOMPARE(enter.count(), 1);
        QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(b.look(), ButtonLook::Down);
        // Dragged off while held: drawn up, and back on: down again.
        QTest::mouseMove(&b, QPoint(150, 10));
        QCOMPARE(b.look(), ButtonLook::Up);
        QTest::mouseMove(&b, QPoint(20, 10));
        QCOMPARE(b.look(), ButtonLook::Down);
        QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(20, 10));
        QCOMPARE(b.look(), ButtonLook::Hot);
        moveOut(b);
        QCOMPARE(b.look(), ButtonLook::Up);
        QCOMPARE(exit.count(), 1);
    }

    void clickOnlyOnReleaseInside()
    {
        XButton b;
        b.resize(100, 30);
        QSignalSpy click(&b, &XButton::Click);
        QSignalSpy down(&b, &XButton::MouseDown);
        QSignalSpy up(&b, &XButton::MouseUp);

        QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(click.count(), 0);
        QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(click.count(), 1);

        QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(200, 10));
        QCOMPARE(click.count(), 1);

        QTest::mouseClick(&b, Qt::RightButton, Qt::ShiftModifier, QPoint(10, 12));
        QCOMPARE(click.count(), 1);
        QCOMPARE(down.count(), 3);
        QCOMPARE(up.count(), 3);
        const QList<QVariant> args = down.last();
        QCOMPARE(args.at(0).toInt(), 2); // right
        QCOMPARE(args.at(1).toInt(), 1); // shift
        QCOMPARE(args.at(2).toInt(), 10);
        QCOMPARE(args.at(3).toInt(), 12);
    }

    void disabledButtonDrawsDisabledAndNeverClicks()
    {
        XButton b;
        b.resize(100, 30);
        QSignalSpy click(&b, &XButton::Click);
        QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(10, 10));
        b.setEnabled(false); // a press in progress is dropped
        QCOMPARE(b.look(), ButtonLook::Disabled);
        QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::keyClick(&b, Qt::Key_Space);
        QCOMPARE(click.count(), 0);
        b.setEnabled(true);
        QVERIFY(b.look() == ButtonLook::Hot || b.look() == ButtonLook::Up);
        QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(click.count(), 1);
    }

    void keyboardClicksAndReportsKeys()
    {
        XButton b;
        b.resize(100, 30);
        QSignalSpy click(&b, &XButton::Click);
        QSignalSpy keyDown(&b, &XButton::KeyDown);
        QSignalSpy keyPress(&b, &XButton::KeyPress);
        QSignalSpy keyUp(&b, &XButton::KeyUp);
        QTest::keyPress(&b, Qt::Key_Space);
        QCOMPARE(b.look(), ButtonLook::Down);
        QCOMPARE(click.count(), 0);
        QTest::keyRelease(&b, Qt::Key_Space);
        QCOMPARE(click.count(), 1);
        QCOMPARE(b.look(), ButtonLook::Up);
        QTest::keyClick(&b, Qt::Key_Return);
        QCOMPARE(click.count(), 2);
        QTest::keyClick(&b, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(click.count(), 2);
        QCOMPARE(keyDown.count(), keyUp.count());
        QCOMPARE(keyDown.last().at(0).toInt(), int(Qt::Key_A));
        QCOMPARE(keyDown.last().at(1).toInt(), 2); // Ctrl
        QVERIFY(keyPress.count() >= 1);
    }

    void focusBorderIsDrawnOnlyWithFocus()
    {
        QWidget host;
        auto *b = new XButton(QString(), &host);
        b->setFillColor(0xFFFFFF);
        b->setBorderStyle(2);
        b->setGeometry(0, 0, 80, 30);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        b->setFocus();
        QTRY_VERIFY(b->hasFocus());
        const QImage focused = b->grab().toImage();
        b->setShowFocus(false);
        const QImage plain = b->grab().toImage();
        QVERIFY(plain != focused);
        b->setShowFocus(true);
        b->clearFocus();
        QCOMPARE(b->grab().toImage(), plain);
        b->setFocus();
        // Losing focus mid-press drops the press without a click.
        QSignalSpy click(b, &XButton::Click);
        QTest::keyPress(b, Qt::Key_Space);
        b->clearFocus();
        QTest::keyRelease(b, Qt::Key_Space);
        QCOMPARE(click.count(), 0);
    }

    void picturesFallBackAndMaskTheirColour()
    {
        XButton b;
        QPixmap omni(8, 8);
        omni.fill(Qt::white);
        b.setOmniPic(omni);
        QPixmap up(8, 8);
        up.fill(Qt::blue);
        b.setImageUp(up);
        QCOMPARE(b.pictureFor(ButtonLook::Up).toImage().pixelColor(0, 0), QColor(Qt::blue));
        // No hot picture: the omni picture, its white (the mask colour) made transparent.
        const QImage hot = b.pictureFor(ButtonLook::Hot).toImage();
        QCOMPARE(hot.pixelColor(0, 0).alpha(), 0);
        QImage transparent(8, 8, QImage::Format_ARGB32);
        transparent.fill(QColor(255, 255, 255, 128));
        b.setImageDown(QPixmap::fromImage(transparent));
        QCOMPARE(b.pictureFor(ButtonLook::Down).toImage().pixelColor(0, 0).alpha(), 128);
    }

    void pressedCaptionShiftsByOnePixel()
    {
        XButton b(QStringLiteral("I"));
        b.setFillColor(0xFFFFFF);
        b.setBorderStyle(2);
        b.setShowFocus(false);
        b.resize(60, 30);
        moveInto(b);
        QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(10, 10));
        const QImage down = b.grab().toImage();
        b.setShiftOnPress(false);
        const QImage unshifted = b.grab().toImage();
        QVERIFY(down != unshifted);
        QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(10, 10));
    }

    void contentLayout()
    {
        const QSize button(100, 40);
        const ButtonContent left = layoutButtonContent(button, QSize(40, 12), QSize(16, 16), 0, 4, 5);
        QVERIFY(left.picture.right() < left.caption.left());
        QCOMPARE(left.picture.center().y(), left.caption.center().y());
        const ButtonContent above = layoutButtonContent(button, QSize(40, 12), QSize(16, 16), 2, 4, 5);
        QVERIFY(above.picture.bottom() < above.caption.top());
        const ButtonContent alone = layoutButtonContent(button, QSize(), QSize(16, 16), 1, 4, 5);
        QCOMPARE(alone.picture, QRect(42, 12, 16, 16));
        QVERIFY(alone.caption.isNull());
    }
};

QTEST_MAIN(TestXButton)
#include "tst_xbutton.moc"
