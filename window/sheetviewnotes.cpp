// The note column of the sheet view: drawing the rows' notes and writing one.

#include "sheetview.h"

#include "colorvalue.h"
#include "textid.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QTextLayout>

#include <algorithm>

// The line editor a note is written in. It keeps the keys that write and move in one line of
// text; the others close it (see SheetView::noteEditorKey).
class NoteEditor : public QLineEdit
{
public:
    explicit NoteEditor(SheetView *view)
        : QLineEdit(view->viewport())
        , m_view(view)
    {
        setFrame(false);
        setMaxLength(int(kMaxNoteLength));
        setObjectName(QStringLiteral("noteEditor"));
    }

protected:
    bool event(QEvent *event) override
    {
        // Keys the window would take as shortcuts are the editor's while it writes a note.
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept();
            return true;
        }
        // Tab would move the focus on before the editor sees it: it goes back to the figures.
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) && m_view->noteEditorKey(static_cast<QKeyEvent *>(event)))
                return true;
        }
        return QLineEdit::event(event);
    }

    void keyPressEvent(QKeyEvent *event) override
    {
        if (!m_view->noteEditorKey(event))
            QLineEdit::keyPressEvent(event);
    }

    void focusOutEvent(QFocusEvent *event) override
    {
        QLineEdit::focusOutEvent(event);
        // The editor's own context menu is no leaving.
        if (event->reason() != Qt::PopupFocusReason && m_view->isEditingNote())
            m_view->finishNoteEdit();
    }

private:
    SheetView *m_view;
};

