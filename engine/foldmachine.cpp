#include "foldmachine.h"

#include "evaluator.h"
#include "evaluatoroperators.h"
#include "sheetrows.h"
#include "localevalues.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <type_traits>

namespace {

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// applyOperator with the two commonest operators inline: the same operations.
bool apply(quint8 level, quint8 index, double l, double r, double &result)
{
    if (level == 6 && index == 3) {
        result = r + l;
        return std::isfinite(result);
    }
    if (level == 6 && index == 2) {
        result = l - r;
        return std::isfinite(result);
    }
    if (level == 3 && index == 2) {
        result = r * l;
        return std::isfinite(result);
    }
    return applyOperator(level, index, l, r, result);
}

LocaleValues machineLocale(char16_t sep, bool leadingZero)
{
    LocaleValues values;
    values.decimalSeparator = QString(QChar(sep));
    values.leadingZero = leadingZero;
    return values;
}

} // namespace

FoldMachine::FoldMachine(const LocaleValues &locale)
    : m_sep(locale.decimalChar().unicode())
    , m_leadingZero(locale.leadingZero)
{
    m_frames.emplace_back();
}

// A row of a running sum ("1234.56+" or "7-", after a row of the same kind): the number is read
// and the operator before it applied in one go, leaving every member as feeding the characters one
// by one leaves it. False, with nothing changed, for anything else.
bool FoldMachine::feedSumRow(QStringView text)
{
    const qsizetype n = text.size();
    if (n < 2 || m_dead || m_unfoldable || !m_fedAny || m_inLiteral || m_pending != 0)
        return false;
    // After a "-" row the minus is still a run of one behind the row's number; after a "+" row
    // the "+" waits on the operator stack.
    const bool afterMinus = m_run == 1 && m_runAfterOperand && !m_runAfterSeparator;
    if (!afterMinus && (m_run != 0 || m_afterOperand))
        return false;
    const char16_t *const p = reinterpret_cast<const char16_t *>(text.data());
    const char16_t op = p[n - 1];
    double value = 0;
    if ((op != u'+' && op != u'-') || !QuickLiteralValue(p, p + n - 1, m_sep, m_leadingZero, value))
        return false;

    // The stack: a sum's operator on top, with nothing of its level or tighter below it (which
    // pushing another "+" or "-" would reduce as well).
    Frame &f = m_frames.back();
    const qsizetype ops = f.ops.size();
    const qsizetype operands = f.operands.size();
    if (ops == 0 || f.ops[ops - 1].level != 6 || f.ops[ops - 1].index < 2 || (ops >= 2 && f.ops[ops - 2].level <= 6))
        return false;
    // After a "-" row: the operator below the row's number is applied to it first, and the minus
    // becomes the subtraction the number now waits on.
    Value reduced;
    Op pending = f.ops[ops - 1];
    if (afterMinus) {
        double left = 0;
        if (!m_afterOperand || operands < 2 || !f.operands[operands - 1].number || !f.operands[operands - 2].number
            || !apply(pending.level, pending.index, f.operands[operands - 2].value, f.operands[operands - 1].value, left))
            return false;
        throughText(left, reduced);
        pending = {6, 2};
    } else if (operands < 1 || !f.operands[operands - 1].number) {
        return false;
    }
    // A "+" row's number goes into the sum at once; a "-" row's waits for the next row.
    double result = 0;
    if (op == u'+') {
        const double sum = afterMinus ? reduced.value : f.operands[operands - 1].value;
        if ((afterMinus && !reduced.number) || !apply(pending.level, pending.index, sum, value, result))
            return false;
    }

    // Nothing can fail now: the members are written as the characters would have written them.
    if (afterMinus) {
        m_run = 0;
        m_lastRun = 1;
        m_lastRunBinary = true;
        f.operands.removeLast();
        Value &sum = f.operands.back();
        sum.value = reduced.value;
        sum.number = reduced.number;
        sum.cause = reduced.cause;
        sum.causeAtEnd = reduced.causeAtEnd;
        f.ops.back() = pending;
    }
    const Before literalBefore = before();
    m_afterOperand = true;
    m_percented = false;
    m_operandBefore = literalBefore;
    m_operandEndsWithSeparator = false;
    m_operandIsLiteral = true;
    m_simple = false;
    if (op == u'+') {
        throughText(result, f.operands.back());
        f.ops.back() = {6, 3};
        m_afterOperand = false;
        m_prev = u'+';
        return true;
    }
    Value v;
    v.number = true;
    v.value = value;
    f.operands.append(v);
    m_runAfterOperand = true;
    m_runAfterSeparator = false;
    m_run = 1;
    m_prev = u'-';
    return true;
}

