#include "sheetview.h"


#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QDrag>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextLayout>

#include <algorithm>
#include <utility>
#include <cmath>

void InstallSheetViewAccessibility(); // sheetviewaccessible.cpp

namespace {

QString plainTextOf(QString sheet)
{
    sheet.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return sheet;
}

} // namespace

SheetView::SheetView(QWidget *parent)
    : QAbstractScrollArea(parent)
    , m_document(new SheetDocument(this))
    , m_layout(m_document)
{
    connect(m_document, &SheetDocument::contentsChange, this, &SheetView::followChange);
    connect(m_document, &SheetDocument::notesChanged, this, &SheetView::updateNotesShown);
    InstallSheetViewAccessibility();
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAttribute(Qt::WA_KeyCompression, false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAcceptDrops(true);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    viewport()->setCursor(Qt::IBeamCursor);
    verticalScrollBar()->setSingleStep(1);
    updateScrollBar();
}

SheetView::~SheetView() = default;

// ---- the text and its rows ----

void SheetView::setDocument(SheetDocument *document)
{
    if (!document || document == m_document)
        return;
    disconnect(m_document, nullptr, this, nullptr);
    if (m_document->parent() == this)
        delete m_document;
    m_document = document;
    connect(m_document, &SheetDocument::contentsChange, this, &SheetView::followChange);
    connect(m_document, &SheetDocument::notesChanged, this, &SheetView::updateNotesShown);
    m_layout.setDocument(m_document);
    m_anchor = m_position = 0;
    m_caretAtLineEnd = false;
    m_targetX = -1;
    setTop(0);
    updateScrollBar();
    updateNotesShown();
    viewport()->update();
    emit textChanged();
}

void SheetView::setSheetText(const QString &text)
{
    // Only the part that differs is replaced (see SheetDocument::setText).
    resetText([&] { m_document->setText(text); });
}

void SheetView::setSheetText(const QString &text, const RowNotes &notes)
{
    resetText([&] {
        m_document->setText(text);
        m_document->setNotes(notes);
    });
}

void SheetView::setSheetText(qsizetype from, qsizetype to, const QString &text)
{
    resetText([&] { m_document->replace(from, to, text); });
}

void SheetView::resetText(const std::function<void()> &write)
{
    const qsizetype oldAnchor = m_anchor;
    const qsizetype oldPosition = m_position;
    {
        const QSignalBlocker quiet(this);
        m_anchor = m_position = 0;
        write();
    }
    m_anchor = m_position = 0;
    m_targetX = -1;
    setTop(0);
    if (oldAnchor != oldPosition)
        emit selectionChanged();
    if (oldPosition != 0)
        emit cursorPositionChanged();
    emit textChanged();
}

void SheetView::replaceRange(qsizetype from, qsizetype to, const QString &text, const RowNotes &textNotes)
{
    m_document->replace(from, to, text, textNotes);
}

void SheetView::followChange(const SheetRows::Change &change, const QString &removed)
{
    const qsizetype from = change.position;
    const qsizetype to = from + change.removed;
    const qsizetype delta = change.added - change.removed;
    const qsizetype firstRow = change.firstRow;
    m_noteHit = {};
    // The note being written stays with its row; a row the edit replaced keeps it on the first
    // row of what replaced it.
    if (m_noteRow > firstRow + change.rowsRemoved)
        m_noteRow += change.rowsAdded - change.rowsRemoved;
    else if (m_noteRow > firstRow)
        m_noteRow = firstRow;

    m_layout.followChange(change);

    // The caret and the anchor stay with their characters; inside the replaced span they go to
    // its end.
    const auto follow = [&](qsizetype p) {
        if (p >= to)
            return p + delta;
        if (p > from)
            return from + change.added;
        return p;
    };
    const qsizetype oldPosition = m_position;
    const qsizetype oldAnchor = m_anchor;
    m_position = follow(m_position);
    m_anchor = follow(m_anchor);
    m_caretAtLineEnd = false;

    if (QAccessible::isActive()) {
        if (!removed.isEmpty()) {
            QAccessibleTextRemoveEvent gone(this, int(from - firstRow), plainTextOf(removed));
            QAccessible::updateAccessibility(&gone);
        }
        if (change.added > 0) {
            QAccessibleTextInsertEvent added(this, int(from - firstRow),
                                             plainTextOf(sheetText().mid(from, change.added)));
            QAccessible::updateAccessibility(&added);
        }
    }
    m_top.row = std::min(m_top.row, rowCount() - 1);
    m_top.piece = std::min(m_top.piece, m_layout.pieceCount(m_top.row) - 1);
    updateScrollBar();
    viewport()->update();
    emit textChanged();
    if (m_position != oldPosition)
        emit cursorPositionChanged();
    if ((oldAnchor != oldPosition || m_anchor != m_position) && (m_anchor != oldAnchor || m_position != oldPosition))
        emit selectionChanged();
}

void SheetView::insertText(const QString &text, const RowNotes &textNotes)
{
    if (m_readOnly)
        return;
    const qsizetype start = selectionStart();
    const qsizetype end = selectionEnd();
    const bool hadSelection = start != end;
    const QString inserted = SheetDocument::withRowBreaks(text);
    {
        // The caret goes after what is put in before the change is announced: whoever follows the
        // change may move it on.
        const QSignalBlocker quiet(this);
        m_anchor = m_position = end;
    }
    const QPointer<SheetView> self(this);
    replaceRange(start, end, inserted, textNotes);
    if (!self)
        return;
    // The selection went with the text it held.
    if (hadSelection)
        emit selectionChanged();
    showCaret();
}

QString SheetView::selectedText() const
{
    return sheetText().mid(selectionStart(), selectionEnd() - selectionStart());
}

void SheetView::setSelection(qsizetype anchor, qsizetype position)
{
    setPositions(snapped(anchor), snapped(position), false);
}

void SheetView::selectAll()
{
    setPositions(0, sheetText().size(), false);
}

void SheetView::showNoteHit(qsizetype row, qsizetype start, qsizetype length)
{
    if (row < 0 || row >= rowCount()) {
        m_noteHit = {};
        viewport()->update();
        return;
    }
    setPositions(rowEnd(row), rowEnd(row), false);
    m_noteHit = {row, start, length};
    viewport()->update();
}

void SheetView::setPositions(qsizetype anchor, qsizetype position, bool keepX)
{
    m_noteHit = {};
    const bool moved = position != m_position;
    const bool selection = (anchor != m_anchor || position != m_position) && (hasSelection() || anchor != position);
    m_anchor = anchor;
    m_position = position;
    m_caretAtLineEnd = std::exchange(m_nextCaretAtLineEnd, false);
    if (!keepX)
        m_targetX = -1;
    ensureCaretVisible();
    restartBlink();
    viewport()->update();
    if (QAccessible::isActive()) {
        if (selection) {
            QAccessibleTextSelectionEvent chosen(this, int(selectionStart() - rowOf(selectionStart())),
                                                 int(selectionEnd() - rowOf(selectionEnd())));
            QAccessible::updateAccessibility(&chosen);
        }
        if (moved) {
            QAccessibleTextCursorEvent caret(this, int(m_position - rowOf(m_position)));
            QAccessible::updateAccessibility(&caret);
        }
    }
    // The X11 primary selection follows every selection, as in the toolkit's editors; a drag
    // gives it its selection once, on release.
    if (selection && hasSelection() && !m_dragging)
        putSelectionOnClipboard();
    if (selection)
        emit selectionChanged();
    if (moved)
        emit cursorPositionChanged();
}

void SheetView::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    setAttribute(Qt::WA_InputMethodEnabled, !readOnly);
    viewport()->update();
}

