// The main window's controls, their wiring to the session, and what the push-labels and the
// commands of the key map do.

#include "frmtallyer.h"

#include "accessibility.h"
#include "calcfield.h"
#include "colorvalue.h"
#include "datafolders.h"
#include "eventwatcher.h"
#include "filenames.h"
#include "loadtext.h"
#include "mavolabel3d.h"
#include "messagesink.h"
#include "wrap.h"
#include "productinfo.h"
#include "sheeteditor.h"
#include "showhelp.h"
#include "tapeactions.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QTimer>

#include <cmath>

namespace {

constexpr quint32 kSysColorButtonShadow = 0x80000010u;

// Edge codes of the two kinds of push-label: panels sit sunken, buttons stand raised.
void makePanel(MavoLabel3D *label)
{
    label->setSpecialEffectOnDown(MavoLabel3D::EdgeSunken);
    label->setSpecialEffectOnUp(MavoLabel3D::EdgeThinRaised);
    label->setSpecialEffectOnNormal(MavoLabel3D::EdgeThinSunken);
    label->setForMouseButton(MavoLabel3D::PressedByLeftOrRight);
    label->setTextAlign(MavoLabel3D::AlignRightCode);
}

void makeButton(MavoLabel3D *label)
{
    label->setSpecialEffectOnDown(MavoLabel3D::EdgeSunken);
    label->setSpecialEffectOnUp(MavoLabel3D::EdgeRaised);
    label->setSpecialEffectOnNormal(MavoLabel3D::EdgeThinRaised);
    label->setForMouseButton(MavoLabel3D::PressedByLeft);
    label->setTextAlign(MavoLabel3D::AlignCentreCode);
}

// The strip's buttons, under the line of frame2.
bool isMemoryButton(PushLabel id)
{
    return id == PushLabel::M || id == PushLabel::MC || id == PushLabel::MR || id == PushLabel::MPlus
        || id == PushLabel::MMinus;
}

// The hover look of a push-label goes at once, without raising events of its own.
void dropHoverLook(MavoLabel3D *label)
{
    if (!label->IsUp())
        return;
    label->setMouseEventsSkip(true);
    label->GoNormal();
    label->setMouseEventsSkip(false);
}

} // namespace

frmTallyer::frmTallyer(QWidget *parent)
    : QWidget(parent)
    , m_session(new CalcSession(this))
{
    m_session->setObjectName(QStringLiteral("session"));
    buildControls();
    m_tape = new TapeActions(this, boxCalc, sheet, m_session);
    connectSession();
    connectLabels();
    new WindowAccessibility(this, boxCalc, m_labels, m_session, hints);
}

frmTallyer::~frmTallyer()
{
    // A main window that was loaded saves its state however it ends.
    if (m_session->roundDigit() >= 0)
        Form_Unload();
    // The field goes after the session: nothing it says on its way may reach the session.
    boxCalc->disconnect(this);
    boxCalc->disconnect(m_session);
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
    // The rows decide the window's size: no maximise button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    boxCalc = new CalcField(this);
    boxCalc->setObjectName(QStringLiteral("boxCalc"));
    boxCalc->setDocumentMargin(2);
    boxCalc->setGeometry(kDesignFieldLeft, kDesignFieldTop, kDesignFieldWidth, kDesignFieldHeight);
    sheet = new SheetEditor(boxCalc, kDesignFieldWidth, this);

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

    for (const PushLabelEntry &entry : kPushLabels) {
        auto *l = new MavoLabel3D(frame2);
        l->setObjectName(QLatin1String(entry.name));
        if (entry.panel)
            makePanel(l);
        else
            makeButton(l);
        l->setCaption(QLatin1String(entry.caption));
        l->setGeometry(entry.design);
        m_labels[static_cast<int>(entry.id)] = l;
    }
    label(PushLabel::Round)->setForMouseButton(MavoLabel3D::PressedByLeftOrRight);

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
    for (int n = 1; n <= MemoryBank::kCells; ++n) {
        QAction *item = mnuMenu->addAction(MemoryBank::cellName(n));
        item->setObjectName(QStringLiteral("mnuM%1").arg(n));
        item->setCheckable(true);
        connect(item, &QAction::triggered, m_session, [this, n] { m_session->SelectMemoryCell(n); });
        m_memoryItems[n - 1] = item;
    }
    QAction *sep = mnuMenu->addSeparator();
    sep->setObjectName(QStringLiteral("mnuSep"));
    mnuClear = mnuMenu->addAction(QStringLiteral("Clears all"));
    mnuClear->setObjectName(QStringLiteral("mnuClear"));
    connect(mnuClear, &QAction::triggered, m_session, &CalcSession::ClearAllMemory);
    drawMemoryCells();

    TimerSelWork = new QTimer(this);
    TimerSelWork->setObjectName(QStringLiteral("TimerSelWork"));
    TimerSelWork->setInterval(50);
    TimerSelWork->setSingleShot(true);
    connect(TimerSelWork, &QTimer::timeout, this, &frmTallyer::TimerSelWork_Timer);

    hints = new Hints({this, boxCalc, lblToolTip, frame1, lblF1Label}, [this] { return m_session->StripShown(); },
                      [this] { return m_session->hasSelection(); }, this);
    hints->setObjectName(QStringLiteral("hints"));

    m_panelRow = std::make_unique<PanelRow>(this, frame2, m_labels, QList<QWidget *>{Line1, Line2, boxCalc, frame1},
                                            kDesignFieldWidth);

    const int clientHeight = frameTop + kFrame2Height + kBottomMargin;
    setFixedHeight(clientHeight);
    setFixedWidth(kDesignFieldLeft * 2 + kDesignFieldWidth);
}

