#include "tapemodel.h"

#include "evaluator.h"
#include "foldmachine.h"
#include "numberformat.h"
#include "sheettext.h"
#include "texthelpers.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Room for more entries in a list as long as a tape's rows: a little headroom rather than the
// doubling the standard growth gives, which at a million rows would hold megabytes unused.
template <typename Vector>
void makeRoom(Vector &list, size_t more)
{
    if (list.capacity() < list.size() + more)
        list.reserve(list.size() + more + list.size() / 32 + 64);
}

} // namespace

struct TapeModel::Checkpoint
{
    FoldMachine machine;
    QChar last;               // the last character of the rows above that are not empty
    bool independent = false; // a row break above is no continuation
};

TapeModel::TapeModel(const LocaleValues &locale)
    : m_locale(locale)
{
}

TapeModel::~TapeModel() = default;
TapeModel::TapeModel(const TapeModel &other) = default;
TapeModel &TapeModel::operator=(const TapeModel &other) = default;

void TapeModel::RowStarts::reset(QStringView text)
{
    m_near.assign(1, 0);
    m_far.clear();
    m_wide = false;
    if (text.size() > qsizetype(UINT32_MAX))
        widen();
    for (qsizetype at = text.indexOf(u'\n', 1); at > 0; at = text.indexOf(u'\n', at + 1)) {
        if (text.at(at - 1) != u'\r')
            continue;
        if (m_wide)
            m_far.push_back(at + 1);
        else
            m_near.push_back(std::uint32_t(at + 1));
    }
    m_near.shrink_to_fit();
}

void TapeModel::RowStarts::widen()
{
    if (m_wide)
        return;
    m_far.assign(m_near.begin(), m_near.end());
    m_near = std::vector<std::uint32_t>();
    m_wide = true;
}

template <typename Offsets>
void TapeModel::RowStarts::spliceInto(Offsets &starts, qsizetype first, qsizetype last,
                                      const std::vector<qsizetype> &inner, qsizetype shift)
{
    using Offset = typename Offsets::value_type;
    const auto begin = starts.begin() + first + 1;
    const auto end = starts.begin() + last + 1;
    // The starts after the edit move first, while they are still where they were.
    for (auto it = end; it != starts.end(); ++it)
        *it = Offset(qsizetype(*it) + shift);
    const qsizetype old = last - first;
    const qsizetype now = qsizetype(inner.size());
    if (now <= old) {
        std::transform(inner.begin(), inner.end(), begin, [](qsizetype at) { return Offset(at); });
        starts.erase(begin + now, end);
    } else {
        std::transform(inner.begin(), inner.begin() + old, begin, [](qsizetype at) { return Offset(at); });
        std::vector<Offset> added(inner.begin() + old, inner.end());
        const qsizetype at = end - starts.begin();
        makeRoom(starts, added.size());
        starts.insert(starts.begin() + at, added.begin(), added.end());
    }
}

void TapeModel::RowStarts::splice(qsizetype first, qsizetype last, const std::vector<qsizetype> &inner,
                                  qsizetype shift, qsizetype textSize)
{
    if (textSize > qsizetype(UINT32_MAX))
        widen();
    if (m_wide)
        spliceInto(m_far, first, last, inner, shift);
    else
        spliceInto(m_near, first, last, inner, shift);
}

QStringView TapeModel::row(qsizetype index) const
{
    const qsizetype start = m_starts.at(index);
    return QStringView(m_text).mid(start, rowEnd(index) - start);
}

QList<QString> TapeModel::rows() const
{
    QList<QString> all;
    all.reserve(rowCount());
    for (qsizetype i = 0; i < rowCount(); ++i)
        all.append(row(i).toString());
    return all;
}

// Where the row's text ends: before the CR LF that ends it, or at the end of the text.
qsizetype TapeModel::rowEnd(qsizetype index) const
{
    return rowEnd(index, m_text.size());
}

qsizetype TapeModel::rowEnd(qsizetype index, qsizetype textSize) const
{
    return index + 1 < m_starts.size() ? m_starts.at(index + 1) - 2 : textSize;
}

