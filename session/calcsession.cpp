#include "calcsession.h"

#include "amountinwords.h"
#include "evaluator.h"
#include "memorystring.h"
#include "numberformat.h"
#include "settings.h"
#include "sheettext.h"
#include "texthelpers.h"
#include "textrules.h"
#include "wrap.h"

#include <algorithm>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// What the panel says about its blank: nothing for an empty text, nor for rows that are not
// joined (a tape may hold them apart on purpose); otherwise the reason.
TextId blankReason(EvalFailure failure)
{
    return failure == EvalFailure::Empty || failure == EvalFailure::IndependentRows ? TextId::None
                                                                                   : FailureText(failure);
}

} // namespace

QString ExpressionResultText(const QString &strExpression, int decimals, const LocaleValues &locale)
{
    EvalFailure failure = EvalFailure::None;
    return ExpressionResultText(strExpression, decimals, locale, failure);
}

QString ExpressionResultText(const QString &strExpression, int decimals, const LocaleValues &locale,
                             EvalFailure &failure)
{
    failure = EvalFailure::None;
    if (strExpression.contains(kCrLf)) {
        failure = EvalFailure::IndependentRows;
        return QString();
    }
    bool failed = false;
    const double value = EvaluateExpression(strExpression, locale, failed, failure);
    if (failed)
        return QString();
    const QString text = FormatResult(value, decimals, locale);
    if (text.isEmpty())
        failure = EvalFailure::TooLarge;
    return text;
}

TextId LocaleProblem(const QLocale &locale, const LocaleValues &values)
{
    if (values.decimalSeparator != QLatin1String(".") && values.decimalSeparator != QLatin1String(","))
        return TextId::LocaleDecimal;
    if (locale.negativeSign() != QLatin1String("-"))
        return TextId::LocaleNegativeSign;
    // Grouping by three: 1234567 must come out as 1, 234, 567 with the group separator between.
    const QString sep = locale.groupSeparator();
    const QString expected = locale.toString(1) + sep + locale.toString(234) + sep + locale.toString(567);
    return locale.toString(1234567) == expected ? TextId::None : TextId::LocaleGrouping;
}

CalcSession::CalcSession(QObject *parent)
    : QObject(parent)
{
    // The tape model reads the document's rows and is told of every edit before anyone else
    // follows it, so a result asked for on the way is already the new text's.
    m_tape.follow(&m_document.rows());
    // The undo ring keeps its newest entry as its difference from the sheet, edit by edit.
    m_undo.followText(&m_document.text());
    connect(&m_document, &SheetDocument::contentsChange, this, &CalcSession::followEdit);
}

void CalcSession::load()
{
    m_options = Options::load();
    m_windowState = WindowState::load();
    m_loaded = true;
}

bool CalcSession::save()
{
    m_windowState.memoryString = m_memory.memoryString(m_memoryPanel);
    m_windowState.memorySeparators = MemorySeparatorsNow(m_locale);
    return m_windowState.save();
}

void CalcSession::setWindowPosition(qint32 formLeft, qint32 formTop)
{
    m_windowState.formLeft = formLeft;
    m_windowState.formTop = formTop;
}

void CalcSession::convertGrouping(const QString &oldSeparator, const QString &newSeparator)
{
    const auto convert = [&](const QString &v) { return ConvertGrouping(v, oldSeparator, newSeparator); };
    setPanel(convert(m_panel), m_panelSub);
    setMemoryPanel(convert(m_memoryPanel));
    m_memory.convertValues(convert);
}

void CalcSession::convertDecimal(const QString &oldSeparator, const QString &newSeparator, bool panelToo)
{
    const auto convert = [&](const QString &v) { return ConvertDecimal(v, oldSeparator, newSeparator); };
    if (panelToo)
        setPanel(convert(m_panel), m_panelSub);
    setMemoryPanel(convert(m_memoryPanel));
    m_memory.convertValues(convert);
}

