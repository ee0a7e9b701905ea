#include "tapefold.h"

#include "evaluator.h"
#include "evaluatoroperators.h"
#include "localevalues.h"
#include "numberformat.h"
#include "sheettext.h"

#include <QVarLengthArray>

#include <string>
#include <vector>

// The fold reads the expression one character at a time and keeps what the evaluator would have
// pending at that point: per open parenthesis a stack of operands and of operators waiting for
// tighter ones (the evaluator takes, inside a group, the tightest level first and within a level
// the leftmost operator, which is the same as reducing an operator as soon as one of the same or
// a looser level follows). At a row end a copy of that small state is finished off as if the
// text ended there. The evaluator's text rewrites become look-ahead here:
//  - a number (digits and separators) or a group followed by "%" takes the operator written
//    just before it into its percent form: "*" "/" "+" and a lone subtracting "-" become "*%"
//    "/%" "+%" "-%" (same levels); any other "%" fails;
//  - a run of minus signs is a subtraction when a number, a group or a percentage stands before
//    it, and the rest of the run cancels in pairs, an odd rest leaving one unary minus; a run
//    that cancels wholly lets "<" or ">" join a following ">" or "=", and after "^" an odd run
//    makes "^-" (power of the negated exponent);
//  - every value passes through its 15-significant-digit text, as the evaluator's values do.
// A failure the rest of the text cannot undo (a character the evaluator refuses, an operator
// without its left operand, a division by zero in a finished part) makes every later prefix fail:
// the fold is then "dead" and costs nothing more.
namespace {

const QString kCrLf = QStringLiteral("\r\n");

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

struct Value
{
    double value = 0;
    bool number = false; // false: a text that is no number (a malformed literal, a huge exponent)
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
    QVarLengthArray<Value, 8> operands;
    QVarLengthArray<Op, 8> ops;
    Before before = Before::Other; // what stood before the group's "("
};

std::optional<double> evaluateWhole(const QString &expression, const LocaleValues &locale)
{
    if (expression.contains(kCrLf))
        return std::nullopt;
    bool failed = false;
    const double value = EvaluateExpression(expression, locale, failed);
    if (failed)
        return std::nullopt;
    return value;
}

Value throughText(double value)
{
    Value v;
    v.number = valueThroughText(value, v.value);
    return v;
}

class Fold
{
public:
    explicit Fold(const LocaleValues &locale)
        : m_sep(locale.decimalChar().unicode())
        , m_leadingZero(locale.leadingZero)
    {
        m_frames.emplace_back();
    }

    bool dead() const { return m_dead; }
    bool unfoldable() const { return m_unfoldable; }