// The session's state, drawn: every caption below is written from the session and never read
// back to learn anything.
void frmTallyer::connectSession()
{
    MavoLabel3D *result = label(PushLabel::Result);
    connect(m_session, &CalcSession::panelChanged, result, [result](const QString &text, bool subResult) {
        result->setForeColor(subResult ? kSysColorButtonShadow : kSysColorButtonText);
        result->setCaption(text);
    });
    connect(m_session, &CalcSession::memoryPanelChanged, label(PushLabel::Memory), &MavoLabel3D::setCaption);
    connect(m_session, &CalcSession::roundDigitChanged, this, [this](int digit) {
        label(PushLabel::Round)->setCaption(QStringLiteral("Fix ") + QString::number(digit));
    });
    connect(&m_session->memory(), &MemoryBank::changed, this, &frmTallyer::drawMemoryCells);
    connect(m_session, &CalcSession::stripShownChanged, this, &frmTallyer::drawStrip);
    connect(m_session, &CalcSession::memoryOverflow, this, &frmTallyer::ShowMemoryOverflow);
    connect(m_session, &CalcSession::insertRequested, sheet, &SheetEditor::insertAtCaret);
    connect(m_session, &CalcSession::restoreRequested, this, [this](const TextEntry &entry) {
        sheet->restore(entry.text, entry.selStart, entry.selLength);
    });
    connect(m_session, &CalcSession::historyRequested, this, &frmTallyer::historyWindowRequested);
    connect(m_session, &CalcSession::tapePathChanged, this, &frmTallyer::drawTitle);

    connect(sheet, &SheetEditor::textTyped, hints, &Hints::noteTyped);
    connect(sheet, &SheetEditor::sheetChanged, this, &frmTallyer::boxCalc_Change);
    connect(boxCalc, &CalcField::commandRequested, this, &frmTallyer::runCommand);
    connect(boxCalc, &CalcField::keyReleased, this, &frmTallyer::keyReleased);
    connect(boxCalc, &CalcField::fileDropped, m_tape, &TapeActions::openFile);
    connect(boxCalc, &CalcField::pasteRefused, this,
            [] { showMessage(Text(TextId::PasteTooLarge), MessageIcon::Exclamation); });
    boxCalc->canRun = [this](KeyCommand command) {
        return command == KeyCommand::Undo ? m_session->canUndo()
            : command == KeyCommand::Redo  ? m_session->canRedo()
                                           : true;
    };
    // The state before the key is kept for the undo ring.
    connect(boxCalc, &CalcField::keyCommandDone, m_session, &CalcSession::takeSnapshot);
    // The session follows the text and the caret.
    connect(boxCalc, &SheetView::cursorPositionChanged, this, &frmTallyer::trackSheet);
    connect(boxCalc, &SheetView::selectionChanged, this, &frmTallyer::trackSheet);
}

void frmTallyer::trackSheet()
{
    m_session->setSheet(boxCalc->Text(), boxCalc->SelStart(), boxCalc->SelLength());
}

void frmTallyer::drawMemoryCells()
{
    const MemoryBank &bank = m_session->memory();
    for (int n = 1; n <= MemoryBank::kCells; ++n) {
        m_memoryItems[n - 1]->setText(bank.caption(n));
        m_memoryItems[n - 1]->setChecked(n == bank.current());
    }
    label(PushLabel::MemMenu)->setCaption(MemoryBank::cellName(bank.current()));
}

