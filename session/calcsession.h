#pragma once

#include "keymap.h"
#include "localevalues.h"
#include "memorybank.h"
#include "options.h"
#include "sheetdocument.h"
#include "tapestate.h"
#include "tapemodel.h"
#include "textid.h"
#include "textring.h"
#include "windowstate.h"

#include <QHash>
#include <QLocale>
#include <QObject>
#include <QString>

#include <array>
#include <optional>

// Entries the undo ring keeps, and the expression history.
constexpr int kUndoEntries = 100;
constexpr int kHistoryEntries = 50;

// The display text of an expression with the given decimals: empty when it has independent rows
// (a line break left in it), fails, or is too large to show.
QString ExpressionResultText(const QString &strExpression, int decimals, const LocaleValues &locale);
// The same, and why the text is empty: the evaluator's reason, TooLarge for a value the panel
// cannot show (10^15 or more), IndependentRows for a line break left in the expression; None with
// a value.
QString ExpressionResultText(const QString &strExpression, int decimals, const LocaleValues &locale,
                             EvalFailure &failure);

// Whether the calculator can work with the user's number conventions: the decimal separator must
// be "." or ",", the negative sign "-", and digits grouped by three. The text that explains the
// first problem found, or None.
TextId LocaleProblem(const QLocale &locale, const LocaleValues &values);

// The calculator's state, without a widget: what the sheet evaluates to and what the result panel
// shows (the whole result, or the sub result of a selection), the rounding digit, the memory cells
// and the memory panel, whether the strip of memory buttons is shown, the undo ring and the
// expression history, the number conventions of the current cycle, the options in force and the
// window state kept between runs. The window tells it what the sheet holds and which commands
// the user gave; it answers through its signals, which the window draws.
class CalcSession : public QObject
{
    Q_OBJECT

public:
    explicit CalcSession(QObject *parent = nullptr);

    // The options and the window state from the settings store, in one read each.
    void load();
    // Writes the window state with the memory cells as they are now.
    bool save();
    bool isLoaded() const { return m_loaded; }

    const Options &options() const { return m_options; }
    void setOptions(const Options &options) { m_options = options; }
    const WindowState &windowState() const { return m_windowState; }
    void setWindowPosition(qint32 formLeft, qint32 formTop);

    // The number conventions of the current cycle.
    const LocaleValues &locale() const { return m_locale; }
    void setLocale(const LocaleValues &locale)
    {
        m_locale = locale;
        m_tape.setLocale(locale);
    }
    // The conventions changed while the window was away (the field got the focus again): the
    // panels and the memory cells are rewritten from the old separators to the new ones.
    void convertGrouping(const QString &oldSeparator, const QString &newSeparator);
    void convertDecimal(const QString &oldSeparator, const QString &newSeparator, bool panelToo);

    // The sheet: the window's view shows and edits this document.
    SheetDocument &document() { return m_document; }
    const SheetDocument &document() const { return m_document; }
    // The sheet's text replaced (only what differs), and the selection.
    void setSheet(const QString &text, qsizetype selStart, qsizetype selLength);
    // The user wrote, changed or removed a row's note: one undo step, and a new text of the tape
    // for its file. Nothing happens when the note stays what it was.
    void setNote(qsizetype row, const QString &note);
    // Where the caret and the selection are; the window reports every move.
    void setSelection(qsizetype selStart, qsizetype selLength);
    // A cycle of the sheet has cleaned the text: the sub result is brought up to date, the whole
    // sheet is evaluated, and a change the user made goes into the undo ring. restoring: the
    // text was put back by an undo step or the history, which is no new state.
    void sheetChanged(const QString &selText, bool textDiffers, bool restoring);
    // The sub-result step: a selection shows its own value, in the panel's second colour.
    void selectionChanged(const QString &selText);
    bool hasSelection() const { return m_selection; }
    // What the result panel shows, and whether that is a sub result.
    QString panelText() const { return m_panel; }
    bool panelShowsSubResult() const { return m_panelSub; }
    // The whole sheet's value as the panel shows it.
    QString result() const;
    // Why the result panel is blank, to be told once the user pauses; None while it shows a value
    // and where a blank needs no word: an empty sheet or selection, independent rows (a tape may
    // hold them on purpose), and a sheet whose last row ends in an operator and a line break
    // (the tape waits for its next row).
    TextId panelFailure() const { return m_panelFailure; }

    int roundDigit() const { return m_roundDigit; } // -1 until loaded
    void setRoundDigit(int digit);
    // A click on the rounding selector: one up (left button) or down (right button), wrapping.
    enum class Step { Up, Down };
    void stepRound(Step step);

    const MemoryBank &memory() const { return m_memory; }
    QString memoryPanel() const { return m_memoryPanel; }
    // The memory cells as saved, in the current separators.
    void restoreMemory();
    void SelectMemoryCell(int cell);
    void ClearAllMemory();

    // What a panel's value goes to the clipboard as: plain digits (no grouping, no trailing zeros
    // of the decimals), or the amount in words from the words file at wordsPath. Nothing for a
    // value with no words ("Error") or a words file that fails, which has told the user why.
    std::optional<QString> clipboardText(const QString &value, bool inWords, const QString &wordsPath) const;
    // The same, for a copy the user asked for: a text to copy is confirmed (confirmed()).
    std::optional<QString> copyText(const QString &value, bool inWords, const QString &wordsPath);

    bool StripShown() const { return m_stripShown; }
    void setStripShown(bool shown);