void SheetView::setDocumentMargin(int margin)
{
    m_margin = margin;
    m_layout.clear();
    updateScrollBar();
    viewport()->update();
}

void SheetView::setCursorWidth(int width)
{
    m_cursorWidth = std::max(1, width);
    m_layout.clear();
    viewport()->update();
}

// ---- layout ----

int SheetView::textWidth() const
{
    // The caret needs its width at the end of a full line.
    return std::max(1, viewport()->width() - 2 * m_margin - m_cursorWidth - noteColumnWidth());
}

QTextLayout *SheetView::layoutOf(Block block) const
{
    return m_layout.layoutOf(block, font(), textWidth());
}

qreal SheetView::blockHeight(Block block) const
{
    return m_layout.blockHeight(block, font(), textWidth());
}

int SheetView::caretLineIndex(const QTextLayout *layout, int offset) const
{
    // Where a row wraps, the end of one line and the start of the next are one position: after
    // End the caret stands at the end of the line it was on.
    const int index = m_layout.lineIndexAt(layout, offset);
    return m_caretAtLineEnd && index > 0 && layout->lineAt(index).textStart() == offset ? index - 1 : index;
}

qreal SheetView::blockTop(Block block) const
{
    if (block < m_top)
        return kNotShown;
    qreal y = m_margin - m_topShift;
    const int height = viewport()->height();
    for (Block at = m_top;;) {
        if (at == block)
            return y;
        y += blockHeight(at);
        if (y > height || !m_layout.nextBlock(at))
            break;
    }
    return kNotShown;
}

int SheetView::visualLineCount(int limit) const
{
    int lines = 0;
    Block block;
    do
        lines += std::max(1, layoutOf(block)->lineCount());
    while (lines < limit && m_layout.nextBlock(block));
    return std::min(lines, limit);
}

QRect SheetView::cursorRect() const
{
    if (m_caretAtLineEnd) {
        const Block block = m_layout.blockOf(m_position);
        const qreal top = blockTop(block);
        if (top == kNotShown)
            return QRect();
        const QTextLayout *layout = layoutOf(block);
        const int offset = static_cast<int>(m_position - m_layout.blockStart(block));
        const QTextLine line = layout->lineAt(caretLineIndex(layout, offset));
        if (top + line.y() + line.height() <= m_margin)
            return QRect();
        return QRectF(m_margin + line.cursorToX(offset), top + line.y(), m_cursorWidth, line.height()).toAlignedRect();
    }
    const QRect character = characterRect(m_position);
    return character.adjusted(0, 0, m_cursorWidth - character.width(), 0);
}

QRect SheetView::characterRect(qsizetype position) const
{
    position = snapped(position);
    const Block block = m_layout.blockOf(position);
    const qreal top = blockTop(block);
    if (top == kNotShown)
        return QRect();
    const QTextLayout *layout = layoutOf(block);
    const qsizetype start = m_layout.blockStart(block);
    const int offset = static_cast<int>(position - start);
    if (layout->lineCount() == 0)
        return QRect(m_margin, static_cast<int>(top), 1, QFontMetrics(font()).height());
    const QTextLine line = layout->lineAt(m_layout.lineIndexAt(layout, offset));
    if (top + line.y() + line.height() <= m_margin)
        return QRect(); // above the view, in a block taller than it
    const qreal x = line.cursorToX(offset);
    const qreal next = offset < m_layout.blockEnd(block) - start ? line.cursorToX(offset + 1) : x + 1;
    return QRectF(m_margin + x, top + line.y(), std::max<qreal>(1, next - x), line.height()).toAlignedRect();
}

