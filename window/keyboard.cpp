// The calculation field's keyboard: the key-down command table, the character filter and the
// key-up that releases the buttons a key pressed; the click position and the number selection on
// a double click.

#include "frmtallyer.h"

#include "calcfield.h"
#include "mavolabel3d.h"
#include "modfunctions.h"
#include "showhelp.h"
#include "textrules.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QTimer>

namespace {

constexpr int kShift = 1;
constexpr int kCtrl = 2;
constexpr int kAlt = 4;

bool clipboardHasText()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText() && !data->text().isEmpty();
}

bool isDigitKey(int key)
{
    return key >= Qt::Key_0 && key <= Qt::Key_9;
}

} // namespace

bool frmTallyer::anyKeyDown() const
{
    for (bool down : f_blnKeyDown) {
        if (down)
            return true;
    }
    return false;
}

void frmTallyer::SetCaret(int intMode)
{
    switch (intMode) {
    case 1:
        boxCalc->setSelStart(0);
        break;
    case 2:
        boxCalc->setSelStart(boxCalc->Text().size());
        break;
    case 3:
        boxCalc->selectAll();
        break;
    default:
        break;
    }
}

void frmTallyer::pressFromKey(KeyButton button)
{
    f_blnKeyDown[button] = true;
    labelMouseDown(keyButtonLabel(button), button == kKeyMemoryRight || button == kKeyResultRight ? 2 : 1);
}

MavoLabel3D *frmTallyer::keyButtonLabel(KeyButton button) const
{
    switch (button) {
    case kKeyM: return lblM;
    case kKeyMPlus: return lblMPlus;
    case kKeyMMinus: return lblMMinus;
    case kKeyMR: return lblMR;
    case kKeyMC: return lblMC;
    case kKeyRound: return lblRound;
    case kKeyMemMenu: return lblMemMenu;
    case kKeyMoveSize: return lblMoveSize;
    case kKeyMemoryLeft:
    case kKeyMemoryRight: return lblMemory;
    case kKeyResultLeft:
    case kKeyResultRight: return lblResult;
    case kKeyOptions: return lblOptions;
    case kKeyButtons: break;
    }
    return nullptr;
}

