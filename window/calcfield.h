#pragma once

#include "keymap.h"

#include "sheetview.h"
#include "tapefile.h"

#include <functional>

class QMenu;
class QTimer;

// The calculation field: a sheet view whose rows are joined by CR LF, positions counted the way
// the sheet's rules do (a line break is two characters). Writing Text raises textChanged before
// the call returns.
//
// It owns its editing keys: the caret and its jumps, Enter (a new row only after an operator),
// deleting a run, copying, pasting and the check of what a key types. Every other command of the
// key map is asked of the owner through commandRequested; a read-only field asks for Enter too.
class CalcField : public SheetView
{
    Q_OBJECT

public:
    explicit CalcField(QWidget *parent = nullptr);

    QString Text() const { return sheetText(); }
    void setText(const QString &text);
    // Writes the text as setText does, then selects what was selected before, by position.
    void setTextKeepingSelection(const QString &text);

    // Selection in sheet positions (0-based). Setting SelStart collapses the selection there;
    // setting SelLength extends it from SelStart.
    qsizetype SelStart() const;
    void setSelStart(qsizetype start);
    qsizetype SelLength() const;
    void setSelLength(qsizetype length);
    QString SelText() const;
    void setSelText(const QString &text);

    bool Locked() const { return isReadOnly(); }
    void setLocked(bool locked) { setReadOnly(locked); }

    // Text larger than this is not pasted: a larger paste is something else, and would hold the
    // window for a long while. In characters, the number of bytes a tape file may hold: a
    // paste's rows, ASCII once cleaned and with one LF between them in the file however they were
    // broken, never need more bytes than they had characters, so what is pasted into an empty
    // sheet can be saved, opened and kept.
    static constexpr qsizetype kPasteLimit = kTapeFileLimit;
    void pasteDefault(const QMimeData *source);

    // Whether a command can be carried out now: the context menu enables its undo and redo by
    // it. Without one they are disabled.
    std::function<bool(KeyCommand)> canRun;
    // The files of the context menu's recent tapes, newest first.
    std::function<QStringList()> recentTapes;

    enum class CaretMode { Start, End, All };
    void SetCaret(CaretMode mode);
    // The number under the last left click, wholly selected (a double click).
    void SelectNumberAtClick();

signals:
    // A key is starting: the leading zero waits again. A deletion holds it back.
    void keyStarted();
    void deletionStarted();
    // A command of the key map for the owner; key is the Qt key that asked for it.
    void commandRequested(KeyCommand command, int key);
    // The key's command has run and what it types is about to go in.
    void keyCommandDone();
    // A key that pressed something is up again (auto-repeat does not count).
    void keyReleased();
    // A paste past kPasteLimit was refused: the owner says so.
    void pasteRefused();
    // A paste that cannot be read as written (two numbers with only a space between) would
    // become other numbers: nothing was pasted, and this says why.
    void pasteNotRead(const QString &why);
    // A file was dropped on the sheet: the owner opens it as a tape.
    void fileDropped(const QString &path);
    // A tape of the context menu's recent tapes was chosen.
    void recentTapeChosen(const QString &path);

protected:
    void insertFromMimeData(const QMimeData *source) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

    // A pause after an edit of a text this long (in characters) gives the heap's free memory back.
    static constexpr qsizetype kLongText = 1024 * 1024;
    static constexpr int kHeapTrimDelayMs = 1000;

private:
    void addRecentTapes(QMenu *menu);

    QTimer *m_heapTrim;
    qsizetype m_clickPos = 0; // the caret at the last left-button release
};