qsizetype SheetView::positionAt(const QPoint &point) const
{
    qreal y = m_margin - m_topShift;
    const qreal height = viewport()->height();
    Block block = m_top;
    for (;;) {
        const qreal h = blockHeight(block);
        Block next = block;
        if (point.y() < y + h || y + h > height || !m_layout.nextBlock(next))
            break;
        y += h;
        block = next;
    }
    const QTextLayout *layout = layoutOf(block);
    const qsizetype start = m_layout.blockStart(block);
    if (layout->lineCount() == 0)
        return start;
    int index = 0;
    while (index + 1 < layout->lineCount() && point.y() >= y + layout->lineAt(index + 1).y())
        ++index;
    const QTextLine line = layout->lineAt(index);
    int offset = line.xToCursor(point.x() - m_margin);
    // A wrapped line's end (and a piece's) is the next line's start: stay on this line.
    const bool wraps = index + 1 < layout->lineCount() || !m_layout.isLastPiece(block);
    if (wraps && offset >= line.textStart() + line.textLength())
        offset = line.textStart() + line.textLength() - 1;
    return start + std::clamp<qsizetype>(offset, 0, m_layout.blockEnd(block) - start);
}

// ---- scrolling ----

void SheetView::setTop(qsizetype index)
{
    index = std::clamp<qsizetype>(index, 0, m_layout.blockTotal() - 1);
    m_top = m_layout.blockAt(index);
    m_topShift = 0;
    updateScrollBar();
    if (verticalScrollBar()->value() != index) {
        const QSignalBlocker quiet(verticalScrollBar());
        verticalScrollBar()->setValue(static_cast<int>(std::min<qsizetype>(index, verticalScrollBar()->maximum())));
        m_top = m_layout.blockAt(verticalScrollBar()->value());
    }
    placeNoteEditor();
    viewport()->update();
}

void SheetView::updateScrollBar()
{
    // The last blocks fill the view when it is scrolled to the end: count back from the last
    // block until they no longer fit. Only the blocks of one screen are laid out.
    // The blocks start below the top margin; the last may run into the bottom one, as the
    // toolkit's plain-text editor lets it.
    const qreal height = viewport()->height() - m_margin - 1;
    const qsizetype total = m_layout.blockTotal();
    qreal used = 0;
    qsizetype first = total;
    Block block{rowCount() - 1, m_layout.pieceCount(rowCount() - 1) - 1};
    while (first > 0) {
        const qreal h = blockHeight(block);
        if (used + h > height && first < total)
            break;
        used += h;
        --first;
        m_layout.previousBlock(block);
    }
    const auto maximum = static_cast<int>(std::min<qsizetype>(first, std::numeric_limits<int>::max()));
    const qreal line = QFontMetricsF(font()).lineSpacing();
    // Not quietly: the scroll area shows or hides the bar as its range asks.
    QScrollBar *bar = verticalScrollBar();
    bar->setRange(0, maximum);
    bar->setPageStep(std::max(1, static_cast<int>(height / std::max<qreal>(1, line))));
    bar->setValue(static_cast<int>(std::min<qsizetype>(m_layout.blockIndex(m_top), maximum)));
    followScrollBar();
}

void SheetView::followScrollBar()
{
    // The bar counts blocks: a new top block is shown from its first line.
    const Block top = m_layout.blockAt(verticalScrollBar()->value());
    if (!(top == m_top))
        m_topShift = 0;
    m_top = top;
}

void SheetView::scrollContentsBy(int, int)
{
    followScrollBar();
    placeNoteEditor();
    viewport()->update();
}

void SheetView::ensureCaretVisible()
{
    const Block caretBlock = m_layout.blockOf(m_position);
    const qsizetype caretIndex = m_layout.blockIndex(caretBlock);
    const qsizetype topIndex = m_layout.blockIndex(m_top);
    const qreal height = viewport()->height();
    const qreal line = std::max<qreal>(1, QFontMetricsF(font()).lineSpacing());
    const QTextLayout *layout = layoutOf(caretBlock);
    const int offset = static_cast<int>(m_position - m_layout.blockStart(caretBlock));
    qreal caretTop = 0;
    qreal caretBottom = blockHeight(caretBlock);
    if (layout->lineCount() > 0) {
        const QTextLine caretLine = layout->lineAt(caretLineIndex(layout, offset));
        caretTop = caretLine.y();
        caretBottom = caretLine.y() + caretLine.height();
    }
    qsizetype top = std::min(topIndex, caretIndex);
    qreal shift = top == topIndex ? m_topShift : 0;
    // Far below: start from one screen above the caret's block rather than walk every block
    // between.
    const auto screen = static_cast<qsizetype>(height / line) + 1;
    if (caretIndex - top > screen) {
        top = caretIndex - screen;
        shift = 0;
    }
    qreal above = m_margin - shift; // the caret's block's top in the view
    Block block = m_layout.blockAt(top);
    for (Block b = block; b < caretBlock;) {
        above += blockHeight(b);
        if (!m_layout.nextBlock(b))
            break;
    }
    while (top < caretIndex && above + caretBottom > height) {
        // Lines of the first block may stay above the caret's: it scrolls by lines as far as
        // needed rather than out of the view whole.
        const qreal excess = above + caretBottom - height;
        const QTextLayout *first = layoutOf(block);
        if (blockHeight(block) - shift > excess) {
            int i = 0;
            while (i < first->lineCount() && first->lineAt(i).y() < shift + excess)
                ++i;
            if (i < first->lineCount()) {
                above -= first->lineAt(i).y() - shift;
                shift = first->lineAt(i).y();
                break;
            }
        }
        above -= blockHeight(block) - shift;
        shift = 0;
        m_layout.nextBlock(block);
        ++top;
    }
    // A block taller than the view (a row of many lines) scrolls by its lines to show the caret's.
    if (top == caretIndex) {
        if (caretTop < shift) {
            shift = caretTop;
        } else if (m_margin + caretBottom - shift > height && layout->lineCount() > 0) {
            const qreal needed = m_margin + caretBottom - height;
            for (int i = 0; i < layout->lineCount(); ++i) {
                shift = layout->lineAt(i).y();
                if (shift >= needed)
                    break;
            }
        }
    }
    if (top != topIndex)
        setTop(top);
    if (shift != m_topShift) {
        m_topShift = shift;
        viewport()->update();
    }
}