void frmTallyer::boxCalc_KeyDown(int &KeyCode, int &Shift)
{
    bool wordDeletion = false;

    // 1. Every key re-arms the leading zero.
    f_blnEditKey = false;
    TimerPointRefresh->stop();
    TimerPointRefresh->setInterval(f_lngPointDelay);
    TimerPointRefresh->start();

    auto finish = [&] {
        if (wordDeletion)
            boxCalc->setUpdatesEnabled(true);
        f_blnKeyRejected = KeyCode == 0;
        if (!m_blnIsHistory)
            takeSnapshot();
    };

    // A minimised or maximised window takes no key but Alt+F4.
    if (window()->isMinimized() || window()->isMaximized()) {
        if (!(KeyCode == Qt::Key_F4 && (Shift & kAlt)))
            KeyCode = 0;
        finish();
        return;
    }

    // 3. Left and Right.
    if (KeyCode == Qt::Key_Left || KeyCode == Qt::Key_Right) {
        const bool right = KeyCode == Qt::Key_Right;
        switch (Shift) {
        case 0:
            if (boxCalc->SelLength() > 0) {
                const qsizetype to = right ? boxCalc->SelStart() + boxCalc->SelLength() : boxCalc->SelStart();
                boxCalc->setSelStart(to);
                KeyCode = 0;
            }
            break;
        case kShift:
        case kCtrl | kShift:
            break;
        case kCtrl:
            boxCalc->setSelStart(RunJumpTarget(boxCalc->Text(), boxCalc->SelStart(), boxCalc->SelLength(), right));
            KeyCode = 0;
            break;
        default:
            KeyCode = 0;
            break;
        }
        finish();
        return;
    }

    // Enter.
    if (KeyCode == Qt::Key_Return || KeyCode == Qt::Key_Enter) {
        if (m_blnIsHistory && Shift == 0 && boxCalc->SelLength() > 0) {
            KeyCode = 0;
            CopyHistorySelection();
            return; // the history window has closed
        }
        if (!m_blnIsHistory) {
            const QString t = boxCalc->Text();
            const qsizetype c = boxCalc->SelStart();
            const bool afterOperator = c > 0 && IsContinuationOperator(t.at(c - 1));
            if (!(Shift == 0 && afterOperator))
                KeyCode = 0;
            finish();
            return;
        }
        // Enter in the history window without a selection goes through the table below.
    }

    switch (Shift) {
    case 0:
        switch (KeyCode) {
        case Qt::Key_Delete:
        case Qt::Key_Backspace:
            TimerPointRefresh->stop(); // a zero the user deletes is not put back at once
            break;
        case Qt::Key_F1:
            ShowHelp(mainCalculatorWindow() ? mainCalculatorWindow() : this, m_locale.helpFileName,
                     HH_HELP_CONTEXT, 1000);
            break;
        case Qt::Key_Space:
            SetCaret(3);
            if (!m_blnIsHistory)
                RecordState(g_udtHistory, false);
            break;
        case Qt::Key_Escape:
            KeyCode = 0;
            if (m_blnIsHistory) {
                window()->close();
                return;
            }
            window()->showMinimized();
            break;
        default:
            break;
        }
        break;

    case kShift:
        if (KeyCode == Qt::Key_Insert && (m_blnIsHistory || !clipboardHasText()))
            KeyCode = 0;
        break;

    case kCtrl:
        if (isDigitKey(KeyCode)) {
            setRoundDigit(QString::number(KeyCode - Qt::Key_0));
            pressFromKey(kKeyRound);
            KeyCode = 0;
            break;
        }
        switch (KeyCode) {
        case Qt::Key_Space:
        case Qt::Key_M:
        case Qt::Key_Plus:
        case Qt::Key_Equal:
        case Qt::Key_Minus:
        case Qt::Key_R:
        case Qt::Key_N:
        case Qt::Key_Slash:
            if (!m_blnIsHistory) {
                switch (KeyCode) {
                case Qt::Key_Space: pressFromKey(kKeyMoveSize); break;
                case Qt::Key_M: pressFromKey(kKeyM); break;
                case Qt::Key_Plus:
                case Qt::Key_Equal: pressFromKey(kKeyMPlus); break;
                case Qt::Key_Minus: pressFromKey(kKeyMMinus); break;
                case Qt::Key_R: pressFromKey(kKeyMR); break;
                case Qt::Key_N: pressFromKey(kKeyMC); break;
                default: pressFromKey(kKeyOptions); break;
                }
            }
            KeyCode = 0;
            break;
        case Qt::Key_F1:
            pressFromKey(kKeyResultLeft);
            KeyCode = 0;
            break;
        case Qt::Key_F2:
            pressFromKey(kKeyResultRight);
            KeyCode = 0;
            break;
        case Qt::Key_A:
            SetCaret(3);
            KeyCode = 0;
            break;
        case Qt::Key_PageUp:
            if (m_blnIsHistory)
                StepState(g_udtHistory, false, false);
            else if (!g_udtHistory.isEmpty())
                OpenHistoryWindow();
            KeyCode = 0;
            break;
        case Qt::Key_PageDown:
            if (m_blnIsHistory)
                StepState(g_udtHistory, true, false);
            KeyCode = 0;
            break;
        case Qt::Key_V:
            if (clipboardHasText())
                f_blnEditKey = true;
            else
                KeyCode = 0;
            break;
        case Qt::Key_C:
        case Qt::Key_Insert:
            if (boxCalc->SelLength() > 0) {
                QString text = boxCalc->SelText();
                text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
                QGuiApplication::clipboard()->setText(text);
            }
            KeyCode = 0;
            break;
        case Qt::Key_X:
        case Qt::Key_Home:
        case Qt::Key_End:
            f_blnEditKey = true;
            break;
        case Qt::Key_Delete:
        case Qt::Key_Backspace:
            if (m_blnIsHistory) {
                KeyCode = 0;
            } else if (boxCalc->SelLength() > 0) {
                Shift = 0; // a plain Delete of the selection
            } else {
                // The run next to the caret goes, as Ctrl+Shift with the arrow would select it.
                wordDeletion = true;
                boxCalc->setUpdatesEnabled(false);
                const TextSpan run = RunToDelete(boxCalc->Text(), boxCalc->SelStart(), KeyCode == Qt::Key_Delete);
                if (run.length > 0) {
                    boxCalc->setSelStart(run.start);
                    boxCalc->setSelLength(run.length);
                    boxCalc->setSelText(QString());
                }
                KeyCode = 0;
            }
            break;
        default:
            KeyCode = 0;
            break;
        }
        break;

    case kCtrl | kShift:
        switch (KeyCode) {
        case Qt::Key_Home:
        case Qt::Key_End:
            break;
        case Qt::Key_F1:
            if (!m_blnIsHistory)
                pressFromKey(kKeyMemoryLeft);
            break;
        case Qt::Key_F2:
            if (!m_blnIsHistory)
                pressFromKey(kKeyMemoryRight);
            break;
        case Qt::Key_M:
            if (StripShown() && !m_blnIsHistory)
                pressFromKey(kKeyMemMenu);
            KeyCode = 0;
            break;
        default:
            KeyCode = 0;
            break;
        }
        break;

    case kAlt:
        if (KeyCode == Qt::Key_Backspace) {
            if (!m_blnIsHistory)
                StepState(f_udtUndo, false, true);
            KeyCode = 0;
        } else if (KeyCode != Qt::Key_F4) {
            KeyCode = 0;
        }
        break;

    case kAlt | kShift:
        if (KeyCode == Qt::Key_Backspace && !m_blnIsHistory)
            StepState(f_udtUndo, true, true);
        KeyCode = 0;
        break;

    case kCtrl | kAlt:
        if (KeyCode != Qt::Key_Delete)
            KeyCode = 0;
        break;

    default:
        KeyCode = 0;
        break;
    }

    // Whatever the key did, the field draws again, the character handler learns whether the key
    // was consumed, and the state before it is kept for the undo ring.
    finish();
}

