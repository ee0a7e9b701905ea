#pragma once

#include "evalfailure.h"

#include <QString>
#include <QStringView>
#include <QVarLengthArray>

#include <optional>
#include <string>
#include <vector>

struct LocaleValues;
class SheetRows;

// The value of an expression evaluated whole; empty when it fails or still holds a row break
// (independent rows have no value).
std::optional<double> EvaluateJoined(const QString &expression, const LocaleValues &locale);

// The evaluator's pending state while an expression is read one character at a time: per open
// parenthesis a stack of operands and of operators waiting for tighter ones (the evaluator takes,
// inside a group, the tightest level first and within a level the leftmost operator, which is the
// same as reducing an operator as soon as one of the same or a looser level follows). Finishing
// a copy of that small state as if the text ended there gives the value of the text read so far.
// The evaluator's text rewrites become look-ahead here:
//  - a number (digits and separators) or a group followed by "%" takes the operator written
//    just before it into its percent form: "*" "/" "+" and a lone subtracting "-" become "*%"
//    "/%" "+%" "-%" (same levels); any other "%" fails;
//  - a run of minus signs is a subtraction when a number, a group or a percentage stands before
//    it, and the rest of the run cancels in pairs, an odd rest leaving one unary minus; a run
//    that cancels wholly lets "<" or ">" join a following ">" or "=", and after "^" an odd run
//    makes "^-" (power of the negated exponent);
//  - every value passes through its 15-significant-digit text, as the evaluator's values do.
// A failure the rest of the text cannot undo (a character the evaluator refuses, an operator
// without its left operand, a division by zero in a finished part) makes every later text fail:
// the machine is then "dead" and reads nothing more. Letters and blanks (MOD, "1E+05", blanks
// trimmed at the ends) make it "unfoldable": such a text is left to the whole evaluation.
//
// A copy is a few hundred bytes plus one heap block per open parenthesis, so a tape can keep one
// every few rows and read on from there. Internal to the engine (the tape's subtotals and the
// tape model share it).
class FoldMachine
{
public:
    explicit FoldMachine(const LocaleValues &locale);

    bool dead() const { return m_dead; }
    bool unfoldable() const { return m_unfoldable; }
    // Reading more changes nothing any more.
    bool stopped() const { return m_dead || m_unfoldable; }

    void feed(char16_t c);
    void feed(QStringView text);
    // Rows from .. to - 1 fed one by one, as long as each is a row of a running sum ("1234.56+"
    // or "7-" after a row of the same kind), which is read in one step; the first row not fed.
    qsizetype feedSumRows(const SheetRows &rows, qsizetype from, qsizetype to);

    // The value of the text fed so far (text: the same characters), as the evaluator gives it;
    // an unfoldable text is evaluated whole.
    std::optional<double> collapse(QStringView text) const;

    // The outcome of the text fed so far, where the machine can tell it without the text: true
    // with the value (failure None) or with the evaluator's failure reason. False where only the
    // whole evaluation can tell: a dead or unfoldable machine, or a text that is one number
    // (possibly negated), which the evaluator reads whole.
    bool outcome(double &value, EvalFailure &failure) const;

    // Frees what a stopped machine no longer reads (its operand stacks).
    void release();

private:
    struct Value
    {
        double value = 0;
        bool number = false; // false: a text that is no number (a malformed literal, a huge exponent)
        EvalFailure cause = EvalFailure::None;      // why it is no number
        EvalFailure causeAtEnd = EvalFailure::None; // ... when it is the last operand of the text
    };

    struct Op
    {
        quint8 level; // 1 ... 7 as in the evaluator's operator table; 2 is the unary minus
        quint8 index;
    };

    // The character written just before an operand, which a "%" after the operand takes over.
    enum class Before : quint8 { Other, Times, Divide, Plus, LoneBinaryMinus };

    struct Frame
    {
        QVarLengthArray<Value, 4> operands;
        QVarLengthArray<Op, 4> ops;
        Before before = Before::Other; // what stood before the group's "("
    };

    // The longest number read whole by feed(QStringView); a longer one goes character by character.
    static constexpr qsizetype kMaxWholeLiteral = 64;
    static constexpr size_t kMaxOpenGroups = 64 * 1024;
    // The most digits a number read whole may have for its value to be their quotient by a
    // power of ten (both exact doubles).
    static constexpr int kMaxQuickDigits = 15;

    bool feedSumRow(QStringView text);
    std::optional<double> plainNumber(QStringView text) const;
    static bool endState(FoldMachine &end);
    void die() { m_dead = true; }
    Before before() const;
    void handle(char16_t c);
    void commitLiteral();
    template <typename Char>
    void commitLiteral(const Char *first, const Char *last, Before before);
    void pushLiteral(const Value &v, Before before, bool endsWithSeparator);
    void operandDone(Before before);
    bool resolveRun(char16_t next);
    bool resolvePending(char16_t next);
    bool resolveComparison(char16_t op, char16_t next);
    void pushUnary();
    void pushBinary(quint8 level, quint8 index);
    void closeGroup();
    void percent();
    static Value throughText(double value);
    static void throughText(double value, Value &v);
    static EvalFailure reduce(Frame &f);
    static EvalFailure finish(Frame f, double &value);

    char16_t m_sep;
    bool m_leadingZero;
    std::vector<Frame> m_frames;
    bool m_dead = false;
    bool m_unfoldable = false;
    bool m_simple = true;            // so far only an optional "-" and digits and separators
    bool m_fedAny = false;
    char16_t m_prev = 0;             // the last character fed
    bool m_afterOperand = false;     // an operand stands last (a number, a group, a percentage)
    bool m_percented = false;        // ... and it has taken its "%"
    bool m_operandIsLiteral = false; // ... and it is a number as written
    Before m_operandBefore = Before::Other;
    bool m_operandEndsWithSeparator = false; // the operand is a number written with a separator last
    bool m_inLiteral = false;
    std::string m_literal;
    Before m_literalBefore = Before::Other;
    int m_run = 0;                   // minus signs read and not yet resolved
    bool m_runAfterOperand = false;
    bool m_runAfterSeparator = false;
    int m_lastRun = 0;               // the last resolved run: its length, and whether it began
    bool m_lastRunBinary = false;    // with a subtraction
    char16_t m_pending = 0;          // "^", "<" or ">" waiting for what follows
};
