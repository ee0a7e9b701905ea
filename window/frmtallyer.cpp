// The main window's controls and their wiring.

#include "frmtallyer.h"

#include "calcfield.h"
#include "colorvalue.h"
#include "eventwatcher.h"
#include "hints.h"
#include "mavolabel3d.h"
#include "memorybank.h"
#include "sheeteditor.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QTimer>

namespace {

// Edge codes of the two kinds of push-label: panels sit sunken, buttons stand raised.
void makePanel(MavoLabel3D *label)
{
    label->setSpecialEffectOnDown(MavoLabel3D::EdgeSunken);
    label->setSpecialEffectOnUp(MavoLabel3D::EdgeThinRaised);
    label->setSpecialEffectOnNormal(MavoLabel3D::EdgeThinSunken);
    label->setForMouseButton(MavoLabel3D::PressedByLeftOrRight);
    label->setTextAlign(MavoLabel3D::AlignRightCode);
}

void makeButton(MavoLabel3D *label, const QString &caption)
{
    label->setSpecialEffectOnDown(MavoLabel3D::EdgeSunken);
    label->setSpecialEffectOnUp(MavoLabel3D::EdgeRaised);
    label->setSpecialEffectOnNormal(MavoLabel3D::EdgeThinRaised);
    label->setForMouseButton(MavoLabel3D::PressedByLeft);
    label->setTextAlign(MavoLabel3D::AlignCentreCode);
    label->setCaption(caption);
}

} // namespace

frmTallyer::frmTallyer(QWidget *parent)
    : frmTallyer(parent, Role::Main)
{
}

frmTallyer::frmTallyer(QWidget *parent, Role role)
    : QWidget(parent)
    , m_role(role)
{
    buildControls();
    connectLabels();
    setupAccessibility();
}

frmTallyer::~frmTallyer()
{
    // A main window that was loaded saves its state however it ends.
    if (m_role == Role::Main && m_roundDigit >= 0)
        Form_Unload();
}

void frmTallyer::setOptionsDialogOpener(OptionsDialogOpener opener)
{
    m_optionsOpener = std::move(opener);
}

void frmTallyer::setF1QuestionAsker(F1QuestionAsker asker)
{
    hints->setAsker(std::move(asker));
}

