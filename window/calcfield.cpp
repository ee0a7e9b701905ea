#include "calcfield.h"

#include "texthelpers.h"

#include "localevalues.h"
#include "pastetext.h"
#include "sheettext.h"
#include "textid.h"
#include "textrules.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QMenu>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>

#include <cstring>
#include <malloc.h>

CalcField::CalcField(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAnywhere);
    setTabChangesFocus(true);
    setUndoRedoEnabled(false); // the window keeps its own undo ring
    // contentsChange comes before contentsChanged, whose textChanged runs the sheet's cycle: the
    // cycle never reads a stale text.
    connect(document(), &QTextDocument::contentsChange, this, &CalcField::followChange);
}


namespace {

// A long tape's text is tens of megabytes, and every key makes a new copy of it. By default the C
// library maps such blocks afresh and hands them back at once, so each copy faults in thousands of
// new pages; kept in the heap, the memory of one copy is reused for the next.
const bool g_heapTuned = [] {
    mallopt(M_MMAP_THRESHOLD, 256 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
    return true;
}();

// The document breaks rows with a paragraph (or line) separator; the sheet with CR LF. One pass
// into a text of the final length: a long sheet has a break on every row.
QString sheetText(const QString &documentText)
{
    const auto isBreak = [](QChar c) { return c == QChar::ParagraphSeparator || c == QChar::LineSeparator; };
    const qsizetype breaks = std::count_if(documentText.cbegin(), documentText.cend(), isBreak);
    if (breaks == 0)
        return documentText;
    QString sheet(documentText.size() + breaks, Qt::Uninitialized);
    QChar *out = sheet.data();
    for (const QChar c : documentText) {
        if (isBreak(c)) {
            *out++ = u'\r';
            *out++ = u'\n';
        } else {
            *out++ = c;
        }
    }
    return sheet;
}

bool clipboardHasText()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText() && !data->text().isEmpty();
}

// Whether a typed character may reach the sheet: the sheet's own characters, Enter and Backspace.
bool acceptsCharacter(QChar c)
{
    if (c == u'\r' || c == u'\b')
        return true;
    return !c.isNull() && QStringView(kSheetAlphabet).contains(c);
}

QString plainText(QString sheet)
{
    sheet.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return sheet;
}

} // namespace

void CalcField::followChange(int position, int removed, int added)
{
    // The sheet text follows a key by replacing the rows' characters it touched rather than
    // being read out of the document again: a tape may have a million rows. A document position
    // becomes a text position by adding one character for each row break before it ("\r\n"
    // against one separator). Anything unexpected reads the whole document at the next Text().
    if (!m_textValid || m_lineSeparators)
        return;
    m_textValid = false;
    const QTextBlock block = document()->findBlock(position);
    if (!block.isValid())
        return;
    const qsizetype start = qsizetype(position) + block.blockNumber();
    qsizetype end = start;
    for (int k = 0; k < removed; ++k) {
        if (end >= m_text.size())
            return;
        end += m_text.at(end) == u'\r' && end + 1 < m_text.size() && m_text.at(end + 1) == u'\n' ? 2 : 1;
    }
    QTextCursor span(document());
    span.setPosition(position);
    span.setPosition(position + added, QTextCursor::KeepAnchor);
    const QString inserted = span.selectedText();
    if (inserted.contains(QChar::LineSeparator)) {
        m_lineSeparators = true; // positions inside a block would no longer map: read it whole
        return;
    }
    m_text.replace(start, end - start, sheetText(inserted));
    // The count must come out as the document's: its characters, the final separator aside,
    // and one more for each row break.
    m_textValid = m_text.size() == qsizetype(document()->characterCount()) - 1 + document()->blockCount() - 1;
}

QString CalcField::Text() const
{
    // toRawText keeps no-break spaces, which toPlainText would turn into spaces.
    if (!m_textValid) {
        const QString raw = document()->toRawText();
        m_lineSeparators = raw.contains(QChar::LineSeparator);
        m_text = sheetText(raw);
        m_textValid = true;
    }
    return m_text;
}

void CalcField::setText(const QString &strText)
{
    m_textValid = false;
    setPlainText(plainText(strText));
}

void CalcField::setTextKeepingSelection(const QString &strText)
{
    const qsizetype start = SelStart();
    const qsizetype length = SelLength();
    setText(strText);
    setSelStart(start);
    setSelLength(length);
}

