#include "tapemodel.h"

#include "evaluator.h"
#include "foldmachine.h"
#include "numberformat.h"
#include "sheettext.h"

#include <algorithm>
#include <cmath>

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

TapeModel::TapeModel(const TapeModel &other)
{
    *this = other;
}

TapeModel &TapeModel::operator=(const TapeModel &other)
{
    if (this == &other)
        return *this;
    m_locale = other.m_locale;
    m_own = other.m_own;
    // A copy of a model that follows rows follows the same rows.
    m_rows = other.m_rows == &other.m_own ? &m_own : other.m_rows;
    m_checkpoints = other.m_checkpoints;
    m_validCheckpoints = other.m_validCheckpoints;
    m_folded = other.m_folded;
    m_value = other.m_value;
    m_failure = other.m_failure;
    m_failureKnown = other.m_failureKnown;
    return *this;
}

QStringView TapeModel::row(qsizetype index) const
{
    return m_rows->row(index);
}

QList<QString> TapeModel::rows() const
{
    QList<QString> all;
    all.reserve(rowCount());
    for (qsizetype i = 0; i < rowCount(); ++i)
        all.append(row(i).toString());
    return all;
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
    Q_ASSERT(m_rows == &m_own);
    m_own.setText(sheet);
    invalidateFrom(0);
}

void TapeModel::follow(const SheetRows *rows)
{
    m_rows = rows ? rows : &m_own;
    if (rows)
        m_own = SheetRows();
    invalidateFrom(0);
}

void TapeModel::rowsChanged(const SheetRows::Change &change)
{
    invalidateFrom(change.firstRow);
}

void TapeModel::replaceRows(qsizetype first, qsizetype removed, const QList<QString> &rows)
{
    Q_ASSERT(m_rows == &m_own);
    const qsizetype count = rowCount();
    Q_ASSERT(first >= 0 && first <= count);
    Q_ASSERT(removed >= 0 && removed <= count - first);
    QString inserted = rows.join(kCrLf);
    qsizetype from = 0;
    qsizetype to = 0;
    if (removed > 0) {
        from = m_own.rowStart(first);
        to = m_own.rowEnd(first + removed - 1);
        if (rows.isEmpty()) {
            // The rows go with one of the row breaks around them.
            if (first + removed < count)
                to = m_own.rowStart(first + removed);
            else if (first > 0)
                from = m_own.rowEnd(first - 1);
        }
    } else if (rows.isEmpty()) {
        return;
    } else if (first < count) {
        from = to = m_own.rowStart(first);
        inserted += kCrLf;
    } else {
        from = to = m_own.size();
        inserted.prepend(kCrLf);
    }
    invalidateFrom(m_own.replace(from, to, inserted).firstRow);
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
    const QStringView text(m_rows->text());
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
        if (!state.machine.stopped()) {
            // A running sum's rows up to the next kept state in one go; each ends in its operator.
            const qsizetype next = std::min(rows, (row / kRowsPerCheckpoint + 1) * kRowsPerCheckpoint);
            const qsizetype fed = state.machine.feedSumRows(*m_rows, row, next);
            if (fed > row) {
                state.last = text.at(m_rows->rowEnd(fed - 1) - 1);
                row = fed - 1;
                continue;
            }
        }
        const qsizetype start = m_rows->rowStart(row);
        const qsizetype end = m_rows->rowEnd(row);
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
    const QString expression = SheetExpression(m_rows->text());
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