void frmTallyer::drawTitle()
{
    // The product's name, after the name of the file the tape belongs to.
    const QString product = QLatin1String(ProductInfo::kProductName);
    const QString path = m_session->tapePath();
    setWindowTitle(path.isEmpty() ? product
                                   : PrintableFileName(QFileInfo(path).fileName()) + QStringLiteral(" - ") + product);
}

void frmTallyer::drawStrip(bool shown)
{
    // The strip of memory buttons comes into the window or is cut off again; the arrow's side
    // margin moves by a pixel so that both arrows sit alike.
    MavoLabel3D *button = label(PushLabel::MoveSize);
    const int onePixel = static_cast<int>(std::lround(twipsX()));
    button->setCaption(shown ? QStringLiteral("<<") : QStringLiteral(">>"));
    button->setMarginRight(button->MarginRight() + (shown ? onePixel : -onePixel));
    LayoutPanelRow(); // the margin counts in the button's width
    ResizeToRows(shown, LoWord(fieldLineCount()), false);
    TimerSelWork->start();
}

void frmTallyer::connectLabels()
{
    for (const PushLabelEntry &entry : kPushLabels) {
        MavoLabel3D *l = label(entry.id);
        const PushLabel id = entry.id;
        connect(l, &MavoLabel3D::MouseDown, this, [this, l, id](qint16 button, qint16, float, float) {
            if (pushLabelEntry(id).panel)
                Panel_MouseDown(id, button);
            else if (isMemoryButton(id))
                PressLabel(l, QLatin1String(pushLabelEntry(id).caption)); // the memory buttons name themselves
            else
                PressLabel(l, QString());
        });
        connect(l, &MavoLabel3D::MouseUp, this,
                [this, slot = releaseSlot(id)](qint16 button, qint16, float, float) { (this->*slot)(button); });
        // A pointer resting on a push-label brings its hint.
        connect(l, &MavoLabel3D::MouseMove, this, [this, id](qint16, qint16, float, float) { ShowHint(id); });
        if (!isMemoryButton(id)) {
            connect(l, &MavoLabel3D::PropertyChanged, this, [this](const QString &name) {
                if (name == QLatin1String("Caption") || name == QLatin1String("Font"))
                    LayoutPanelRow();
            });
        }
    }
    // Between the buttons the frame shows the ordinary pointer.
    frame2->setMouseTracking(true);
    new EventWatcher(frame2, QEvent::MouseMove, [this] { frame2->unsetCursor(); });
}

frmTallyer::ReleaseSlot frmTallyer::releaseSlot(PushLabel id) const
{
    switch (id) {
    case PushLabel::Result: return &frmTallyer::lblResult_MouseUp;
    case PushLabel::Memory: return &frmTallyer::lblMemory_MouseUp;
    case PushLabel::MemMenu: return &frmTallyer::lblMemMenu_MouseUp;
    case PushLabel::Round: return &frmTallyer::lblRound_MouseUp;
    case PushLabel::Options: return &frmTallyer::lblOptions_MouseUp;
    case PushLabel::MoveSize: return &frmTallyer::lblMoveSize_MouseUp;
    case PushLabel::M: return &frmTallyer::lblM_MouseUp;
    case PushLabel::MC: return &frmTallyer::lblMC_MouseUp;
    case PushLabel::MR: return &frmTallyer::lblMR_MouseUp;
    case PushLabel::MPlus: return &frmTallyer::lblMPlus_MouseUp;
    case PushLabel::MMinus: return &frmTallyer::lblMMinus_MouseUp;
    case PushLabel::Count: break;
    }
    return nullptr;
}

void frmTallyer::ShowHint(PushLabel id)
{
    MavoLabel3D *l = label(id);
    // A memory operation that cannot be used has nothing to explain.
    if (isMemoryButton(id) && id != PushLabel::M && !l->Enabled())
        return;
    if (id == PushLabel::MoveSize)
        l->setMousePointer(0);
    hints->ShowHint(l, pushLabelEntry(id).hint, pushLabelEntry(id).hintSubResult);
    // The panel beside the cell button or the rounding selector gives up its hover look.
    if (id == PushLabel::MemMenu || id == PushLabel::Round)
        dropHoverLook(label(id == PushLabel::MemMenu ? PushLabel::Memory : PushLabel::Result));
}

bool frmTallyer::anyKeyDown() const
{
    return std::any_of(m_keyDown.cbegin(), m_keyDown.cend(), [](bool down) { return down; });
}