// ---- painting ----

void SheetView::paintEvent(QPaintEvent *event)
{
    // Line by line, and only the lines in the clip: a long row's many lines cost nothing off
    // screen, and a selection is one rectangle a line.
    QPainter painter(viewport());
    const QRectF clip = event->rect();
    const QPalette pal = palette();
    const qsizetype selStart = selectionStart();
    const qsizetype selEnd = selectionEnd();
    const QBrush highlight = pal.brush(QPalette::Highlight);
    // A read-only sheet keeps its caret: the keys still move and select in it.
    const bool caret = m_caretShown && hasFocus() && isEnabled();
    const QColor noteColour = m_notesShown ? noteColor() : QColor(); // worked out once a paint
    const Block caretBlock = m_layout.blockOf(m_position);
    // The lines of a tall first block scrolled away stay out of the top margin too.
    if (m_topShift > 0)
        painter.setClipRect(QRectF(0, m_margin, viewport()->width(), viewport()->height() - m_margin), Qt::IntersectClip);
    qreal y = m_margin - m_topShift;
    const qreal height = viewport()->height();
    Block block = m_top;
    do {
        const QTextLayout *layout = layoutOf(block);
        const qreal h = blockHeight(block);
        if (y + h >= clip.top() && y <= clip.bottom()) {
            const qsizetype start = m_layout.blockStart(block);
            const qsizetype end = m_layout.blockEnd(block);
            const qsizetype from = std::clamp(selStart, start, end) - start;
            const qsizetype to = std::clamp(selEnd, start, end) - start;
            for (int i = 0; i < layout->lineCount(); ++i) {
                const QTextLine line = layout->lineAt(i);
                const QPointF origin(m_margin, y);
                const QRectF box(origin + QPointF(0, line.y()), QSizeF(line.width(), line.height()));
                if (box.bottom() < clip.top() || box.top() > clip.bottom())
                    continue;
                painter.setPen(pal.color(QPalette::Text));
                line.draw(&painter, origin);
                const qsizetype a = std::max<qsizetype>(from, line.textStart());
                const qsizetype z = std::min<qsizetype>(to, line.textStart() + line.textLength());
                if (a < z) {
                    const qreal x1 = line.cursorToX(static_cast<int>(a));
                    const qreal x2 = line.cursorToX(static_cast<int>(z));
                    const QRectF selected(m_margin + std::min(x1, x2), box.top(), std::abs(x2 - x1), box.height());
                    painter.fillRect(selected, highlight);
                    painter.save();
                    painter.setClipRect(selected, Qt::IntersectClip);
                    painter.setPen(pal.color(QPalette::HighlightedText));
                    line.draw(&painter, origin);
                    painter.restore();
                }
                // A selected row break shows as a little room past the row's end.
                if (i + 1 == layout->lineCount() && m_layout.isLastPiece(block) && selStart <= end && selEnd > end) {
                    const qreal w = QFontMetricsF(font()).horizontalAdvance(u' ');
                    painter.fillRect(QRectF(m_margin + line.naturalTextWidth(), box.top(), w, box.height()), highlight);
                }
            }
            if (m_notesShown && block.piece == 0)
                paintNote(painter, block.row, noteBox(y, layout), noteColour);
            if (caret && block == caretBlock && m_preedit.isEmpty()) {
                if (m_caretAtLineEnd)
                    painter.fillRect(cursorRect(), pal.color(QPalette::Text));
                else
                    layout->drawCursor(&painter, QPointF(m_margin, y), static_cast<int>(m_position - start), m_cursorWidth);
            }
        }
        y += h;
    } while (y < height && m_layout.nextBlock(block));
    if (m_notesShown)
        paintNoteRule(painter, noteColour);
    if (!m_preedit.isEmpty())
        paintPreedit(painter, caret);
}

void SheetView::paintPreedit(QPainter &painter, bool caret) const
{
    // What an input method composes stands at the caret, underlined on the sheet's background,
    // until it is committed; the caret stands inside it where the input method says.
    const QRect at = cursorRect();
    if (at.isEmpty())
        return;
    QFont underlined = font();
    underlined.setUnderline(true);
    const QFontMetrics metrics(underlined);
    const QRect box(at.left(), at.top(), metrics.horizontalAdvance(m_preedit) + m_cursorWidth, at.height());
    painter.fillRect(box, palette().brush(QPalette::Base));
    painter.setFont(underlined);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_preedit);
    if (caret) {
        const int x = box.left() + metrics.horizontalAdvance(m_preedit.left(m_preeditCursor));
        painter.fillRect(QRect(x, box.top(), m_cursorWidth, box.height()), palette().color(QPalette::Text));
    }
}

void SheetView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBar();
    placeNoteEditor();
}

