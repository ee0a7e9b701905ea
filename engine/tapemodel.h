#pragma once

#include "evalfailure.h"
#include "localevalues.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <cstdint>

#include <memory>
#include <optional>
#include <vector>

class FoldMachine;

// The rows of a cleaned sheet and the value of the whole sheet, kept up to date edit by edit.
// The sheet text is the rows joined by CR LF: a text ending in CR LF has a last, empty row, and
// the model always holds at least one row (an empty sheet is one empty row). The value, the
// failure reason and the panel text are exactly those of the whole evaluation
//
//   ExpressionResultText(SheetExpression(text()), decimals, locale, failure)
//
// but an edit costs only the rows from the first one it changed: the evaluator's pending state
// (see foldmachine.h) is kept every kRowsPerCheckpoint rows, and the value is read on from the
// last one before the edit. Typing at the end of a long tape reads the last few rows only; an
// edit of the first row reads the tape once. Texts the fold does not follow (letters, blanks,
// a failure in a finished part of the text, a text that is one number) are evaluated whole, as
// is a failure reason the fold cannot tell; a row break that is no continuation is seen at once.
//
// The work is done when a result is first asked for after an edit, so several edits in a row
// (a paste, an undo of many rows) cost one reading.
//
// The model holds the sheet text itself (shared with the caller's copy until an edit through
// replaceRows changes it) and where each row starts, not a string per row.
class TapeModel
{
public:
    // Rows between two kept states: memory against the rows read again after an edit.
    static constexpr qsizetype kRowsPerCheckpoint = 32;

    explicit TapeModel(const LocaleValues &locale = LocaleValues());
    ~TapeModel();
    TapeModel(const TapeModel &other);
    TapeModel &operator=(const TapeModel &other);

    // The decimal separator and the leading-zero flag decide the values: a change reads the
    // whole tape again. The thousands separator only changes the panel text.
    void setLocale(const LocaleValues &locale);
    const LocaleValues &locale() const { return m_locale; }

    // The whole sheet replaced (a load, a paste over everything).
    void setText(const QString &sheet);

    // Rows first .. first + removed - 1 replaced by rows (which may be more, fewer or none): an
    // edit inside a row replaces that row, Enter replaces it by its two halves, joining two rows
    // replaces both by one. 0 <= first <= rowCount(), 0 <= removed <= rowCount() - first. A row
    // given with a CR LF in it is split there. Removing every row leaves one empty row.
    void replaceRows(qsizetype first, qsizetype removed, const QList<QString> &rows);
    // One row's text replaced.
    void setRow(qsizetype index, const QString &row);
    // The sheet as it now is, after some edit the caller does not describe: the rows that differ
    // from the model's text are found by comparing the two texts from both ends, and only they are
    // replaced. Costs a comparison of the texts, a search of the row starts and a move of those
    // after the edit, so typing at either end of a long tape stays cheap.
    void followText(const QString &sheet);

    qsizetype rowCount() const { return m_starts.size(); }
    // A view into text(): valid until the next edit.
    QStringView row(qsizetype index) const;
    // Every row, copied out (for tests; the model keeps only the text and where its rows start).
    QList<QString> rows() const;
    // The sheet text, shared with the text last given to setText or followText where the edit
    // since has not changed it.
    QString text() const { return m_text; }

    // The whole sheet's value as EvaluateExpression(SheetExpression(text())) gives it; empty where
    // that fails (and so also for independent rows).
    std::optional<double> value() const;
    // Why the panel is blank, as ExpressionResultText says: IndependentRows for a row break that
    // is no continuation, TooLarge for a value of 10^15 or more, the evaluator's reason, or None.
    EvalFailure failure() const;
    // The result panel's text with decimals (0 to 9) places: empty when failure() is not None.
    QString resultText(int decimals) const;
    QString resultText(int decimals, EvalFailure &failure) const;

private:
    struct Checkpoint;

    // Where each row starts in the text: 32-bit offsets while the text is shorter than 4 Gi
    // characters (a million-row sheet costs 4 MB), 64-bit ones beyond.
    class RowStarts
    {
    public:
        qsizetype size() const { return m_wide ? qsizetype(m_far.size()) : qsizetype(m_near.size()); }
        qsizetype at(qsizetype index) const
        {
            return m_wide ? m_far[size_t(index)] : qsizetype(m_near[size_t(index)]);
        }
        // The starts of the rows of text (which only CR LF parts).
        void reset(QStringView text);
        // Rows first + 1 .. last replaced by the rows starting at inner (positions in the new
        // text), and the starts of the rows after last moved by shift; textSize is the new length.
        void splice(qsizetype first, qsizetype last, const std::vector<qsizetype> &inner, qsizetype shift,
                    qsizetype textSize);

    private:
        template <typename Offsets>
        static void spliceInto(Offsets &starts, qsizetype first, qsizetype last, const std::vector<qsizetype> &inner,
                               qsizetype shift);
        void widen();

        std::vector<std::uint32_t> m_near{0};
        std::vector<qsizetype> m_far;
        bool m_wide = false;
    };

    qsizetype rowEnd(qsizetype index) const;
    qsizetype rowEnd(qsizetype index, qsizetype textSize) const;
    qsizetype rowAt(qsizetype position) const;
    // The text has changed between from and oldEnd, which now runs to oldEnd + shift: the rows
    // that span that range are found again, and the fold reads on from the first of them.
    void textEdited(qsizetype from, qsizetype oldEnd, qsizetype shift);
    void invalidateFrom(qsizetype row);
    void ensureFolded() const;
    void evaluateWhole() const;

    LocaleValues m_locale;
    QString m_text;
    RowStarts m_starts; // the first row starts at 0; always at least one row

    // The state before row k * kRowsPerCheckpoint, for k = 0 .. m_validCheckpoints - 1; those
    // after are storage for the next reading.
    mutable std::vector<Checkpoint> m_checkpoints;
    mutable size_t m_validCheckpoints = 0;
    mutable bool m_folded = false;
    mutable std::optional<double> m_value;
    mutable EvalFailure m_failure = EvalFailure::Empty;
    mutable bool m_failureKnown = false; // false: the whole evaluation tells it when asked
};
