// What assistive tools see of a sheet view: an editable, multi-line text whose rows end in one
// line feed each (as the toolkit's own text editors present theirs), read a row, a word or a
// character at a time, so that a screen reader never asks for a whole long tape to read a line.

#include "sheetview.h"
#include "textid.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace {

class SheetViewAccessible : public QAccessibleWidget,
                            public QAccessibleTextInterface,
                            public QAccessibleEditableTextInterface
{
public:
    explicit SheetViewAccessible(SheetView *view)
        : QAccessibleWidget(view, QAccessible::EditableText)
    {
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        if (type == QAccessible::EditableTextInterface)
            return view()->isReadOnly() ? nullptr : static_cast<QAccessibleEditableTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.multiLine = true;
        s.selectableText = true;
        s.editable = !view()->isReadOnly();
        s.readOnly = view()->isReadOnly();
        return s;
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return toOffsets(view()->sheetText());
        return QAccessibleWidget::text(t);
    }

    // ---- offsets: a row break is one character here, two in the sheet ----

    int offsetOf(qsizetype position) const
    {
        return static_cast<int>(position - view()->rowOf(position));
    }

    qsizetype positionOf(int offset) const
    {
        const SheetView *v = view();
        // The last row whose first offset (its start less one for each break above it) is at or
        // before offset.
        qsizetype lo = 0;
        qsizetype hi = v->rowCount() - 1;
        while (lo < hi) {
            const qsizetype mid = lo + (hi - lo + 1) / 2;
            if (v->rowStart(mid) - mid <= offset)
                lo = mid;
            else
                hi = mid - 1;
        }
        return std::min(v->rowStart(lo) + std::max<qsizetype>(0, offset - (v->rowStart(lo) - lo)), v->rowEnd(lo));
    }

    static QString toOffsets(QString sheet)
    {
        sheet.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        return sheet;
    }

    // ---- QAccessibleTextInterface ----

    void selection(int index, int *start, int *end) const override
    {
        *start = *end = 0;
        if (index == 0 && view()->hasSelection()) {
            *start = offsetOf(view()->selectionStart());
            *end = offsetOf(view()->selectionEnd());
        }
    }

    int selectionCount() const override { return view()->hasSelection() ? 1 : 0; }

    void addSelection(int start, int end) override { setSelection(0, start, end); }

    void removeSelection(int index) override
    {
        if (index == 0)
            view()->setSelection(view()->position(), view()->position());
    }

    void setSelection(int index, int start, int end) override
    {
        if (index == 0)
            view()->setSelection(positionOf(start), positionOf(end));
    }

    int cursorPosition() const override { return offsetOf(view()->position()); }

    void setCursorPosition(int offset) override
    {
        const qsizetype p = positionOf(offset);
        view()->setSelection(p, p);
    }

    int characterCount() const override
    {
        return static_cast<int>(view()->sheetText().size() - (view()->rowCount() - 1));
    }

    QString text(int start, int end) const override
    {
        const qsizetype from = positionOf(start);
        const qsizetype to = positionOf(std::max(start, end));
        return toOffsets(view()->sheetText().mid(from, to - from));
    }

    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int *start, int *end) const override
    {
        *start = *end = -1;
        const int count = characterCount();
        if (offset < 0 || offset > count)
            return QString();
        if (boundary == QAccessible::NoBoundary) {
            *start = 0;
            *end = count;
            return text(0, count);
        }
        if (offset == count && boundary == QAccessible::CharBoundary)
            return QString();
        const SheetView *v = view();
        const qsizetype position = positionOf(offset);
        const qsizetype row = v->rowOf(position);
        const int rowFirst = offsetOf(v->rowStart(row));
        const int rowLast = offsetOf(v->rowEnd(row));
        const bool lastRow = row + 1 == v->rowCount();
        if (boundary == QAccessible::LineBoundary || boundary == QAccessible::ParagraphBoundary
            || boundary == QAccessible::SentenceBoundary) {
            // The row with its line feed, and its note read after its figures: the note stands
            // beside the row and is no part of the text, so the offsets stay the figures' own.
            *start = rowFirst;
            *end = lastRow ? rowLast : rowLast + 1;
            const QString note = v->document()->note(row);
            if (note.isEmpty())
                return text(*start, *end);
            return text(*start, rowLast) + QStringLiteral(", ") + Text(TextId::SpokenNote, {note})
                + (lastRow ? QString() : QStringLiteral("\n"));
        }
        if (boundary == QAccessible::CharBoundary) {
            if (offset == rowLast && !lastRow) {
                *start = offset;
                *end = offset + 1;
                return QStringLiteral("\n");
            }
            const qsizetype next = position + (v->sheetText().at(position).isHighSurrogate() ? 2 : 1);
            *start = offset;
            *end = offsetOf(next);
            return v->sheetText().mid(position, next - position);
        }
        // A word: found within the row.
        const QString rowText = v->rowText(row);
        const int at = offset - rowFirst;
        QTextBoundaryFinder finder(QTextBoundaryFinder::Word, rowText);
        finder.setPosition(at);
        int left = finder.isAtBoundary() ? at : finder.toPreviousBoundary();
        finder.setPosition(at);
        int right = finder.toNextBoundary();
        if (left < 0)
            left = 0;
        if (right < 0)
            right = static_cast<int>(rowText.size());
        *start = rowFirst + left;
        *end = rowFirst + right;
        return rowText.mid(left, right - left);
    }

    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int *start, int *end) const override
    {
        *start = *end = -1;
        if (boundary == QAccessible::NoBoundary || offset <= 0)
            return boundary == QAccessible::NoBoundary ? textAtOffset(offset, boundary, start, end) : QString();
        int s = 0;
        int e = 0;
        textAtOffset(offset, boundary, &s, &e);
        if (s <= 0)
            return QString();
        return textAtOffset(s - 1, boundary, start, end);
    }

    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int *start, int *end) const override
    {
        *start = *end = -1;
        if (boundary == QAccessible::NoBoundary)
            return textAtOffset(offset, boundary, start, end);
        int s = 0;
        int e = 0;
        textAtOffset(offset, boundary, &s, &e);
        if (e < 0 || e >= characterCount())
            return QString();
        return textAtOffset(e, boundary, start, end);
    }

    QRect characterRect(int offset) const override
    {
        const QRect r = view()->characterRect(positionOf(offset));
        if (r.isNull())
            return QRect();
        return QRect(view()->viewport()->mapToGlobal(r.topLeft()), r.size());
    }

    int offsetAtPoint(const QPoint &point) const override
    {
        const QPoint local = view()->viewport()->mapFromGlobal(point);
        if (!view()->viewport()->rect().contains(local))
            return -1;
        return offsetOf(view()->positionAt(local));
    }

    void scrollToSubstring(int start, int) override
    {
        const qsizetype p = positionOf(start);
        view()->setSelection(p, p);
    }

    QString attributes(int offset, int *start, int *end) const override
    {
        *start = offset;
        *end = offset + 1;
        return QString();
    }

    // ---- QAccessibleEditableTextInterface ----

    void deleteText(int start, int end) override { replaceText(start, end, QString()); }

    void insertText(int offset, const QString &text) override { replaceText(offset, offset, text); }

    void replaceText(int start, int end, const QString &text) override
    {
        if (view()->isReadOnly())
            return;
        view()->setSelection(positionOf(start), positionOf(end));
        view()->insertText(text);
    }

private:
    SheetView *view() const { return static_cast<SheetView *>(widget()); }
};

QAccessibleInterface *sheetViewFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("SheetView") && object && object->isWidgetType())
        return new SheetViewAccessible(static_cast<SheetView *>(object));
    return nullptr;
}

} // namespace

void InstallSheetViewAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(sheetViewFactory);
        return true;
    }();
    Q_UNUSED(installed);
}