void frmTallyer::runCommand(KeyCommand command, int key)
{
    switch (command) {
    case KeyCommand::Help:
        ShowHelp(this, sheet->locale().helpFileName, HH_HELP_CONTEXT, 1000);
        return;
    case KeyCommand::Minimise:
        window()->showMinimized();
        return;
    case KeyCommand::Round:
        m_session->setRoundDigit(key - Qt::Key_0);
        pressFromKey(PushLabel::Round, MavoLabel3D::LeftButton);
        return;
    case KeyCommand::CopyResultInWords:
        pressFromKey(PushLabel::Result, MavoLabel3D::RightButton);
        return;
    case KeyCommand::CopyMemoryInWords:
        pressFromKey(PushLabel::Memory, MavoLabel3D::RightButton);
        return;
    case KeyCommand::MemoryMenu:
        if (m_session->StripShown())
            pressFromKey(PushLabel::MemMenu, MavoLabel3D::LeftButton);
        return;
    case KeyCommand::OpenTape: m_tape->open(); return;
    case KeyCommand::SaveTape: m_tape->save(); return;
    case KeyCommand::SaveTapeAs: m_tape->saveAs(); return;
    case KeyCommand::PrintTape: m_tape->print(); return;
    case KeyCommand::ExportPdf: m_tape->exportPdf(); return;
    case KeyCommand::ExportCsv: m_tape->exportCsv(); return;
    default:
        break;
    }
    // A command with a push-label of its own presses it, and runs as the key goes up.
    for (const PushLabelEntry &entry : kPushLabels) {
        if (entry.command == command) {
            pressFromKey(entry.id, MavoLabel3D::LeftButton);
            return;
        }
    }
    m_session->run(command);
}

void frmTallyer::pressFromKey(PushLabel id, int button)
{
    m_keyDown[static_cast<int>(id)] = true;
    if (pushLabelEntry(id).panel)
        Panel_MouseDown(id, button);
    else
        PressLabel(label(id), isMemoryButton(id) ? QLatin1String(pushLabelEntry(id).caption) : QString());
}

void frmTallyer::keyReleased()
{
    // The order in which the labels a key pressed are released.
    static constexpr PushLabel kOrder[] = {
        PushLabel::MoveSize, PushLabel::MPlus, PushLabel::MMinus, PushLabel::MC, PushLabel::MR, PushLabel::M,
        PushLabel::Round, PushLabel::Result, PushLabel::Memory, PushLabel::Options, PushLabel::MemMenu,
    };
    const auto held = m_keyDown;
    for (PushLabel id : kOrder) {
        if (!held[static_cast<int>(id)])
            continue;
        MavoLabel3D *l = label(id);
        // A disabled button was not pressed, and the mouse would not release it either. Ctrl+digit
        // has set the rounding digit already: its release only shows the new result.
        if (l->Enabled()) {
            if (id == PushLabel::Round)
                roundingChanged();
            else
                (this->*releaseSlot(id))(MavoLabel3D::LeftButton);
        }
        l->setMouseEventsSkip(false);
    }
    lblResultLabel->setVisible(false);
    m_keyDown.fill(false);
}

void frmTallyer::PressLabel(MavoLabel3D *l, const QString &strName)
{
    if (!l->Enabled() || l->IsDown())
        return;
    if (anyKeyDown())
        l->setMouseEventsSkip(true); // the mouse must not interfere with a key's press
    l->GoDown();
    if (m_session->StripShown() || strName.isEmpty())
        return;
    lblResultLabel->setText(strName);
    lblResultLabel->setVisible(true);
}

void frmTallyer::Panel_MouseDown(PushLabel id, int button)
{
    MavoLabel3D *panel = label(id);
    if (panel->IsDown())
        return;
    // The left button copies in digits, the right in words; the caption moves down or right.
    if (button == MavoLabel3D::LeftButton)
        m_copyInWords = false;
    else if (button == MavoLabel3D::RightButton)
        m_copyInWords = true;
    else
        return;
    panel->setCaptionShiftOnDown(m_copyInWords ? MavoLabel3D::ShiftRight : MavoLabel3D::ShiftDown);
    PressLabel(panel, QString());
}

void frmTallyer::lblResult_MouseUp(int)
{
    if (label(PushLabel::Result)->IsDown())
        CopyPanelText(m_session->panelText(), m_copyInWords);
}

void frmTallyer::lblMemory_MouseUp(int)
{
    if (label(PushLabel::Memory)->IsDown())
        CopyPanelText(m_session->memoryPanel(), m_copyInWords);
}