bool SheetView::viewportEvent(QEvent *event)
{
    // The viewport takes its size only once shown, after any size given to a hidden view: the
    // rows that fit are counted again then.
    const bool handled = QAbstractScrollArea::viewportEvent(event);
    if (event->type() == QEvent::Resize)
        updateScrollBar();
    // Whatever a double click selected (a subclass may choose), a third click soon after on the
    // same spot selects the row.
    if (event->type() == QEvent::MouseButtonDblClick) {
        m_tripleClick.start();
        m_tripleClickPoint = static_cast<QMouseEvent *>(event)->position().toPoint();
    }
    return handled;
}

void SheetView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        m_layout.clear();
        updateScrollBar();
        viewport()->update();
    }
}

bool SheetView::event(QEvent *event)
{
    // The editing keys are the sheet's own, whatever the window's shortcuts say.
    if (event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key == QKeySequence::Copy || key == QKeySequence::Paste || key == QKeySequence::Cut
            || key == QKeySequence::SelectAll || key == QKeySequence::Undo || key == QKeySequence::Redo) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

// ---- the caret ----

void SheetView::showCaret()
{
    m_targetX = -1;
    ensureCaretVisible();
    restartBlink();
    viewport()->update();
}

void SheetView::restartBlink()
{
    m_caretShown = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && flash > 0)
        m_blink.start(flash / 2, this);
    else
        m_blink.stop();
}

void SheetView::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_blink.timerId()) {
        m_caretShown = !m_caretShown;
        viewport()->update(cursorRect().adjusted(-2, -1, 2, 1));
        return;
    }
    if (event->timerId() == m_dragScroll.timerId()) {
        if (!m_dragging) {
            m_dragScroll.stop();
            return;
        }
        if (m_dragPoint.y() < 0)
            setTop(m_layout.blockIndex(m_top) - 1);
        else if (m_dragPoint.y() > viewport()->height())
            setTop(m_layout.blockIndex(m_top) + 1);
        else
            return;
        setPositions(m_anchor, positionAt(m_dragPoint), false);
        return;
    }
    QAbstractScrollArea::timerEvent(event);
}

void SheetView::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    restartBlink();
    viewport()->update();
}

void SheetView::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    m_blink.stop();
    viewport()->update();
}

qsizetype SheetView::previousPosition(qsizetype position) const
{
    if (position <= 0)
        return 0;
    if (position >= 2 && sheetText().at(position - 1) == u'\n' && sheetText().at(position - 2) == u'\r')
        return position - 2;
    if (position >= 2 && sheetText().at(position - 1).isLowSurrogate() && sheetText().at(position - 2).isHighSurrogate())
        return position - 2;
    return position - 1;
}

qsizetype SheetView::nextPosition(qsizetype position) const
{
    const qsizetype n = sheetText().size();
    if (position >= n)
        return n;
    if (position + 1 < n && sheetText().at(position) == u'\r' && sheetText().at(position + 1) == u'\n')
        return position + 2;
    if (position + 1 < n && sheetText().at(position).isHighSurrogate() && sheetText().at(position + 1).isLowSurrogate())
        return position + 2;
    return position + 1;
}

qsizetype SheetView::moveTarget(Move move) const
{
    const Block block = m_layout.blockOf(m_position);
    const qsizetype start = m_layout.blockStart(block);
    switch (move) {
    case Move::Left:
        return previousPosition(m_position);
    case Move::Right:
        return nextPosition(m_position);
    case Move::WordLeft: {
        if (m_position > start)
            return start + layoutOf(block)->previousCursorPosition(static_cast<int>(m_position - start), QTextLayout::SkipWords);
        Block before = block;
        if (block.piece == 0 || !m_layout.previousBlock(before))
            return previousPosition(m_position);
        // At a piece's start: the last word of the piece before.
        const qsizetype beforeStart = m_layout.blockStart(before);
        return beforeStart + layoutOf(before)->previousCursorPosition(static_cast<int>(start - beforeStart), QTextLayout::SkipWords);
    }
    case Move::WordRight:
        if (m_position == rowEnd(block.row))
            return nextPosition(m_position);
        return start + layoutOf(block)->nextCursorPosition(static_cast<int>(m_position - start), QTextLayout::SkipWords);
    case Move::Start:
        return 0;
    case Move::End:
        return sheetText().size();
    default:
        break;
    }
    const QTextLayout *layout = layoutOf(block);
    if (layout->lineCount() == 0)
        return m_position;
    const int offset = static_cast<int>(m_position - start);
    const int index = caretLineIndex(layout, offset);
    const QTextLine line = layout->lineAt(index);
    if (move == Move::LineStart)
        return start + line.textStart();
    if (move == Move::LineEnd) {
        // A line the row wraps after ends after its last character, where the caret then stands;
        // the last line of a long row's piece ends before it (the next piece is a block of its own).
        const qsizetype lineEnd = start + line.textStart() + line.textLength();
        const bool pieceEnds = index + 1 == layout->lineCount() && !m_layout.isLastPiece(block);
        return pieceEnds ? std::max(start + line.textStart(), lineEnd - 1) : lineEnd;
    }
    const qreal x = m_targetX >= 0 ? m_targetX : line.cursorToX(offset);
    const qreal line0 = std::max<qreal>(1, QFontMetricsF(font()).lineSpacing());
    int steps = 1;
    if (move == Move::PageUp || move == Move::PageDown)
        steps = std::max(1, static_cast<int>((viewport()->height() - 2 * m_margin) / line0) - 1);
    const bool down = move == Move::Down || move == Move::PageDown;
    Block b = block;
    int i = index;
    for (int s = 0; s < steps; ++s) {
        if (down) {
            if (i + 1 < std::max(1, layoutOf(b)->lineCount()))
                ++i;
            else if (m_layout.nextBlock(b))
                i = 0;
            else
                return s == 0 ? sheetText().size() : m_layout.blockStart(b) + layoutOf(b)->lineAt(i).xToCursor(x);
        } else {
            if (i > 0)
                --i;
            else if (m_layout.previousBlock(b))
                i = std::max(1, layoutOf(b)->lineCount()) - 1;
            else
                return s == 0 ? 0 : m_layout.blockStart(b) + layoutOf(b)->lineAt(i).xToCursor(x);
        }
    }
    const QTextLayout *target = layoutOf(b);
    const qsizetype targetStart = m_layout.blockStart(b);
    if (target->lineCount() == 0)
        return targetStart;
    const QTextLine targetLine = target->lineAt(i);
    int to = targetLine.xToCursor(x);
    const bool wraps = i + 1 < target->lineCount() || !m_layout.isLastPiece(b);
    if (wraps && to >= targetLine.textStart() + targetLine.textLength())
        to = targetLine.textStart() + targetLine.textLength() - 1;
    return targetStart + std::clamp<qsizetype>(to, 0, m_layout.blockEnd(b) - targetStart);
}

