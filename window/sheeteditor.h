#pragma once

#include "localevalues.h"
#include "textring.h"

#include <QFont>
#include <QHash>
#include <QObject>
#include <QString>

#include <functional>

class CalcField;
class QTimer;

// Keeps the calculation field's text a clean sheet. After every change of the text it reads the
// user's number conventions, cleans the text (separators, minus runs, foreign characters, empty
// rows), wraps long rows at operators and writes the result back, then tells the window the
// sheet changed. It also holds the timer that puts the zero in front of a number typed as ".5",
// which the field's keys re-arm.
class SheetEditor : public QObject
{
    Q_OBJECT

public:
    SheetEditor(CalcField *field, int wrapWidth, QObject *parent = nullptr);

    // The number conventions read at the start of the last cycle.
    const LocaleValues &locale() const { return m_locale; }
    void readLocale();

    // Puts an entry back without wrapping it or counting it as the user's change. cleaned: the
    // text was cleaned for locale() already, so the cycle has nothing to clean again.
    void restore(const QString &text, qsizetype selStart, qsizetype selLength, bool cleaned = false);
    // The same with the rows' notes.
    void restore(const QString &text, const RowNotes &notes, qsizetype selStart, qsizetype selLength,
                 bool cleaned = false);
    // The same for an undo step, given as the edit of the present text that makes it the entry.
    void restore(const TextRing::Edit &edit, qsizetype selStart, qsizetype selLength);
    // Replaces the selection by text, the caret following it even where the rows are wrapped.
    void insertAtCaret(const QString &text);

    // The field's keys: each re-arms the leading zero, which a deletion holds back.
    void keyStarted();
    void holdLeadingZero();
    void setLeadingZeroDelay(int ms);

    // Cleans and wraps the text as it stands and tells the window; runs after every change of the
    // text, and whenever the results must follow something else (the rounding, the options).
    void runCycle();

    // Width of a row in the field's font, in pixels.
    int textWidth(const QString &text) const;

signals:
    // The text differs from the last cycle's: the user typed, pasted or deleted.
    void textTyped();
    // A cycle has cleaned and wrapped the text; the rows and results can follow. restored: the
    // text is an entry put back (undo, redo, the history), not the user's change.
    void sheetChanged(bool textDiffers, bool restored);

private:
    void completeLeadingZero();
    // The end of a cycle: the document marked, and the window told. differs: the text is not the
    // last cycle's.
    void finishCycle(bool differs);
    // Puts a state back: write() writes its text, then the selection is set.
    void restoreWith(const std::function<void()> &write, qsizetype selStart, qsizetype selLength, bool cleaned);

    CalcField *m_field;
    int m_wrapWidth;
    LocaleValues m_locale;
    QTimer *m_leadingZeroTimer;
    int m_leadingZeroDelay = 10;
    bool m_writing = false;
    bool m_restoring = false;
    QChar m_restoredCleanFor; // ... a text already cleaned for this decimal separator
    qsizetype m_caretAfterInsert = 0;
    // How much of the start and of the end of the text no cycle has changed since the leading
    // zeros were last put in, and the separator they were put in for.
    qsizetype m_unchangedHead = 0;
    qsizetype m_unchangedTail = 0;
    QString m_completedSeparator;
    // Whether the last cycle's text came out of the cleaning (for that decimal separator) and the wrap, and
    // the row length below which rows surely fit the width the wrap used (-1: not wrapped).
    bool m_lastClean = false;
    bool m_restoredClean = false; // what the restore running wrote is clean and wrapped
    QString m_lastCleanSeparator;
    qsizetype m_lastSurelyFits = -1;
    // The widest character a cleaned sheet may hold, in the field's font (pixels).
    double widestSheetCharacter() const;
    static bool isSheetText(const QString &text);
    // Whether no row of a clean sheet text is longer than length characters.
    static bool rowsAtMost(const QString &text, qsizetype length);
    mutable double m_widest = 0;
    mutable QFont m_widestFont;
    // Row widths by text, for the font they were measured in.
    mutable QHash<QString, int> m_widthCache;
    mutable QFont m_widthCacheFont;
};