void CalcSession::setSheet(const QString &text, qsizetype selStart, qsizetype selLength)
{
    m_document.setText(text);
    setSelection(selStart, selLength);
}

void CalcSession::setNote(qsizetype row, const QString &note)
{
    if (row < 0 || row >= m_document.rowCount() || m_document.note(row) == SanitizedNote(note))
        return;
    // As a key that changes the text: the state before it into the undo ring, at the current
    // position, and the history steps back from its newest entry again.
    m_history.toEnd();
    recordSnapshot();
    m_document.setNote(row, note);
    m_version = ++m_lastVersion;
    updateModified();
    takeSnapshot();
}

void CalcSession::setSelection(qsizetype selStart, qsizetype selLength)
{
    m_selStart = selStart;
    m_selLength = selLength;
}

void CalcSession::sheetChanged(const QString &selText, bool textDiffers, bool restoring)
{
    // A change of the text is a new state of the sheet: stepping back in the history starts at
    // its newest entry again.
    if (!restoring)
        m_history.toEnd();
    // A new text of the sheet (an undo step has put back its entry's number already).
    if (textDiffers && !restoring) {
        m_version = ++m_lastVersion;
        updateModified();
    }

    // The sub result, once per cycle, before the expression is evaluated.
    selectionChanged(selText);

    // The rows as one expression, evaluated again from the first row the change touched; the
    // panel keeps its colour until the next sub-result step.
    showSheetResult(m_panelSub);

    if (m_snapshotRecorded) {
        // Edits that came to nothing (a character the cleaning took out again) are no state, nor
        // is what a kept tape put back replaced.
        if (!textDiffers || restoring)
            m_undo.dropNewest();
        takeSnapshot();
    }
}

void CalcSession::followEdit(const SheetRows::Change &change, const QString &removed)
{
    m_tape.rowsChanged(change);
    // The state before the key goes into the ring at the key's first edit: its text is the
    // sheet with that edit taken back, which costs the edit's characters only.
    if (!m_restoring && !m_snapshotRecorded) {
        TextEntry state(QString(), m_snapshot.selStart, m_snapshot.selLength, m_snapshot.round, m_tapePath, m_version);
        state.notes = m_snapshot.notes;
        m_undo.recordEdit(change, removed, state);
        m_snapshotRecorded = true;
    } else {
        m_undo.textEdited(change, removed);
    }
}

void CalcSession::selectionChanged(const QString &selText)
{
    // A selection made of line breaks and operators only is no selection.
    m_selection = !SelectionExpression(selText).isEmpty();
    if (!m_selection) {
        showSheetResult(false);
        m_subResult = {};
        return;
    }
    // Evaluated only when the selection or the rounding changed.
    if (m_roundDigit != m_subResult.round || selText != m_subResult.sel)
        EvaluateSelection(selText);
    setPanel(m_subResult.text, true);
    setPanelFailure(m_subResult.failure);
}

void CalcSession::EvaluateSelection(const QString &selText)
{
    EvalFailure failure = EvalFailure::None;
    const QString text = resultText(SelectionExpression(selText), failure);
    m_subResult = {selText, text, m_roundDigit, blankReason(failure)};
}

void CalcSession::showSheetResult(bool subResult)
{
    EvalFailure failure = EvalFailure::None;
    setPanel(m_tape.resultText(m_roundDigit, failure), subResult);
    // The cleaning keeps a final line break only behind an operator: Enter was pressed after it,
    // and the next row is still to be typed.
    if (failure == EvalFailure::Incomplete && m_document.text().endsWith(kCrLf))
        failure = EvalFailure::None;
    setPanelFailure(blankReason(failure));
}

QString CalcSession::result() const
{
    return m_tape.resultText(m_roundDigit);
}

QString CalcSession::resultText(const QString &expression) const
{
    EvalFailure failure = EvalFailure::None;
    return resultText(expression, failure);
}