void frmTallyer::lblMemMenu_MouseUp(int)
{
    PopupMemoryMenu();
}

void frmTallyer::lblRound_MouseUp(int button)
{
    m_session->stepRound(button == MavoLabel3D::RightButton ? CalcSession::Step::Down : CalcSession::Step::Up);
    roundingChanged();
}

void frmTallyer::lblMoveSize_MouseUp(int)
{
    m_session->run(KeyCommand::ToggleStrip);
}

void frmTallyer::lblM_MouseUp(int)
{
    m_session->run(KeyCommand::MemoryStore);
}

void frmTallyer::lblMC_MouseUp(int)
{
    m_session->run(KeyCommand::MemoryClear);
}

void frmTallyer::lblMR_MouseUp(int)
{
    m_session->run(KeyCommand::MemoryRecall);
}

void frmTallyer::lblMPlus_MouseUp(int)
{
    m_session->run(KeyCommand::MemoryAdd);
}

void frmTallyer::lblMMinus_MouseUp(int)
{
    m_session->run(KeyCommand::MemorySubtract);
}

void frmTallyer::roundingChanged()
{
    // The results follow the new digit: the sub result when there is a selection.
    if (m_session->hasSelection())
        TimerSelWork->start();
    else
        sheet->runCycle();
}

void frmTallyer::CopyPanelText(const QString &strValue, bool blnInWords)
{
    if (strValue.isEmpty())
        return;
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    const std::optional<QString> text = m_session->copyText(
        strValue, blnInWords, DataFilePath(m_session->options().inWordsFile, QCoreApplication::applicationDirPath()));
    if (text)
        clipboard->setText(*text);
}

void frmTallyer::ShowMemoryOverflow()
{
    showMessage(Text(TextId::MemoryOverflow, {QLatin1String(ProductInfo::kProductName) + QLatin1Char('\n')}),
                MessageIcon::Information);
}

void frmTallyer::PopupMemoryMenu()
{
    MavoLabel3D *button = label(PushLabel::MemMenu);
    const QPoint below = frame2->mapTo(this, button->geometry().bottomLeft() + QPoint(0, 1));
    mnuMenu->popup(mapToGlobal(below));
}

void frmTallyer::lblOptions_MouseUp(int)
{
    // A second request while the dialog is open is ignored.
    if (m_optionsOpen)
        return;
    m_optionsOpen = true;

    // Every push-label comes back to normal before the dialog opens.
    for (MavoLabel3D *l : m_labels) {
        if (l->IsDown())
            l->GoNormal();
    }
    m_keyDown.fill(false);

    // The dialog is topmost itself; the calculator must not cover it.
    setAlwaysOnTop(false);
    hints->hide(false);
    label(PushLabel::Options)->GoNormal();

    // The dialog works on a copy; only OK gives values back.
    QPointer<frmTallyer> self(this);
    std::optional<Options> changed;
    if (m_optionsOpener)
        changed = m_optionsOpener(this, m_session->options());
    if (!self)
        return;
    m_optionsOpen = false;
    if (changed)
        m_session->setOptions(*changed);

    // The window is on top again, if it was, and has the focus back.
    setAlwaysOnTop(m_session->options().alwaysOnTop);
    raise();
    activateWindow();

    // New options are applied by loading the window again, and the result follows them.
    if (changed) {
        Form_Load();
        roundingChanged();
    }
}

void frmTallyer::boxCalc_Change(bool textDiffers, bool restored)
{
    trackSheet();
    m_session->setLocale(sheet->locale());

    const qint16 rows = LoWord(fieldLineCount());
    if (rows != f_intRows) {
        f_intRows = rows;
        ResizeToRows(m_session->StripShown(), rows, false);
    }

    // A hint shown over the panels goes with any change; the session brings the sub result and
    // the result up to date and records the change.
    hints->hide();
    m_session->sheetChanged(boxCalc->SelText(), textDiffers, restored);
    // The cycle's caret moves armed the timer, but the sub result it would make is the one
    // just made.
    TimerSelWork->stop();
}

void frmTallyer::TimerSelWork_Timer()
{
    hints->hide();
    m_session->selectionChanged(boxCalc->SelText());
    // Nothing is left to do until the field draws again.
    TimerSelWork->stop();
}

void frmTallyer::TakeHistoryExpression(int roundDigit, const QString &expression)
{
    m_session->setRoundDigit(roundDigit);
    // The main window's cycle runs in full for the copied text.
    boxCalc->setText(expression);
    boxCalc->SetCaret(CalcField::CaretMode::All);
}
