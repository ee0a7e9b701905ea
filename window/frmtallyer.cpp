// The main window's controls, their wiring to the session and to the parts that place the window,
// watch the locale and check the start-up; what the push-labels and the commands of the key map
// do; start-up, shut-down and the window procedures; the window's height, which follows the rows
// of the sheet, and the row of panels and buttons, which follows their captions.

#include "frmtallyer.h"

#include "accessibility.h"
#include "calcfield.h"
#include "colorvalue.h"
#include "datafolders.h"
#include "eventwatcher.h"
#include "filenames.h"
#include "findbar.h"
#include "localewatch.h"
#include "loadtext.h"
#include "mavolabel3d.h"
#include "messagesink.h"
#include "wrap.h"
#include "productinfo.h"
#include "sheeteditor.h"
#include "showhelp.h"
#include "startupchecks.h"
#include "tapeactions.h"
#include "twips.h"
#include "windowplacer.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QStyleHints>
#include <QTimer>
#include <QWindow>

#include <algorithm>
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
    m_placer = new WindowPlacer(this);
    m_localeWatch = std::make_unique<LocaleWatch>(boxCalc, sheet, m_session);
    m_startup = std::make_unique<StartupChecks>(this, m_session, sheet,
                                                [this](const QString &path) { m_tape->openFile(path); });
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
    boxCalc->setDocument(&m_session->document());
    boxCalc->setObjectName(QStringLiteral("boxCalc"));
    boxCalc->setDocumentMargin(2);
    boxCalc->setGeometry(kDesignFieldLeft, kDesignFieldTop, kDesignFieldWidth, kDesignFieldHeight);
    sheet = new SheetEditor(boxCalc, kDesignFieldWidth, this);
    m_findBar = new FindBar(boxCalc, this);
    m_findBar->setGeometry(kDesignFieldLeft, kDesignFieldTop, kDesignFieldWidth, m_findBar->sizeHint().height());
    connect(m_findBar, &FindBar::shownChanged, this, &frmTallyer::placeFindBar);
    // The bar is as wide as the sheet, which widens with the panels.
    new EventWatcher(boxCalc, QEvent::Resize, [this] { m_findBar->resize(boxCalc->width(), m_findBar->height()); });

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
    connect(m_session, &CalcSession::restoreRequested, this,
            [this](const TextRing::Edit &edit, qint32 selStart, qint32 selLength) {
                sheet->restore(edit, selStart, selLength);
            });
    connect(m_session, &CalcSession::historyRequested, this, &frmTallyer::historyWindowRequested);
    connect(m_session, &CalcSession::tapePathChanged, this, &frmTallyer::drawTitle);
    connect(m_session, &CalcSession::modifiedChanged, this, &QWidget::setWindowModified);

    connect(sheet, &SheetEditor::textTyped, hints, &Hints::noteTyped);
    connect(sheet, &SheetEditor::sheetChanged, this, &frmTallyer::boxCalc_Change);
    connect(boxCalc, &CalcField::commandRequested, this, &frmTallyer::runCommand);
    connect(boxCalc, &CalcField::keyReleased, this, &frmTallyer::keyReleased);
    connect(boxCalc, &CalcField::fileDropped, m_tape, &TapeActions::openFile);
    connect(boxCalc, &CalcField::recentTapeChosen, m_tape, &TapeActions::openRecent);
    boxCalc->recentTapes = &TapeActions::recentTapes;
    connect(boxCalc, &CalcField::pasteRefused, this,
            [] { showMessage(Text(TextId::PasteTooLarge), MessageIcon::Exclamation); });
    connect(boxCalc, &CalcField::pasteNotRead, this,
            [](const QString &why) { showMessage(why, MessageIcon::Exclamation); });
    boxCalc->canRun = [this](KeyCommand command) {
        return command == KeyCommand::Undo ? m_session->canUndo()
            : command == KeyCommand::Redo  ? m_session->canRedo()
                                           : true;
    };
    // The state before the key is kept for the undo ring.
    connect(boxCalc, &CalcField::keyCommandDone, m_session, &CalcSession::takeSnapshot);
    // A note written is a step of the undo ring and a change of the tape.
    boxCalc->noteSetter = [this](qsizetype row, const QString &note) { m_session->setNote(row, note); };
    // The note column narrows the rows: some may take more lines.
    connect(boxCalc, &SheetView::notesShownChanged, this, [this] {
        const qint16 rows = LoWord(fieldLineCount());
        if (rows != f_intRows) {
            f_intRows = rows;
            ResizeToRows(m_session->StripShown(), rows, false);
        }
    });
    // The session follows the text and the caret.
    connect(boxCalc, &SheetView::cursorPositionChanged, this, &frmTallyer::trackSheet);
    connect(boxCalc, &SheetView::selectionChanged, this, &frmTallyer::trackSheet);
}