QString CalcSession::resultText(const QString &expression, EvalFailure &failure) const
{
    const int decimals = m_roundDigit;
    for (const ResultMemo &memo : m_resultMemo) {
        if (memo.decimals == decimals && memo.leadingZero == m_locale.leadingZero
            && memo.decimal == m_locale.decimalSeparator && memo.thousands == m_locale.thousandsSeparator
            && memo.expression == expression) {
            failure = memo.failure;
            return memo.text;
        }
    }
    const QString text = ExpressionResultText(expression, decimals, m_locale, failure);
    m_resultMemo[m_resultMemoNext] = {expression, decimals, m_locale.decimalSeparator,
                                      m_locale.thousandsSeparator, m_locale.leadingZero, text, failure};
    m_resultMemoNext = 1 - m_resultMemoNext;
    return text;
}

void CalcSession::setPanel(const QString &text, bool subResult)
{
    if (text == m_panel && subResult == m_panelSub)
        return;
    m_panel = text;
    m_panelSub = subResult;
    emit panelChanged(m_panel, m_panelSub);
}

void CalcSession::setPanelFailure(TextId failure)
{
    if (failure == m_panelFailure)
        return;
    m_panelFailure = failure;
    emit panelFailureChanged(failure);
}

void CalcSession::setRoundDigit(int digit)
{
    m_roundDigit = digit;
    emit roundDigitChanged(digit);
}

void CalcSession::stepRound(Step step)
{
    static const QStringList digits = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    setRoundDigit(NextInList(QString::number(m_roundDigit), digits, step == Step::Down ? 2 : 1).toInt());
}

void CalcSession::setMemoryPanel(const QString &text)
{
    if (text == m_memoryPanel)
        return;
    m_memoryPanel = text;
    emit memoryPanelChanged(text);
}

void CalcSession::restoreMemory()
{
    const std::optional<QString> panel =
        m_memory.restore(m_windowState.memoryString, m_windowState.memorySeparators, m_locale);
    if (panel)
        setMemoryPanel(*panel);
}

void CalcSession::SelectMemoryCell(int cell)
{
    m_memory.select(cell);
    setMemoryPanel(m_memory.value(cell));
    saveMemoryNow();
}

void CalcSession::ClearAllMemory()
{
    m_memory.clearAll();
    setMemoryPanel(QString());
    saveMemoryNow();
}

void CalcSession::saveMemoryNow()
{
    // Only a loaded state is written back: a session that never read the store has nothing of
    // the user's to keep.
    if (m_loaded)
        save();
}

void CalcSession::memoryStore()
{
    setMemoryPanel(m_panel);
    m_memory.store(m_memoryPanel);
    const QString cell = QString::number(m_memory.current());
    emit confirmed(m_panel.isEmpty() ? Text(TextId::ClearedMemory, {cell}) : Text(TextId::StoredInMemory, {m_panel, cell}));
}

void CalcSession::memoryClear()
{
    setMemoryPanel(QString());
    m_memory.clear();
    emit confirmed(Text(TextId::ClearedMemory, {QString::number(m_memory.current())}));
}

void CalcSession::memoryArithmetic(MemoryBank::Operation operation)
{
    const std::optional<QString> text = MemoryBank::combine(operation, m_panel, m_memoryPanel, m_roundDigit, m_locale);
    if (!text) {
        // Told first, while the panel still shows the value that would not combine.
        emit memoryOverflow();
        setMemoryPanel(QStringLiteral("Error"));
        m_memory.store(QStringLiteral("Error"));
        return;
    }
    setMemoryPanel(*text);
    m_memory.store(*text);
    const TextId done = operation == MemoryBank::Operation::Add ? TextId::AddedToMemory : TextId::SubtractedFromMemory;
    const QString cell = QString::number(m_memory.current());
    emit confirmed(text->isEmpty() ? Text(TextId::ClearedMemory, {cell}) : Text(done, {cell, *text}));
}