    void feed(char16_t c)
    {
        if (m_dead || m_unfoldable)
            return;
        m_simple = m_fed == 0 ? (c == u'-' || isDigit(c) || c == m_sep) : m_simple && (isDigit(c) || c == m_sep);
        ++m_fed;

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

    // The value of the text fed so far (text: the same characters), as the evaluator gives it.
    std::optional<double> collapse(QStringView text) const
    {
        if (m_dead)
            return std::nullopt;
        // A text that is one number, possibly negated, is read whole, not through a unary minus
        // (which would round it to 15 digits).
        if (m_simple) {
            const QString plain = text.toString();
            if (!IsPlainNumber(plain, locale()))
                return std::nullopt;
            return PlainNumberValue(plain, locale());
        }
        if (m_frames.size() != 1)
            return std::nullopt; // a parenthesis left open
        Fold end = *this;
        if (end.m_inLiteral)
            end.commitLiteral();
        if (end.m_run > 0)
            end.resolveRun(0);
        else if (end.m_pending)
            end.resolvePending(0);
        if (end.m_unfoldable)
            return evaluateWhole(text.toString(), locale());
        if (end.m_dead || !end.m_afterOperand)
            return std::nullopt;
        return finish(end.m_frames.front());
    }

private:
    LocaleValues locale() const
    {
        LocaleValues values;
        values.decimalSeparator = QString(QChar(m_sep));
        values.leadingZero = m_leadingZero;
        return values;
    }

    void die() { m_dead = true; }

    Before before() const
    {
        switch (m_prev) {
        case u'*': return Before::Times;
        case u'/': return Before::Divide;
        case u'+': return Before::Plus;
        case u'-': return m_lastRun == 1 && m_lastRunBinary ? Before::LoneBinaryMinus : Before::Other;
        default: return Before::Other;
        }
    }

    void handle(char16_t c)
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

    void commitLiteral()
    {
        Value v;
        v.number = plainLiteralValue(m_literal.data(), m_literal.data() + m_literal.size(),
                                     static_cast<char>(m_sep), m_leadingZero, v.value);
        m_frames.back().operands.append(v);
        operandDone(m_literalBefore);
        m_operandEndsWithSeparator = m_literal.back() == static_cast<char>(m_sep);
        m_inLiteral = false;
    }

    void operandDone(Before before)
    {
        m_afterOperand = true;
        m_percented = false;
        m_operandBefore = before;
        m_operandEndsWithSeparator = false;
    }

    // A run of minus signs has ended at next (0 at the end of the text). True when next was
    // taken into a comparison ("<" and ">" across a run that cancelled).
    bool resolveRun(char16_t next)
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
            // Behind a separator the run is no subtraction: the evaluator writes the value of
            // the unary minus onto the number's text (or, cancelled, joins the two numbers).
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

    bool resolvePending(char16_t next)
    {
        const char16_t op = m_pending;
        m_pending = 0;
        if (op == u'^') {
            pushBinary(1, 1);
            return false;
        }
        return resolveComparison(op, next);
    }

    bool resolveComparison(char16_t op, char16_t next)
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

    void pushUnary()
    {
        m_frames.back().ops.append({2, 0});
        m_afterOperand = false;
    }

    void pushBinary(quint8 level, quint8 index)
    {
        if (m_dead)
            return;
        if (!m_afterOperand)
            return die(); // an operator with nothing on its left
        Frame &f = m_frames.back();
        while (!f.ops.isEmpty() && f.ops.back().level <= level) {
            if (!reduce(f))
                return die();
        }
        f.ops.append({level, index});
        m_afterOperand = false;
    }

    void closeGroup()
    {
        if (m_frames.size() == 1 || !m_afterOperand)
            return die(); // a ")" before its "(", or a group ending in an operator or empty
        const std::optional<double> value = finish(m_frames.back());
        if (!value)
            return die();
        const Before groupBefore = m_frames.back().before;
        m_frames.pop_back();
        m_frames.back().operands.append(throughText(*value));
        operandDone(groupBefore);
    }

    void percent()
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

    // The top operator applied to its operands; false where the evaluator fails.
    static bool reduce(Frame &f)
    {
        const Op op = f.ops.back();
        f.ops.removeLast();
        const Value right = f.operands.back();
        f.operands.removeLast();
        if (!right.number)
            return false;
        double result = 0;
        if (op.level == 2) {
            applyOperator(2, op.index, 0, right.value, result);
        } else {
            const Value left = f.operands.back();
            f.operands.removeLast();
            if (!left.number || !applyOperator(op.level, op.index, left.value, right.value, result))
                return false;
        }
        f.operands.append(throughText(result));
        return true;
    }

    static std::optional<double> finish(Frame f)
    {
        while (!f.ops.isEmpty()) {
            if (!reduce(f))
                return std::nullopt;
        }
        if (f.operands.size() != 1 || !f.operands.front().number)
            return std::nullopt;
        return f.operands.front().value;
    }

    char16_t m_sep;
    bool m_leadingZero;
    std::vector<Frame> m_frames;
    bool m_dead = false;
    bool m_unfoldable = false;
    bool m_simple = true;            // so far only an optional "-" and digits and separators
    qsizetype m_fed = 0;
    char16_t m_prev = 0;             // the last character fed
    bool m_afterOperand = false;     // an operand stands last (a number, a group, a percentage)
    bool m_percented = false;        // ... and it has taken its "%"
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

} // namespace

std::optional<double> PrefixSubtotal(const QString &strPrefix, const LocaleValues &locale)
{
    QString prefix = strPrefix;
    if (!prefix.isEmpty() && IsContinuationOperator(prefix.back()))
        prefix.chop(1);
    return evaluateWhole(SheetExpression(prefix), locale);
}

std::optional<double> SheetValue(const QString &strSheet, const LocaleValues &locale)
{
    return evaluateWhole(SheetExpression(strSheet), locale);
}

TapeFold FoldTape(const QString &strSheet, int intDecimals, const LocaleValues &locale)
{
    TapeFold fold;
    if (strSheet.isEmpty()) {
        fold.resultText = QString();
        return fold;
    }

    // The expression of the whole sheet (as SheetExpression makes it), where each row ends in
    // it, and where its first row break that is no continuation stands: every prefix reaching
    // it has independent rows.
    const QStringList rowTexts = strSheet.split(kCrLf);
    QString expression;
    expression.reserve(strSheet.size());
    std::vector<qsizetype> rowEnds;
    rowEnds.reserve(static_cast<size_t>(rowTexts.size()));
    qsizetype firstBreak = -1;
    QChar last;
    const qsizetype n = strSheet.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = strSheet.at(i);
        if (c == u'\r' && i + 1 < n && strSheet.at(i + 1) == u'\n') {
            rowEnds.push_back(expression.size());
            ++i;
            if (IsContinuationOperator(last))
                continue;
            if (firstBreak < 0)
                firstBreak = expression.size();
            expression += kCrLf;
            last = u'\n';
            continue;
        }
        expression += c;
        last = c;
    }
    rowEnds.push_back(expression.size());
    const qsizetype foldable = firstBreak < 0 ? expression.size() : firstBreak;

