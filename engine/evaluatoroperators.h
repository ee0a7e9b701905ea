#pragma once

#include "evalfailure.h"

#include <cmath>
#include <cstdint>

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

// The fast ways of the two above for the common cases, inline for the tape's fold, which meets
// them at every row. False where the full routine must decide; where true, the result is the
// full routine's.

// valueThroughText for most values (sums and products of amounts): those within a rounding error
// of D = m / 10^j, a whole number m of hundredths or millionths with |m| < 10^15. D has at most 15
// significant digits and lies on the grid of 15-digit texts of the value's decade, whose spacing
// is more than |value| * 10^-15. When the value is nearer to D than half that spacing, its text
// is D, and reading the text back gives the nearest double to D: m / 10^j, as m and 10^j are
// exact and the division rounds once. value - q is exact (the two are close), q is within half
// an ulp (|q| * 2^-53, below 1.12e-16 |value|) of D, so |value - q| <= 3.5e-16 |value| keeps the
// distance below 4.7e-16 |value|, under the 5e-16 |value| that half the spacing is at least. A
// sum of two amounts is off its exact D by up to about 2.3e-16 |value| (the rounding of the two
// operands and of the sum), so sums of amounts pass.
inline bool QuickThroughTextAt(double value, double scale, double &result)
{
    constexpr double kWholeLimit = 1e15;
    const double product = value * scale;
    if (!(std::fabs(product) < kWholeLimit))
        return false;
    // A whole number near the product (the nearest, as adding 1.5 * 2^52 leaves no fraction
    // below 2^51); any whole number would do, the test below is what makes the result right.
    constexpr double kRounder = 0x1.8p52;
    const double scaled = (product + kRounder) - kRounder;
    if (!(std::fabs(scaled) < kWholeLimit))
        return false;
    const double q = scaled / scale;
    // Mostly the value is that nearest double already; giving back the value rather than q
    // then lets the next operation start before the division is done.
    if (q == value && value != 0.0) {
        result = value;
        return true;
    }
    if (std::fabs(value - q) <= 3.5e-16 * std::fabs(value)) {
        result = q == 0.0 ? 0.0 : q; // the text of -0 is "0"
        return true;
    }
    return false;
}

inline bool QuickThroughText(double value, double &result)
{
    return QuickThroughTextAt(value, 1e2, result) || QuickThroughTextAt(value, 1e6, result);
}

// 10^0 ... 10^15, each an exact double.
inline constexpr double kExactPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                               1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// plainLiteralValue for a literal of at most 15 digits in all and at most one separator, not the
// last character: its digits as a whole number and the power of ten it is divided by are both
// exact doubles, so the quotient is the correctly rounded value of the text, as from_chars reads
// it. Char: char (Latin-1 bytes) or char16_t.
template <typename Char>
inline bool QuickLiteralValue(const Char *first, const Char *last, char16_t sep, bool leadingZero, double &value)
{
    constexpr int kMaxDigits = 15;
    if (first == last || static_cast<char16_t>(last[-1]) == sep
        || (static_cast<char16_t>(*first) == sep && leadingZero))
        return false;
    // The digits, then a separator and the digits after it: two plain scans, as the tape's fold
    // reads a number of every row with this.
    std::uint64_t digits = 0;
    const Char *p = first;
    for (unsigned digit; p != last && (digit = unsigned(static_cast<char16_t>(*p)) - u'0') <= 9; ++p)
        digits = digits * 10 + digit;
    int decimals = 0;
    std::ptrdiff_t count = p - first;
    if (p != last) {
        if (static_cast<char16_t>(*p) != sep)
            return false;
        const Char *const fraction = ++p;
        for (unsigned digit; p != last && (digit = unsigned(static_cast<char16_t>(*p)) - u'0') <= 9; ++p)
            digits = digits * 10 + digit;
        if (p != last)
            return false;
        decimals = int(p - fraction);
        count += decimals;
    }
    if (count > kMaxDigits)
        return false;
    value = decimals > 0 ? double(digits) / kExactPowersOfTen[decimals] : double(digits);
    return true;
}
