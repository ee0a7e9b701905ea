// The push-label, driven with real mouse events on the offscreen platform. Pixel and twips figures
// are worked out by hand at 15 twips per pixel (96 DPI, checked in initTestCase).

#include <colorvalue.h>
#include <mavolabel3d.h>
#include <twips.h>

#include <QtTest>
#include <QtWidgets>

#include <memory>

namespace {

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

// QTest hands mouse events straight to the widget; the pointer, which the control reads to
// choose between states, is placed first. With a button held a move goes to the widget too.
enum class Mouse { Press, Release, Move };
void mouse(Mouse what, QWidget *widget, QPoint pos, Qt::MouseButton button = Qt::LeftButton,
           Qt::KeyboardModifiers modifiers = {})
{
    QCursor::setPos(widget->mapToGlobal(pos));
    QCoreApplication::processEvents();
    if (what == Mouse::Press)
        QTest::mousePress(widget, button, modifiers, pos);
    else if (what == Mouse::Release)
        QTest::mouseRelease(widget, button, modifiers, pos);
    else
        QTest::mouseMove(widget, pos);
}

QLabel *captionLabel(MavoLabel3D *label)
{
    return label->findChild<QLabel *>(QStringLiteral("lbl0"));
}

// The application palette with these colours, restored when the guard ends; by default one whose
// colours all differ.
auto usePalette(std::initializer_list<std::pair<QPalette::ColorRole, QColor>> colours = {
                    {QPalette::Light, QColor(250, 240, 230)}, {QPalette::Midlight, QColor(200, 190, 180)},
                    {QPalette::Dark, QColor(100, 90, 80)}, {QPalette::Shadow, QColor(20, 10, 5)},
                    {QPalette::Base, QColor(0, 128, 255)}, {QPalette::ButtonText, QColor(1, 2, 3)}})
{
    const QPalette saved = QApplication::palette();
    QPalette palette = saved;
    for (const auto &[role, colour] : colours)
        palette.setColor(role, colour);
    QApplication::setPalette(palette);
    return qScopeGuard([saved] { QApplication::setPalette(saved); });
}

} // namespace

class TestMavoLabel3D : public QObject
{
    Q_OBJECT

    std::unique_ptr<QWidget> m_form;

    bool showForm()
    {
        m_form->show();
        return QTest::qWaitForWindowExposed(m_form.get());
    }

private slots:
    void initTestCase()
    {
        QCOMPARE(QPointF(twipsPerPixelX(), twipsPerPixelY()), QPointF(15, 15));
    }
    void init()
    {
        m_form = std::make_unique<QWidget>();
        m_form->resize(320, 160);
        // The pointer stays off every window until a test puts it somewhere.
        QCursor::setPos(QPoint(5000, 5000));
        QCoreApplication::processEvents();
    }
    void cleanup() { m_form.reset(); }

    void colorValues()
    {
        const auto restore = usePalette();
        // An RGB value has red in the low byte; a system colour reference resolves through the
        // palette, the window colour to Base and 3D light to Midlight.
        const std::tuple<quint32, QColor, qint32> valid[] = {{0x00336699u, QColor(0x99, 0x66, 0x33), 0x336699},
                                                             {kSysColorButtonText, QColor(1, 2, 3), 0x030201},
                                                             {kSysColorWindow, QColor(0, 128, 255), 0xFF8000},
                                                             {0x80000016u, QColor(200, 190, 180), 0xB4BEC8}};
        for (const auto &[value, colour, rgb] : valid) {
            QCOMPARE((QVariantList{resolveColorValue(value), translateColorValue(value)}), (QVariantList{colour, rgb}));
            QCOMPARE(rgbValueFromColor(colour), quint32(rgb));
        }
        // An unused index, stray bits beside the index, the palette-index form: no colour.
        for (const quint32 value : {0x80000019u, 0x80000112u, 0x01000005u})
            QCOMPARE(translateColorValue(value), -1);
        QCOMPARE(colorFromRgbValue(-1), QColor(Qt::white));
    }