void CalcSession::memoryRecall()
{
    takeSnapshot();
    // The value goes in as a plain number the sheet can read, without grouping.
    QString v = m_memoryPanel;
    if (!v.isEmpty()) {
        bool ok = false;
        const double value = ParseDisplayNumber(ReplaceAll(v, m_locale.thousandsSeparator, QString()), m_locale, ok);
        if (ok)
            v = PlainNumberText(value, m_locale);
    }
    emit insertRequested(v);
    if (!v.isEmpty())
        emit confirmed(Text(TextId::InsertedFromMemory, {m_memoryPanel, QString::number(m_memory.current())}));
}

std::optional<QString> CalcSession::copyText(const QString &value, bool inWords, const QString &wordsPath)
{
    std::optional<QString> text = clipboardText(value, inWords, wordsPath);
    if (text)
        emit confirmed(inWords ? Text(TextId::CopiedInWords) : Text(TextId::Copied, {value}));
    return text;
}

std::optional<QString> CalcSession::clipboardText(const QString &value, bool inWords, const QString &wordsPath) const
{
    const LocaleValues &loc = m_locale;
    if (!inWords) {
        QString digits = value;
        const qsizetype point = loc.decimalSeparator.isEmpty() ? -1 : value.indexOf(loc.decimalSeparator);
        if (point >= 0)
            digits = value.left(point) + TrimChars(value.mid(point), QStringLiteral("0") + loc.decimalSeparator, TrimRight);
        return FilterChars(digits, QStringLiteral(" ") + loc.thousandsSeparator, false);
    }
    const QString plain = loc.thousandsSeparator.isEmpty() ? value : ReplaceAll(value, loc.thousandsSeparator, QString());
    const QChar point = loc.decimalSeparator.isEmpty() ? QChar(u'.') : loc.decimalSeparator.at(0);
    const std::optional<Currency> amount = Currency::fromText(plain, point);
    if (!amount)
        return std::nullopt;
    bool failed = false;
    const QString words = AmountInWords(*amount, wordsPath, loc.lcid, failed,
                                        Text(TextId::WordsRangeError, {QStringLiteral("\n")}),
                                        Text(TextId::WordsFileError, {QStringLiteral("\n"), wordsPath}));
    if (failed)
        return std::nullopt;
    return words;
}

void CalcSession::setStripShown(bool shown)
{
    if (shown == m_stripShown)
        return;
    m_stripShown = shown;
    emit stripShownChanged(shown);
}

bool CalcSession::differsFromUndoEntry() const
{
    const TextEntry &entry = m_undo.currentFields();
    return entry.selStart != m_selStart || entry.selLength != m_selLength || entry.round != m_roundDigit
        || entry.file != m_tapePath || entry.version != m_version || entry.notes != m_document.notes()
        || m_undo.currentTextDiffers();
}

void CalcSession::takeSnapshot()
{
    // The text is not copied: the sheet's first edit records it (see followEdit).
    m_snapshot = {QString(), static_cast<qint32>(m_selStart), static_cast<qint32>(m_selLength),
                  static_cast<quint8>(m_roundDigit)};
    // Shared with the document's list: no copy unless the notes change.
    m_snapshot.notes = m_document.notes();
    m_snapshotRecorded = false;
}

void CalcSession::recordSnapshot()
{
    // The link as it is now: a save since the last key has changed it.
    TextEntry state(QString(), m_snapshot.selStart, m_snapshot.selLength, m_snapshot.round, m_tapePath, m_version);
    state.notes = m_snapshot.notes;
    m_undo.recordFromText(m_document.size(), QString(), 0, state);
}

void CalcSession::recordExpression()
{
    // Wholly selected when it comes back.
    m_history.toEnd();
    const QString &text = m_document.text();
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c == u'\r' || c == u'\n'; }))
        return;
    const TextEntry newest = m_history.newest();
    if (text == newest.text && m_document.notes() == newest.notes)
        return;
    TextEntry entry(text, 0, static_cast<qint32>(text.size()), static_cast<quint8>(m_roundDigit));
    entry.notes = m_document.notes();
    m_history.record(entry);
}

