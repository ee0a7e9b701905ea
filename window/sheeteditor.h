#pragma once

#include "localevalues.h"

#include <QFont>
#include <QHash>
#include <QObject>
#include <QString>

class CalcField;
class QTimer;

// Keeps the calculation field's text a clean sheet. After every change of the text it reads the
// user's number conventions, cleans the text (separators, minus runs, foreign characters, empty
// rows), wraps long rows at operators and writes the result back, then tells the window the
// sheet changed. It also holds the character filter of typed keys and the timer that puts the
// zero in front of a number typed as ".5".
class SheetEditor : public QObject
{
    Q_OBJECT

public:
    enum class Mode { Main, History }; // the history sheet is never wrapped
    SheetEditor(CalcField *field, Mode mode, int wrapWidth, QObject *parent = nullptr);

    // The number conventions read at the start of the last cycle.
    const LocaleValues &locale() const { return m_locale; }
    void readLocale();

    // Puts an entry back without wrapping it or counting it as the user's change.
    void restore(const QString &text, qsizetype selStart, qsizetype selLength);
    bool isRestoring() const { return m_restoring; }
    // Replaces the selection by text, the caret following it even where the rows are wrapped.
    void insertAtCaret(const QString &text);

    // Called at the start of every key: re-arms the leading zero, which a deletion holds back.
    void keyStarted();
    void holdLeadingZero();
    void setLeadingZeroDelay(int ms);
    // Whether a typed character may reach the sheet: the sheet's own characters, Enter and
    // Backspace. Edit keys (Ctrl+V, Ctrl+X) are not checked at all.
    static bool acceptsCharacter(QChar c);

    // Cleans and wraps the text as it stands and tells the window; runs after every change of the
    // text, and whenever the results must follow something else (the rounding, the options).
    void runCycle();

    // Width of a row in the field's font, in pixels.
    int textWidth(const QString &text) const;

signals:
    // The text differs from the last cycle's: the user typed, pasted or deleted.
    void textTyped();
    // A cycle has cleaned and wrapped the text; the rows and results can follow.
    void sheetChanged(bool textDiffers);

private:
    void completeLeadingZero();
    void writeQuietly(const QString &text);

    CalcField *m_field;
    Mode m_mode;
    int m_wrapWidth;
    LocaleValues m_locale;
    QTimer *m_leadingZeroTimer;
    int m_leadingZeroDelay = 10;
    bool m_writing = false;
    bool m_restoring = false;
    qsizetype m_caretAfterInsert = 0;
    QString m_lastText;
    // Row widths by text, for the font they were measured in.
    mutable QHash<QString, int> m_widthCache;
    mutable QFont m_widthCacheFont;
};