namespace {

// Whether a key pressed in the note editor leaves it for the sheet: a move to another row, Tab,
// a function key, or a combination with Ctrl or Alt other than the line editor's own. Whatever
// types a character stays, as do Shift and the other modifiers pressed on their own.
bool leavesNote(const QKeyEvent *event)
{
    static const QKeySequence::StandardKey ownKeys[] = {
        QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste, QKeySequence::Undo, QKeySequence::Redo,
        QKeySequence::SelectAll, QKeySequence::Delete, QKeySequence::DeleteStartOfWord,
        QKeySequence::DeleteEndOfWord, QKeySequence::MoveToNextWord, QKeySequence::MoveToPreviousWord,
        QKeySequence::SelectNextWord, QKeySequence::SelectPreviousWord,
    };
    const int key = event->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown
        || key == Qt::Key_Tab || key == Qt::Key_Backtab || (key >= Qt::Key_F1 && key <= Qt::Key_F35))
        return true;
    if (!(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    if (key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta || key == Qt::Key_Shift
        || key == Qt::Key_AltGr || key == Qt::Key_Super_L || key == Qt::Key_Super_R)
        return false;
    for (const QKeySequence::StandardKey own : ownKeys) {
        if (event->matches(own))
            return false;
    }
    // AltGr on many layouts types characters as Ctrl+Alt: a character typed stays.
    const QString text = event->text();
    const bool ctrlAlt = (event->modifiers() & Qt::ControlModifier) && (event->modifiers() & Qt::AltModifier);
    return !(ctrlAlt && !text.isEmpty() && text.at(0).isPrint());
}

} // namespace

int SheetView::noteColumnWidth() const
{
    if (!m_notesShown)
        return 0;
    // Two fifths of the sheet, and never so little that a word does not fit.
    const int width = viewport()->width();
    const int least = QFontMetrics(font()).averageCharWidth() * 6;
    return std::min(width / 2, std::max(width * 2 / 5, least));
}

int SheetView::noteColumnLeft() const
{
    return viewport()->width() - noteColumnWidth();
}

QColor SheetView::noteColor() const
{
    const QPalette pal = palette();
    const QColor base = pal.color(QPalette::Base);
    const QColor text = pal.color(QPalette::Text);
    const auto mixed = [](const QColor &from, const QColor &to, double part) {
        return QColor::fromRgbF(float(from.redF() + (to.redF() - from.redF()) * part),
                                float(from.greenF() + (to.greenF() - from.greenF()) * part),
                                float(from.blueF() + (to.blueF() - from.blueF()) * part));
    };
    // The theme's secondary text as it shows on the sheet (a translucent one over the base).
    QColor secondary = pal.color(QPalette::PlaceholderText);
    secondary = mixed(base, secondary, secondary.alphaF());
    // A theme whose secondary text is its text (the sheet's colours set by the user) gets a grey
    // between the two; either way the note reads at 4.5:1 at least.
    if (contrastRatio(secondary, text) < 1.5)
        secondary = mixed(text, base, 0.45);
    return readableOn(secondary, base, text, kMinimumReadableContrast);
}

void SheetView::updateNotesShown()
{
    // A find hit marked in a note may be gone with the note's old text.
    m_noteHit = {};
    const bool shown = isEditingNote() || m_document->hasNotes();
    if (shown != m_notesShown) {
        m_notesShown = shown;
        // The rows have another width to wrap in.
        m_layout.clear();
        updateScrollBar();
        ensureCaretVisible();
        emit notesShownChanged(shown);
    }
    placeNoteEditor();
    viewport()->update();
}

QRectF SheetView::noteBox(qreal top, const QTextLayout *layout) const
{
    // Beside the row's first line, from the column's margin to the view's.
    const bool laidOut = layout->lineCount() > 0;
    const qreal lineTop = top + (laidOut ? layout->lineAt(0).y() : 0);
    const qreal height = laidOut ? layout->lineAt(0).height() : QFontMetricsF(font()).height();
    const qreal left = noteColumnLeft() + m_margin;
    return QRectF(left, lineTop, std::max<qreal>(1, viewport()->width() - left - m_margin), height);
}

QRect SheetView::noteRect(qsizetype row) const
{
    if (!m_notesShown || row < 0 || row >= rowCount())
        return QRect();
    const Block block{row, 0};
    const qreal top = blockTop(block);
    return top == kNotShown ? QRect() : noteBox(top, layoutOf(block)).toRect();
}

void SheetView::paintNoteRule(QPainter &painter, const QColor &color) const
{
    // A faint rule between the figures and the notes.
    QColor rule = color;
    rule.setAlphaF(0.35f);
    painter.save();
    painter.setPen(rule);
    const qreal x = noteColumnLeft() + 0.5;
    painter.drawLine(QPointF(x, 0), QPointF(x, viewport()->height()));
    painter.restore();
}

void SheetView::paintNote(QPainter &painter, qsizetype row, const QRectF &at, const QColor &color) const
{
    const QString note = m_document->note(row);
    if (note.isEmpty() || row == m_noteRow) // the editor stands over a note being written
        return;
    constexpr int kFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    const QFontMetricsF metrics(font());
    const QString shown = metrics.elidedText(note, Qt::ElideRight, at.width());
    painter.save();
    painter.setFont(font());
    painter.setPen(color);
    painter.drawText(at, kFlags, shown);
    // A find hit in the note, as far as it is shown: marked, its characters in the highlight's
    // text colour.
    if (m_noteHit.row == row) {
        const qsizetype visible = shown.endsWith(QChar(0x2026)) ? shown.size() - 1 : shown.size();
        const qsizetype from = std::min(m_noteHit.start, visible);
        const qsizetype to = std::min(m_noteHit.start + m_noteHit.length, visible);
        if (from < to) {
            const qreal x1 = metrics.horizontalAdvance(note.left(from));
            const qreal x2 = metrics.horizontalAdvance(note.left(to));
            const QRectF hit(at.left() + x1, at.top(), x2 - x1, at.height());
            painter.fillRect(hit, palette().brush(QPalette::Highlight));
            painter.setClipRect(hit, Qt::IntersectClip);
            painter.setPen(palette().color(QPalette::HighlightedText));
            painter.drawText(at, kFlags, shown);
        }
    }
    painter.restore();
}

void SheetView::editNote(qsizetype row, const QString &typed)
{
    if (m_readOnly || row < 0 || row >= rowCount())
        return;
    if (isEditingNote())
        finishNoteEdit();
    if (!m_noteEditor)
        m_noteEditor = new NoteEditor(this);
    // The row's end: the row is scrolled into view, and the figures go on from there after.
    setPositions(rowEnd(row), rowEnd(row), false);
    m_noteRow = row;
    // Written in the sheet's font and colours, as the note stands there.
    m_noteEditor->setFont(font());
    m_noteEditor->setPalette(palette());
    m_noteEditor->setText(m_document->note(row) + typed);
    m_noteEditor->setCursorPosition(m_noteEditor->text().size());
    m_noteEditor->setAccessibleName(Text(TextId::NoteEditorName, {QString::number(row + 1)}));
    updateNotesShown();
    ensureCaretVisible();
    placeNoteEditor();
    m_noteEditor->show();
    m_noteEditor->setFocus(Qt::OtherFocusReason);
}

void SheetView::finishNoteEdit()
{
    if (!isEditingNote())
        return;
    const qsizetype row = std::min(m_noteRow, rowCount() - 1);
    const QString note = m_noteEditor->text();
    m_noteRow = -1;
    const QPointer<SheetView> self(this);
    // The focus first: the editor's leaving ends no edit a second time.
    if (m_noteEditor->hasFocus())
        setFocus(Qt::OtherFocusReason);
    m_noteEditor->hide();
    if (noteSetter)
        noteSetter(row, note);
    else
        m_document->setNote(row, note);
    if (!self)
        return;
    updateNotesShown();
    setPositions(rowEnd(row), rowEnd(row), false);
}

void SheetView::placeNoteEditor()
{
    if (!m_noteEditor || !isEditingNote())
        return;
    const QRect at = noteRect(m_noteRow);
    if (at.isEmpty()) {
        m_noteEditor->move(-10000, -10000); // off screen, still holding the focus
        return;
    }
    m_noteEditor->setGeometry(at.adjusted(-2, 0, 0, 0));
}

bool SheetView::noteEditorKey(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) && modifiers == Qt::NoModifier) {
        finishNoteEdit();
        return true;
    }
    if (!leavesNote(event))
        return false;
    // Any other key (a row up or down, Tab, a command of the sheet) leaves the note and is the
    // sheet's.
    const QPointer<SheetView> self(this);
    finishNoteEdit();
    if (self && key != Qt::Key_Tab && key != Qt::Key_Backtab) {
        QKeyEvent again(event->type(), key, event->modifiers(), event->text(), event->isAutoRepeat(),
                        ushort(event->count()));
        QApplication::sendEvent(this, &again);
    }
    return true;
}

