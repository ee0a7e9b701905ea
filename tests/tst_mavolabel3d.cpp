// The push-label, driven with real mouse events on the offscreen platform: states, events, caption
// placement, margin fitting, drawing and design-time storage. Pixel and twips figures are worked
// out by hand at 15 twips per pixel (96 DPI, checked in twips()).

#include <colorvalue.h>
#include <mavolabel3d.h>
#include <twips.h>

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <limits>
#include <memory>

namespace {

class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// A main-window button: flat, thin raised under the pointer (5), thin sunken while down (6).
MavoLabel3D *addButton(QWidget *form, const QRect &geometry, int forMouseButton = 1)
{
    auto *label = new MavoLabel3D(form);
    label->setGeometry(geometry);
    label->setCaption(QStringLiteral("M"));
    label->setSpecialEffectOnDown(6);
    label->setSpecialEffectOnUp(5);
    label->setSpecialEffectOnNormal(0);
    label->setForMouseButton(forMouseButton);
    return label;
}

// QTest hands presses and releases straight to the widget; the pointer, which the control reads
// to choose between states, is placed first.
void pointAt(QWidget *widget, QPoint pos)
{
    QCursor::setPos(widget->mapToGlobal(pos));
    QCoreApplication::processEvents();
}

void press(QWidget *widget, QPoint pos, Qt::MouseButton button = Qt::LeftButton,
           Qt::KeyboardModifiers modifiers = {})
{
    pointAt(widget, pos);
    QTest::mousePress(widget, button, modifiers, pos);
}

void release(QWidget *widget, QPoint pos, Qt::MouseButton button = Qt::LeftButton)
{
    pointAt(widget, pos);
    QTest::mouseRelease(widget, button, {}, pos);
}

void dragTo(QWidget *widget, QPoint pos) // with a button held QTest sends the move to widget
{
    pointAt(widget, pos);
    QTest::mouseMove(widget, pos);
}

QTimer *trackingTimer(MavoLabel3D *label)
{
    return label->findChild<QTimer *>(QStringLiteral("tmrMouseMove"));
}

QLabel *captionLabel(MavoLabel3D *label)
{
    return label->findChild<QLabel *>(QStringLiteral("lbl0"));
}

// An application palette whose colours all differ, restored when the guard ends.
auto useTestPalette()
{
    const QPalette saved = QApplication::palette();
    QPalette palette = saved;
    palette.setColor(QPalette::Light, QColor(250, 240, 230));
    palette.setColor(QPalette::Midlight, QColor(200, 190, 180));
    palette.setColor(QPalette::Dark, QColor(100, 90, 80));
    palette.setColor(QPalette::Shadow, QColor(20, 10, 5));
    palette.setColor(QPalette::Base, QColor(0, 128, 255));
    palette.setColor(QPalette::ButtonText, QColor(1, 2, 3));
    QApplication::setPalette(palette);
    return qScopeGuard([saved] { QApplication::setPalette(saved); });
}

} // namespace

class TestMavoLabel3D : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void colorValues_data();
    void colorValues();

    void newControl();
    void textAlign_data();
    void textAlign();
    void captionShift_data();
    void captionShift();
    void fitMargins_data();
    void fitMargins();
    void lastDrawnSkipsUnchangedRedraws();
    void drawsEdgeRingsWithPaletteColours_data();
    void drawsEdgeRingsWithPaletteColours();

    void pressAndButtonCodes_data();
    void pressAndButtonCodes();
    void pressOnCaptionInHandlerOrder();
    void dragOutAndBackThenReleaseOutside();
    void hoverHandOver_data();
    void hoverHandOver();
    void mouseEventsSkip();
    void releaseOutsideTheFormIsIgnored();

    void propertyBagRoundTrip();
    void loadedMarginsAreNotFitted_data();
    void loadedMarginsAreNotFitted();

