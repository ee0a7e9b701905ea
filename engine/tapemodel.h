#pragma once

#include "evalfailure.h"
#include "localevalues.h"
#include "sheetrows.h"

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
// The model reads a SheetRows: its own, which setText and replaceRows edit, or the rows of the
// sheet's document, which it follows edit by edit (see follow()).
class TapeModel
{
public:
    // Rows between two kept states: memory against the rows read again after an edit.
    static constexpr qsizetype kRowsPerCheckpoint = 256;

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
    // Rows held elsewhere (a document of the sheet) followed instead of the model's own: the
    // holder tells every edit through rowsChanged, and setText, replaceRows and setRow are not
    // used while they are followed. nullptr goes back to the model's own rows.
    void follow(const SheetRows *rows);
    // An edit of the followed rows: the value is read again from the first row it touched.
    void rowsChanged(const SheetRows::Change &change);

    qsizetype rowCount() const { return m_rows->rowCount(); }
    // A view into text(): valid until the next edit.
    QStringView row(qsizetype index) const;
    // Every row, copied out (for tests; the model keeps only the text and where its rows start).
    QList<QString> rows() const;
    // The sheet text, shared with the text last given to setText where the edit since has not
    // changed it.
    const QString &text() const { return m_rows->text(); }

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

    void invalidateFrom(qsizetype row);
    void ensureFolded() const;
    void evaluateWhole() const;

    LocaleValues m_locale;
    SheetRows m_own;
    const SheetRows *m_rows = &m_own; // the rows read: the model's own or those followed

    // The state before row k * kRowsPerCheckpoint, for k = 0 .. m_validCheckpoints - 1; those
    // after are storage for the next reading.
    mutable std::vector<Checkpoint> m_checkpoints;
    mutable size_t m_validCheckpoints = 0;
    mutable bool m_folded = false;
    mutable std::optional<double> m_value;
    mutable EvalFailure m_failure = EvalFailure::Empty;
    mutable bool m_failureKnown = false; // false: the whole evaluation tells it when asked
};