RowNotes SheetView::notesWithin(qsizetype from, qsizetype to, qsizetype shift) const
{
    const RowNotes &notes = m_document->notes();
    const qsizetype firstRow = rowOf(from);
    auto note = std::lower_bound(notes.begin(), notes.end(), firstRow,
                                 [](const RowNote &n, qsizetype row) { return n.row < row; });
    RowNotes within;
    for (; note != notes.end() && note->row <= rowOf(to); ++note) {
        const qsizetype rowStart = this->rowStart(note->row);
        const qsizetype rowEnd = this->rowEnd(note->row);
        // A row whole: its text, or for an empty row the break before it.
        if (from > rowStart || to < rowEnd || (rowEnd == rowStart && from == rowStart))
            continue;
        within.append({note->row - firstRow + shift, note->text});
    }
    return within;
}

QString SheetView::clipboardText() const
{
    const qsizetype start = selectionStart();
    const qsizetype end = selectionEnd();
    const QString &text = sheetText();
    const qsizetype firstRow = rowOf(start);
    QString out;
    qsizetype copied = start;
    // Only a row selected whole takes its note along.
    for (const RowNote &note : notesWithin(start, end, 0)) {
        const qsizetype rowEnd = this->rowEnd(firstRow + note.row);
        out += QStringView(text).mid(copied, rowEnd - copied);
        out += u'\t';
        out += note.text;
        copied = rowEnd;
    }
    out += QStringView(text).mid(copied, end - copied);
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return out;
}
