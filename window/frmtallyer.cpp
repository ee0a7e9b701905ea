// The main window's controls and their wiring.

#include "frmtallyer.h"

#include "calcfield.h"
#include "colorvalue.h"
#include "mavolabel3d.h"
#include "memorybank.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QTimer>

TextRing g_udtHistory(kHistoryEntries);

namespace {

// Edge codes of the two kinds of push-label: panels sit sunken, buttons stand raised.
void makePanel(MavoLabel3D *label)
{
    label->setSpecialEffectOnDown(3);
    label->setSpecialEffectOnUp(5);
    label->setSpecialEffectOnNormal(6);
    label->setForMouseButton(2);
    label->setTextAlign(3);
}

void makeButton(MavoLabel3D *label, const QString &caption)
{
    label->setSpecialEffectOnDown(3);
    label->setSpecialEffectOnUp(2);
    label->setSpecialEffectOnNormal(5);
    label->setForMouseButton(1);
    label->setTextAlign(2);
    label->setCaption(caption);
}

} // namespace

frmTallyer::frmTallyer(QWidget *parent, Role role)
    : QWidget(parent)
    , m_blnIsHistory(role == Role::History)
{
    buildControls();
    connectLabels();
    connectHints();
    setupAccessibility();
}

frmTallyer::~frmTallyer()
{
    if (mainCalculatorWindow() == this)
        Form_Unload();
}

void frmTallyer::buildControls()
{
    setObjectName(QStringLiteral("frmTallyer"));

    boxCalc = new CalcField(this);
    boxCalc->setObjectName(QStringLiteral("boxCalc"));
    boxCalc->document()->setDocumentMargin(2);
    boxCalc->setGeometry(kDesignFieldLeft, kDesignFieldTop, kDesignFieldWidth, kDesignFieldHeight);

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
    lblRound->setForMouseButton(2);
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
    lblToolTip->setSpecialEffectOnDown(1);
    lblToolTip->setSpecialEffectOnUp(1);
    lblToolTip->setSpecialEffectOnNormal(1);
    lblToolTip->setForMouseButton(0);
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

    TimerPointRefresh = new QTimer(this);
    TimerPointRefresh->setObjectName(QStringLiteral("TimerPointRefresh"));
    TimerPointRefresh->setSingleShot(true);
    connect(TimerPointRefresh, &QTimer::timeout, this, [this] { TimerPointRefresh_Timer(); });

    TimerMyToolTip = new QTimer(this);
    TimerMyToolTip->setObjectName(QStringLiteral("TimerMyToolTip"));
    TimerMyToolTip->setInterval(300);

    TimerPressF1ForHelp = new QTimer(this);
    TimerPressF1ForHelp->setObjectName(QStringLiteral("TimerPressF1ForHelp"));
    TimerPressF1ForHelp->setInterval(40);

    const int clientHeight = frameTop + kFrame2Height + kBottomMargin;
    resize(kDesignFieldLeft * 2 + kDesignFieldWidth, clientHeight);
    setFixedWidth(kDesignFieldLeft * 2 + kDesignFieldWidth);

    connect(boxCalc, &QPlainTextEdit::textChanged, this, [this] { boxCalc_Change(); });
}

QAction *frmTallyer::memoryItem(const QString &strName) const
{
    const QList<QAction *> items = mnuMenu->actions();
    for (QAction *item : items) {
        if (item->objectName() == strName)
            return item;
    }
    return nullptr;
}

void frmTallyer::connectLabels()
{
    const QList<MavoLabel3D *> labels = {lblResult, lblMemory, lblMemMenu, lblRound, lblOptions, lblMoveSize,
                                          lblM, lblMC, lblMR, lblMPlus, lblMMinus};
    for (MavoLabel3D *l : labels) {
        connect(l, &MavoLabel3D::MouseDown, this,
                [this, l](qint16 button, qint16, float, float) { labelMouseDown(l, button); });
        connect(l, &MavoLabel3D::MouseUp, this,
                [this, l](qint16 button, qint16, float x, float) { labelMouseUp(l, button, x); });
    }
    for (MavoLabel3D *l : {lblResult, lblMemory, lblMemMenu, lblRound, lblOptions, lblMoveSize}) {
        connect(l, &MavoLabel3D::PropertyChanged, this, [this](const QString &name) {
            if (name == QLatin1String("Caption") || name == QLatin1String("Font"))
                LayoutPanelRow();
        });
    }
    connect(lblRound, &MavoLabel3D::MouseMove, this,
            [this](qint16 b, qint16 s, float x, float y) { lblRound_MouseMove(b, s, x, y); });
}
