#include "findbar.h"

#include "accessibility.h"
#include "sheetview.h"
#include "textid.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>

#include <algorithm>

namespace {

QToolButton *makeButton(QWidget *parent, const QString &name)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setAutoRaise(true);
    return button;
}

void nameButton(QToolButton *button, TextId text)
{
    button->setToolTip(Text(text));
    button->setAccessibleName(Text(text));
}

} // namespace

FindBar::FindBar(SheetView *sheet, QWidget *parent)
    : QFrame(parent)
    , m_sheet(sheet)
{
    setObjectName(QStringLiteral("findBar"));
    // The desktop's font, as the panels have: the window takes the sheet's font, which may be large.
    QFont font = QApplication::font(this);
    font.setResolveMask(QFont::AllPropertiesResolved);
    setFont(font);

    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("findText"));
    m_edit->installEventFilter(this);
    m_previous = makeButton(this, QStringLiteral("findPrevious"));
    m_previous->setArrowType(Qt::UpArrow);
    m_next = makeButton(this, QStringLiteral("findNext"));
    m_next->setArrowType(Qt::DownArrow);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("findStatus"));
    m_close = makeButton(this, QStringLiteral("findClose"));
    m_close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    row->addWidget(m_edit, 1);
    row->addWidget(m_previous);
    row->addWidget(m_next);
    row->addWidget(m_status);
    row->addWidget(m_close);

    // The label's words are said after a pause in typing, and at once after a step.
    m_announcer = new ResultAnnouncer(this, [this] { return m_status->text(); });
    m_announcer->setObjectName(QStringLiteral("findAnnouncer"));

    connect(m_edit, &QLineEdit::textChanged, this, &FindBar::search);
    connect(m_previous, &QToolButton::clicked, this, &FindBar::findPrevious);
    connect(m_next, &QToolButton::clicked, this, &FindBar::findNext);
    connect(m_close, &QToolButton::clicked, this, &FindBar::close);
    connect(m_sheet, &SheetView::textChanged, this, &FindBar::forget);
    // The document the sheet shows now is the one it keeps: the window gives it its session's
    // document before the bar is made.
    connect(m_sheet->document(), &SheetDocument::notesChanged, this, &FindBar::forget);
    hide();
}

void FindBar::nameControls()
{
    setAccessibleName(Text(TextId::FindBarName));
    m_edit->setAccessibleName(Text(TextId::FindText));
    m_edit->setPlaceholderText(Text(TextId::FindText));
    nameButton(m_previous, TextId::FindPrevious);
    nameButton(m_next, TextId::FindNext);
    nameButton(m_close, TextId::FindClose);
}

void FindBar::open()
{
    if (isHidden()) {
        nameControls(); // in the interface language of the moment, as the sheet's name is
        m_origin = sheetPlace();
        forget();
        QFrame::show();
        emit shownChanged(true);
    }
    m_edit->selectAll();
    m_edit->setFocus(Qt::ShortcutFocusReason);
}

void FindBar::close()
{
    if (isHidden())
        return;
    hide();
    emit shownChanged(false);
    m_sheet->setFocus(Qt::OtherFocusReason);
}

bool FindBar::hasNeedle() const
{
    return !m_edit->text().isEmpty();
}

QString FindBar::status() const
{
    return m_status->text();
}

void FindBar::findNext()
{
    step(FindDirection::Forward);
}

void FindBar::findPrevious()
{
    step(FindDirection::Backward);
}

SheetPlace FindBar::sheetPlace() const
{
    const SheetView::NoteHit marked = m_sheet->noteHit();
    if (marked.row >= 0)
        return SheetPlace::inNoteOf(marked.row, marked.start);
    return SheetPlace::atPosition(m_sheet->selectionStart());
}

void FindBar::returnToOrigin()
{
    // A place in a note is the caret at its row's end, where the note hit put it; the row may
    // have gone with an edit since.
    const qsizetype at = m_origin.inNote ? m_sheet->rowEnd(std::min(m_origin.row, m_sheet->rowCount() - 1))
                                         : m_origin.offset;
    m_sheet->setSelection(at, at);
}

