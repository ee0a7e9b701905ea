#pragma once

#include <Qt>

// What a key on the calculation sheet does. The map below says which key combination asks for
// which command; the window carries the commands out.
enum class KeyCommand {
    PassOn,         // the field handles the key as it would
    Reject,         // the key does nothing
    CaretLeft,      // Left, Right: a selection collapses to its edge, else the caret moves
    CaretRight,
    JumpLeft,       // Ctrl+Left, Ctrl+Right: to the next run of digits or operators
    JumpRight,
    Enter,          // a new row, allowed only after an operator
    DeleteChar,     // Delete, Backspace
    DeleteRun,      // Ctrl+Delete, Ctrl+Backspace: the run next to the caret
    Help,
    SelectAllToHistory, // Space: the whole sheet selected, the expression kept in the history
    SelectAll,
    Minimise,       // Escape; the history window closes
    ShiftInsert,    // pastes only when the clipboard holds text
    Paste,
    Copy,
    EditKey,        // Ctrl+X, Ctrl+Home, Ctrl+End: the field's own, no character check
    Round,          // Ctrl+digit
    ToggleStrip,
    MemoryStore,
    MemoryAdd,
    MemorySubtract,
    MemoryRecall,
    MemoryClear,
    Options,
    CopyResult,     // Ctrl+F1 / Ctrl+F2: the result panel in digits / in words
    CopyResultInWords,
    CopyMemory,     // Ctrl+Shift+F1 / Ctrl+Shift+F2: the memory panel
    CopyMemoryInWords,
    MemoryMenu,
    HistoryBack,    // Ctrl+PageUp: opens the history, or steps back in it
    HistoryForward,
    Undo,
    Redo,
    OpenTape,       // Ctrl+O, Ctrl+S, Ctrl+Shift+S, Ctrl+P: the tape as a document
    SaveTape,
    SaveTapeAs,
    PrintTape,
    ExportPdf,      // from the sheet's context menu
    ExportCsv,
    NewTape,        // from the sheet's context menu (Ctrl+N clears the memory cell)
    Find,           // Ctrl+F: the find bar
    FindNext,       // F3 / Shift+F3: the next / previous hit of the find bar's text
    FindPrevious,
};

// The key table: which command a key combination asks for. Only Shift, Ctrl and Alt count.
// A combination not in the table passes on with no modifier or Shift alone, and is rejected
// with any other.
class KeyMap
{
public:
    static KeyCommand command(int key, Qt::KeyboardModifiers modifiers);
};