    // A grey caption in a system colour (the sub result's button shadow) is lifted towards the
    // button text until it reads at 3:1 on a dark face; the same colour as RGB stays as chosen.
    void systemTextColourReadable()
    {
        const QColor face(0x35, 0x35, 0x35), shadow(0x23, 0x23, 0x23);
        const auto restore =
            usePalette({{QPalette::Button, face}, {QPalette::Dark, shadow}, {QPalette::ButtonText, Qt::white}});
        MavoLabel3D label;
        label.setBackColor(0x8000000Fu); // button face
        label.setForeColor(0x80000010u); // button shadow
        QVERIFY(contrastRatio(captionLabel(&label)->palette().color(QPalette::WindowText), face) >= 3.0);
        label.setForeColor(0x00232323u);
        QCOMPARE(captionLabel(&label)->palette().color(QPalette::WindowText), shadow);
        // The hint strip in a dark theme that keeps its tooltip base light: no mix reads there.
        const auto tooltip = usePalette({{QPalette::ToolTipBase, Qt::white}, {QPalette::ButtonText, QColor(0xF0, 0xF0, 0xF0)}});
        label.setBackColor(kSysColorInfoBackground);
        label.setForeColor(kSysColorButtonText);
        QCOMPARE(captionLabel(&label)->palette().color(QPalette::WindowText), QColor(Qt::black));
    }