void FindBar::forget()
{
    m_lastNeedle.clear();
    m_lastHit = {};
    m_total = -1;
}

void FindBar::search()
{
    const QString needle = SheetDocument::withRowBreaks(m_edit->text());
    const SheetDocument &document = *m_sheet->document();
    SheetHit hit;
    if (needle.isEmpty()) {
        returnToOrigin();
    } else if (!m_lastNeedle.isEmpty() && needle.startsWith(m_lastNeedle, Qt::CaseInsensitive) && !m_lastHit.wrapped) {
        // Every hit of the longer needle is a hit of the shorter one, at the same place.
        if (m_lastHit.found())
            hit = FindInSheet(document.rows(), document.notes(), needle, m_lastHit.place(), FindDirection::Forward);
        if (m_total != 0)
            m_total = -1; // none of the shorter needle is none of the longer one
    } else {
        hit = FindInSheet(document.rows(), document.notes(), needle, m_origin, FindDirection::Forward);
        m_total = -1;
    }
    m_lastNeedle = needle;
    m_lastHit = hit;
    showHit(hit, FindDirection::Forward, false);
}

void FindBar::step(FindDirection direction)
{
    const QString needle = SheetDocument::withRowBreaks(m_edit->text());
    if (needle.isEmpty())
        return;
    // From the hit selected or marked in a note (or the caret): the next hit starts after its
    // start, the previous one before it.
    SheetPlace from = sheetPlace();
    if (direction == FindDirection::Forward && (from.inNote || m_sheet->hasSelection()))
        ++from.offset;
    const SheetDocument &document = *m_sheet->document();
    const SheetHit hit = FindInSheet(document.rows(), document.notes(), needle, from, direction);
    if (hit.found())
        m_origin = hit.place();
    m_lastNeedle = needle;
    m_lastHit = hit;
    showHit(hit, direction, true);
}

void FindBar::showHit(const SheetHit &hit, FindDirection direction, bool announceAtOnce)
{
    const QString needle = m_lastNeedle;
    QString words;
    if (!needle.isEmpty() && !hit.found()) {
        m_total = 0;
        words = Text(TextId::FindNotFound);
        // What a shorter needle found is not what the user looks for: the caret goes back.
        returnToOrigin();
    } else if (hit.found()) {
        const SheetRows &rows = m_sheet->document()->rows();
        const RowNotes &notes = m_sheet->document()->notes();
        // The hits before this one number it; the rest are counted once for a needle, so that
        // a search costs one scan of the sheet for the count, a step only the part before the hit.
        const qsizetype before = CountInSheet(rows, notes, needle, SheetPlace::atPosition(0), hit.place());
        if (m_total < 0)
            m_total = before + CountInSheet(rows, notes, needle, hit.place(), SheetPlace::end(rows));
        const QString nth = QString::number(before + 1);
        const QString of = QString::number(m_total);
        const TextId id = !hit.wrapped ? TextId::FindCount
            : direction == FindDirection::Forward ? TextId::FindFromStart
                                                  : TextId::FindFromEnd;
        words = Text(id, {nth, of});
        if (hit.inNote)
            m_sheet->showNoteHit(hit.row, hit.start, hit.length);
        else
            m_sheet->setSelection(hit.start, hit.start + hit.length);
    }
    m_status->setText(words);
    if (announceAtOnce)
        m_announcer->announce(words);
    else
        m_announcer->resultChanged();
}

bool FindBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_edit || event->type() != QEvent::KeyPress)
        return QFrame::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const bool shift = modifiers == Qt::ShiftModifier;
    switch (key->key()) {
    case Qt::Key_Escape:
        if (modifiers != Qt::NoModifier)
            return false;
        close();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F3:
        if (modifiers != Qt::NoModifier && !shift)
            return false;
        step(shift ? FindDirection::Backward : FindDirection::Forward);
        return true;
    default:
        return false;
    }
}
