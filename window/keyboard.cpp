// The calculation field's keyboard: the commands of the key map carried out, the character check
// of what a key types, and the key-up that releases the buttons a key pressed; the click position
// and the number selection on a double click.

#include "frmtallyer.h"

#include "calcfield.h"
#include "mavolabel3d.h"
#include "modfunctions.h"
#include "sheeteditor.h"
#include "showhelp.h"
#include "textrules.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPointer>

namespace {

bool clipboardHasText()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText() && !data->text().isEmpty();
}

} // namespace

bool frmTallyer::anyKeyDown() const
{
    for (bool down : m_keyDown) {
        if (down)
            return true;
    }
    return false;
}

void frmTallyer::SetCaret(CaretMode mode)
{
    switch (mode) {
    case CaretMode::Start:
        boxCalc->setSelStart(0);
        break;
    case CaretMode::End:
        boxCalc->setSelStart(boxCalc->Text().size());
        break;
    case CaretMode::All:
        boxCalc->selectAll();
        break;
    }
}

void frmTallyer::pressFromKey(KeyButton button)
{
    m_keyDown[static_cast<int>(button)] = true;
    const bool right = button == KeyButton::MemoryRight || button == KeyButton::ResultRight;
    labelMouseDown(keyButtonLabel(button), right ? MavoLabel3D::RightButton : MavoLabel3D::LeftButton);
}

MavoLabel3D *frmTallyer::keyButtonLabel(KeyButton button) const
{
    switch (button) {
    case KeyButton::M: return lblM;
    case KeyButton::MPlus: return lblMPlus;
    case KeyButton::MMinus: return lblMMinus;
    case KeyButton::MR: return lblMR;
    case KeyButton::MC: return lblMC;
    case KeyButton::Round: return lblRound;
    case KeyButton::MemMenu: return lblMemMenu;
    case KeyButton::MoveSize: return lblMoveSize;
    case KeyButton::MemoryLeft:
    case KeyButton::MemoryRight: return lblMemory;
    case KeyButton::ResultLeft:
    case KeyButton::ResultRight: return lblResult;
    case KeyButton::Options: return lblOptions;
    case KeyButton::Count: break;
    }
    return nullptr;
}