// The row whose text or following CR LF holds position (the text's end: the last row).
qsizetype TapeModel::rowAt(qsizetype position) const
{
    qsizetype low = 0; // the last start at or before position lies in [low, high)
    qsizetype high = m_starts.size();
    while (high - low > 1) {
        const qsizetype mid = low + (high - low) / 2;
        if (m_starts.at(mid) <= position)
            low = mid;
        else
            high = mid;
    }
    return low;
}

void TapeModel::textEdited(qsizetype from, qsizetype oldEnd, qsizetype shift)
{
    // The whole rows the changed characters lie in, including a CR LF they cut into. The text
    // before the first of them ends in a CR LF and the text after the last starts with one, both
    // unchanged, so the rows in between are all that can have been joined or split.
    // The starts are still those of the old text, whose size was oldSize.
    const qsizetype oldSize = m_text.size() - shift;
    const qsizetype first = rowAt(from);
    qsizetype last = rowAt(oldEnd);
    if (oldEnd > rowEnd(last, oldSize))
        ++last; // between the CR and the LF of a row break: the row after it joins
    const qsizetype windowStart = m_starts.at(first);
    const qsizetype windowEnd = rowEnd(last, oldSize) + shift;
    const QStringView text(m_text);
    std::vector<qsizetype> inner;
    for (qsizetype at = text.indexOf(u'\n', windowStart + 1); at > 0 && at < windowEnd;
         at = text.indexOf(u'\n', at + 1)) {
        if (text.at(at - 1) == u'\r')
            inner.push_back(at + 1);
    }
    m_starts.splice(first, last, inner, shift, m_text.size());
    invalidateFrom(first);
}

void TapeModel::setLocale(const LocaleValues &locale)
{
    // Set at every key: only what the values depend on sends the tape through the fold again.
    const bool values = locale.decimalSeparator != m_locale.decimalSeparator || locale.leadingZero != m_locale.leadingZero;
    m_locale = locale;
    if (values)
        invalidateFrom(0);
}

void TapeModel::setText(const QString &sheet)
{
    m_text = sheet;
    m_starts.reset(m_text);
    invalidateFrom(0);
}

void TapeModel::followText(const QString &sheet)
{
    if (m_text.isSharedWith(sheet) || m_text == sheet)
        return;
    // The rows of the old text the edit touched (EditedRows is symmetric in its two texts).
    const QStringView touched = EditedRows(sheet, m_text);
    const qsizetype from = touched.data() - m_text.constData();
    const qsizetype oldEnd = from + touched.size();
    const qsizetype shift = sheet.size() - m_text.size();
    m_text = sheet;
    textEdited(from, oldEnd, shift);
}

void TapeModel::replaceRows(qsizetype first, qsizetype removed, const QList<QString> &rows)
{
    const qsizetype count = rowCount();
    Q_ASSERT(first >= 0 && first <= count);
    Q_ASSERT(removed >= 0 && removed <= count - first);
    QString inserted = rows.join(kCrLf);
    qsizetype from = 0;
    qsizetype to = 0;
    if (removed > 0) {
        from = m_starts.at(first);
        to = rowEnd(first + removed - 1);
        if (rows.isEmpty()) {
            // The rows go with one of the row breaks around them.
            if (first + removed < count)
                to = m_starts.at(first + removed);
            else if (first > 0)
                from = rowEnd(first - 1);
        }
    } else if (rows.isEmpty()) {
        return;
    } else if (first < count) {
        from = to = m_starts.at(first);
        inserted += kCrLf;
    } else {
        from = to = m_text.size();
        inserted.prepend(kCrLf);
    }
    m_text.replace(from, to - from, inserted);
    textEdited(from, to, inserted.size() - (to - from));
}

void TapeModel::setRow(qsizetype index, const QString &row)
{
    replaceRows(index, 1, {row});
}

// The kept states from the one before row on stay; the result is read again when asked. The
// states after them keep their storage, which the next reading overwrites.
void TapeModel::invalidateFrom(qsizetype row)
{
    const size_t keep = row == 0 ? 0 : static_cast<size_t>(row / kRowsPerCheckpoint) + 1;
    m_validCheckpoints = std::min(m_validCheckpoints, keep);
    m_folded = false;
}

