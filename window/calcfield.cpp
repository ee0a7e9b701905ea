#include "calcfield.h"

#include "texthelpers.h"

#include "filenames.h"
#include "localevalues.h"
#include "sheettext.h"
#include "tapereading.h"
#include "tapetexts.h"
#include "textid.h"
#include "textrules.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>

#include <cstring>
#include <malloc.h>

CalcField::CalcField(QWidget *parent)
    : SheetView(parent)
    , m_heapTrim(new QTimer(this))
{
    // The heap keeps what a long tape's copies freed (see above) while the user types; once the
    // keys pause, it goes back to the system.
    m_heapTrim->setSingleShot(true);
    m_heapTrim->setInterval(kHeapTrimDelayMs);
    connect(m_heapTrim, &QTimer::timeout, this, [] { malloc_trim(0); });
    connect(this, &SheetView::textChanged, this, [this] {
        if (sheetText().size() >= kLongText)
            m_heapTrim->start();
    });
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

} // namespace

void CalcField::setText(const QString &text)
{
    setSheetText(text);
}

void CalcField::setTextKeepingSelection(const QString &text)
{
    const qsizetype start = SelStart();
    const qsizetype length = SelLength();
    setText(text);
    setSelStart(start);
    setSelLength(length);
}

qsizetype CalcField::SelStart() const
{
    return selectionStart();
}

void CalcField::setSelStart(qsizetype start)
{
    setSelection(start, start);
}

qsizetype CalcField::SelLength() const
{
    return selectionEnd() - selectionStart();
}

void CalcField::setSelLength(qsizetype length)
{
    const qsizetype start = selectionStart();
    setSelection(start, start + std::max<qsizetype>(0, length));
}

QString CalcField::SelText() const
{
    return selectedText();
}

void CalcField::setSelText(const QString &text)
{
    insertText(text);
}

void CalcField::pasteDefault(const QMimeData *source)
{
    // Pasted text is read as written elsewhere (2×3, 1,607.50) before the cycle cleans it; a
    // typed key never comes this way.
    if (!source || !source->hasText())
        return;
    // A paste that cannot be read as written (two numbers with only a space between) would
    // become other numbers: it is not pasted at all, and the selection stays.
    TapeReading reading = ReadTapeText(source->text(), ReadLocaleValues());
    if (reading.ok())
        insertText(reading.sheet, reading.notes);
    else
        emit pasteNotRead(ReadingRefusalText(reading));
}

void CalcField::insertFromMimeData(const QMimeData *source)
{
    if (source && source->hasText() && source->text().size() > kPasteLimit) {
        emit pasteRefused();
        return;
    }
    // The cycle that cleans and wraps the paste runs within the insertion, so the raw text is
    // never drawn.
    pasteDefault(source);
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
    SheetView::mouseReleaseEvent(event);
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
    QMenu *menu = createStandardContextMenu();
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
        QAction *note = menu->addAction(::Text(TextId::WriteNote));
        note->setObjectName(QStringLiteral("note-edit"));
        connect(note, &QAction::triggered, this, [this] { editNote(rowOf(position())); });
        menu->addSeparator();
        QAction *newTape = menu->addAction(::Text(TextId::NewTape));
        newTape->setObjectName(QStringLiteral("tape-new"));
        connect(newTape, &QAction::triggered, this, [this] { emit commandRequested(KeyCommand::NewTape, 0); });
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
            if (command == KeyCommand::OpenTape)
                addRecentTapes(menu);
        }
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void CalcField::addRecentTapes(QMenu *menu)
{
    QMenu *recent = menu->addMenu(::Text(TextId::RecentTapes));
    recent->setObjectName(QStringLiteral("tape-recent"));
    const QStringList paths = recentTapes ? recentTapes() : QStringList();
    recent->setEnabled(!paths.isEmpty());
    int n = 0;
    for (const QString &path : paths) {
        // Numbered for the keyboard; an "&" of the name is no accelerator.
        const QString name = PrintableFileName(QFileInfo(path).fileName()).replace(u'&', QStringLiteral("&&"));
        QAction *action = recent->addAction(QStringLiteral("&%1 %2").arg(++n).arg(name));
        action->setToolTip(PrintableFileName(path));
        connect(action, &QAction::triggered, this, [this, path] { emit recentTapeChosen(path); });
    }
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
        SheetView::dragEnterEvent(event);
}

void CalcField::dragMoveEvent(QDragMoveEvent *event)
{
    if (!isReadOnly() && !droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        SheetView::dragMoveEvent(event);
}

void CalcField::dropEvent(QDropEvent *event)
{
    const QString path = isReadOnly() ? QString() : droppedFile(event->mimeData());
    if (path.isEmpty()) {
        SheetView::dropEvent(event);
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
    SheetView::keyReleaseEvent(event);
}

void CalcField::inputMethodEvent(QInputMethodEvent *event)
{
    // A word an input method composed has no place among the figures either: it starts the
    // row's note, and what the input method composes next goes there.
    const QString commit = event->commitString();
    if (!isReadOnly() && !commit.isEmpty() && commit.at(0).isLetter() && event->replacementLength() == 0) {
        QInputMethodEvent done;
        SheetView::inputMethodEvent(&done); // the composing shown at the caret ends
        editNote(rowOf(position()), commit);
        event->accept();
        return;
    }
    SheetView::inputMethodEvent(event);
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
            QGuiApplication::clipboard()->setText(clipboardText());
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
    if (checkCharacter && !text.isEmpty() && key != Qt::Key_Delete && !acceptsCharacter(text.at(0))) {
        // A letter has no place among the figures: it starts the row's note.
        if (editable && command == KeyCommand::PassOn && text.at(0).isLetter())
            editNote(rowOf(position()), text);
        return;
    }
    if (outcome == Outcome::PassBare) {
        QKeyEvent bare(QEvent::KeyPress, key, Qt::NoModifier, text);
        SheetView::keyPressEvent(&bare);
        return;
    }
    SheetView::keyPressEvent(event);
}