frmTallyer::KeyOutcome frmTallyer::runKeyCommand(KeyCommand command, int key, bool &editKey)
{
    using Outcome = KeyOutcome;
    const bool main = m_role == Role::Main;
    // A button pressed by a key; the history window has only the result panel and the rounding.
    auto press = [this, main](KeyButton button) {
        if (main)
            pressFromKey(button);
        return Outcome::Consumed;
    };

    switch (command) {
    case KeyCommand::PassOn:
        return Outcome::PassOn;
    case KeyCommand::Reject:
        return Outcome::Consumed;

    case KeyCommand::CaretLeft:
    case KeyCommand::CaretRight:
        // A selection collapses to the edge on the arrow's side.
        if (boxCalc->SelLength() > 0) {
            const bool right = command == KeyCommand::CaretRight;
            boxCalc->setSelStart(right ? boxCalc->SelStart() + boxCalc->SelLength() : boxCalc->SelStart());
            return Outcome::Consumed;
        }
        return Outcome::PassOn;
    case KeyCommand::JumpLeft:
    case KeyCommand::JumpRight:
        boxCalc->setSelStart(RunJumpTarget(boxCalc->Text(), boxCalc->SelStart(), boxCalc->SelLength(),
                                           command == KeyCommand::JumpRight));
        return Outcome::Consumed;

    case KeyCommand::Enter: {
        if (!main) {
            if (boxCalc->SelLength() == 0)
                return Outcome::PassOn;
            chooseSelection();
            return Outcome::Consumed;
        }
        // A new row only continues an expression: the caret must follow an operator.
        const qsizetype c = boxCalc->SelStart();
        const bool afterOperator = c > 0 && IsContinuationOperator(boxCalc->Text().at(c - 1));
        return afterOperator ? Outcome::PassOn : Outcome::Consumed;
    }

    case KeyCommand::DeleteChar:
        sheet->holdLeadingZero(); // a zero the user deletes is not put back at once
        return Outcome::PassOn;
    case KeyCommand::DeleteRun: {
        if (!main)
            return Outcome::Consumed;
        if (boxCalc->SelLength() > 0)
            return Outcome::PassBare; // a plain Delete of the selection
        // The run next to the caret goes, as Ctrl+Shift with the arrow would select it.
        const TextSpan run = RunToDelete(boxCalc->Text(), boxCalc->SelStart(), key == Qt::Key_Delete);
        if (run.length > 0) {
            boxCalc->setUpdatesEnabled(false);
            boxCalc->setSelStart(run.start);
            boxCalc->setSelLength(run.length);
            boxCalc->setSelText(QString());
            boxCalc->setUpdatesEnabled(true);
        }
        return Outcome::Consumed;
    }

    case KeyCommand::Help:
        ShowHelp(main ? this : parentWidget(), sheet->locale().helpFileName, HH_HELP_CONTEXT, 1000);
        return Outcome::PassOn;
    case KeyCommand::SelectAllToHistory:
        SetCaret(CaretMode::All);
        if (main)
            RecordState(m_history, false);
        return Outcome::PassOn; // the space itself is no character of the sheet
    case KeyCommand::SelectAll:
        SetCaret(CaretMode::All);
        return Outcome::Consumed;
    case KeyCommand::Minimise:
        if (main)
            window()->showMinimized();
        else
            window()->close();
        return Outcome::Consumed;

    case KeyCommand::ShiftInsert:
        return main && clipboardHasText() ? Outcome::PassOn : Outcome::Consumed;
    case KeyCommand::Paste:
        if (!clipboardHasText())
            return Outcome::Consumed;
        editKey = true;
        return Outcome::PassOn;
    case KeyCommand::Copy:
        if (boxCalc->SelLength() > 0)
            QGuiApplication::clipboard()->setText(
                boxCalc->SelText().replace(QLatin1String("\r\n"), QLatin1String("\n")));
        return Outcome::Consumed;
    case KeyCommand::EditKey:
        editKey = true;
        return Outcome::PassOn;

    case KeyCommand::Round:
        setRoundDigit(key - Qt::Key_0);
        pressFromKey(KeyButton::Round);
        return Outcome::Consumed;
    case KeyCommand::ToggleStrip: return press(KeyButton::MoveSize);
    case KeyCommand::MemoryStore: return press(KeyButton::M);
    case KeyCommand::MemoryAdd: return press(KeyButton::MPlus);
    case KeyCommand::MemorySubtract: return press(KeyButton::MMinus);
    case KeyCommand::MemoryRecall: return press(KeyButton::MR);
    case KeyCommand::MemoryClear: return press(KeyButton::MC);
    case KeyCommand::Options: return press(KeyButton::Options);
    case KeyCommand::CopyResult:
        pressFromKey(KeyButton::ResultLeft);
        return Outcome::Consumed;
    case KeyCommand::CopyResultInWords:
        pressFromKey(KeyButton::ResultRight);
        return Outcome::Consumed;
    // The memory panel's keys go on to the field, which has nothing to do with them.
    case KeyCommand::CopyMemory:
        if (main)
            pressFromKey(KeyButton::MemoryLeft);
        return Outcome::PassOn;
    case KeyCommand::CopyMemoryInWords:
        if (main)
            pressFromKey(KeyButton::MemoryRight);
        return Outcome::PassOn;
    case KeyCommand::MemoryMenu:
        if (main && StripShown())
            pressFromKey(KeyButton::MemMenu);
        return Outcome::Consumed;

    case KeyCommand::HistoryBack:
        historyKey(false);
        return Outcome::Consumed;
    case KeyCommand::HistoryForward:
        historyKey(true);
        return Outcome::Consumed;
    case KeyCommand::Undo:
    case KeyCommand::Redo:
        if (main)
            StepState(f_udtUndo, command == KeyCommand::Redo, true);
        return Outcome::Consumed;
    }
    return Outcome::Consumed;
}

