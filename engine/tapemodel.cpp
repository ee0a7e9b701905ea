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
    m_rows = sheet.split(kCrLf);
    m_text = sheet;
    m_textValid = true;
    invalidateFrom(0);
}

void TapeModel::followText(const QString &sheet)
{
    const QString old = text();
    if (old.isSharedWith(sheet) || old == sheet)
        return;
    const qsizetype oldSize = old.size();
    const qsizetype newSize = sheet.size();
    // The rows of the old text the edit touched (EditedRows is symmetric in its two texts).
    const QStringView touched = EditedRows(sheet, old);
    const QStringView oldView(old);
    const qsizetype rowStart = touched.data() - oldView.data();
    const qsizetype oldRowEnd = rowStart + touched.size();
    const qsizetype newRowEnd = oldRowEnd + (newSize - oldSize);
    // The first row's number, counted on the shorter side of the edit.
    const qsizetype first = rowStart < oldSize / 2 ? oldView.left(rowStart).count(u'\n')
                                                   : m_rows.size() - 1 - oldView.mid(rowStart).count(u'\n');
    const qsizetype removed = 1 + touched.count(u'\n');
    replaceRows(first, removed, {sheet.mid(rowStart, newRowEnd - rowStart)});
    m_text = sheet;
    m_textValid = true;
}

void TapeModel::replaceRows(qsizetype first, qsizetype removed, const QList<QString> &rows)
{
    Q_ASSERT(first >= 0 && first <= m_rows.size());
    Q_ASSERT(removed >= 0 && removed <= m_rows.size() - first);
    bool splits = false;
    for (const QString &row : rows)
        splits = splits || row.contains(kCrLf);
    if (removed == 1 && rows.size() == 1 && !splits) {
        m_rows[first] = rows.front();
    } else {
        m_rows.remove(first, removed);
        if (splits) {
            QList<QString> split;
            for (const QString &row : rows)
                split += row.split(kCrLf);
            m_rows.insert(first, split.size(), QString());
            std::move(split.begin(), split.end(), m_rows.begin() + first);
        } else {
            m_rows.insert(first, rows.size(), QString());
            std::copy(rows.begin(), rows.end(), m_rows.begin() + first);
        }
        if (m_rows.isEmpty())
            m_rows.append(QString());
    }
    m_textValid = false;
    invalidateFrom(first);
}

void TapeModel::setRow(qsizetype index, const QString &row)
{
    replaceRows(index, 1, {row});
}

QString TapeModel::text() const
{
    if (!m_textValid) {
        qsizetype size = 2 * (m_rows.size() - 1);
        for (const QString &row : m_rows)
            size += row.size();
        m_text.clear();
        m_text.reserve(size);
        for (qsizetype i = 0; i < m_rows.size(); ++i) {
            if (i > 0)
                m_text += kCrLf;
            m_text += m_rows.at(i);
        }
        m_textValid = true;
    }
    return m_text;
}

// The kept states from the one before row on stay; the result is read again when asked.
void TapeModel::invalidateFrom(qsizetype row)
{
    const size_t keep = static_cast<size_t>(row / kRowsPerCheckpoint) + 1;
    if (row == 0)
        m_checkpoints.clear();
    else if (m_checkpoints.size() > keep)
        m_checkpoints.resize(keep, m_checkpoints.front());
    m_folded = false;
}

void TapeModel::ensureFolded() const
{
    if (m_folded)
        return;
    if (m_checkpoints.empty())
        m_checkpoints.push_back({FoldMachine(m_locale), QChar(), false});

    // Read on from the last kept state; a row break that is no continuation settles the result,
    // and a stopped machine only looks for such a break.
    Checkpoint state = m_checkpoints.back();
    const qsizetype rows = m_rows.size();
    for (qsizetype row = static_cast<qsizetype>(m_checkpoints.size() - 1) * kRowsPerCheckpoint;
         row < rows && !state.independent; ++row) {
        if (row % kRowsPerCheckpoint == 0 && row / kRowsPerCheckpoint >= static_cast<qsizetype>(m_checkpoints.size()))
            m_checkpoints.push_back(state);
        if (row > 0 && !IsContinuationOperator(state.last)) {
            state.independent = true;
            break;
        }
        const QString &text = m_rows.at(row);
        if (text.isEmpty())
            continue;
        if (!state.machine.stopped()) {
            state.machine.feed(QStringView(text));
            if (state.machine.stopped())
                state.machine.release();
        }
        state.last = text.back();
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
    const QString expression = SheetExpression(text());
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