void SheetView::moveCaret(Move move, bool select)
{
    // An arrow without Shift collapses a selection to its edge on the arrow's side.
    if (!select && hasSelection() && (move == Move::Left || move == Move::Right)) {
        const qsizetype edge = move == Move::Left ? selectionStart() : selectionEnd();
        setPositions(edge, edge, false);
        return;
    }
    const bool vertical = move == Move::Up || move == Move::Down || move == Move::PageUp || move == Move::PageDown;
    if (vertical && m_targetX < 0) {
        const Block block = m_layout.blockOf(m_position);
        const QTextLayout *layout = layoutOf(block);
        if (layout->lineCount() > 0) {
            const int offset = static_cast<int>(m_position - m_layout.blockStart(block));
            m_targetX = layout->lineAt(caretLineIndex(layout, offset)).cursorToX(offset);
        }
    }
    const qsizetype target = snapped(moveTarget(move));
    if (move == Move::LineEnd) {
        const Block block = m_layout.blockOf(target);
        const QTextLayout *layout = layoutOf(block);
        const int offset = static_cast<int>(target - m_layout.blockStart(block));
        const int index = m_layout.lineIndexAt(layout, offset);
        m_nextCaretAtLineEnd = index > 0 && layout->lineAt(index).textStart() == offset;
    }
    setPositions(select ? m_anchor : target, target, vertical);
}

void SheetView::deleteNext(bool forward)
{
    // A selection goes whole; else the character (or row break) on the key's side.
    if (hasSelection()) {
        insertText(QString());
        return;
    }
    const qsizetype other = forward ? nextPosition(m_position) : previousPosition(m_position);
    if (other == m_position)
        return;
    const QPointer<SheetView> self(this);
    replaceRange(std::min(other, m_position), std::max(other, m_position), QString());
    if (self)
        showCaret();
}

void SheetView::keyPressEvent(QKeyEvent *event)
{
    struct Binding
    {
        QKeySequence::StandardKey key;
        Move move;
        bool select;
    };
    static const Binding moves[] = {
        {QKeySequence::MoveToNextChar, Move::Right, false},
        {QKeySequence::MoveToPreviousChar, Move::Left, false},
        {QKeySequence::SelectNextChar, Move::Right, true},
        {QKeySequence::SelectPreviousChar, Move::Left, true},
        {QKeySequence::MoveToNextWord, Move::WordRight, false},
        {QKeySequence::MoveToPreviousWord, Move::WordLeft, false},
        {QKeySequence::SelectNextWord, Move::WordRight, true},
        {QKeySequence::SelectPreviousWord, Move::WordLeft, true},
        {QKeySequence::MoveToNextLine, Move::Down, false},
        {QKeySequence::MoveToPreviousLine, Move::Up, false},
        {QKeySequence::SelectNextLine, Move::Down, true},
        {QKeySequence::SelectPreviousLine, Move::Up, true},
        {QKeySequence::MoveToStartOfLine, Move::LineStart, false},
        {QKeySequence::MoveToEndOfLine, Move::LineEnd, false},
        {QKeySequence::SelectStartOfLine, Move::LineStart, true},
        {QKeySequence::SelectEndOfLine, Move::LineEnd, true},
        {QKeySequence::MoveToStartOfDocument, Move::Start, false},
        {QKeySequence::MoveToEndOfDocument, Move::End, false},
        {QKeySequence::SelectStartOfDocument, Move::Start, true},
        {QKeySequence::SelectEndOfDocument, Move::End, true},
        {QKeySequence::MoveToNextPage, Move::PageDown, false},
        {QKeySequence::MoveToPreviousPage, Move::PageUp, false},
        {QKeySequence::SelectNextPage, Move::PageDown, true},
        {QKeySequence::SelectPreviousPage, Move::PageUp, true},
    };
    for (const Binding &binding : moves) {
        if (event->matches(binding.key)) {
            moveCaret(binding.move, binding.select);
            return;
        }
    }
    if (event == QKeySequence::SelectAll) {
        selectAll();
        return;
    }
    if (event == QKeySequence::Copy) {
        copy();
        return;
    }
    if (event == QKeySequence::Cut) {
        cut();
        return;
    }
    if (event == QKeySequence::Paste) {
        paste();
        return;
    }
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    if (m_readOnly) {
        event->ignore();
        return;
    }
    if (event->key() == Qt::Key_Backspace && modifiers == Qt::NoModifier) {
        deleteNext(false);
        return;
    }
    if (event == QKeySequence::Delete) {
        deleteNext(true);
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && modifiers == Qt::NoModifier) {
        insertText(QStringLiteral("\r\n"));
        return;
    }
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).isPrint() && !(modifiers & (Qt::ControlModifier | Qt::MetaModifier))) {
        insertText(text);
        return;
    }
    event->ignore();
}