void frmTallyer::historyKey(bool forward)
{
    if (!forward && !m_history.isEmpty())
        emit historyWindowRequested(m_history);
}

void frmTallyer::keyReleased()
{
    // The release order of the buttons a key pressed; the right-button presses of the panels are
    // released with the left ones.
    static constexpr KeyButton kOrder[] = {
        KeyButton::MoveSize, KeyButton::MPlus, KeyButton::MMinus, KeyButton::MC, KeyButton::MR, KeyButton::M,
        KeyButton::Round, KeyButton::ResultLeft, KeyButton::MemoryLeft, KeyButton::Options, KeyButton::MemMenu,
    };
    const auto held = m_keyDown;
    auto isHeld = [&held](KeyButton button) { return held[static_cast<int>(button)]; };
    for (KeyButton button : kOrder) {
        bool down = isHeld(button);
        if (button == KeyButton::ResultLeft)
            down = down || isHeld(KeyButton::ResultRight);
        if (button == KeyButton::MemoryLeft)
            down = down || isHeld(KeyButton::MemoryRight);
        if (!down)
            continue;
        MavoLabel3D *label = keyButtonLabel(button);
        // A disabled button was not pressed, and the mouse would not release it either. Ctrl+digit
        // has set the rounding digit already: its release only shows the new result.
        if (label->Enabled()) {
            if (button == KeyButton::Round)
                roundingChanged();
            else
                labelMouseUp(label, MavoLabel3D::LeftButton);
        }
        label->setMouseEventsSkip(false);
    }
    lblResultLabel->setVisible(false);
    m_keyDown.fill(false);
}

void frmTallyer::SelectNumberAtClick()
{
    const TextSpan number = NumberAtClick(boxCalc->Text(), m_clickPos, sheet->locale().decimalSeparator);
    boxCalc->setSelStart(number.start);
    boxCalc->setSelLength(number.length);
}

bool frmTallyer::fieldKeyEvent(QKeyEvent *event)
{
    if (event->type() == QEvent::KeyRelease) {
        // Held keys repeat their press; only the real release ends it.
        if (!event->isAutoRepeat())
            keyReleased();
        return false;
    }

    // Every key re-arms the leading zero.
    sheet->keyStarted();

    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    KeyCommand command = KeyMap::command(key, modifiers);
    // A minimised or maximised window takes no key but Alt+F4.
    if (window()->isMinimized() || window()->isMaximized())
        command = key == Qt::Key_F4 && (modifiers & Qt::AltModifier) ? KeyCommand::PassOn : KeyCommand::Reject;

    QPointer<frmTallyer> self(this);
    bool editKey = false;
    const KeyOutcome outcome = runKeyCommand(command, key, editKey);
    if (!self)
        return true; // the key closed the window
    // The state before the key is kept for the undo ring.
    if (m_role == Role::Main)
        takeSnapshot();
    if (outcome == KeyOutcome::Consumed)
        return true;

    // Keys without a character (arrows, Delete, function keys) and edit keys have nothing to check.
    const QString text = event->text();
    if (!editKey && !text.isEmpty() && key != Qt::Key_Delete && !SheetEditor::acceptsCharacter(text.at(0)))
        return true;

    if (outcome == KeyOutcome::PassBare) {
        QKeyEvent bare(QEvent::KeyPress, key, Qt::NoModifier, text);
        m_forwardingKey = true;
        QCoreApplication::sendEvent(boxCalc, &bare);
        m_forwardingKey = false;
        return true;
    }
    return false;
}
