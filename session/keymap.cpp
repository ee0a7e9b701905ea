#include "keymap.h"

namespace {

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers kAlt = Qt::AltModifier;
constexpr Qt::KeyboardModifiers kCtrlShift = Qt::ControlModifier | Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers kAltShift = Qt::AltModifier | Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers kCtrlAlt = Qt::ControlModifier | Qt::AltModifier;

struct KeyBinding
{
    int key;
    Qt::KeyboardModifiers modifiers;
    KeyCommand command;
};

constexpr KeyBinding kBindings[] = {
    {Qt::Key_Left, kNone, KeyCommand::CaretLeft},
    {Qt::Key_Right, kNone, KeyCommand::CaretRight},
    {Qt::Key_Left, kCtrl, KeyCommand::JumpLeft},
    {Qt::Key_Right, kCtrl, KeyCommand::JumpRight},
    {Qt::Key_Left, kCtrlShift, KeyCommand::PassOn},
    {Qt::Key_Right, kCtrlShift, KeyCommand::PassOn},

    {Qt::Key_Return, kNone, KeyCommand::Enter},
    {Qt::Key_Enter, kNone, KeyCommand::Enter},
    {Qt::Key_Return, kShift, KeyCommand::Reject},
    {Qt::Key_Enter, kShift, KeyCommand::Reject},

    {Qt::Key_Delete, kNone, KeyCommand::DeleteChar},
    {Qt::Key_Backspace, kNone, KeyCommand::DeleteChar},
    {Qt::Key_F1, kNone, KeyCommand::Help},
    {Qt::Key_Space, kNone, KeyCommand::SelectAllToHistory},
    {Qt::Key_Escape, kNone, KeyCommand::Minimise},

    {Qt::Key_Insert, kShift, KeyCommand::ShiftInsert},

    {Qt::Key_Space, kCtrl, KeyCommand::ToggleStrip},
    {Qt::Key_M, kCtrl, KeyCommand::MemoryStore},
    {Qt::Key_Plus, kCtrl, KeyCommand::MemoryAdd},
    {Qt::Key_Equal, kCtrl, KeyCommand::MemoryAdd},
    {Qt::Key_Minus, kCtrl, KeyCommand::MemorySubtract},
    {Qt::Key_R, kCtrl, KeyCommand::MemoryRecall},
    {Qt::Key_N, kCtrl, KeyCommand::MemoryClear},
    {Qt::Key_Slash, kCtrl, KeyCommand::Options},
    {Qt::Key_F1, kCtrl, KeyCommand::CopyResult},
    {Qt::Key_F2, kCtrl, KeyCommand::CopyResultInWords},
    {Qt::Key_A, kCtrl, KeyCommand::SelectAll},
    {Qt::Key_PageUp, kCtrl, KeyCommand::HistoryBack},
    {Qt::Key_PageDown, kCtrl, KeyCommand::HistoryForward},
    {Qt::Key_V, kCtrl, KeyCommand::Paste},
    {Qt::Key_C, kCtrl, KeyCommand::Copy},
    {Qt::Key_Insert, kCtrl, KeyCommand::Copy},
    {Qt::Key_X, kCtrl, KeyCommand::EditKey},
    {Qt::Key_Home, kCtrl, KeyCommand::EditKey},
    {Qt::Key_End, kCtrl, KeyCommand::EditKey},
    {Qt::Key_Delete, kCtrl, KeyCommand::DeleteRun},
    {Qt::Key_Backspace, kCtrl, KeyCommand::DeleteRun},

    {Qt::Key_Home, kCtrlShift, KeyCommand::PassOn},
    {Qt::Key_End, kCtrlShift, KeyCommand::PassOn},
    {Qt::Key_F1, kCtrlShift, KeyCommand::CopyMemory},
    {Qt::Key_F2, kCtrlShift, KeyCommand::CopyMemoryInWords},
    {Qt::Key_M, kCtrlShift, KeyCommand::MemoryMenu},

    {Qt::Key_O, kCtrl, KeyCommand::OpenTape},
    {Qt::Key_S, kCtrl, KeyCommand::SaveTape},
    {Qt::Key_S, kCtrlShift, KeyCommand::SaveTapeAs},
    {Qt::Key_P, kCtrl, KeyCommand::PrintTape},
    {Qt::Key_Z, kCtrl, KeyCommand::Undo},
    {Qt::Key_Z, kCtrlShift, KeyCommand::Redo},
    {Qt::Key_Y, kCtrl, KeyCommand::Redo},
    {Qt::Key_Backspace, kAlt, KeyCommand::Undo},
    {Qt::Key_F4, kAlt, KeyCommand::PassOn},
    {Qt::Key_Backspace, kAltShift, KeyCommand::Redo},
    {Qt::Key_Delete, kCtrlAlt, KeyCommand::PassOn},

    {Qt::Key_F, kCtrl, KeyCommand::Find},
    {Qt::Key_F3, kNone, KeyCommand::FindNext},
    {Qt::Key_F3, kShift, KeyCommand::FindPrevious},
};

// The Russian (ЙЦУКЕН) layout's letters and the Latin letters on the same keys: a shortcut named
// by a letter is the same key whichever of the two layouts is active.
constexpr struct
{
    char16_t cyrillic; // upper case, as the key code of a letter is
    char latin;
} kCyrillicKeys[] = {
    {u'Й', 'Q'}, {u'Ц', 'W'}, {u'У', 'E'}, {u'К', 'R'}, {u'Е', 'T'}, {u'Н', 'Y'}, {u'Г', 'U'}, {u'Ш', 'I'},
    {u'Щ', 'O'}, {u'З', 'P'}, {u'Ф', 'A'}, {u'Ы', 'S'}, {u'В', 'D'}, {u'А', 'F'}, {u'П', 'G'}, {u'Р', 'H'},
    {u'О', 'J'}, {u'Л', 'K'}, {u'Д', 'L'}, {u'Я', 'Z'}, {u'Ч', 'X'}, {u'С', 'C'}, {u'М', 'V'}, {u'И', 'B'},
    {u'Т', 'N'}, {u'Ь', 'M'},
};

int latinKey(int key)
{
    for (const auto &pair : kCyrillicKeys) {
        if (key == pair.cyrillic)
            return pair.latin;
    }
    return key;
}

KeyCommand lookUp(int key, Qt::KeyboardModifiers modifiers)
{
    if (modifiers == kCtrl && key >= Qt::Key_0 && key <= Qt::Key_9)
        return KeyCommand::Round;
    for (const KeyBinding &binding : kBindings) {
        if (binding.key == key && binding.modifiers == modifiers)
            return binding.command;
    }
    return modifiers == kNone || modifiers == kShift ? KeyCommand::PassOn : KeyCommand::Reject;
}

} // namespace

KeyCommand KeyMap::command(int key, Qt::KeyboardModifiers modifiers)
{
    modifiers &= Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
    key = latinKey(key);
    // A shortcut named by a character other than a letter works whatever shift state produces the
    // character on the layout in use: "+" is Shift+= on a US keyboard, "/" is Shift+\ on a Russian
    // one. Letters keep Shift as a part of their shortcut (Ctrl+M and Ctrl+Shift+M differ).
    const bool letter = key >= Qt::Key_A && key <= Qt::Key_Z;
    if (!letter && modifiers.testFlag(Qt::ShiftModifier) && modifiers.testFlag(Qt::ControlModifier)) {
        const KeyCommand shifted = lookUp(key, modifiers);
        if (shifted != KeyCommand::Reject)
            return shifted;
        const KeyCommand unshifted = lookUp(key, modifiers & ~Qt::ShiftModifier);
        if (unshifted != KeyCommand::PassOn && key > 0x20 && key < 0x7f && !(key >= Qt::Key_0 && key <= Qt::Key_9))
            return unshifted;
        return shifted;
    }
    return lookUp(key, modifiers);
}