qsizetype FoldMachine::feedSumRows(const SheetRows &rows, qsizetype from, qsizetype to)
{
    qsizetype row = from;
    // A row's number and operator; false for a row of another kind.
    const auto read = [&](qsizetype at, double &value, char16_t &op) {
        const QStringView text = rows.row(at);
        const qsizetype n = text.size();
        const char16_t *const p = reinterpret_cast<const char16_t *>(text.data());
        if (n < 2)
            return false;
        op = p[n - 1];
        return (op == u'+' || op == u'-') && QuickLiteralValue(p, p + n - 1, m_sep, m_leadingZero, value);
    };
    while (row < to) {
        if (!feedSumRow(rows.row(row)))
            return row;
        // From one such row to the next feedSumRow's checks hold as they did, and of its members
        // only the stacks, the minus run and what stood before the number change: those are
        // written here as it writes them. Anything else goes back to it.
        Frame &f = m_frames.back();
        for (++row; row < to; ++row) {
            double value = 0;
            char16_t op = 0;
            if (!read(row, value, op))
                break;
            Value number;
            number.number = true;
            number.value = value;
            if (m_prev == u'+') {
                // The "+" waits on the stack above the sum: "+" rows add to it in a run of their own.
                Value &sum = f.operands.back();
                const Op pending = f.ops.back();
                if (!sum.number)
                    break;
                m_operandBefore = Before::Plus;
                double result = 0;
                while (op == u'+' && apply(pending.level, pending.index, sum.value, value, result)) {
                    throughText(result, sum);
                    if (++row == to || !sum.number || !read(row, value, op))
                        return row < to ? row : to;
                    number.value = value;
                }
                if (op == u'+')
                    break;
                f.operands.append(number);
                m_afterOperand = true;
                m_runAfterOperand = true;
                m_runAfterSeparator = false;
                m_run = 1;
                m_prev = u'-';
                continue;
            }
            // After a "-" row: the operator below its number is applied to it, and the minus is
            // the subtraction this row's number waits on.
            const qsizetype k = f.operands.size();
            const Op pending = f.ops.back();
            double left = 0;
            if (k < 2 || !f.operands[k - 1].number || !f.operands[k - 2].number
                || !apply(pending.level, pending.index, f.operands[k - 2].value, f.operands[k - 1].value, left))
                break;
            Value reduced;
            throughText(left, reduced);
            double result = 0;
            if (!reduced.number || (op == u'+' && !apply(6, 2, reduced.value, value, result)))
                break;
            m_lastRun = 1;
            m_lastRunBinary = true;
            m_operandBefore = Before::LoneBinaryMinus;
            f.operands.removeLast();
            f.operands.back() = reduced;
            if (op == u'+') {
                throughText(result, f.operands.back());
                f.ops.back() = {6, 3};
                m_afterOperand = false;
                m_run = 0;
                m_prev = u'+';
            } else {
                f.ops.back() = {6, 2};
                f.operands.append(number);
            }
        }
    }
    return row;
}

