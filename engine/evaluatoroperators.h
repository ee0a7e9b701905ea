#pragma once

// Shared by the evaluator's two forms: EvaluateFlat on the coded text and EvaluateExpression's
// passes. Not part of the engine's interface.

// One operator, by its level and index in the operator table, applied to its operands; false on
// any arithmetic failure (division by zero, an integer operand out of range, a result that is not
// finite). The unary minus (level 2) ignores l.
bool applyOperator(int level, int index, double l, double r, double &result);