void CalcSession::StepState(bool forward)
{
    if (m_undo.isEmpty())
        return;
    if (!forward) {
        if (m_undo.atEnd()) {
            // Nothing undone yet: keep the present state, so stepping forward reaches it again.
            recordSnapshot();
            m_undo.back();
        }
    } else if (m_undo.atEnd()) {
        return;
    }
    // At the oldest (back) or newest (forward) entry the sheet is put back only if it differs.
    const bool moved = forward ? m_undo.forward() : m_undo.back();
    if (moved || differsFromUndoEntry()) {
        // The sheet becomes the entry by one edit of the stretch where they differ.
        const TextEntry entry = m_undo.currentFields();
        setRoundDigit(entry.round);
        // Before the text: the cycle it runs takes the state after the step with its link.
        setLink(entry.file, entry.version);
        m_restoring = true;
        emit restoreRequested(m_undo.currentEdit(), entry.selStart, entry.selLength);
        m_undo.settleEdit();
        // The rows are the entry's now; so are their notes.
        m_document.setNotes(entry.notes);
        m_restoring = false;
    }
}

void CalcSession::restoreHistory(const QList<TextEntry> &entries)
{
    m_history = TextRing(kHistoryEntries);
    for (const TextEntry &entry : entries)
        m_history.record(entry);
    m_history.toEnd();
}

void CalcSession::setLink(const QString &path, quint64 version)
{
    m_version = version;
    if (path != m_tapePath) {
        m_tapePath = path;
        emit tapePathChanged(path);
    }
    updateModified();
}

void CalcSession::updateModified()
{
    const auto saved = m_savedVersions.constFind(m_tapePath);
    const bool modified = !m_tapePath.isEmpty() && (saved == m_savedVersions.cend() || *saved != m_version);
    if (modified == m_modified)
        return;
    m_modified = modified;
    emit modifiedChanged(modified);
}

void CalcSession::linkTape(const QString &path)
{
    m_savedVersions.insert(path, m_version);
    setLink(path, m_version);
}

void CalcSession::restoreLink(const QString &path, bool modified)
{
    if (modified)
        m_savedVersions.remove(path);
    else
        m_savedVersions.insert(path, m_version);
    setLink(path, m_version);
}

TapeState CalcSession::keptTape() const
{
    TapeState state(m_document.text(), static_cast<qint32>(m_selStart), static_cast<qint32>(m_selLength),
                    m_history.entries(), m_tapePath, m_modified);
    state.notes = m_document.notes();
    return state;
}

bool CalcSession::canUndo() const
{
    // Before the first undo the present state is kept first, so any entry is a step back.
    if (m_undo.isEmpty())
        return false;
    return m_undo.atEnd() || !m_undo.atOldest() || differsFromUndoEntry();
}

bool CalcSession::canRedo() const
{
    if (m_undo.atEnd())
        return false;
    return !m_undo.atNewest() || differsFromUndoEntry();
}

bool CalcSession::run(KeyCommand command)
{
    switch (command) {
    // The cells are saved as they change, so that a program ended hard keeps them.
    case KeyCommand::MemoryStore: memoryStore(); saveMemoryNow(); return true;
    case KeyCommand::MemoryClear: memoryClear(); saveMemoryNow(); return true;
    case KeyCommand::MemoryRecall: memoryRecall(); return true;
    case KeyCommand::MemoryAdd: memoryArithmetic(MemoryBank::Operation::Add); saveMemoryNow(); return true;
    case KeyCommand::MemorySubtract: memoryArithmetic(MemoryBank::Operation::Subtract); saveMemoryNow(); return true;
    case KeyCommand::ToggleStrip: setStripShown(!m_stripShown); return true;
    case KeyCommand::Undo: StepState(false); return true;
    case KeyCommand::Redo: StepState(true); return true;
    case KeyCommand::SelectAllToHistory: recordExpression(); return true;
    case KeyCommand::HistoryBack:
        if (!m_history.isEmpty())
            emit historyRequested(m_history);
        return true;
    case KeyCommand::HistoryForward: return true;
    default: return false;
    }
}