void TapeModel::ensureFolded() const
{
    if (m_folded)
        return;
    if (m_validCheckpoints == 0) {
        // The state before the first row, for the locale as it now is.
        Checkpoint start{FoldMachine(m_locale), QChar(), false};
        if (m_checkpoints.empty())
            m_checkpoints.push_back(std::move(start));
        else
            m_checkpoints.front() = std::move(start);
        m_validCheckpoints = 1;
    }

    // Read on from the last kept state; a row break that is no continuation settles the result,
    // and a stopped machine only looks for such a break.
    Checkpoint state = m_checkpoints[m_validCheckpoints - 1];
    const qsizetype rows = rowCount();
    const QStringView text(m_text);
    for (qsizetype row = static_cast<qsizetype>(m_validCheckpoints - 1) * kRowsPerCheckpoint;
         row < rows && !state.independent; ++row) {
        if (row % kRowsPerCheckpoint == 0 && row / kRowsPerCheckpoint >= static_cast<qsizetype>(m_validCheckpoints)) {
            if (m_validCheckpoints < m_checkpoints.size())
                m_checkpoints[m_validCheckpoints] = state;
            else {
                makeRoom(m_checkpoints, 1);
                m_checkpoints.push_back(state);
            }
            ++m_validCheckpoints;
        }
        if (row > 0 && !IsContinuationOperator(state.last)) {
            state.independent = true;
            break;
        }
        const qsizetype start = m_starts.at(row);
        const qsizetype end = row + 1 < rows ? m_starts.at(row + 1) - 2 : text.size();
        if (start == end)
            continue;
        if (!state.machine.stopped()) {
            state.machine.feed(text.mid(start, end - start));
            if (state.machine.stopped())
                state.machine.release();
        }
        state.last = text.at(end - 1);
    }
    // States of rows a shorter tape no longer has are given back once they are the larger part.
    if (m_checkpoints.size() > 2 * m_validCheckpoints + 64) {
        m_checkpoints.resize(m_validCheckpoints, m_checkpoints.front());
        m_checkpoints.shrink_to_fit();
    }

    m_folded = true;
    m_value.reset();
    m_failureKnown = true;
    if (state.independent) {
        m_failure = EvalFailure::IndependentRows;
        return;
    }
    double value = 0;
    if (state.machine.outcome(value, m_failure)) {
        if (m_failure == EvalFailure::None) {
            m_value = value;
            if (!(std::fabs(value) < kDisplayLimit))
                m_failure = EvalFailure::TooLarge;
        }
        return;
    }
    if (state.machine.dead()) {
        m_failureKnown = false; // no value; the reason only when asked
        return;
    }
    evaluateWhole();
}

void TapeModel::evaluateWhole() const
{
    const QString expression = SheetExpression(m_text);
    bool failed = false;
    m_failure = EvalFailure::None;
    const double value = EvaluateExpression(expression, m_locale, failed, m_failure);
    m_value.reset();
    if (!failed) {
        m_value = value;
        if (!(std::fabs(value) < kDisplayLimit))
            m_failure = EvalFailure::TooLarge;
    }
    m_failureKnown = true;
}

std::optional<double> TapeModel::value() const
{
    ensureFolded();
    return m_value;
}

EvalFailure TapeModel::failure() const
{
    ensureFolded();
    if (!m_failureKnown)
        evaluateWhole();
    return m_failure;
}

QString TapeModel::resultText(int decimals) const
{
    ensureFolded();
    // A failure's reason is not needed for the blank.
    if (!m_value || !(std::fabs(*m_value) < kDisplayLimit))
        return QString();
    return FormatResult(*m_value, decimals, m_locale);
}

QString TapeModel::resultText(int decimals, EvalFailure &failure) const
{
    failure = this->failure();
    if (failure != EvalFailure::None)
        return QString();
    return FormatResult(*m_value, decimals, m_locale);
}