void CalcField::replaceText(const QString &strText)
{
    // The two sheet texts compared from both ends, a block at a time (a tape may be tens of
    // megabytes), and only the middle replaced. The ends never cut a CR LF pair.
    const QString now = Text();
    const qsizetype nowSize = now.size();
    const qsizetype nextSize = strText.size();
    const CommonEnds ends = CommonTextEnds(now, strText);
    qsizetype head = ends.head;
    if (head > 0 && now.at(head - 1) == u'\r')
        --head;
    qsizetype tail = std::min(ends.tail, nowSize - head);
    if (tail > 0 && now.at(nowSize - tail) == u'\n')
        --tail;

    // No selection may be left for the change handler to see: setText leaves none either.
    setTextCursor(QTextCursor(document()));
    if (head == nowSize && head == nextSize) {
        emit textChanged();
    } else {
        QTextCursor edit(document());
        edit.setPosition(toDocumentPosition(head));
        edit.setPosition(toDocumentPosition(nowSize - tail), QTextCursor::KeepAnchor);
        edit.beginEditBlock();
        edit.insertText(plainText(strText.mid(head, nextSize - tail - head)));
        edit.endEditBlock();
    }
    setTextCursor(QTextCursor(document()));
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

qsizetype CalcField::toSheetPosition(int intDocumentPosition) const
{
    const QTextBlock block = document()->findBlock(intDocumentPosition);
    return intDocumentPosition + (block.isValid() ? block.blockNumber() : document()->blockCount() - 1);
}

int CalcField::toDocumentPosition(qsizetype lngSheetPosition) const
{
    if (lngSheetPosition <= 0)
        return 0;
    // Row b starts at sheet position P + b, P being its document position: every row before it
    // ends in a two-character break. Find the last row starting at or before the position by
    // bisection (a block is found by number in logarithmic time), then stay inside the row: a
    // position between CR and LF, or past the end, belongs to the end of the row.
    const QTextDocument *doc = document();
    int lo = 0;
    int hi = doc->blockCount() - 1;
    while (lo < hi) {
        const int mid = lo + (hi - lo + 1) / 2;
        if (doc->findBlockByNumber(mid).position() + mid <= lngSheetPosition)
            lo = mid;
        else
            hi = mid - 1;
    }
    const QTextBlock block = doc->findBlockByNumber(lo);
    const qsizetype len = block.length() - 1; // without the block break
    const qsizetype into = lngSheetPosition - (block.position() + lo);
    return block.position() + static_cast<int>(std::min(into, len));
}

qsizetype CalcField::SelStart() const
{
    return toSheetPosition(textCursor().selectionStart());
}

void CalcField::setSelStart(qsizetype lngStart)
{
    QTextCursor c = textCursor();
    c.setPosition(toDocumentPosition(lngStart));
    setTextCursor(c);
}

qsizetype CalcField::SelLength() const
{
    const QTextCursor c = textCursor();
    return toSheetPosition(c.selectionEnd()) - toSheetPosition(c.selectionStart());
}

void CalcField::setSelLength(qsizetype lngLength)
{
    QTextCursor c = textCursor();
    const qsizetype start = toSheetPosition(c.selectionStart());
    c.setPosition(toDocumentPosition(start));
    c.setPosition(toDocumentPosition(start + std::max<qsizetype>(0, lngLength)), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

QString CalcField::SelText() const
{
    return sheetText(textCursor().selectedText());
}

void CalcField::setSelText(const QString &strText)
{
    textCursor().insertText(plainText(strText));
}

int CalcField::visualLineCount(int limit) const
{
    // The plain-text layout lays out a replaced or pasted block lazily, at the next paint; until
    // then it has no lines and a soft-wrapped row would count as one. Lay it out now.
    const auto *plainLayout = qobject_cast<QPlainTextDocumentLayout *>(document()->documentLayout());
    int rows = 0;
    for (QTextBlock block = document()->begin(); block.isValid() && rows < limit; block = block.next()) {
        if (plainLayout)
            plainLayout->ensureBlockLayout(block);
        const QTextLayout *layout = block.layout();
        const int n = layout ? layout->lineCount() : 0;
        rows += n > 0 ? n : 1;
    }
    return std::min(rows, limit);
}

void CalcField::pasteDefault(const QMimeData *source)
{
    // Pasted text is read as written elsewhere (2×3, 1,607.50) before the cycle cleans it; a
    // typed key never comes this way.
    if (!source || !source->hasText()) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    QMimeData sheetText;
    sheetText.setText(PastedSheetText(source->text(), ReadLocaleValues()));
    QPlainTextEdit::insertFromMimeData(&sheetText);
}

void CalcField::suspendRedraw()
{
    setUpdatesEnabled(false);
    m_redrawSuspended = true;
}

void CalcField::resumeRedraw()
{
    if (!m_redrawSuspended)
        return;
    m_redrawSuspended = false;
    setUpdatesEnabled(true);
}

void CalcField::insertFromMimeData(const QMimeData *source)
{
    if (source && source->hasText() && source->text().size() > kPasteLimit) {
        emit pasteRefused();
        return;
    }
    // A paste is shown only once the cycle has cleaned and wrapped it: the row count that the
    // cycle asks for switches the drawing on again.
    suspendRedraw();
    pasteDefault(source);
    resumeRedraw(); // when nothing changed, no cycle ran
}

void CalcField::SetCaret(CaretMode mode)
{
    switch (mode) {
    case CaretMode::Start:
        setSelStart(0);
        break;
    case CaretMode::End:
        setSelStart(Text().size());
        break;
    case CaretMode::All:
        selectAll();
        break;
    }
}

void CalcField::SelectNumberAtClick()
{
    const TextSpan number = NumberAtClick(Text(), m_clickPos, ReadLocaleValues().decimalSeparator);
    setSelStart(number.start);
    setSelLength(number.length);
}

void CalcField::mouseReleaseEvent(QMouseEvent *event)
{
    QPlainTextEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        m_clickPos = SelStart();
}

void CalcField::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The number under the pointer, not the toolkit's word.
    if (event->button() == Qt::LeftButton)
        SelectNumberAtClick();
}

void CalcField::contextMenuEvent(QContextMenuEvent *event)
{
    // The editor's own undo is off (the sheet keeps its own ring): its Undo and Redo items would
    // stand there dead with their shortcuts. They step the sheet's ring instead.
    QMenu *menu = createStandardContextMenu(event->pos());
    for (QAction *action : menu->actions()) {
        const bool undo = action->objectName() == QLatin1String("edit-undo");
        if (!undo && action->objectName() != QLatin1String("edit-redo"))
            continue;
        const KeyCommand command = undo ? KeyCommand::Undo : KeyCommand::Redo;
        disconnect(action, &QAction::triggered, nullptr, nullptr);
        action->setEnabled(canRun && canRun(command));
        connect(action, &QAction::triggered, this, [this, command] { emit commandRequested(command, 0); });
    }
    // The tape as a document.
    if (!isReadOnly()) {
        menu->addSeparator();
        const std::pair<TextId, KeyCommand> items[] = {
            {TextId::OpenTape, KeyCommand::OpenTape}, {TextId::SaveTape, KeyCommand::SaveTape},
            {TextId::SaveTapeAs, KeyCommand::SaveTapeAs}, {TextId::PrintTape, KeyCommand::PrintTape},
            {TextId::ExportPdf, KeyCommand::ExportPdf}, {TextId::ExportCsv, KeyCommand::ExportCsv}};
        const QKeySequence keys[] = {QKeySequence(Qt::CTRL | Qt::Key_O), QKeySequence(Qt::CTRL | Qt::Key_S),
                                     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), QKeySequence(Qt::CTRL | Qt::Key_P),
                                     QKeySequence(), QKeySequence()};
        int n = 0;
        for (const auto &[text, command] : items) {
            if (command == KeyCommand::PrintTape)
                menu->addSeparator();
            QAction *action = menu->addAction(::Text(text));
            action->setShortcut(keys[n++]);
            action->setShortcutContext(Qt::WidgetShortcut); // shown only: the field's keys do the work
            action->setObjectName(QStringLiteral("tape-%1").arg(n));
            connect(action, &QAction::triggered, this, [this, command] { emit commandRequested(command, 0); });
        }
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

namespace {

// The first local file among the dragged items, if any.
QString droppedFile(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return QString();
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile())
            return url.toLocalFile();
    }
    return QString();
}

} // namespace

void CalcField::dragEnterEvent(QDragEnterEvent *event)
{
    if (!isReadOnly() && !droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        QPlainTextEdit::dragEnterEvent(event);
}

void CalcField::dragMoveEvent(QDragMoveEvent *event)
{
    if (!isReadOnly() && !droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        QPlainTextEdit::dragMoveEvent(event);
}

void CalcField::dropEvent(QDropEvent *event)
{
    const QString path = isReadOnly() ? QString() : droppedFile(event->mimeData());
    if (path.isEmpty()) {
        QPlainTextEdit::dropEvent(event);
        return;
    }
    event->acceptProposedAction();
    emit fileDropped(path);
}

void CalcField::keyReleaseEvent(QKeyEvent *event)
{
    // Held keys repeat their press; only the real release ends it.
    if (!event->isAutoRepeat())
        emit keyReleased();
    QPlainTextEdit::keyReleaseEvent(event);
}

void CalcField::keyPressEvent(QKeyEvent *event)
{
    // What the key does to the field: passes on to the editor, is swallowed, or passes on without
    // its modifiers (Ctrl+Delete of a selection deletes it as Delete would).
    enum class Outcome { PassOn, Consumed, PassBare };

    emit keyStarted();
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    KeyCommand command = KeyMap::command(key, modifiers);
    // A minimised or maximised window takes no key but Alt+F4.
    if (window()->isMinimized() || window()->isMaximized())
        command = key == Qt::Key_F4 && (modifiers & Qt::AltModifier) ? KeyCommand::PassOn : KeyCommand::Reject;

    const QPointer<CalcField> self(this);
    const bool editable = !isReadOnly();
    bool checkCharacter = true; // edit keys (Ctrl+V, Ctrl+X) type nothing to check
    Outcome outcome = Outcome::Consumed;
    switch (command) {
    case KeyCommand::PassOn:
        outcome = Outcome::PassOn;
        break;
    case KeyCommand::Reject:
        break;
    case KeyCommand::CaretLeft:
    case KeyCommand::CaretRight:
        // A selection collapses to the edge on the arrow's side.
        if (SelLength() > 0)
            setSelStart(command == KeyCommand::CaretRight ? SelStart() + SelLength() : SelStart());
        else
            outcome = Outcome::PassOn;
        break;
    case KeyCommand::JumpLeft:
    case KeyCommand::JumpRight:
        setSelStart(RunJumpTarget(Text(), SelStart(), SelLength(), command == KeyCommand::JumpRight));
        break;
    case KeyCommand::Enter:
        if (!editable) {
            // A read-only sheet has no rows to add: Enter is its owner's.
            if (SelLength() == 0)
                outcome = Outcome::PassOn;
            else
                emit commandRequested(command, key);
        } else {
            // A new row only continues an expression: the caret must follow an operator.
            const qsizetype c = SelStart();
            if (c > 0 && IsContinuationOperator(Text().at(c - 1)))
                outcome = Outcome::PassOn;
        }
        break;
    case KeyCommand::DeleteChar:
        emit deletionStarted(); // a zero the user deletes is not put back at once
        outcome = Outcome::PassOn;
        break;
    case KeyCommand::DeleteRun:
        if (!editable)
            break;
        if (SelLength() > 0) {
            outcome = Outcome::PassBare;
            break;
        }
        // The run next to the caret goes, as Ctrl+Shift with the arrow would select it.
        if (const TextSpan run = RunToDelete(Text(), SelStart(), key == Qt::Key_Delete); run.length > 0) {
            setUpdatesEnabled(false);
            setSelStart(run.start);
            setSelLength(run.length);
            setSelText(QString());
            setUpdatesEnabled(true);
        }
        break;
    case KeyCommand::SelectAll:
        SetCaret(CaretMode::All);
        break;
    case KeyCommand::SelectAllToHistory:
        SetCaret(CaretMode::All);
        emit commandRequested(command, key);
        break;
    case KeyCommand::ShiftInsert:
        if (editable && clipboardHasText())
            outcome = Outcome::PassOn;
        break;
    case KeyCommand::Paste:
        if (clipboardHasText()) {
            outcome = Outcome::PassOn;
            checkCharacter = false;
        }
        break;
    case KeyCommand::Copy:
        if (SelLength() > 0)
            QGuiApplication::clipboard()->setText(SelText().replace(QLatin1String("\r\n"), QLatin1String("\n")));
        break;
    case KeyCommand::EditKey:
        outcome = Outcome::PassOn;
        checkCharacter = false;
        break;
    default:
        emit commandRequested(command, key);
        break;
    }
    if (!self)
        return; // the command closed the window

    emit keyCommandDone();
    if (outcome == Outcome::Consumed)
        return;
    // Keys without a character (arrows, Delete, function keys) have nothing to check.
    const QString text = event->text();
    if (checkCharacter && !text.isEmpty() && key != Qt::Key_Delete && !acceptsCharacter(text.at(0)))
        return;
    if (outcome == Outcome::PassBare) {
        QKeyEvent bare(QEvent::KeyPress, key, Qt::NoModifier, text);
        QPlainTextEdit::keyPressEvent(&bare);
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}
