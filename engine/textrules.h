#pragma once

#include <QString>

// The calculation field's pure text rules: what the window's keys, timers and clicks do to the
// text, with the separators handed in. Positions are 0-based carets: 0 is before the first
// character, text.size() after the last.

struct TextSpan
{
    qsizetype start = 0;
    qsizetype length = 0;
};

// Puts a "0" in front of every decimal separator that begins a number: one at the start of the
// text or directly after "-", "+", "*", "/", LF or "(". The starters are tried in that order, each
// over the whole text. A caret behind such a separator moves with it; a caret directly in front of
// it stays and so ends up in front of the zero. An empty separator changes nothing.
QString CompleteLeadingZeros(const QString &text, qsizetype &caret, const QString &point);
// The same for a text whose only separators that may want a zero stand at positions from .. to
// (inclusive): the text of an earlier completion with the characters from .. to - 1 edited. A
// separator may only take a zero where the character in front of it, or the separator itself,
// is new. Separators of more than one character are looked for in the whole text.
QString CompleteLeadingZeros(const QString &text, qsizetype &caret, const QString &point, qsizetype from,
                             qsizetype to);

// Where Ctrl+Left (forward false) or Ctrl+Right (true) puts the caret. Digits, "," and "." form
// runs; every other character belongs to the other class. Right starts behind the selection and
// goes to the end of the run of the character there; left starts at the selection start and goes
// to the start of the run of the character before it.
qsizetype RunJumpTarget(const QString &text, qsizetype selStart, qsizetype selLength, bool forward);

// What Ctrl+Delete (forward true) or Ctrl+Backspace removes at a caret without a selection: the
// span between the caret and where the Ctrl+arrow would take it. Empty at the ends of the text.
TextSpan RunToDelete(const QString &text, qsizetype caret, bool forward);

// The number a double click at the caret position selects: the digits and decimal separators
// touching the position on either side. Empty when neither neighbour belongs to a number.
TextSpan NumberAtClick(const QString &text, qsizetype clickPos, const QString &point);

// A panel value re-written for a changed grouping separator: every oldSeparator becomes
// newSeparator, apart from the space of a leading "- " sign.
QString ConvertGrouping(const QString &text, const QString &oldSeparator, const QString &newSeparator);

// A panel value re-written for a changed decimal separator: only the last oldSeparator is
// replaced, so grouping marks that happen to look the same stay.
QString ConvertDecimal(const QString &text, const QString &oldSeparator, const QString &newSeparator);