void frmTallyer::buildControls()
{
    setObjectName(QStringLiteral("frmTallyer"));

    boxCalc = new CalcField(this);
    boxCalc->setObjectName(QStringLiteral("boxCalc"));
    boxCalc->document()->setDocumentMargin(2);
    boxCalc->setGeometry(kDesignFieldLeft, kDesignFieldTop, kDesignFieldWidth, kDesignFieldHeight);
    sheet = new SheetEditor(boxCalc, m_role == Role::Main ? SheetEditor::Mode::Main : SheetEditor::Mode::History,
                            kDesignFieldWidth, this);

    frame1 = new QFrame(this);
    frame1->setObjectName(QStringLiteral("frame1"));
    lblF1Label = new QLabel(frame1);
    lblF1Label->setObjectName(QStringLiteral("lblF1Label"));
    lblF1Label->move(0, 0);
    frame1->hide();

    frame2 = new QFrame(this);
    frame2->setObjectName(QStringLiteral("frame2"));
    const int frameTop = kDesignFieldTop + kDesignFieldHeight + kRowGap;
    frame2->setGeometry(kDesignFieldLeft, frameTop, kDesignFieldWidth, kFrame2Height);
    // The panels and buttons keep the desktop's font: the window itself takes the field's font
    // to measure rows, and a 50-point field must not blow the buttons up with it.
    QFont rowFont = QApplication::font(frame2);
    rowFont.setResolveMask(QFont::AllPropertiesResolved);
    frame2->setFont(rowFont);

    auto label = [this](const char *name) {
        auto *l = new MavoLabel3D(frame2);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    lblResult = label("lblResult");
    lblMemory = label("lblMemory");
    lblMemMenu = label("lblMemMenu");
    lblRound = label("lblRound");
    lblOptions = label("lblOptions");
    lblMoveSize = label("lblMoveSize");
    lblM = label("lblM");
    lblMC = label("lblMC");
    lblMR = label("lblMR");
    lblMPlus = label("lblMPlus");
    lblMMinus = label("lblMMinus");

    makePanel(lblResult);
    makePanel(lblMemory);
    lblResult->setCaption(QString());
    lblMemory->setCaption(QString());
    makeButton(lblMemMenu, QStringLiteral("M1"));
    makeButton(lblRound, QString());
    lblRound->setForMouseButton(MavoLabel3D::PressedByLeftOrRight);
    makeButton(lblOptions, QStringLiteral("..."));
    makeButton(lblMoveSize, QStringLiteral(">>"));
    makeButton(lblM, QStringLiteral("M"));
    makeButton(lblMC, QStringLiteral("MC"));
    makeButton(lblMR, QStringLiteral("MR"));
    makeButton(lblMPlus, QStringLiteral("M+"));
    makeButton(lblMMinus, QStringLiteral("M-"));

    lblResult->setGeometry(0, 0, 128, kPanelHeight);
    lblMemory->setGeometry(130, 0, 84, kPanelHeight);
    lblMemMenu->setGeometry(214, 0, 30, kPanelHeight);
    lblRound->setGeometry(246, 0, 40, kPanelHeight);
    lblOptions->setGeometry(288, 0, 20, kPanelHeight);
    lblMoveSize->setGeometry(310, 0, 20, kPanelHeight);
    int x = 0;
    for (MavoLabel3D *b : {lblM, lblMC, lblMR, lblMPlus, lblMMinus}) {
        b->setGeometry(x, kStripButtonTop, 40, kStripButtonHeight);
        x += 42;
    }

    Line1 = new QFrame(frame2);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Plain);
    Line1->setForegroundRole(QPalette::Dark);
    Line1->setGeometry(0, kLineTop, kDesignFieldWidth, 1);
    Line2 = new QFrame(frame2);
    Line2->setObjectName(QStringLiteral("Line2"));
    Line2->setFrameShape(QFrame::HLine);
    Line2->setFrameShadow(QFrame::Plain);
    Line2->setForegroundRole(QPalette::Light);
    Line2->setGeometry(0, kLineTop + 1, kDesignFieldWidth, 1);

    lblResultLabel = new QLabel(frame2);
    lblResultLabel->setObjectName(QStringLiteral("lblResultLabel"));
    QFont bold = lblResultLabel->font();
    bold.setBold(true);
    lblResultLabel->setFont(bold);
    lblResultLabel->setGeometry(4, 4, 28, kPanelHeight - 8);
    lblResultLabel->hide();

    lblToolTip = new MavoLabel3D(this);
    lblToolTip->setObjectName(QStringLiteral("lblToolTip"));
    lblToolTip->setSpecialEffectOnDown(MavoLabel3D::EdgeFlat);
    lblToolTip->setSpecialEffectOnUp(MavoLabel3D::EdgeFlat);
    lblToolTip->setSpecialEffectOnNormal(MavoLabel3D::EdgeFlat);
    lblToolTip->setForMouseButton(MavoLabel3D::PressedByNone);
    lblToolTip->setBackColor(kSysColorInfoBackground);
    lblToolTip->setCaption(QString());
    lblToolTip->setGeometry(kDesignFieldLeft, frameTop - kRowGap, kDesignFieldWidth, 19);
    lblToolTip->hide();

    mnuMenu = new QMenu(this);
    mnuMenu->setObjectName(QStringLiteral("mnuMenu"));
    mnuMenu->setTitle(QStringLiteral("Menu"));
    memoryBank = new MemoryBank(this);
    for (int n = 1; n <= MemoryBank::kCells; ++n) {
        QAction *item = mnuMenu->addAction(MemoryBank::cellName(n));
        item->setObjectName(QStringLiteral("mnuM%1").arg(n));
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, n] { SelectMemoryCell(n); });
        item->setData(n);
    }
    QAction *sep = mnuMenu->addSeparator();
    sep->setObjectName(QStringLiteral("mnuSep"));
    mnuClear = mnuMenu->addAction(QStringLiteral("Clears all"));
    mnuClear->setObjectName(QStringLiteral("mnuClear"));
    connect(mnuClear, &QAction::triggered, this, [this] { ClearAllMemory(); });
    connect(memoryBank, &MemoryBank::changed, this, [this] { drawMemoryCells(); });
    drawMemoryCells();

    TimerSelWork = new QTimer(this);
    TimerSelWork->setObjectName(QStringLiteral("TimerSelWork"));
    TimerSelWork->setInterval(50);
    TimerSelWork->setSingleShot(true);
    connect(TimerSelWork, &QTimer::timeout, this, [this] { TimerSelWork_Timer(); });

    hints = new Hints({this, boxCalc, lblToolTip, frame1, lblF1Label}, [this] { return StripShown(); },
                      [this] { return f_blnSelection; }, this);
    hints->setObjectName(QStringLiteral("hints"));

    const int clientHeight = frameTop + kFrame2Height + kBottomMargin;
    resize(kDesignFieldLeft * 2 + kDesignFieldWidth, clientHeight);
    setFixedWidth(kDesignFieldLeft * 2 + kDesignFieldWidth);

    connect(sheet, &SheetEditor::textTyped, hints, &Hints::noteTyped);
    connect(sheet, &SheetEditor::sheetChanged, this, &frmTallyer::boxCalc_Change);
}