void FoldMachine::feed(QStringView text)
{
    if (feedSumRow(text))
        return;
    const char16_t *p = reinterpret_cast<const char16_t *>(text.data());
    const char16_t *const end = p + text.size();
    while (p != end) {
        if (m_dead || m_unfoldable)
            return;
        // One minus between a number and the next (a row "3.02-" before "4.03+") is a
        // subtraction: settled here as the number's first character would settle it, so that
        // the number is read whole below.
        if (m_run == 1 && m_pending == 0 && !m_inLiteral && m_runAfterOperand && !m_runAfterSeparator
            && (isDigit(*p) || *p == m_sep)) {
            resolveRun(*p);
            if (m_dead || m_unfoldable)
                return;
        }
        // A number that starts where an operand is awaited and ends inside the text (most rows
        // of a tape: an amount and its operator) is read whole, without going through its
        // characters one at a time; what it leaves is what feeding them would have left.
        if (!m_inLiteral && m_fedAny && !m_afterOperand && m_run == 0 && m_pending == 0
            && (isDigit(*p) || *p == m_sep)) {
            // Scanned and read in one pass: the digits as a whole number, as QuickLiteralValue
            // reads them. The scan stops past kMaxWholeLiteral characters, so the counts stay
            // small however long the number.
            const char16_t *const limit = end - p > kMaxWholeLiteral ? p + kMaxWholeLiteral + 1 : end;
            const char16_t *q = p;
            std::uint64_t digits = 0;
            int separators = 0;
            const char16_t *fraction = nullptr; // after the last separator
            for (; q != limit; ++q) {
                const unsigned digit = unsigned(*q) - u'0';
                if (digit <= 9) {
                    digits = digits * 10 + digit;
                } else if (*q == m_sep) {
                    ++separators;
                    fraction = q + 1;
                } else {
                    break;
                }
            }
            const int count = int(q - p) - separators;
            const int decimals = fraction ? int(q - fraction) : -1;
            if (q != end && q - p <= kMaxWholeLiteral) {
                const Before literalBefore = before();
                const char16_t c = *q;
                const bool binary = c == u'+' || c == u'*' || c == u'/';
                const quint8 level = c == u'+' ? 6 : 3;
                const quint8 index = c == u'*' ? 2 : 3;
                if (separators <= 1 && count <= kMaxQuickDigits && q[-1] != m_sep && !(*p == m_sep && m_leadingZero)) {
                    const double value = decimals > 0 ? double(digits) / kExactPowersOfTen[decimals] : double(digits);
                    // Followed by an operator that reduces the one before it: the literal is the
                    // right operand of that reduction, whose result takes the left one's place.
                    Frame &f = m_frames.back();
                    double result = 0;
                    if (binary && !f.ops.isEmpty() && f.ops.back().level <= level && f.ops.back().level != 2
                        && f.operands.back().number
                        && apply(f.ops.back().level, f.ops.back().index, f.operands.back().value, value, result)) {
                        operandDone(literalBefore);
                        m_operandIsLiteral = true;
                        f.ops.removeLast();
                        throughText(result, f.operands.back());
                    } else {
                        Value v;
                        v.number = true;
                        v.value = value;
                        pushLiteral(v, literalBefore, false);
                    }
                } else {
                    commitLiteral(p, q, literalBefore);
                }
                m_prev = q[-1];
                p = q;
                // The operator after it, as feed() and handle() would take it.
                if (binary) {
                    m_simple = false;
                    pushBinary(level, index);
                    m_prev = c;
                    ++p;
                }
                continue;
            }
        }
        feed(*p++);
    }
}

void FoldMachine::feed(char16_t c)
{
    if (m_dead || m_unfoldable)
        return;
    m_simple = !m_fedAny ? (c == u'-' || isDigit(c) || c == m_sep) : m_simple && (isDigit(c) || c == m_sep);
    m_fedAny = true;

    if (m_inLiteral) {
        if (isDigit(c) || c == m_sep) {
            m_literal += static_cast<char>(c);
            m_prev = c;
            return;
        }
        commitLiteral();
    }
    if (c == u'-') {
        if (m_run == 0) {
            m_runAfterOperand = m_afterOperand;
            // A percentage's number stands behind its "%" once rewritten, so "7.%--5" runs
            // into "7.5" as "7.--5" does.
            m_runAfterSeparator = m_afterOperand && m_operandEndsWithSeparator;
        }
        ++m_run;
        m_prev = c;
        return;
    }
    bool consumed = false;
    if (m_run > 0)
        consumed = resolveRun(c);
    else if (m_pending)
        consumed = resolvePending(c);
    if (!consumed && !m_dead && !m_unfoldable)
        handle(c);
    m_prev = c;
}

std::optional<double> FoldMachine::plainNumber(QStringView text) const
{
    const QString plain = text.toString();
    const LocaleValues locale = machineLocale(m_sep, m_leadingZero);
    if (!IsPlainNumber(plain, locale))
        return std::nullopt;
    return PlainNumberValue(plain, locale);
}

