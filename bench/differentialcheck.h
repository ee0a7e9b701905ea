#pragma once

#include <QtGlobal>

// The differential checks of the engine, on texts generated from seed: each returns the number of
// differences found and prints the first twenty with a summary line.

// Expressions evaluated by EvaluateExpression and by the reference, which must agree in the
// failure flag and the value's bits; a tenth as many sheets cleaned and joined by both.
long long checkExpressions(long long expressions, quint64 seed);

// Every row's running subtotal of FoldTape against its prefix evaluated whole.
long long checkTapes(long long tapes, quint64 seed);

// The tape model under random edits against the whole sheet evaluated after each.
long long checkEdits(long long edits, quint64 seed);