QAction *frmTallyer::memoryItem(int cell) const
{
    const QList<QAction *> items = mnuMenu->actions();
    return cell >= 1 && cell <= items.size() ? items.at(cell - 1) : nullptr;
}

void frmTallyer::connectLabels()
{
    const QList<MavoLabel3D *> labels = {lblResult, lblMemory, lblMemMenu, lblRound, lblOptions, lblMoveSize,
                                          lblM, lblMC, lblMR, lblMPlus, lblMMinus};
    for (MavoLabel3D *l : labels) {
        connect(l, &MavoLabel3D::MouseDown, this,
                [this, l](qint16 button, qint16, float, float) { labelMouseDown(l, button); });
        connect(l, &MavoLabel3D::MouseUp, this,
                [this, l](qint16 button, qint16, float, float) { labelMouseUp(l, button); });
    }
    for (MavoLabel3D *l : {lblResult, lblMemory, lblMemMenu, lblRound, lblOptions, lblMoveSize}) {
        connect(l, &MavoLabel3D::PropertyChanged, this, [this](const QString &name) {
            if (name == QLatin1String("Caption") || name == QLatin1String("Font"))
                LayoutPanelRow();
        });
    }
    connect(lblRound, &MavoLabel3D::MouseMove, this, [this] { lblRound_MouseMove(); });

    // A pointer resting on a push-label brings its hint.
    auto onMove = [this](MavoLabel3D *label, auto handler) {
        connect(label, &MavoLabel3D::MouseMove, this, [handler](qint16, qint16, float, float) { handler(); });
    };
    for (MavoLabel3D *label : {lblM, lblResult, lblMemory, lblOptions}) {
        const QString name = label->objectName();
        onMove(label, [this, name] { hints->show(name); });
    }
    // A memory operation that cannot be used has nothing to explain.
    for (MavoLabel3D *label : {lblMC, lblMR, lblMPlus, lblMMinus}) {
        const QString name = label->objectName();
        onMove(label, [this, label, name] {
            if (label->Enabled())
                hints->show(name);
        });
    }
    onMove(lblMoveSize, [this] {
        lblMoveSize->setMousePointer(0);
        hints->show(lblMoveSize->objectName());
    });
    // The memory panel next to the cell button gives up its hover look at once, without raising
    // events of its own.
    onMove(lblMemMenu, [this] {
        hints->show(lblMemMenu->objectName());
        if (lblMemory->IsUp()) {
            lblMemory->setMouseEventsSkip(true);
            lblMemory->GoNormal();
            lblMemory->setMouseEventsSkip(false);
        }
    });

    // Between the buttons the frame shows the ordinary pointer.
    frame2->setMouseTracking(true);
    new EventWatcher(frame2, QEvent::MouseMove, [this] { frame2->unsetCursor(); });
}