// The state as if the text ended here; false when nothing of the fold is left to finish.
bool FoldMachine::endState(FoldMachine &end)
{
    if (end.m_inLiteral)
        end.commitLiteral();
    if (end.m_run > 0)
        end.resolveRun(0);
    else if (end.m_pending)
        end.resolvePending(0);
    return !end.m_unfoldable && !end.m_dead;
}

std::optional<double> FoldMachine::collapse(QStringView text) const
{
    if (m_dead)
        return std::nullopt;
    // A text that is one number, possibly negated, is read whole, not through a unary minus
    // (which would round it to 15 digits).
    if (m_simple)
        return plainNumber(text);
    if (m_frames.size() != 1)
        return std::nullopt; // a parenthesis left open
    FoldMachine end = *this;
    endState(end);
    if (end.m_unfoldable)
        return EvaluateJoined(text.toString(), machineLocale(m_sep, m_leadingZero));
    if (end.m_dead || !end.m_afterOperand)
        return std::nullopt;
    double value = 0;
    if (finish(end.m_frames.front(), value) != EvalFailure::None)
        return std::nullopt;
    return value;
}

bool FoldMachine::outcome(double &value, EvalFailure &failure) const
{
    value = 0;
    if (m_dead || m_unfoldable || m_simple)
        return false;
    // Nothing refused so far: no character the evaluator rejects before looking at the
    // parentheses, and no ")" before its "(". A "(" still open is the first failure it meets.
    if (m_frames.size() != 1) {
        failure = EvalFailure::UnbalancedParenthesis;
        return true;
    }
    FoldMachine end = *this;
    const bool inLiteral = end.m_inLiteral;
    if (!endState(end)) {
        if (end.m_unfoldable)
            return false;
        // An operator at the end reduced a finished part that fails: the evaluator meets that
        // part first, being tighter or further left. The reason is not kept on the way there.
        return false;
    }
    if (!end.m_afterOperand) {
        // The text ends in an operator: its tightest pending operator, the first the evaluator
        // takes, has nothing on its right.
        failure = EvalFailure::Incomplete;
        return true;
    }
    // The last operand ends the text (behind its "%", which the evaluator moves in front).
    Frame &frame = end.m_frames.front();
    if (inLiteral || (end.m_operandIsLiteral && end.m_percented && end.m_prev == u'%'))
        frame.operands.back().cause = frame.operands.back().causeAtEnd;
    failure = finish(frame, value);
    if (failure != EvalFailure::None)
        value = 0;
    return true;
}

void FoldMachine::release()
{
    if (!stopped())
        return;
    m_frames.clear();
    m_frames.shrink_to_fit();
    m_literal = std::string();
}

FoldMachine::Before FoldMachine::before() const
{
    switch (m_prev) {
    case u'*': return Before::Times;
    case u'/': return Before::Divide;
    case u'+': return Before::Plus;
    case u'-': return m_lastRun == 1 && m_lastRunBinary ? Before::LoneBinaryMinus : Before::Other;
    default: return Before::Other;
    }
}

void FoldMachine::handle(char16_t c)
{
    if (isDigit(c) || c == m_sep) {
        if (m_afterOperand)
            return die(); // ")5", "%5": a number straight after a group or a percentage
        m_literalBefore = before();
        m_literal.assign(1, static_cast<char>(c));
        m_inLiteral = true;
        return;
    }
    switch (c) {
    case u'(':
        if (m_afterOperand)
            return die(); // no implicit multiplication
        // A frame is about a hundred bytes, and every kept state of a tape copies them: past this
        // depth the text is left to the whole evaluation, which reads it in far less.
        if (m_frames.size() > kMaxOpenGroups) {
            m_unfoldable = true;
            return;
        }
        m_frames.emplace_back();
        m_frames.back().before = before();
        return;
    case u')': return closeGroup();
    case u'%': return percent();
    case u'+': return pushBinary(6, 3);
    case u'*': return pushBinary(3, 2);
    case u'/': return pushBinary(3, 3);
    case u'\\': return pushBinary(4, 0);
    case u'=': return pushBinary(7, 3);
    case u'^':
    case u'<':
    case u'>':
        // Which operator it is depends on what follows.
        if (!m_afterOperand)
            return die();
        m_pending = c;
        return;
    default:
        break;
    }
    // Letters (MOD, an exponent "1E+05") and blanks (trimmed at the ends) are left to the
    // evaluator; anything else is a character it refuses wherever it stands.
    if (c == u' ' || (c < 0x80 && QChar(c).isLetter()))
        m_unfoldable = true;
    else
        die();
}