void frmTallyer::boxCalc_KeyPress(int &KeyAscii)
{
    if (f_blnEditKey)
        return;
    if (f_blnKeyRejected) {
        KeyAscii = 0;
        return;
    }
    if (KeyAscii == 13 || KeyAscii == 8)
        return;
    const QString alphabet = QString::fromUtf16(kSheetAlphabet);
    if (KeyAscii <= 0 || KeyAscii > 0xFFFF || !alphabet.contains(QChar(KeyAscii)))
        KeyAscii = 0;
}

void frmTallyer::boxCalc_KeyUp(int, int)
{
    // The release order of the buttons a key pressed.
    static constexpr KeyButton kOrder[] = {
        kKeyMoveSize, kKeyMPlus, kKeyMMinus, kKeyMC, kKeyMR, kKeyM, kKeyRound,
        kKeyResultLeft, kKeyMemoryLeft, kKeyOptions, kKeyMemMenu,
    };
    const auto held = f_blnKeyDown;
    for (KeyButton button : kOrder) {
        bool down = held[button];
        if (button == kKeyResultLeft)
            down = down || held[kKeyResultRight];
        if (button == kKeyMemoryLeft)
            down = down || held[kKeyMemoryRight];
        if (!down)
            continue;
        MavoLabel3D *label = keyButtonLabel(button);
        // A disabled button was not pressed, and the mouse would not release it either.
        if (label->Enabled())
            labelMouseUp(label, 1, button == kKeyRound ? -1.0f : 0.0f);
        label->setMouseEventsSkip(false);
    }
    lblResultLabel->setVisible(false);
    f_blnKeyDown.fill(false);
}

void frmTallyer::boxCalc_MouseUp(int Button)
{
    if (Button == 1)
        m_clickPos = static_cast<qint32>(boxCalc->SelStart());
}

void frmTallyer::SelectNumberAtClick()
{
    const TextSpan number = NumberAtClick(boxCalc->Text(), m_clickPos, m_locale.decimalSeparator);
    boxCalc->setSelStart(number.start);
    boxCalc->setSelLength(number.length);
}

bool frmTallyer::fieldKeyEvent(QKeyEvent *event)
{
    if (event->type() == QEvent::KeyRelease) {
        // Held keys repeat their press; only the real release ends it.
        if (!event->isAutoRepeat())
            boxCalc_KeyUp(event->key(), 0);
        return false;
    }

    const Qt::KeyboardModifiers mods = event->modifiers();
    int shift = (mods & Qt::ShiftModifier ? kShift : 0) | (mods & Qt::ControlModifier ? kCtrl : 0)
        | (mods & Qt::AltModifier ? kAlt : 0);
    const int originalShift = shift;
    int key = event->key();
    QPointer<frmTallyer> self(this);
    boxCalc_KeyDown(key, shift);
    if (!self || key == 0)
        return true;

    // Keys without a character (arrows, Delete, function keys) have nothing to filter.
    const QString text = event->text();
    if (!text.isEmpty() && event->key() != Qt::Key_Delete) {
        int ascii = text.at(0).unicode();
        boxCalc_KeyPress(ascii);
        if (ascii == 0)
            return true;
    }

    if (shift != originalShift) {
        // The handler dropped the modifiers: the field sees the bare key.
        QKeyEvent bare(QEvent::KeyPress, key, Qt::NoModifier, text);
        m_blnForwardingKey = true;
        QCoreApplication::sendEvent(boxCalc, &bare);
        m_blnForwardingKey = false;
        return true;
    }
    return false;
}