    // The state of the sheet before the key being handled, which the undo ring records when the
    // key changes the text.
    void takeSnapshot();
    // Space: the sheet's expression into the history, unless it is empty or the newest already.
    void recordExpression();
    const TextRing &history() const { return m_history; }
    // The history kept from an earlier run, oldest first; the ring starts at its end.
    void restoreHistory(const QList<TextEntry> &entries);

    // The file the tape belongs to; empty for a tape never opened or saved. The link is part of
    // every undo step: an undo past an open brings back the file the tape had before it.
    QString tapePath() const { return m_tapePath; }
    // The sheet now holds what the file at path holds (it was just opened or saved): the tape
    // belongs to that file, unmodified.
    void linkTape(const QString &path);
    // The link kept by the last run: the tape belongs to path, modified or not.
    void restoreLink(const QString &path, bool modified);
    // Whether the sheet differs from what its file held when it was last opened or saved: each
    // text of the sheet has a number of this run, and the file remembers the number it was
    // opened or saved at. A tape without a file is never modified.
    bool isModified() const { return m_modified; }
    // What is kept of the tape between runs: the sheet, its caret, its file and the history.
    TapeState keptTape() const;

    // Whether an undo or a redo step would change the sheet.
    bool canUndo() const;
    bool canRedo() const;

    // Carries out a command of the key map that works on the state alone: the memory
    // operations, the strip, undo and redo, the history. False for any other command.
    bool run(KeyCommand command);

signals:
    void panelChanged(const QString &text, bool subResult);
    void panelFailureChanged(TextId failure);
    void roundDigitChanged(int digit);
    void memoryPanelChanged(const QString &text);
    // M+ or M- gave no value; the panel shows "Error" once this is handled.
    void memoryOverflow();
    void stripShownChanged(bool shown);
    // An undo step: the sheet is to show an earlier state again, by this edit of its text and with
    // this selection (the rounding digit is set already).
    void restoreRequested(const TextRing::Edit &edit, qint32 selStart, qint32 selLength);
    // MR: the text goes in at the caret.
    void insertRequested(const QString &text);
    // Ctrl+PageUp with expressions in the history.
    void historyRequested(const TextRing &history);
    void tapePathChanged(const QString &path);
    void modifiedChanged(bool modified);
    // A few words saying what a memory button or a copy has just done, for screen readers:
    // "Stored 1,607.50 in memory cell 1", "Copied in words".
    void confirmed(const QString &words);

private:
    void setPanel(const QString &text, bool subResult);
    void setPanelFailure(TextId failure);
    // The panel text for the whole sheet, and its failure.
    void showSheetResult(bool subResult);
    void setMemoryPanel(const QString &text);
    void memoryStore();
    void memoryClear();
    void memoryArithmetic(MemoryBank::Operation operation);
    void memoryRecall();
    void saveMemoryNow();
    // RecordState: the snapshot into the undo ring (recordSnapshot), the sheet's expression into
    // the history (recordExpression). StepState: one step back or forward in the undo ring.
    void recordSnapshot();
    void StepState(bool forward);
    // An edit of the sheet: the tape model and the undo ring follow it.
    void followEdit(const SheetRows::Change &change, const QString &removed);
    // The value of the selected rows, with the operators and line breaks at its ends left out.
    void EvaluateSelection(const QString &selText);
    // Whether the sheet, its selection, the rounding or the link differ from the current undo
    // entry.
    bool differsFromUndoEntry() const;
    // The state's link to a file and its text's number, as the undo ring records them.
    void setLink(const QString &path, quint64 version);
    void updateModified();
    // The text of an expression with the present decimals, answered from the last two where the
    // same: every key evaluates the expression before it again in the sub-result step.
    QString resultText(const QString &expression) const;
    QString resultText(const QString &expression, EvalFailure &failure) const;

    bool m_loaded = false;
    Options m_options;
    WindowState m_windowState;
    LocaleValues m_locale;

    SheetDocument m_document;
    qsizetype m_selStart = 0;
    qsizetype m_selLength = 0;
    TapeModel m_tape; // the sheet's rows, evaluated from the first one a change touched

    QString m_panel;
    bool m_panelSub = false;
    TextId m_panelFailure = TextId::None;
    bool m_selection = false;
    struct SubResult
    {
        QString sel;
        QString text;
        int round = -1;
        TextId failure = TextId::None;
    } m_subResult;

    int m_roundDigit = -1;
    MemoryBank m_memory;
    QString m_memoryPanel;
    bool m_stripShown = false;

    QString m_tapePath;
    quint64 m_version = 0;     // the number of the sheet's text; each edit gives a new one
    quint64 m_lastVersion = 0;
    QHash<QString, quint64> m_savedVersions; // file -> the text's number it was opened or saved at
    bool m_modified = false;
    // The caret and the rounding before the key; its text is the sheet's, recorded into the undo
    // ring at the key's first edit (m_snapshotRecorded).
    TextEntry m_snapshot;
    bool m_snapshotRecorded = false;
    bool m_restoring = false; // an undo step is putting an entry back
    TextRing m_undo{kUndoEntries};
    TextRing m_history{kHistoryEntries}; // the expressions of this run

    struct ResultMemo
    {
        QString expression;
        int decimals = -1; // -1: empty entry
        QString decimal;
        QString thousands;
        bool leadingZero = false;
        QString text;
        EvalFailure failure = EvalFailure::None;
    };
    mutable std::array<ResultMemo, 2> m_resultMemo;
    mutable int m_resultMemoNext = 0;
};