void FoldMachine::commitLiteral()
{
    commitLiteral(m_literal.data(), m_literal.data() + m_literal.size(), m_literalBefore);
}

template <typename Char>
void FoldMachine::commitLiteral(const Char *first, const Char *last, Before before)
{
    // The literal as bytes: digits and the separator only, so each character is one byte.
    const char sep = static_cast<char>(m_sep);
    Value v;
    v.number = QuickLiteralValue(first, last, m_sep, m_leadingZero, v.value);
    if (!v.number) {
        char bytes[kMaxWholeLiteral];
        const char *from = nullptr;
        const char *to = nullptr;
        if constexpr (std::is_same_v<Char, char>) {
            from = first;
            to = last;
        } else {
            std::transform(first, last, bytes, [](Char c) { return static_cast<char>(c); });
            from = bytes;
            to = bytes + (last - first);
        }
        v.number = plainLiteralValue(from, to, sep, m_leadingZero, v.value);
        if (!v.number) {
            v.cause = literalFailureBytes(from, to, sep, m_leadingZero, false);
            v.causeAtEnd = literalFailureBytes(from, to, sep, m_leadingZero, true);
        }
    }
    pushLiteral(v, before, last[-1] == Char(sep));
}

void FoldMachine::pushLiteral(const Value &v, Before before, bool endsWithSeparator)
{
    m_frames.back().operands.append(v);
    operandDone(before);
    m_operandEndsWithSeparator = endsWithSeparator;
    m_operandIsLiteral = true;
    m_inLiteral = false;
}

void FoldMachine::operandDone(Before before)
{
    m_afterOperand = true;
    m_percented = false;
    m_operandIsLiteral = false;
    m_operandBefore = before;
    m_operandEndsWithSeparator = false;
}

// A run of minus signs has ended at next (0 at the end of the text). True when next was taken
// into a comparison ("<" and ">" across a run that cancelled).
bool FoldMachine::resolveRun(char16_t next)
{
    const int run = m_run;
    m_run = 0;
    m_lastRun = run;
    m_lastRunBinary = false;
    if (m_pending == u'^') {
        m_pending = 0;
        pushBinary(1, run % 2 ? 0 : 1);
        return false;
    }
    if (m_pending) {
        const char16_t comparison = m_pending;
        m_pending = 0;
        if (run % 2 == 0)
            return resolveComparison(comparison, next);
        pushBinary(7, comparison == u'<' ? 4 : 5);
        pushUnary();
        return false;
    }
    int rest = run;
    if (m_runAfterOperand) {
        // Behind a separator the run is no subtraction: the evaluator writes the value of the
        // unary minus onto the number's text (or, cancelled, joins the two numbers).
        if (m_runAfterSeparator) {
            m_unfoldable = true;
            return true;
        }
        pushBinary(6, 2);
        m_lastRunBinary = true;
        --rest;
    }
    if (rest % 2)
        pushUnary();
    return false;
}

bool FoldMachine::resolvePending(char16_t next)
{
    const char16_t op = m_pending;
    m_pending = 0;
    if (op == u'^') {
        pushBinary(1, 1);
        return false;
    }
    return resolveComparison(op, next);
}

bool FoldMachine::resolveComparison(char16_t op, char16_t next)
{
    if (op == u'<' && next == u'>') {
        pushBinary(7, 0);
        return true;
    }
    if (op == u'<' && next == u'=') {
        pushBinary(7, 1);
        return true;
    }
    if (op == u'>' && next == u'=') {
        pushBinary(7, 2);
        return true;
    }
    pushBinary(7, op == u'<' ? 4 : 5);
    return false;
}

void FoldMachine::pushUnary()
{
    m_frames.back().ops.append({2, 0});
    m_afterOperand = false;
}