    // The field's text on its background, in Qt's own palette and in the one Adwaita:dark gives
    // through the GTK theme, which keeps its tooltip base light yellow. Values are 0x00BBGGRR;
    // contrasts worked out from the relative luminances.
    void readablePair_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<quint32>("text");
        QTest::addColumn<quint32>("back");
        QTest::addColumn<QString>("drawn");
        const quint32 text = kSysColorButtonText, tip = kSysColorInfoBackground;
        // Button text on tooltip base is 1.1:1 in dark; on the dark base 13.6:1.
        QTest::newRow("dark-system-pair-text-black") << true << text << tip << "#000000 on #ffffdc";
        QTest::newRow("dark-system-pair-readable") << true << text << kSysColorWindow << "#f0f0f0 on #242424";
        QTest::newRow("dark-system-text-on-chosen-yellow") << true << text << 0x00C0FFFFu << "#000000 on #ffffc0";
        // Black on grey 117 is 4.56:1; on grey 115 4.43:1, where white reads 4.74:1.
        QTest::newRow("black-on-grey-117-kept") << false << text << 0x00757575u << "#000000 on #757575";
        QTest::newRow("black-on-grey-115-white") << false << text << 0x00737373u << "#ffffff on #737373";
        QTest::newRow("chosen-text-system-base-white") << true << 0x00202020u << kSysColorWindow << "#202020 on #ffffff";
        QTest::newRow("chosen-pair-as-chosen") << true << 0x00202020u << 0x00242424u << "#202020 on #242424";
    }

    void readablePair()
    {
        QFETCH(bool, dark);
        QFETCH(quint32, text);
        QFETCH(quint32, back);
        QPalette palette;
        palette.setColor(QPalette::ButtonText, dark ? QColor(0xF0, 0xF0, 0xF0) : QColor(Qt::black));
        palette.setColor(QPalette::Base, dark ? QColor(0x24, 0x24, 0x24) : QColor(Qt::white));
        palette.setColor(QPalette::ToolTipBase, QColor(0xFF, 0xFF, 0xDC));
        const DrawnColors drawn = readableColors(text, back, palette);
        QTEST(drawn.text.name() + " on " + drawn.back.name(), "drawn");
    }

    // The face is drawn in the back colour inside a sunken edge in the desktop's dark colour, and a
    // new desktop palette is followed at the next drawing.
    void drawsWithPaletteColours()
    {
        const auto restore = usePalette();
        auto *label = new MavoLabel3D(m_form.get());
        label->setGeometry(10, 10, 40, 20);
        label->setCaption(QString());
        label->setBackColor(kSysColorWindow);
        label->setSpecialEffectOnNormal(3);
        QVERIFY(showForm());
        const QImage image = label->grab().toImage();
        QCOMPARE((QList<QColor>{image.pixelColor(20, 0), image.pixelColor(20, 10)}),
                 (QList<QColor>{QColor(100, 90, 80), QColor(0, 128, 255)}));
        const auto changed = usePalette({{QPalette::Dark, QColor(200, 0, 200)}});
        QCOMPARE(label->grab().toImage().pixelColor(20, 0), QColor(200, 0, 200));
    }

    void pressAndButtonCodes()
    {
        MavoLabel3D *label = addButton(m_form.get(), QRect(20, 20, 80, 30));
        QVERIFY(showForm());
        QSignalSpy downs(label, &MavoLabel3D::MouseDown);
        // ForMouseButton 0 answers no button, 1 the left one, 2 both; Shift 1, Ctrl 2, Alt 4.
        const std::tuple<int, Qt::MouseButton, Qt::KeyboardModifiers, qint16, qint16> presses[] = {
            {0, Qt::LeftButton, {}, 0, 0}, {1, Qt::RightButton, {}, 0, 0}, {2, Qt::RightButton, {}, 2, 0},
            {1, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier, 1, 3},
            {2, Qt::LeftButton, Qt::AltModifier, 1, 4}};
        for (const auto &[forMouseButton, button, modifiers, buttonCode, shiftCode] : presses) {
            label->setForMouseButton(forMouseButton);
            downs.clear();
            mouse(Mouse::Press, label, QPoint(10, 5), button, modifiers);
            QCOMPARE(label->IsDown(), buttonCode != 0);
            const QVariantList at{QVariant::fromValue(buttonCode), QVariant::fromValue(shiftCode), 150.0f, 75.0f};
            QCOMPARE(downs, buttonCode ? QList<QVariantList>{at} : QList<QVariantList>{}); // at 10, 5 px
            mouse(Mouse::Release, label, QPoint(10, 5), button);
        }
        // Down looking as up (a new control is so): a press is reported but never arms Click.
        label->setSpecialEffectOnDown(5);
        QSignalSpy clicks(label, &MavoLabel3D::Click);
        downs.clear();
        mouse(Mouse::Press, label, QPoint(10, 5));
        mouse(Mouse::Release, label, QPoint(10, 5));
        QCOMPARE((QList<qsizetype>{downs.count(), clicks.count()}), (QList<qsizetype>{1, 0}));
    }

    // The order of MouseDown, the down state and MouseUp, which the panels rely on to copy, is
    // tested with the window through the push-labels' actions for assistive tools.
    void pressOnCaption()
    {
        MavoLabel3D *label = addButton(m_form.get(), QRect(20, 20, 120, 40));
        QVERIFY(showForm());
        QLabel *caption = captionLabel(label);
        QSignalSpy downs(label, &MavoLabel3D::MouseDown);
        QSignalSpy clicks(label, &MavoLabel3D::Click);
        QSignalSpy doubles(label, &MavoLabel3D::DblClick);
        connect(label, &MavoLabel3D::MouseDown, label, [label] { label->setCaptionShiftOnDown(2); });
        // The caption's events are the surface's, at the surface's position: (2 + 3, 3 + 2) px.
        mouse(Mouse::Press, caption, QPoint(2, 3));
        QCOMPARE(downs[0].mid(2), (QVariantList{75.0f, 75.0f}));
        QCOMPARE(caption->pos(), QPoint(3, 3)); // shifted down for this very press
        mouse(Mouse::Release, caption, QPoint(2, 2));
        QVERIFY(label->IsUp()); // released with the pointer inside
        // The second press of a double click is the double click only: no press, no click.
        QTest::mouseDClick(caption, Qt::LeftButton, {}, QPoint(2, 3));
        mouse(Mouse::Release, caption, QPoint(2, 3));
        QCOMPARE(QList<qsizetype>({downs.count(), clicks.count(), doubles.count()}), QList<qsizetype>({1, 1, 1}));
    }

    void dragOutAndBackThenReleaseOutside()
    {
        MavoLabel3D *label = addButton(m_form.get(), QRect(20, 20, 80, 30));
        QVERIFY(showForm());
        QSignalSpy moves(label, &MavoLabel3D::MouseMove);
        QSignalSpy ups(label, &MavoLabel3D::MouseUp);
        QSignalSpy clicked(label, &MavoLabel3D::Click);
        mouse(Mouse::Press, label, QPoint(40, 15));
        mouse(Mouse::Move, label, QPoint(150, 15));
        QVERIFY(label->IsUp());
        QCOMPARE(moves.last()[0].value<qint16>(), qint16(1)); // the left button held
        mouse(Mouse::Move, label, QPoint(40, 15));
        QVERIFY(label->IsDown());
        mouse(Mouse::Move, label, QPoint(40, 100));
        mouse(Mouse::Release, label, QPoint(40, 100));
        QVERIFY(ups.isEmpty() && clicked.isEmpty() && label->IsNormal());
    }

    // The pointer moving from one button onto the next: the next one takes over at once, but a
    // panel that answers no button, though it rises under the pointer, takes nothing over.
    void hoverHandOver_data()
    {
        QTest::addColumn<int>("secondForMouseButton");
        QTest::newRow("button-takes-over") << 1;
        QTest::newRow("panel-answering-no-button-does-not") << 0;
    }
    void hoverHandOver()
    {
        QFETCH(int, secondForMouseButton);
        MavoLabel3D *first = addButton(m_form.get(), QRect(10, 10, 80, 30));
        MavoLabel3D *second = addButton(m_form.get(), QRect(100, 10, 80, 30), secondForMouseButton);
        QVERIFY(showForm());
        QTest::mouseMove(first, QPoint(40, 15));
        QVERIFY(first->IsUp());
        QSignalSpy moves(second, &MavoLabel3D::MouseMove);
        // The move onto the second label is delivered at once, before the first one's timer can run.
        const QPoint pos(40, 15);
        QCursor::setPos(second->mapToGlobal(pos));
        QMouseEvent move(QEvent::MouseMove, pos, second->mapToGlobal(pos), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(second, &move);
        QVERIFY(second->IsUp() && moves.count() == 1);
        QCOMPARE(first->IsNormal(), secondForMouseButton != 0);
        QTRY_VERIFY_WITH_TIMEOUT(!first->findChild<QTimer *>("tmrMouseMove")->isActive(), 1000);
        QVERIFY(first->IsNormal()); // either way its timer notices the pointer has left
    }

    void mouseEventsSkip()
    {
        MavoLabel3D *label = addButton(m_form.get(), QRect(20, 20, 80, 30));
        QVERIFY(showForm());
        QTest::mouseMove(label, QPoint(40, 15));
        label->setMouseEventsSkip(true);
        QVERIFY(label->IsNormal() && !label->findChild<QTimer *>("tmrMouseMove")->isActive());
        // A shortcut key presses the button while the mouse is ignored.
        QSignalSpy moves(label, &MavoLabel3D::MouseMove);
        QSignalSpy downs(label, &MavoLabel3D::MouseDown);
        label->GoDown();
        QTest::mouseMove(label, QPoint(30, 10));
        mouse(Mouse::Press, label, QPoint(30, 10));
        mouse(Mouse::Release, label, QPoint(30, 10));
        QCOMPARE(moves.count() + downs.count(), 0);
        QVERIFY(label->IsDown()); // until the key comes up: clearing the flag makes it normal too
        label->setMouseEventsSkip(false);
        QVERIFY(label->IsNormal());
    }
};

QTEST_MAIN(TestMavoLabel3D)
#include "tst_mavolabel3d.moc"