// ---- the mouse ----

void SheetView::mousePressEvent(QMouseEvent *event)
{
    const QPoint point = event->position().toPoint();
    // A click in the note column writes the note of the row beside it.
    if (event->button() == Qt::LeftButton && m_notesShown && !m_readOnly && point.x() >= noteColumnLeft()) {
        editNote(rowOf(positionAt(QPoint(m_margin, point.y()))));
        return;
    }
    if (event->button() == Qt::LeftButton) {
        const qsizetype at = positionAt(point);
        const bool third = m_tripleClick.isValid() && m_tripleClick.elapsed() < QApplication::doubleClickInterval()
            && (point - m_tripleClickPoint).manhattanLength() < QApplication::startDragDistance();
        m_tripleClick.invalidate();
        if (third) {
            const qsizetype row = rowOf(at);
            setPositions(rowStart(row), rowEnd(row), false);
            return;
        }
        // A press on the selection may start dragging it away; until the pointer moves, nothing
        // changes.
        if (!(event->modifiers() & Qt::ShiftModifier) && hasSelection() && at >= selectionStart()
            && at < selectionEnd()) {
            m_pressOnSelection = true;
            m_dragPoint = point;
            return;
        }
        setPositions(event->modifiers() & Qt::ShiftModifier ? m_anchor : at, at, false);
        m_dragging = true;
        m_dragPoint = point;
        return;
    }
    if (event->button() == Qt::MiddleButton && !m_readOnly && QGuiApplication::clipboard()->supportsSelection()) {
        const QMimeData *data = QGuiApplication::clipboard()->mimeData(QClipboard::Selection);
        if (data && canInsertFromMimeData(data)) {
            const qsizetype at = positionAt(point);
            setPositions(at, at, false);
            insertFromMimeData(data);
        }
        return;
    }
    event->ignore();
}

void SheetView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_pressOnSelection && (event->buttons() & Qt::LeftButton)
        && (event->position().toPoint() - m_dragPoint).manhattanLength() >= QApplication::startDragDistance()) {
        m_pressOnSelection = false;
        dragSelection();
        return;
    }
    if (!m_dragging || !(event->buttons() & Qt::LeftButton))
        return;
    m_dragPoint = event->position().toPoint();
    setPositions(m_anchor, positionAt(m_dragPoint), false);
    // Past the top or the bottom the view scrolls on while the button is held.
    if (m_dragPoint.y() < 0 || m_dragPoint.y() > viewport()->height())
        m_dragScroll.start(50, this);
    else
        m_dragScroll.stop();
}

void SheetView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_pressOnSelection) {
        // A click on the selection without a drag puts the caret there.
        m_pressOnSelection = false;
        const qsizetype at = positionAt(m_dragPoint);
        setPositions(at, at, false);
        return;
    }
    if (event->button() == Qt::LeftButton && m_dragging) {
        m_dragging = false;
        m_dragScroll.stop();
        putSelectionOnClipboard();
    }
}

void SheetView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        selectWordAt(positionAt(event->position().toPoint()));
}

void SheetView::selectWordAt(qsizetype position)
{
    const Block block = m_layout.blockOf(position);
    const qsizetype start = m_layout.blockStart(block);
    const QTextLayout *layout = layoutOf(block);
    const int offset = static_cast<int>(position - start);
    const int left = layout->previousCursorPosition(offset + 1 <= m_layout.blockEnd(block) - start ? offset + 1 : offset,
                                                    QTextLayout::SkipWords);
    const int right = layout->nextCursorPosition(left, QTextLayout::SkipWords);
    setPositions(start + left, start + right, false);
}

void SheetView::putSelectionOnClipboard() const
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (hasSelection() && clipboard->supportsSelection())
        clipboard->setText(clipboardText(), QClipboard::Selection);
}

// ---- the clipboard and drops ----

void SheetView::copy() const
{
    if (hasSelection())
        QGuiApplication::clipboard()->setText(clipboardText());
}

void SheetView::cut()
{
    if (!hasSelection() || m_readOnly)
        return;
    copy();
    insertText(QString());
}

void SheetView::paste()
{
    if (m_readOnly)
        return;
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    if (data && canInsertFromMimeData(data))
        insertFromMimeData(data);
}

bool SheetView::canInsertFromMimeData(const QMimeData *source) const
{
    return source && source->hasText();
}

void SheetView::insertFromMimeData(const QMimeData *source)
{
    if (source && source->hasText())
        insertText(source->text());
}