    Fold machine(locale);
    qsizetype fed = 0;
    const auto feedTo = [&](qsizetype end) {
        end = std::min(end, foldable);
        for (; fed < end; ++fed)
            machine.feed(expression.at(fed).unicode());
    };

    fold.rows.reserve(rowTexts.size());
    for (qsizetype row = 0; row < rowTexts.size(); ++row) {
        const QString &text = rowTexts.at(row);
        const qsizetype end = rowEnds[static_cast<size_t>(row)];
        const bool dropsOperator = !text.isEmpty() && IsContinuationOperator(text.back());
        const qsizetype prefixEnd = end - (dropsOperator ? 1 : 0);

        feedTo(prefixEnd);
        std::optional<double> subtotal;
        if (firstBreak >= 0 && prefixEnd > firstBreak)
            subtotal = std::nullopt;
        else if (machine.unfoldable())
            subtotal = evaluateWhole(expression.left(prefixEnd), locale);
        else
            subtotal = machine.collapse(QStringView(expression).left(prefixEnd));
        feedTo(end);

        TapeRow tapeRow{text, subtotal, {}};
        if (subtotal)
            tapeRow.subtotalText = FormatResult(*subtotal, intDecimals, locale);
        fold.rows.append(std::move(tapeRow));
    }

    // The whole sheet: the last row's subtotal, unless that row ends in an operator, which the
    // result panel does not drop.
    const TapeRow &lastRow = fold.rows.back();
    if (!lastRow.text.isEmpty() && IsContinuationOperator(lastRow.text.back()))
        fold.result = evaluateWhole(expression, locale);
    else
        fold.result = lastRow.subtotal;
    if (fold.result)
        fold.resultText = FormatResult(*fold.result, intDecimals, locale);
    return fold;
}