private:
    bool showForm()
    {
        m_form->show();
        return QTest::qWaitForWindowExposed(m_form.get());
    }

    std::unique_ptr<QWidget> m_form;
};

void TestMavoLabel3D::initTestCase()
{
    QCOMPARE(twipsPerPixelX(), 15.0); // the figures below are worked out for 96 DPI
    QCOMPARE(twipsPerPixelY(), 15.0);
}

void TestMavoLabel3D::init()
{
    m_form = std::make_unique<QWidget>();
    m_form->resize(320, 160);
    // The pointer stays off every window until a test puts it somewhere.
    QCursor::setPos(QPoint(5000, 5000));
    QCoreApplication::processEvents();
}

void TestMavoLabel3D::cleanup()
{
    m_form.reset();
}

void TestMavoLabel3D::colorValues_data()
{
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QColor>("expected"); // invalid: the translation fails

    QTest::newRow("rgb-red-in-low-byte") << 0x00336699u << QColor(0x99, 0x66, 0x33);
    QTest::newRow("button-text") << kSysColorButtonText << QColor(1, 2, 3);
    QTest::newRow("window-is-base") << kSysColorWindow << QColor(0, 128, 255);
    QTest::newRow("3d-light-is-midlight") << 0x80000016u << QColor(200, 190, 180);
    QTest::newRow("unused-index-25") << 0x80000019u << QColor();
    QTest::newRow("stray-bits-beside-index") << 0x80000112u << QColor();
    QTest::newRow("palette-index-form") << 0x01000005u << QColor();
}

void TestMavoLabel3D::colorValues()
{
    QFETCH(quint32, value);
    QFETCH(QColor, expected);
    const auto restore = useTestPalette();

    const qint32 rgb = translateColorValue(value);
    if (!expected.isValid()) {
        QCOMPARE(rgb, -1);
        QCOMPARE(colorFromRgbValue(rgb), QColor(Qt::white));
    } else {
        QCOMPARE(resolveColorValue(value), expected);
        QCOMPARE(rgbValueFromColor(expected), quint32(rgb));
    }
}

void TestMavoLabel3D::newControl()
{
    auto *label = new MavoLabel3D(m_form.get());
    QVariantMap bag{{"MarginTop", 99}}; // a stale entry: defaults are removed, not kept
    label->WriteProperties(bag);
    // Everything but the caption equals its storage default.
    QCOMPARE(bag, (QVariantMap{{"Caption", "MavoLabel3D"}}));
    QVERIFY(label->IsNormal() && label->IsDown() && label->IsUp()); // all three codes are 1

    // So it counts as down all along: a press is reported but never arms Click.
    label->setGeometry(20, 20, 80, 30);
    label->setForMouseButton(1);
    QVERIFY(showForm());
    QSignalSpy downs(label, &MavoLabel3D::MouseDown);
    QSignalSpy ups(label, &MavoLabel3D::MouseUp);
    QSignalSpy clicked(label, &MavoLabel3D::Click);
    press(label, QPoint(40, 15));
    release(label, QPoint(40, 15));
    QCOMPARE(downs.count(), 1);
    QCOMPARE(ups.count(), 1);
    QCOMPARE(clicked.count(), 0);

    // Writing the normal code makes the control normal whatever it showed.
    label->setSpecialEffectOnDown(3);
    label->GoDown();
    label->setSpecialEffectOnNormal(4);
    QVERIFY(label->IsNormal() && !label->IsDown());
}

void TestMavoLabel3D::textAlign_data()
{
    QTest::addColumn<bool>("stored");   // loaded from a bag, else written to TextAlign
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("textAlign"); // read back; the control was centred before

    QTest::newRow("write-right") << false << QVariant(3) << 3;
    QTest::newRow("write-zero-keeps") << false << QVariant(0) << 2;
    QTest::newRow("write-four-keeps") << false << QVariant(4) << 2;
    // The stored code is the caption label's own: 0 left, 1 right, 2 centre.
    QTest::newRow("stored-one-is-right") << true << QVariant(1) << 3;
    QTest::newRow("stored-zero-is-left") << true << QVariant(0) << 1;
    QTest::newRow("stored-unknown-code-skipped") << true << QVariant(3) << 2;
    QTest::newRow("stored-unreadable-skipped") << true << QVariant("right") << 2;
}