void SheetView::dragEnterEvent(QDragEnterEvent *event)
{
    if (!m_readOnly && canInsertFromMimeData(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void SheetView::dragMoveEvent(QDragMoveEvent *event)
{
    if (!m_readOnly && canInsertFromMimeData(event->mimeData())) {
        event->acceptProposedAction();
        const qsizetype at = positionAt(event->position().toPoint());
        setPositions(at, at, false);
    } else {
        event->ignore();
    }
}

void SheetView::dragSelection()
{
    // The text goes as the clipboard has it; dropped elsewhere with a move, it leaves the sheet.
    // Dropped on this sheet, dropEvent moves it in one edit.
    auto *data = new QMimeData;
    data->setText(clipboardText());
    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    m_dragged = {selectionStart(), selectionEnd()};
    m_movedInside = false;
    const Qt::DropAction done = drag->exec(m_readOnly ? Qt::CopyAction : Qt::CopyAction | Qt::MoveAction,
                                           m_readOnly ? Qt::CopyAction : Qt::MoveAction);
    if (done == Qt::MoveAction && !m_movedInside && !m_readOnly)
        replaceRange(m_dragged.first, m_dragged.second, QString());
    m_dragged = {-1, -1};
}

bool SheetView::moveDraggedTo(qsizetype at)
{
    // The dragged characters and those between them and the drop place swap, as one edit.
    const auto [from, to] = m_dragged;
    if (from < 0 || to > sheetText().size())
        return false;
    const QString moved = sheetText().mid(from, to - from);
    // The rows moved whole, and those they pass, take their notes to their new places.
    const auto breaks = [](const QString &text) { return text.count(u'\n'); };
    if (at >= from && at <= to) {
        setPositions(from, to, false);
    } else if (at < from) {
        const QString passed = sheetText().mid(at, from - at);
        RowNotes notes = notesWithin(from, to, 0) + notesWithin(at, from, breaks(moved));
        replaceRange(at, to, moved + passed, notes);
        setSelection(at, at + moved.size());
    } else {
        const QString passed = sheetText().mid(to, at - to);
        RowNotes notes = notesWithin(to, at, 0) + notesWithin(from, to, breaks(passed));
        replaceRange(from, at, passed + moved, notes);
        setSelection(at - moved.size(), at);
    }
    m_movedInside = true;
    return true;
}

void SheetView::dropEvent(QDropEvent *event)
{
    if (m_readOnly || !canInsertFromMimeData(event->mimeData())) {
        event->ignore();
        return;
    }
    const qsizetype at = positionAt(event->position().toPoint());
    if (event->source() == this && event->dropAction() == Qt::MoveAction && moveDraggedTo(at)) {
        event->acceptProposedAction();
        return;
    }
    setPositions(at, at, false);
    event->acceptProposedAction();
    insertFromMimeData(event->mimeData());
}

QMenu *SheetView::createStandardContextMenu(QWidget *parent)
{
    // The toolkit's own words, so its translations apply.
    const auto tr = [](const char *text) { return QCoreApplication::translate("QWidgetTextControl", text); };
    auto *menu = new QMenu(parent ? parent : this);
    const auto add = [&](const char *text, const char *name, QKeySequence::StandardKey key, bool enabled,
                         const std::function<void()> &run) {
        QAction *action = menu->addAction(tr(text));
        action->setObjectName(QLatin1String(name));
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetShortcut);
        action->setEnabled(enabled);
        if (run)
            connect(action, &QAction::triggered, this, run);
        return action;
    };
    const bool editable = !m_readOnly;
    const bool clip = editable && canInsertFromMimeData(QGuiApplication::clipboard()->mimeData());
    add("&Undo", "edit-undo", QKeySequence::Undo, false, nullptr);
    add("&Redo", "edit-redo", QKeySequence::Redo, false, nullptr);
    menu->addSeparator();
    add("Cu&t", "edit-cut", QKeySequence::Cut, editable && hasSelection(), [this] { cut(); });
    add("&Copy", "edit-copy", QKeySequence::Copy, hasSelection(), [this] { copy(); });
    add("&Paste", "edit-paste", QKeySequence::Paste, clip, [this] { paste(); });
    add("Delete", "edit-delete", QKeySequence::UnknownKey, editable && hasSelection(),
        [this] { insertText(QString()); });
    menu->addSeparator();
    add("Select All", "select-all", QKeySequence::SelectAll, !sheetText().isEmpty(), [this] { selectAll(); });
    return menu;
}

void SheetView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

// ---- input methods ----

void SheetView::inputMethodEvent(QInputMethodEvent *event)
{
    if (m_readOnly) {
        event->ignore();
        return;
    }
    if (event->replacementLength() > 0) {
        const qsizetype from = snapped(m_position + event->replacementStart());
        setPositions(from, snapped(from + event->replacementLength()), false);
    }
    if (!event->commitString().isEmpty() || event->replacementLength() > 0)
        insertText(event->commitString());
    const QString preedit = event->preeditString();
    m_preeditCursor = static_cast<int>(preedit.size());
    for (const QInputMethodEvent::Attribute &attribute : event->attributes()) {
        if (attribute.type == QInputMethodEvent::Cursor)
            m_preeditCursor = std::clamp(attribute.start, 0, static_cast<int>(preedit.size()));
    }
    if (preedit != m_preedit || !preedit.isEmpty()) {
        m_preedit = preedit;
        viewport()->update();
    }
    event->accept();
}

QVariant SheetView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    // What an input method sees round the caret is its block: the row, or the piece of a long
    // row, never megabytes.
    const Block block = m_layout.blockOf(m_position);
    const qsizetype start = m_layout.blockStart(block);
    const qsizetype end = m_layout.blockEnd(block);
    switch (query) {
    case Qt::ImEnabled:
        return !m_readOnly;
    case Qt::ImCursorRectangle:
        return cursorRect().translated(viewport()->pos());
    case Qt::ImFont:
        return font();
    case Qt::ImCursorPosition:
        return static_cast<int>(m_position - start);
    case Qt::ImAnchorPosition:
        return static_cast<int>(std::clamp(m_anchor, start, end) - start);
    case Qt::ImSurroundingText:
        return sheetText().mid(start, end - start);
    case Qt::ImCurrentSelection:
        return plainTextOf(selectedText());
    case Qt::ImHints:
        return static_cast<int>(Qt::ImhNoPredictiveText);
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}
