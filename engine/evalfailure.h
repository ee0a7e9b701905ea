#pragma once

#include <QtGlobal>

// Why an expression has no value: what the evaluator reports beside its failure flag, and what
// the result panel's blank means. Each failure has one reason, the first the evaluation met.
enum class EvalFailure : quint8 {
    None,                  // the expression has a value
    Empty,                 // nothing to evaluate (an empty text, or blanks only)
    Invalid,               // no expression: a character left over, two operators in a row, 2(3),
                           // 1.2.3, a percentage with nothing in front (5%)
    Incomplete,            // it ends where an operand is still to come: 2+, 2^-, 2.
    UnbalancedParenthesis, // a "(" never closed or a ")" never opened
    DivisionByZero,        // "/", "/%", "\" or MOD by zero, or 0 raised to a negative power
    NoRealResult,          // a negative number raised to a fractional power
    TooLarge,              // a value or an operand beyond what a number can hold or a panel show
    TooSmall,              // a value so close to zero that its text needs a three-digit exponent
    IndependentRows,       // a sheet whose rows are not joined by operators (never the evaluator's)
};
