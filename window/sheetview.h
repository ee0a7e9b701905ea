#pragma once

#include "sheetdocument.h"
#include "sheetlayout.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QElapsedTimer>
#include <QString>

#include <functional>
#include <limits>
#include <utility>

class QLineEdit;
class QMenu;
class QPainter;
class QMimeData;
class QTextLayout;
class QTextLine;

// An editable view of a sheet's document (sheetdocument.h): rows of plain text joined by CR LF.
// Positions are the sheet's own (a row break is two characters, and the caret never stands
// between them). What shows is laid out by the view's row layout cache (sheetlayout.h), so a key,
// a paste or a scroll costs the same for a tape of a million rows as for ten, and the view
// scrolls through a long row a piece at a time.
//
// Every change of the text raises textChanged before the call that made it returns; a move of
// the caret raises cursorPositionChanged, a change of what is selected selectionChanged.
class SheetView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit SheetView(QWidget *parent = nullptr);
    ~SheetView() override;

    // The document shown: the view's own until another is set. Setting one shows it from its
    // start, with the caret there.
    SheetDocument *document() const { return m_document; }
    void setDocument(SheetDocument *document);

    const QString &sheetText() const { return m_document->text(); }
    // The whole text replaced, with the caret and the view at the start. Any line break (CR, LF,
    // CR LF, U+2028, U+2029) becomes a row break. Only the part that differs is replaced: the
    // rows round it keep their layout. textChanged is raised even when nothing differs.
    void setSheetText(const QString &text);
    // The same, with the rows' notes: the new text's rows get these notes before anyone follows
    // the change, so a cleaning of the text takes them along with their rows.
    void setSheetText(const QString &text, const RowNotes &notes);
    // The same for a text given as an edit of the present one: characters from .. to - 1
    // replaced by text, which must not split a row break.
    void setSheetText(qsizetype from, qsizetype to, const QString &text);
    // Characters from .. to - 1 replaced by text (line breaks made row breaks, as above). An end
    // inside a row break takes the whole break. The caret and the anchor keep their characters.
    // textNotes: notes of the text's rows (SheetDocument::replace).
    void replaceRange(qsizetype from, qsizetype to, const QString &text, const RowNotes &textNotes = {});
    // The selection replaced by text; the caret after it.
    void insertText(const QString &text, const RowNotes &textNotes = {});

    qsizetype position() const { return m_position; }
    qsizetype anchor() const { return m_anchor; }
    qsizetype selectionStart() const { return std::min(m_anchor, m_position); }
    qsizetype selectionEnd() const { return std::max(m_anchor, m_position); }
    bool hasSelection() const { return m_anchor != m_position; }
    QString selectedText() const;
    // Positions are clamped into the text and moved out of a row break; the caret is scrolled
    // into view.
    void setSelection(qsizetype anchor, qsizetype position);
    void selectAll();

    bool isReadOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly);
    int documentMargin() const { return m_margin; }
    void setDocumentMargin(int margin);
    int cursorWidth() const { return m_cursorWidth; }
    void setCursorWidth(int width);

    qsizetype rowCount() const { return m_document->rowCount(); }
    qsizetype rowOf(qsizetype position) const { return m_document->rowOf(position); }
    qsizetype rowStart(qsizetype row) const { return m_document->rowStart(row); }
    qsizetype rowEnd(qsizetype row) const { return m_document->rowEnd(row); }
    QString rowText(qsizetype row) const { return m_document->rowText(row); }

    // Rows on screen counted from the first row, soft-wrapped lines included, up to limit: only
    // the rows needed to reach it are laid out.
    int visualLineCount(int limit = std::numeric_limits<int>::max()) const;
    // The caret's rectangle in viewport coordinates; empty when the caret's row is off screen.
    QRect cursorRect() const;
    // The position nearest to a point of the viewport.
    qsizetype positionAt(const QPoint &point) const;
    // A character's rectangle in viewport coordinates (empty when off screen).
    QRect characterRect(qsizetype position) const;
    // The first row shown.
    qsizetype topRow() const { return m_top.row; }

    void copy() const;
    void cut();
    void paste();
    // The selection as the clipboard takes it: LF between rows, and after every row selected
    // whole that has a note a TAB and the note, as a tape file writes it.
    QString clipboardText() const;

    // The rows' notes stand in a column at the view's right, shown while any row has a note or
    // one is being written. A note is written in a line editor over its place in the column:
    // editNote opens it on a row, with the row's note and typed after it; Return, Enter and
    // Escape close it and put the caret at the end of that row, as does a key the sheet has a
    // command for (which the sheet then carries out), a move to another row, or the focus
    // going elsewhere. What it holds then becomes the row's note through noteSetter (the
    // document's own setNote when unset).
    bool notesShown() const { return m_notesShown; }
    void editNote(qsizetype row, const QString &typed = {});
    void finishNoteEdit();
    bool isEditingNote() const { return m_noteRow >= 0; }
    qsizetype noteEditRow() const { return m_noteRow; }
    QLineEdit *noteEditor() const { return m_noteEditor; }
    // Where a row's note stands, in viewport coordinates: the column beside the row's first
    // line; empty when the column is not shown or the row is off screen.
    QRect noteRect(qsizetype row) const;
    // The colour notes are drawn in: the theme's secondary text, made to read at 4.5:1 at least.
    QColor noteColor() const;
    std::function<void(qsizetype row, const QString &note)> noteSetter;

    // A find hit in a row's note (SheetDocument::note): the caret goes to the row's end and the
    // hit's characters are marked in the note until the caret moves or the text changes. A row
    // out of the sheet marks nothing.
    struct NoteHit
    {
        qsizetype row = -1;
        qsizetype start = 0;
        qsizetype length = 0;
    };
    void showNoteHit(qsizetype row, qsizetype start, qsizetype length);
    NoteHit noteHit() const { return m_noteHit; }

    // Undo, redo, cut, copy, paste, delete and select all, named as the toolkit's text editors
    // name them ("edit-undo", …); undo and redo are disabled, as this view keeps no undo.
    QMenu *createStandardContextMenu(QWidget *parent = nullptr);

