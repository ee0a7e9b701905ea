#pragma once

#include "evalfailure.h"

// Shared by the evaluator's two forms: EvaluateFlat on the coded text and EvaluateExpression's
// passes. Not part of the engine's interface.

// One operator, by its level and index in the operator table, applied to its operands; false on
// any arithmetic failure (division by zero, an integer operand out of range, a result that is not
// finite). The unary minus (level 2) ignores l.
bool applyOperator(int level, int index, double l, double r, double &result);

// The value after its trip through the text the evaluator writes back (15 significant digits):
// false when that text would be no number (a three-digit exponent). Shared with the tape's
// running subtotals, which must round exactly as the evaluator does.
bool valueThroughText(double value, double &result);

// An operand text as the evaluator reads it, on Latin-1 bytes: false when IsPlainNumber would
// refuse it, else its value.
bool plainLiteralValue(const char *first, const char *last, char sep, bool leadingZero, double &value);

// Why a literal that plainLiteralValue refuses is no number; atEnd: it ends the text, where a
// separator still waiting for its digits (2.) is an operand not yet complete.
EvalFailure literalFailureBytes(const char *first, const char *last, char sep, bool leadingZero, bool atEnd);

// Why applyOperator refused its operands.
EvalFailure operatorFailure(int level, int index, double l, double r);