void FoldMachine::pushBinary(quint8 level, quint8 index)
{
    if (m_dead)
        return;
    if (!m_afterOperand)
        return die(); // an operator with nothing on its left
    Frame &f = m_frames.back();
    while (!f.ops.isEmpty() && f.ops.back().level <= level) {
        // Mostly two numbers and a binary operator that gives one: reduced in place.
        const Op op = f.ops.back();
        const qsizetype n = f.operands.size();
        double result = 0;
        if (op.level != 2 && n >= 2 && f.operands[n - 1].number && f.operands[n - 2].number
            && apply(op.level, op.index, f.operands[n - 2].value, f.operands[n - 1].value, result)) {
            f.ops.removeLast();
            f.operands.removeLast();
            throughText(result, f.operands.back());
            continue;
        }
        if (reduce(f) != EvalFailure::None)
            return die();
    }
    f.ops.append({level, index});
    m_afterOperand = false;
}

void FoldMachine::closeGroup()
{
    if (m_frames.size() == 1 || !m_afterOperand)
        return die(); // a ")" before its "(", or a group ending in an operator or empty
    double value = 0;
    if (finish(m_frames.back(), value) != EvalFailure::None)
        return die();
    const Before groupBefore = m_frames.back().before;
    m_frames.pop_back();
    m_frames.back().operands.append(throughText(value));
    operandDone(groupBefore);
}

void FoldMachine::percent()
{
    if (!m_afterOperand || m_percented)
        return die();
    Frame &f = m_frames.back();
    if (f.ops.isEmpty())
        return die();
    Op &op = f.ops.back();
    const auto retarget = [&](quint8 level, quint8 from, quint8 to) {
        if (op.level != level || op.index != from)
            return die();
        op.index = to;
    };
    switch (m_operandBefore) {
    case Before::Times: retarget(3, 2, 0); break;
    case Before::Divide: retarget(3, 3, 1); break;
    case Before::Plus: retarget(6, 3, 1); break;
    case Before::LoneBinaryMinus: retarget(6, 2, 0); break;
    case Before::Other: return die(); // no operand in front, or an operator with no percent form
    }
    m_percented = true;
}

FoldMachine::Value FoldMachine::throughText(double value)
{
    Value v;
    throughText(value, v);
    return v;
}

// Written field by field into its place: a Value built apart and copied in is stored a byte at
// a time and read back whole, which the processor cannot forward (most of a fold row's time).
void FoldMachine::throughText(double value, Value &v)
{
    v.number = QuickThroughText(value, v.value) || valueThroughText(value, v.value);
    v.cause = EvalFailure::None;
    v.causeAtEnd = EvalFailure::None;
    if (!v.number) {
        // A text with a three-digit exponent: too large or too close to zero.
        v.cause = std::fabs(value) >= 1 ? EvalFailure::TooLarge : EvalFailure::TooSmall;
        v.causeAtEnd = v.cause;
    }
}

// The top operator applied to its operands; where the evaluator fails, why (the right operand
// is looked at first, then the left, then the arithmetic).
EvalFailure FoldMachine::reduce(Frame &f)
{
    const Op op = f.ops.back();
    f.ops.removeLast();
    const Value right = f.operands.back();
    f.operands.removeLast();
    if (!right.number)
        return right.cause;
    double result = 0;
    if (op.level == 2) {
        applyOperator(2, op.index, 0, right.value, result);
        f.operands.append(throughText(result));
        return EvalFailure::None;
    }
    // The result takes the left operand's place.
    Value &left = f.operands.back();
    if (!left.number) {
        const EvalFailure why = left.cause;
        f.operands.removeLast();
        return why;
    }
    if (!apply(op.level, op.index, left.value, right.value, result)) {
        const EvalFailure why = operatorFailure(op.level, op.index, left.value, right.value);
        f.operands.removeLast();
        return why;
    }
    throughText(result, left);
    return EvalFailure::None;
}

EvalFailure FoldMachine::finish(Frame f, double &value)
{
    while (!f.ops.isEmpty()) {
        const EvalFailure why = reduce(f);
        if (why != EvalFailure::None)
            return why;
    }
    if (f.operands.size() != 1)
        return EvalFailure::Invalid;
    if (!f.operands.front().number)
        return f.operands.front().cause;
    value = f.operands.front().value;
    return EvalFailure::None;
}

std::optional<double> EvaluateJoined(const QString &expression, const LocaleValues &locale)
{
    if (expression.contains(QLatin1String("\r\n")))
        return std::nullopt;
    bool failed = false;
    const double value = EvaluateExpression(expression, locale, failed);
    if (failed)
        return std::nullopt;
    return value;
}