signals:
    void textChanged();
    void cursorPositionChanged();
    void selectionChanged();
    // The note column came or went: rows may wrap into more or fewer lines.
    void notesShownChanged(bool shown);

protected:
    virtual bool canInsertFromMimeData(const QMimeData *source) const;
    virtual void insertFromMimeData(const QMimeData *source);

    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    using Block = SheetLayout::Block;

    // The text written by write(), with the caret and the view put at the start.
    void resetText(const std::function<void()> &write);

    // The block's layout, laid out at the view's width; kept by the block's text.
    QTextLayout *layoutOf(Block block) const;
    qreal blockHeight(Block block) const;
    int textWidth() const;
    // The note column's width (0 when not shown) and its left edge.
    int noteColumnWidth() const;
    int noteColumnLeft() const;
    // The column shown or hidden as the notes and the note editor ask.
    void updateNotesShown();
    // The note editor put over its row's note, or hidden while the row is off screen.
    void placeNoteEditor();
    // Where a note stands beside a block drawn from top: its first line, in the note column.
    QRectF noteBox(qreal top, const QTextLayout *layout) const;
    void paintNote(QPainter &painter, qsizetype row, const QRectF &at, const QColor &color) const;
    void paintNoteRule(QPainter &painter, const QColor &color) const;
    bool noteEditorKey(QKeyEvent *event); // the note editor's keys; false: its own
    // The notes of the rows wholly inside from .. to (an empty row with the break before it),
    // numbered from the row of from, shift rows further down.
    RowNotes notesWithin(qsizetype from, qsizetype to, qsizetype shift) const;
    friend class NoteEditor;
    // The same for the caret, which after End stands at the end of a wrapped line.
    int caretLineIndex(const QTextLayout *layout, int offset) const;
    // The top of a block shown, in viewport coordinates (above the view for the first block when
    // it is taller than the view); kNotShown when it is not shown.
    qreal blockTop(Block block) const;
    static constexpr qreal kNotShown = -1e9; // blockTop of a block off screen
    // The top block as the scroll bar says; a new one shows from its first line.
    void followScrollBar();

    // Keys that move the caret (and extend the selection when select is set).
    enum class Move {
        Left, Right, WordLeft, WordRight, Up, Down, LineStart, LineEnd, Start, End, PageUp, PageDown
    };
    qsizetype moveTarget(Move move) const;
    void moveCaret(Move move, bool select);
    qsizetype previousPosition(qsizetype position) const;
    qsizetype nextPosition(qsizetype position) const;
    qsizetype snapped(qsizetype position) const { return m_document->snapped(position); }
    // An edit of the document, whoever made it: the caret and the anchor keep their characters,
    // the long rows and the scroll bar follow, and the change is told on.
    void followChange(const SheetRows::Change &change, const QString &removed);

    void setPositions(qsizetype anchor, qsizetype position, bool keepX);
    void ensureCaretVisible();
    // After an edit: the caret scrolled into view, shown and blinking anew.
    void showCaret();
    void updateScrollBar();
    void restartBlink();
    void setTop(qsizetype index); // a block index
    // Backspace (forward false) and Delete.
    void deleteNext(bool forward);
    void selectWordAt(qsizetype position);
    void putSelectionOnClipboard() const;
    void paintPreedit(QPainter &painter, bool caret) const;
    // Drags the selection out (a press on it and a move); on this sheet it moves, with Ctrl it is
    // copied.
    void dragSelection();
    // The dragged characters put at a drop on this sheet; false when no drag of ours is running.
    bool moveDraggedTo(qsizetype at);

    SheetDocument *m_document;
    SheetLayout m_layout;
    qsizetype m_anchor = 0;
    qsizetype m_position = 0;
    Block m_top; // the first block shown
    qreal m_topShift = 0; // pixels of the first block above the view: it is taller than the view
    QString m_preedit;      // what an input method is composing, shown at the caret
    int m_preeditCursor = 0; // the caret inside it
    bool m_pressOnSelection = false;                  // a press that may start a drag
    std::pair<qsizetype, qsizetype> m_dragged{-1, -1}; // the characters being dragged
    bool m_movedInside = false;                       // the drag was dropped on this sheet
    bool m_caretAtLineEnd = false;     // at a wrap, drawn at the end of the line above
    bool m_nextCaretAtLineEnd = false; // what the next setPositions takes
    NoteHit m_noteHit;
    QLineEdit *m_noteEditor = nullptr;
    qsizetype m_noteRow = -1; // the row whose note is being written
    bool m_notesShown = false;
    qreal m_targetX = -1; // the x kept while Up and Down move through rows of other lengths
    bool m_readOnly = false;
    int m_margin = 4;
    int m_cursorWidth = 1;
    bool m_caretShown = true;
    bool m_dragging = false;
    QBasicTimer m_blink;
    QBasicTimer m_dragScroll;
    QElapsedTimer m_tripleClick; // since the last double click
    QPoint m_tripleClickPoint;
    QPoint m_dragPoint;

};