void frmTallyer::trackSheet()
{
    m_session->setSelection(boxCalc->SelStart(), boxCalc->SelLength());
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
    // The product's name, after the name of the file the tape belongs to and the mark of changes
    // not saved to it ("[*]", drawn by setWindowModified; one in the name is doubled to show as is).
    const QString product = QLatin1String(ProductInfo::kProductName);
    const QString path = m_session->tapePath();
    setWindowFilePath(path);
    setWindowTitle(path.isEmpty() ? product
                                  : PrintableFileName(QFileInfo(path).fileName()).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"))
                                        + QStringLiteral("[*] - ") + product);
    setWindowModified(m_session->isModified());
}

void frmTallyer::drawStrip(bool shown)
{
    // The strip of memory buttons comes into the window or is cut off again; the arrow's side
    // margin moves by a pixel so that both arrows sit alike.
    MavoLabel3D *button = label(PushLabel::MoveSize);
    const int onePixel = static_cast<int>(std::lround(twipsPerPixelX(this)));
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
    // A note being written is the tape's before any command reads it (a menu item leaves the
    // editor open behind the menu).
    boxCalc->finishNoteEdit();
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
    case KeyCommand::NewTape: m_tape->newTape(); return;
    case KeyCommand::SaveTape: m_tape->save(); return;
    case KeyCommand::SaveTapeAs: m_tape->saveAs(); return;
    case KeyCommand::PrintTape: m_tape->print(); return;
    case KeyCommand::ExportPdf: m_tape->exportPdf(); return;
    case KeyCommand::ExportCsv: m_tape->exportCsv(); return;
    case KeyCommand::Find: m_findBar->open(); return;
    case KeyCommand::FindNext:
        if (m_findBar->hasNeedle())
            m_findBar->findNext();
        return;
    case KeyCommand::FindPrevious:
        if (m_findBar->hasNeedle())
            m_findBar->findPrevious();
        return;
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

void frmTallyer::PressLabel(MavoLabel3D *l, const QString &name)
{
    if (!l->Enabled() || l->IsDown())
        return;
    if (anyKeyDown())
        l->setMouseEventsSkip(true); // the mouse must not interfere with a key's press
    l->GoDown();
    if (m_session->StripShown() || name.isEmpty())
        return;
    lblResultLabel->setText(name);
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

void frmTallyer::CopyPanelText(const QString &value, bool inWords)
{
    if (value.isEmpty())
        return;
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    const std::optional<QString> text = m_session->copyText(
        value, inWords, DataFilePath(m_session->options().inWordsFile, QCoreApplication::applicationDirPath()));
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

void frmTallyer::TakeHistoryExpression(int roundDigit, const QString &expression, const RowNotes &notes)
{
    m_session->setRoundDigit(roundDigit);
    // The main window's cycle runs in full for the copied text; the notes are the rows' before
    // it cleans them.
    boxCalc->setSheetText(expression, notes);
    boxCalc->SetCaret(CalcField::CaretMode::All);
}

bool frmTallyer::historyOpen() const
{
    return findChild<QWidget *>(QStringLiteral("frmHistory"), Qt::FindDirectChildrenOnly) != nullptr;
}

bool frmTallyer::Form_Load()
{
    const bool firstRun = m_session->roundDigit() < 0;

    // On the first run the window is made normal and becomes the program's main window.
    if (firstRun) {
        if (isMinimized() || isMaximized())
            showNormal();
        // Every option value and the window's saved state are read here, in one go; the steps
        // below use them where the settings are first needed.
        m_session->load();
    }

    // Another running copy may end this one.
    if (!m_startup->singleCopyTest(firstRun))
        return false;

    // The title is the product name, and the tape's file once it has one.
    drawTitle();

    // A locale whose numbers the calculator cannot read ends the program.
    if (firstRun && !m_startup->localeTest()) {
        Form_Unload();
        return false;
    }

    // The screen's work area in twips, for placing the window; followed when screens change.
    if (firstRun)
        m_placer->takeScreen();

    // The hint strip starts hidden. Unless the user has declined it, the F1 greeting runs
    // once per start: its frame covers the field, the label slides in from the right.
    if (firstRun) {
        lblToolTip->setVisible(false);
        frame1->setVisible(false);
        if (m_session->windowState().greeting) {
            frame1->setVisible(true);
            lblF1Label->setVisible(false);
            // No-break spaces keep the four words on one line.
            lblF1Label->setText(Text(TextId::PressF1ForHelp, {QString(QChar(0xA0))}));
            lblF1Label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            hints->startGreeting();
        }
    }

    // The row limits came with the other option values. A words file that is not set,
    // or not found, gives way to the dollars file when that one is there.
    if (firstRun)
        m_startup->chooseWordsFile();

    // The strip below the separator line, and the rest of the window's height beside the
    // field, the strip and the caption bar, from the design sizes.
    if (firstRun) {
        const double tppY = twipsPerPixelY(this);
        const auto strip = static_cast<float>((frame2->height() - Line1->y() + 2) * tppY);
        const int designClientHeight = frame2->y() + frame2->height() + kBottomMargin;
        m_placer->setFrameMeasures(strip, static_cast<float>(designClientHeight * tppY - strip
                                                             - (boxCalc->y() + boxCalc->height()) * tppY));
    }

    // The field's look, loaded with the other option values, is applied.
    applyFieldSettings(firstRun);

    // The window's height for the rows the field holds.
    ResizeToRows(m_session->StripShown(), LoWord(fieldLineCount()), m_startup->otherCopyRuns());

    // Always on top, the window procedures, the memory cells and the rounding digit.
    if (firstRun) {
        setAlwaysOnTop(m_session->options().alwaysOnTop);
        HookField();
        HookWindow();
        frame1->setGeometry(boxCalc->x() + 5, boxCalc->y() + 2, boxCalc->width() - 7,
                            boxCalc->height() - 4);
        m_session->restoreMemory();
        mnuClear->setText(Text(TextId::ClearsAll));
    }

    // The rounding digit (the store reads one outside 0 ... 9 as 2).
    m_session->setRoundDigit(m_session->options().roundTo);
    const int speed = std::clamp(QGuiApplication::styleHints()->keyboardAutoRepeatRate(), 0, 31);
    sheet->setLeadingZeroDelay(speed + 10);

    // The tape of the last run comes back once the window stands, and the file the program was
    // started with is opened over it (as an undo step) once the window is shown.
    if (firstRun) {
        m_tape->restoreKept();
        if (!m_tapeFile.isEmpty())
            QTimer::singleShot(0, m_tape, [this] { m_tape->openFile(m_tapeFile); });
    }
    return true;
}

void frmTallyer::setTapeFile(const QString &path)
{
    m_tapeFile = path;
    m_startup->setTapeFile(path);
}

void frmTallyer::applyFieldSettings(bool firstRun)
{
    Options options = m_session->options();
    udtAppearance &look = options.appearance;
    QFont font = boxCalc->font();
    font.setFamily(look.FontName);
    font.setItalic(look.FontItalic);
    font.setBold(look.FontBold);
    if (look.FontSize >= 8 && look.FontSize <= 50)
        font.setPointSize(look.FontSize);
    else
        look.FontSize = static_cast<int>(std::lround(boxCalc->font().pointSizeF()));
    boxCalc->setFont(font);
    m_session->setOptions(options);
    QFont panelFont = label(PushLabel::Result)->font();
    panelFont.setFamily(look.FontName);
    label(PushLabel::Result)->setFont(panelFont);
    label(PushLabel::Memory)->setFont(panelFont);

    // Readable in any desktop palette unless the user chose both colours (readableColors).
    const DrawnColors colors = readableColors(look.FontColor, look.BackColor);
    QPalette pal = boxCalc->palette();
    pal.setColor(QPalette::Text, colors.text);
    pal.setColor(QPalette::Base, colors.back);
    boxCalc->setPalette(pal);
    frame1->setAutoFillBackground(true);
    QPalette framePal = frame1->palette();
    framePal.setColor(QPalette::Window, colors.back);
    framePal.setColor(QPalette::WindowText, colors.text); // the F1 greeting on the field
    frame1->setPalette(framePal);
    if (look.FontSize < 12) {
        QFont f1 = lblF1Label->font();
        f1.setPointSize(look.FontSize);
        lblF1Label->setFont(f1);
        if (firstRun) {
            const int down = static_cast<int>(std::lround((12 - look.FontSize) * 15 / twipsPerPixelY(this)));
            lblF1Label->move(lblF1Label->x(), lblF1Label->y() + down);
        }
    }

    // The window measures rows in the field's font: one row is the height of "|".
    setFont(font);
    m_placer->setRowHeight(static_cast<float>(QFontMetricsF(font).height() * twipsPerPixelY(this)));
    RecreateCaret();
    LayoutPanelRow();
}

void frmTallyer::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;

    // The tape is kept whatever is open over the window.
    m_session->setLocale(sheet->locale());
    m_tape->keep();

    const bool history = historyOpen();
    if (!history)
        UnhookWindow();
    UnhookField();
    if (history)
        return;

    QCoreApplication::processEvents();
    m_session->setLocale(sheet->locale());
    const QPoint position = m_placer->position();
    m_session->setWindowPosition(position.x(), position.y());
    m_session->save();
}

void frmTallyer::closeEvent(QCloseEvent *event)
{
    boxCalc->finishNoteEdit();
    // Changes to a tape's file that no kept tape will bring back are asked about first.
    if (!m_unloaded && !m_session->options().keepTape && !m_tape->settleChanges()) {
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

void frmTallyer::setAlwaysOnTop(bool onTop)
{
    Qt::WindowFlags flags = windowFlags();
    if (flags.testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
    if (QWindow *handle = windowHandle()) {
        // A window that exists already is told directly: changing the widget's flags would hide
        // and re-create it, which flickers every time the options open.
        overrideWindowFlags(flags);
        handle->setFlags(flags);
    } else {
        setWindowFlags(flags);
    }
}

// The window procedures. The main window and its field are watched through event filters; the
// handlers keep the names of the procedures they stand for.

void frmTallyer::HookWindow()
{
    if (m_hookedWindow)
        return;
    installEventFilter(this);
    m_hookedWindow = true;
}

void frmTallyer::HookField()
{
    if (m_hookedField)
        return;
    boxCalc->installEventFilter(this);
    // A caret move or a selection change may change what is selected: re-arm the sub result.
    connect(boxCalc, &SheetView::cursorPositionChanged, TimerSelWork, qOverload<>(&QTimer::start));
    connect(boxCalc, &SheetView::selectionChanged, TimerSelWork, qOverload<>(&QTimer::start));
    m_hookedField = true;
}

void frmTallyer::UnhookWindow()
{
    if (!m_hookedWindow)
        return;
    removeEventFilter(this);
    m_hookedWindow = false;
}

void frmTallyer::UnhookField()
{
    if (!m_hookedField)
        return;
    boxCalc->removeEventFilter(this);
    disconnect(boxCalc, &SheetView::cursorPositionChanged, TimerSelWork, nullptr);
    disconnect(boxCalc, &SheetView::selectionChanged, TimerSelWork, nullptr);
    m_hookedField = false;
}

bool frmTallyer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == this)
        return MainWindowProc(event);
    if (watched == boxCalc)
        return MainFieldProc(event);
    return QWidget::eventFilter(watched, event);
}

bool frmTallyer::MainWindowProc(QEvent *event)
{
    if (event->type() == QEvent::Move && !historyOpen())
        m_placer->noteMove();
    return false;
}

bool frmTallyer::MainFieldProc(QEvent *event)
{
    if (event->type() == QEvent::FocusIn)
        m_localeWatch->fieldFocused();
    return false;
}

void frmTallyer::RecreateCaret()
{
    // A wider caret for large fonts, so it stays visible.
    int width = boxCalc->font().pointSizeF() <= 12 ? 1 : 2;
    // At a fractional scale a caret that is not a whole number of device pixels wide (1 px at
    // 1.5 is 1.5) is drawn over part of a pixel, and what its blinking leaves behind shows as a
    // dark sliver inside a selection. Take the next width that is whole, if one is near (2 px at
    // 1.5 is 3 device pixels).
    const qreal ratio = boxCalc->devicePixelRatioF();
    for (int wider = width; wider <= 3 * width; ++wider) {
        if (std::abs(wider * ratio - std::round(wider * ratio)) < 0.01) {
            width = wider;
            break;
        }
    }
    boxCalc->setCursorWidth(width);
}

void frmTallyer::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_placer->followScreens([this] { ResizeToRows(m_session->StripShown(), LoWord(fieldLineCount()), true); });
    // Form_Activate: the field takes the focus.
    boxCalc->setFocus();
}

qint32 frmTallyer::fieldLineCount() const
{
    // The window never shows more than the options' most rows, so the count stops just past them
    // (and below 32,768, as callers keep its low 16 bits).
    return boxCalc->visualLineCount(std::min(32767, m_session->options().maxRows + 1));
}

void frmTallyer::ResizeToRows(bool showStrip, qint16 requestedRows, bool heightOnly)
{
    // Until the first load has set the rounding digit, the window goes where it was saved.
    const bool firstPlacement = m_session->roundDigit() < 0;
    // A hint would stand in the wrong place once the height changes.
    hints->hide(false);
    // The rows shown stay within the options' limits.
    qint32 rows = std::max<qint32>(requestedRows, m_session->options().minRows);
    rows = std::min<qint32>(rows, m_session->options().maxRows);
    // Only a normal window can take a new height.
    if (isMinimized() || isMaximized())
        showNormal();
    if (firstPlacement)
        m_placer->setPosition(static_cast<float>(m_session->windowState().formLeft),
                              static_cast<float>(m_session->windowState().formTop));

    // The field, the window and the panels below take the new height.
    const WindowPlacer::RowFit fit = m_placer->fitRows(rows, showStrip, boxCalc->geometry());
    if (fit.fieldGrowth != 0)
        boxCalc->resize(boxCalc->width(), std::max(1, boxCalc->height() + fit.fieldGrowth));
    m_placer->apply(fit, heightOnly);
    if (fit.fieldGrowth != 0) {
        lblF1Label->move(lblF1Label->x(), lblF1Label->y() + fit.fieldGrowth);
        frame2->move(frame2->x(), frame2->y() + fit.fieldGrowth);
    }
}

void frmTallyer::placeFindBar(bool shown)
{
    const int fieldTop = kDesignFieldTop + (shown ? m_findBar->height() + kRowGap : 0);
    const int shift = fieldTop - boxCalc->y();
    for (QWidget *w : {static_cast<QWidget *>(boxCalc), static_cast<QWidget *>(frame1), static_cast<QWidget *>(frame2)})
        w->move(w->x(), w->y() + shift);
    ResizeToRows(m_session->StripShown(), LoWord(fieldLineCount()), false);
}

void frmTallyer::LayoutPanelRow()
{
    if (m_panelRow)
        m_panelRow->layout();
}
