#pragma once

#include "evalfailure.h"

#include <QString>

#include <string>

struct LocaleValues;

// The expression evaluator of the calculation sheet. It rewrites the text rather than parsing it:
// every operator becomes a three-character code "@" level index, and the innermost group, and in
// a group the leftmost operator of the tightest level, is replaced by the text of its value until
// one number is left. Because every intermediate value goes through text with 15 significant
// digits, (1/3)*3 is 0.999999999999999, and a value needing a three-digit exponent (10^100)
// is no number at all, so the evaluation fails. EvaluateExpression gives exactly what that
// rewriting gives, but does each step in one pass and keeps each value beside its text.
//
// Failure convention: failed is set on failure and never cleared; a call made with it already
// set does nothing and returns 0. Truth values are -1 and 0.
//
// Every routine takes the user's number conventions as the caller read them for this cycle
// (ReadLocaleValues): the decimal separator ("." while it is empty) and the leading-zero flag,
// which refuses a number that starts with the separator.

double EvaluateExpression(const QString &expression, const LocaleValues &locale, bool &failed);

// The same, and on failure why: failure is set beside the flag (None when the text has a value).
// A call made with the flag already set leaves failure as it is. The value and the flag are
// always those of the three-argument form.
double EvaluateExpression(const QString &expression, const LocaleValues &locale, bool &failed,
                          EvalFailure &failure);

// The same for a text already in bytes, each byte one character (from 0x80 up: a character
// outside ASCII, which no expression holds), so a long text is not widened to UTF-16 first.
double EvaluateAsciiExpression(std::string expression, const LocaleValues &locale, bool &failed,
                               EvalFailure &failure);

// Evaluates an encoded expression without parentheses. sentinel is always "@90".
double EvaluateFlat(const QString &flat, const QString &sentinel, const LocaleValues &locale,
                    bool &failed);

// The number syntax of the sheet: optional "-", digits with at most one decimal separator (at most
// 15 before it), optionally "E" or "e", a sign and exactly two exponent digits.
bool IsPlainNumber(const QString &text, const LocaleValues &locale);

// The value as the evaluator writes it back into the text: at most 15 significant digits, the
// locale's separator, no grouping, an exponent form outside the range described in the source.
QString ValueToText(double value, const LocaleValues &locale);

// The value of a text that IsPlainNumber accepts.
double PlainNumberValue(const QString &number, const LocaleValues &locale);