void TestMavoLabel3D::textAlign()
{
    QFETCH(bool, stored);
    QFETCH(QVariant, value);
    QFETCH(int, textAlign);

    MavoLabel3D label;
    label.setTextAlign(2);
    if (stored)
        label.ReadProperties({{"TextAlign", value}});
    else
        label.setTextAlign(value.toInt());
    QCOMPARE(label.TextAlign(), textAlign);
    const Qt::Alignment shown[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    QCOMPARE(captionLabel(&label)->alignment() & Qt::AlignHorizontal_Mask, shown[textAlign - 1]);
}

void TestMavoLabel3D::captionShift_data()
{
    QTest::addColumn<int>("shift");
    QTest::addColumn<int>("marginRight");
    QTest::addColumn<int>("marginBottom");
    QTest::addColumn<QRect>("downPlace");

    // 200 x 40 px, left margin 45 twips (3 px), top 30 (2 px). Unshifted the caption sits at
    // (3, 2), 200 - (45 + right) / 15 wide and 40 - (30 + bottom) / 15 high.
    QTest::newRow("both-with-two-pixel-margins") << 3 << 30 << 30 << QRect(4, 3, 195, 36);
    QTest::newRow("one-pixel-right-margin-only-down") << 3 << 15 << 30 << QRect(3, 3, 196, 36);
    QTest::newRow("one-pixel-bottom-margin-only-right") << 3 << 30 << 15 << QRect(4, 2, 195, 37);
    QTest::newRow("no-shift") << 0 << 30 << 30 << QRect(3, 2, 195, 36);
}

void TestMavoLabel3D::captionShift()
{
    QFETCH(int, shift);
    QFETCH(int, marginRight);
    QFETCH(int, marginBottom);
    QFETCH(QRect, downPlace);

    MavoLabel3D *label = addButton(m_form.get(), QRect(0, 0, 200, 40));
    label->setCaptionShiftOnDown(shift);
    label->setMarginRight(marginRight);
    label->setMarginBottom(marginBottom);

    label->GoDown();
    QCOMPARE(captionLabel(label)->geometry(), downPlace);
    label->GoUp();
    QCOMPARE(captionLabel(label)->geometry(), QRect(QPoint(3, 2), downPlace.size()));
}

void TestMavoLabel3D::fitMargins_data()
{
    QTest::addColumn<int>("effect");
    QTest::addColumn<QString>("margin");   // the property written
    QTest::addColumn<int>("room");         // inner size minus the caption's extent, px
    QTest::addColumn<int>("oppositeFirst"); // twips written to the opposite margin first, 0: none
    QTest::addColumn<int>("written");      // twips
    QTest::addColumn<int>("fitted");       // twips
    QTest::addColumn<int>("oppositeAfter"); // twips

    // Width 100, caption 80, right margin 10 px; left set to 20 px: the right margin gives way.
    QTest::newRow("opposite-gives-way") << 2 << "MarginLeft" << 20 << 150 << 300 << 300 << 0;
    // Caption 120 wide: nothing fits, both margins stop at their minimum.
    QTest::newRow("caption-too-wide") << 2 << "MarginLeft" << -20 << 150 << 150 << 0 << 0;
    QTest::newRow("rounded-to-whole-pixels") << 2 << "MarginLeft" << 20 << 0 << 40 << 45 << 45;
    // No edge lets the top go to -4 px and the others to -2; a thin edge -3 and -1; a two-pixel
    // edge -2 and 0.
    QTest::newRow("no-edge-top") << 0 << "MarginTop" << -10 << 0 << -150 << -60 << -30;
    QTest::newRow("thin-edge-top") << 5 << "MarginTop" << -10 << 0 << -150 << -45 << -15;
    QTest::newRow("two-pixel-edge-top") << 3 << "MarginTop" << -10 << 0 << -150 << -30 << 0;
    QTest::newRow("no-edge-bottom") << 0 << "MarginBottom" << -10 << 0 << -150 << -30 << -60;
    QTest::newRow("no-edge-left") << 0 << "MarginLeft" << -10 << 0 << -150 << -30 << -30;
    QTest::newRow("thin-edge-right") << 6 << "MarginRight" << -10 << 0 << -150 << -15 << -15;
}

void TestMavoLabel3D::fitMargins()
{
    QFETCH(int, effect);
    QFETCH(QString, margin);
    QFETCH(int, room);
    QFETCH(int, oppositeFirst);
    QFETCH(int, written);
    QFETCH(int, fitted);
    QFETCH(int, oppositeAfter);

    MavoLabel3D label;
    label.setCaption(QStringLiteral("Memory 1234"));
    label.setSpecialEffectOnNormal(effect);
    const QFontMetrics metrics(label.font());
    const bool horizontal = margin == "MarginLeft" || margin == "MarginRight";
    if (horizontal)
        label.resize(metrics.horizontalAdvance(label.Caption()) + room, 200);
    else
        label.resize(400, metrics.height() + room);
    const QString opposite = horizontal ? (margin == "MarginLeft" ? "MarginRight" : "MarginLeft")
                                        : (margin == "MarginTop" ? "MarginBottom" : "MarginTop");

    if (oppositeFirst)
        label.setProperty(opposite.toLatin1(), oppositeFirst);
    label.setProperty(margin.toLatin1(), written);
    QCOMPARE(label.property(margin.toLatin1()).toInt(), fitted);
    QCOMPARE(label.property(opposite.toLatin1()).toInt(), oppositeAfter);
}

void TestMavoLabel3D::lastDrawnSkipsUnchangedRedraws()
{
    MavoLabel3D *label = addButton(m_form.get(), QRect(10, 10, 80, 30));
    PaintCounter counter;
    label->installEventFilter(&counter);
    QVERIFY(showForm());
    QTRY_VERIFY(counter.paints > 0);
    QCoreApplication::processEvents();
    const int base = counter.paints;

    // The pointer over the button: the raised edge is drawn once, further moves draw nothing.
    QTest::mouseMove(label, QPoint(20, 15));
    QVERIFY(label->IsUp());
    QCOMPARE(counter.paints, base + 1);
    QTest::mouseMove(label, QPoint(40, 20));
    label->GoUp();
    QCOMPARE(counter.paints, base + 1);
    // A new up code is not drawn until the state is set again.
    label->setSpecialEffectOnUp(2);
    QCOMPARE(counter.paints, base + 1);
    label->GoUp();
    QCOMPARE(counter.paints, base + 2);

    // A forced redraw and a paint notification draw even when nothing changed.
    label->Refresh();
    QCOMPARE(counter.paints, base + 3);
    label->update();
    QTRY_COMPARE(counter.paints, base + 4);
}

void TestMavoLabel3D::drawsEdgeRingsWithPaletteColours_data()
{
    QTest::addColumn<int>("effect");
    QTest::addColumn<int>("outerTopLeft"); // QPalette::ColorRole
    QTest::addColumn<int>("outerBottomRight");
    QTest::addColumn<int>("innerTopLeft");
    QTest::addColumn<int>("innerBottomRight");

    // Sunken: shadow and highlight outside, 3D dark shadow and 3D light inside.
    QTest::newRow("sunken") << 3 << int(QPalette::Dark) << int(QPalette::Light)
                            << int(QPalette::Shadow) << int(QPalette::Midlight);
    // Thin raised: one ring of highlight and shadow, the fill (window colour) inside it.
    QTest::newRow("thin-raised") << 5 << int(QPalette::Light) << int(QPalette::Dark)
                                 << int(QPalette::Base) << int(QPalette::Base);
}

void TestMavoLabel3D::drawsEdgeRingsWithPaletteColours()
{
    QFETCH(int, effect);
    QFETCH(int, outerTopLeft);
    QFETCH(int, outerBottomRight);
    QFETCH(int, innerTopLeft);
    QFETCH(int, innerBottomRight);
    const auto restore = useTestPalette();

    auto *label = new MavoLabel3D(m_form.get());
    label->setGeometry(10, 10, 40, 20);
    label->setCaption(QString());
    label->setBackColor(kSysColorWindow);
    label->setSpecialEffectOnNormal(effect);
    QVERIFY(showForm());

    for (int round = 0; round < 2; ++round) {
        const QImage image = label->grab().toImage();
        const QPalette palette = QApplication::palette();
        auto role = [&palette](int r) { return palette.color(QPalette::ColorRole(r)).rgb(); };
        QCOMPARE(image.size(), QSize(40, 20));
        const std::pair<QPoint, int> probes[] = {
            {{20, 0}, outerTopLeft}, {{0, 10}, outerTopLeft}, {{20, 19}, outerBottomRight},
            {{39, 10}, outerBottomRight}, {{20, 1}, innerTopLeft}, {{1, 10}, innerTopLeft},
            {{20, 18}, innerBottomRight}, {{38, 10}, innerBottomRight}, {{20, 10}, QPalette::Base}};
        for (const auto &[at, r] : probes) {
            QVERIFY2(image.pixel(at) == role(r), qPrintable(QString("(%1, %2): %3 for %4").arg(at.x()).arg(at.y())
                                                                .arg(image.pixel(at), 0, 16).arg(role(r), 0, 16)));
        }

        // A new desktop palette is followed at the next drawing.
        QPalette changed = palette;
        changed.setColor(QPalette::Light, QColor(0, 200, 0));
        changed.setColor(QPalette::Dark, QColor(200, 0, 200));
        changed.setColor(QPalette::Base, QColor(40, 40, 40));
        QApplication::setPalette(changed);
    }
}

void TestMavoLabel3D::pressAndButtonCodes_data()
{
    QTest::addColumn<int>("forMouseButton");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<int>("buttonCode"); // 0: the press is not accepted
    QTest::addColumn<int>("shiftCode");

    const Qt::KeyboardModifiers none;
    QTest::newRow("none-answers-nothing") << 0 << Qt::LeftButton << none << 0 << 0;
    QTest::newRow("left-ignores-right") << 1 << Qt::RightButton << none << 0 << 0;
    QTest::newRow("both-answer-right") << 2 << Qt::RightButton << none << 2 << 0;
    QTest::newRow("both-ignore-middle") << 2 << Qt::MiddleButton << none << 0 << 0;
    QTest::newRow("left-with-shift-and-ctrl")
        << 1 << Qt::LeftButton << Qt::KeyboardModifiers(Qt::ShiftModifier | Qt::ControlModifier)
        << 1 << 3;
    QTest::newRow("alt") << 2 << Qt::LeftButton << Qt::KeyboardModifiers(Qt::AltModifier) << 1 << 4;
}

void TestMavoLabel3D::pressAndButtonCodes()
{
    QFETCH(int, forMouseButton);
    QFETCH(Qt::MouseButton, button);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(int, buttonCode);
    QFETCH(int, shiftCode);

    MavoLabel3D *label = addButton(m_form.get(), QRect(20, 20, 80, 30), forMouseButton);
    QVERIFY(showForm());
    QSignalSpy downs(label, &MavoLabel3D::MouseDown);

    press(label, QPoint(10, 5), button, modifiers);
    const auto releaseButton = qScopeGuard([&] { release(label, QPoint(10, 5), button); });
    QCOMPARE(label->IsDown(), buttonCode != 0);
    QCOMPARE(downs.count(), buttonCode != 0 ? 1 : 0);
    if (buttonCode != 0) {
        QCOMPARE(downs[0][0].value<qint16>(), qint16(buttonCode));
        QCOMPARE(downs[0][1].value<qint16>(), qint16(shiftCode));
        QCOMPARE(downs[0][2].toFloat(), 150.0f); // 10 px
        QCOMPARE(downs[0][3].toFloat(), 75.0f);  // 5 px
    }
}

void TestMavoLabel3D::pressOnCaptionInHandlerOrder()
{
    MavoLabel3D *label = addButton(m_form.get(), QRect(20, 20, 120, 40));
    QVERIFY(showForm());
    QLabel *caption = captionLabel(label);
    QCOMPARE(caption->pos(), QPoint(3, 2)); // margins 45 and 30 twips

    QStringList order;
    QPointF at;
    connect(label, &MavoLabel3D::MouseDown, label, [&](qint16, qint16, float x, float y) {
        order << (label->IsDown() ? "press-while-down" : "press-before-down");
        at = QPointF(x, y);
        label->setCaptionShiftOnDown(2); // as the result panel does for a left press
    });
    connect(label, &MavoLabel3D::MouseUp, label,
            [&] { order << (label->IsDown() ? "release-while-down" : "release-after-down"); });
    connect(label, &MavoLabel3D::Click, label, [&] { order << "click"; });
    connect(label, &MavoLabel3D::DblClick, label, [&] { order << "double"; });

    // The caption's events are the surface's, at the surface's position: (2 + 3, 3 + 2) px.
    press(caption, QPoint(2, 3));
    QCOMPARE(at, QPointF(75, 75));
    QCOMPARE(caption->pos(), QPoint(3, 3)); // shifted down for this very press
    release(caption, QPoint(2, 2));
    QVERIFY(label->IsUp()); // released with the pointer inside
    // The second press of a double click is the double click only: no press, no click.
    QTest::mouseDClick(caption, Qt::LeftButton, {}, QPoint(2, 3));
    release(caption, QPoint(2, 3));
    QCOMPARE(order,
             QStringList({"press-before-down", "release-while-down", "click", "double"}));
}

void TestMavoLabel3D::dragOutAndBackThenReleaseOutside()
{
    MavoLabel3D *label = addButton(m_form.get(), QRect(20, 20, 80, 30));
    QVERIFY(showForm());
    QSignalSpy moves(label, &MavoLabel3D::MouseMove);
    QSignalSpy ups(label, &MavoLabel3D::MouseUp);
    QSignalSpy clicked(label, &MavoLabel3D::Click);

    press(label, QPoint(40, 15));
    QVERIFY(label->IsDown());
    dragTo(label, QPoint(150, 15));
    QVERIFY(label->IsUp());
    QCOMPARE(moves.last()[0].value<qint16>(), qint16(1)); // the left button held
    dragTo(label, QPoint(40, 15));
    QVERIFY(label->IsDown());
    dragTo(label, QPoint(40, 100));
    QVERIFY(label->IsUp());

    release(label, QPoint(40, 100));
    QCOMPARE(ups.count(), 0);
    QCOMPARE(clicked.count(), 0);
    QVERIFY(label->IsNormal());
}

void TestMavoLabel3D::hoverHandOver_data()
{
    QTest::addColumn<int>("secondForMouseButton");
    QTest::addColumn<bool>("firstNormalAtOnce");

    QTest::newRow("button-takes-over") << 1 << true;
    // A panel that answers no button still rises under the pointer but takes nothing over.
    QTest::newRow("panel-answering-no-button-does-not") << 0 << false;
}

void TestMavoLabel3D::hoverHandOver()
{
    QFETCH(int, secondForMouseButton);
    QFETCH(bool, firstNormalAtOnce);

    MavoLabel3D *first = addButton(m_form.get(), QRect(10, 10, 80, 30));
    MavoLabel3D *second = addButton(m_form.get(), QRect(100, 10, 80, 30), secondForMouseButton);
    QVERIFY(showForm());
    QTest::mouseMove(first, QPoint(40, 15));
    QVERIFY(first->IsUp());
    QSignalSpy moves(second, &MavoLabel3D::MouseMove);

    // The move onto the second label is delivered at once, before the first one's timer can run.
    const QPoint pos(40, 15);
    QCursor::setPos(second->mapToGlobal(pos));
    QMouseEvent move(QEvent::MouseMove, pos, second->mapToGlobal(pos), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(second, &move);
    QVERIFY(second->IsUp());
    QCOMPARE(moves.count(), 1);
    QCOMPARE(moves[0][0].value<qint16>(), qint16(0));
    QCOMPARE(first->IsNormal(), firstNormalAtOnce);
    // Either way the first one gets no further event; its timer notices the pointer has left.
    QTRY_VERIFY_WITH_TIMEOUT(!trackingTimer(first)->isActive(), 1000);
    QVERIFY(first->IsNormal());
}

void TestMavoLabel3D::mouseEventsSkip()
{
    MavoLabel3D *label = addButton(m_form.get(), QRect(20, 20, 80, 30));
    QVERIFY(showForm());
    QSignalSpy moves(label, &MavoLabel3D::MouseMove);
    QSignalSpy downs(label, &MavoLabel3D::MouseDown);
    QSignalSpy ups(label, &MavoLabel3D::MouseUp);

    QTest::mouseMove(label, QPoint(40, 15));
    label->setMouseEventsSkip(true);
    QVERIFY(label->IsNormal());
    QVERIFY(!trackingTimer(label)->isActive());
    const int movesBefore = int(moves.count());

    // A shortcut key presses the button while the mouse is ignored.
    label->GoDown();
    QTest::mouseMove(label, QPoint(30, 10));
    press(label, QPoint(30, 10));
    release(label, QPoint(30, 10));
    QCOMPARE(moves.count(), movesBefore);
    QCOMPARE(downs.count(), 0);
    QCOMPARE(ups.count(), 0);
    QVERIFY(label->IsDown());

    // The key comes up: clearing the flag makes the control normal too.
    label->setMouseEventsSkip(false);
    QVERIFY(label->IsNormal());
}

void TestMavoLabel3D::releaseOutsideTheFormIsIgnored()
{
    MavoLabel3D *label = addButton(m_form.get(), QRect(m_form->width() + 50, 10, 80, 30));
    QVERIFY(showForm());
    QSignalSpy ups(label, &MavoLabel3D::MouseUp);

    pointAt(m_form.get(), QPoint(160, 80));
    QTest::mousePress(label, Qt::LeftButton, {}, QPoint(40, 15));
    QVERIFY(label->IsDown());
    QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(40, 15));
    QCOMPARE(ups.count(), 0);
    QVERIFY(label->IsDown());
    // The press did end: the timer makes it normal, not the up look of a press held outside.
    QTRY_VERIFY_WITH_TIMEOUT(label->IsNormal(), 1000);
}

void TestMavoLabel3D::propertyBagRoundTrip()
{
    // The container's own colours and font, which reading defaults to.
    m_form->setProperty("BackColor", 0x00C0C0C0u);
    m_form->setProperty("ForeColor", 0x000000FFu);
    QFont formFont = m_form->font();
    formFont.setPointSize(17);
    m_form->setFont(formFont);
    QFont font = formFont;
    font.setBold(true);

    // Every value differs from its default; margins are whole pixels with room to spare.
    const QVariantMap values{{"BackColor", 0x00112233u}, {"Caption", "M+"},
                             {"CaptionShiftOnDown", 3}, {"ForMouseButton", 2}, {"Enabled", false},
                             {"Font", font}, {"ForeColor", 0x80000008u}, {"MarginBottom", 15},
                             {"MarginLeft", 75}, {"MarginRight", 90}, {"MarginTop", 60},
                             {"MouseIcon", QCursor(Qt::PointingHandCursor)},
                             {"MousePointer", MavoLabel3D::kMousePointerCustom},
                             {"SpecialEffectOnDown", 3}, {"SpecialEffectOnUp", 5},
                             {"SpecialEffectOnNormal", 6}, {"TextAlign", 3}};
    MavoLabel3D source(m_form.get());
    source.resize(300, 60);
    for (auto it = values.begin(); it != values.end(); ++it)
        QVERIFY(source.setProperty(it.key().toLatin1(), it.value()));
    QVariantMap bag;
    source.WriteProperties(bag);
    QCOMPARE(bag.keys(), values.keys());
    QCOMPARE(bag.value("TextAlign").toInt(), 1); // right, in the caption label's own code

    MavoLabel3D copy(m_form.get());
    copy.GoDown();
    copy.ReadProperties(bag);
    for (auto it = values.begin(); it != values.end(); ++it)
        QCOMPARE(copy.property(it.key().toLatin1()), it.value());
    QCOMPARE(copy.cursor().shape(), Qt::PointingHandCursor);
    QVERIFY(copy.IsNormal() && !copy.IsDown());

    // A bag without any name gives the reading defaults.
    copy.ReadProperties({});
    const QVariantMap defaults{{"BackColor", 0x00C0C0C0u}, {"Caption", ""},
                               {"CaptionShiftOnDown", 0}, {"ForMouseButton", 0},
                               {"Enabled", true}, {"Font", formFont}, {"ForeColor", 0x000000FFu},
                               {"MarginBottom", 30}, {"MarginLeft", 45}, {"MarginRight", 45},
                               {"MarginTop", 30}, {"MousePointer", 0}, {"SpecialEffectOnDown", 1},
                               {"SpecialEffectOnNormal", 1}, {"SpecialEffectOnUp", 1},
                               {"TextAlign", 1}};
    for (auto it = defaults.begin(); it != defaults.end(); ++it)
        QCOMPARE(copy.property(it.key().toLatin1()), it.value());
    QVERIFY(!copy.hasMouseIcon());

    // Writing has its own default for the text colour, so the container's one is stored.
    copy.WriteProperties(bag);
    QCOMPARE(bag, (QVariantMap{{"ForeColor", 0x000000FFu}}));
}

void TestMavoLabel3D::loadedMarginsAreNotFitted_data()
{
    QTest::addColumn<int>("marginLeft");
    QTest::addColumn<QRect>("captionPlace");

    // 100 x 30 px. With no room left between the margins the caption keeps its place.
    QTest::newRow("fits") << 150 << QRect(10, 2, 87, 26);
    QTest::newRow("negative-truncates-toward-zero") << -44 << QRect(-2, 2, 100, 26);
    QTest::newRow("wider-than-control") << 3000 << QRect(3, 2, 94, 26);
    QTest::newRow("sum-beyond-32-bit") << std::numeric_limits<int>::max() << QRect(3, 2, 94, 26);
}

void TestMavoLabel3D::loadedMarginsAreNotFitted()
{
    QFETCH(int, marginLeft);
    QFETCH(QRect, captionPlace);

    MavoLabel3D label;
    label.resize(100, 30);
    label.Refresh(); // a hidden widget gets its resize event only when shown
    QCOMPARE(captionLabel(&label)->geometry(), QRect(3, 2, 94, 26));
    label.ReadProperties({{"Caption", "M"}, {"MarginLeft", marginLeft}});
    QCOMPARE(label.MarginLeft(), marginLeft);
    QCOMPARE(captionLabel(&label)->geometry(), captionPlace);
}

QTEST_MAIN(TestMavoLabel3D)
#include "tst_mavolabel3d.moc"
