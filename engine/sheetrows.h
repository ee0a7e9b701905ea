#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

// A sheet's text and where each of its rows starts: the rows are joined by CR LF, a text ending
// in CR LF has a last, empty row, and there is always at least one row (an empty text is one
// empty row). A CR or LF that is not part of a pair is an ordinary character of its row.
//
// Every edit goes through replace(), which moves the starts of the rows after it and finds the
// starts inside it again, and answers with what changed, so that whoever follows the text reads
// only the rows an edit touched: the view of the sheet and the tape model share one instance.
class SheetRows
{
public:
    // One edit: characters position .. position + removed - 1 of the old text became added
    // characters. Rows firstRow .. firstRow + rowsRemoved of the old text became rows
    // firstRow .. firstRow + rowsAdded of the new one; the rows after them kept their text.
    struct Change
    {
        qsizetype position = 0;
        qsizetype removed = 0;
        qsizetype added = 0;
        qsizetype firstRow = 0;
        qsizetype rowsRemoved = 0;
        qsizetype rowsAdded = 0;
    };

    SheetRows() = default;
    explicit SheetRows(const QString &text) { setText(text); }

    const QString &text() const { return m_text; }
    qsizetype size() const { return m_text.size(); }
    qsizetype rowCount() const { return m_wide ? qsizetype(m_far.size()) : qsizetype(m_near.size()); }
    qsizetype rowStart(qsizetype row) const
    {
        return m_wide ? m_far[size_t(row)] : qsizetype(m_near[size_t(row)]);
    }
    // Where the row's text ends: before the CR LF that ends it, or at the end of the text.
    qsizetype rowEnd(qsizetype row) const { return row + 1 < rowCount() ? rowStart(row + 1) - 2 : m_text.size(); }
    // The row whose text or following CR LF holds the position (the text's end: the last row).
    qsizetype rowOf(qsizetype position) const;
    // A view into text(): valid until the next edit.
    QStringView row(qsizetype index) const
    {
        const qsizetype start = rowStart(index);
        return QStringView(m_text).mid(start, rowEnd(index) - start);
    }

    // The whole text replaced.
    Change setText(const QString &text);
    // Characters from .. to - 1 replaced by inserted (0 <= from <= to <= size()). An edit may cut
    // into a CR LF or make a new one at either of its ends: the rows round it are found again.
    Change replace(qsizetype from, qsizetype to, QStringView inserted);

private:
    // Rows first + 1 .. last replaced by the rows starting at inner (positions in the new text),
    // and the starts of the rows after last moved by shift.
    template <typename Offsets>
    static void splice(Offsets &starts, qsizetype first, qsizetype last, const std::vector<qsizetype> &inner,
                       qsizetype shift);
    void widen();

    QString m_text;
    // 32-bit offsets while the text is shorter than 4 Gi characters (a million-row sheet costs
    // 4 MB), 64-bit ones beyond.
    std::vector<std::uint32_t> m_near{0};
    std::vector<qsizetype> m_far;
    bool m_wide = false;
};
