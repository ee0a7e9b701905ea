#include "evaluator.h"
#include "evaluatoroperators.h"

#include "localevalues.h"

#include <QStringView>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

// EvaluateExpression works on a byte copy of the text in which every operator code is one byte
// (0x80 + level * 10 + index) instead of the three characters "@", level, index, and it keeps
// every value beside its text instead of writing the text back: a value is rounded to the
// 15 significant digits its text would carry, and a value whose text would need a three-digit
// exponent is marked as no number. The numbered steps are those of the rewriting form (kept as
// the reference implementation in bench/, against which this one is checked), each done here in
// one pass over the text; where two steps interact the comment says why the pass gives the same.
namespace {

double fail(bool &failed, EvalFailure &failure, EvalFailure why)
{
    failed = true;
    failure = why;
    return 0;
}

constexpr unsigned char kCodeBit = 0x80;

// Below this magnitude a whole number has at most 15 digits, and its text is exact.
constexpr double kExactWholeLimit = 1e15;

constexpr char codeByte(int level, int index)
{
    return static_cast<char>(kCodeBit | (level * 10 + index));
}

bool isCodeByte(char c)
{
    return static_cast<unsigned char>(c) & kCodeBit;
}

bool isDigitByte(char c)
{
    return c >= '0' && c <= '9';
}

// IsPlainNumber on a byte range.
bool isPlainBytes(const char *first, const char *last, char sep, bool leadingZero)
{
    if (first != last && *first == '-')
        ++first;
    qsizetype n = last - first;
    if (n >= 4) {
        const char e = last[-4];
        const char s = last[-3];
        if ((e == 'E' || e == 'e') && (s == '+' || s == '-') && isDigitByte(last[-2]) && isDigitByte(last[-1]))
            last -= 4;
    }
    if (first == last)
        return false;
    int separators = 0;
    qsizetype digitsBefore = 0;
    for (const char *p = first; p != last; ++p) {
        if (*p == sep) {
            if (++separators > 1)
                return false;
        } else if (!isDigitByte(*p)) {
            return false;
        } else if (separators == 0) {
            ++digitsBefore;
        }
    }
    if (last[-1] == sep)
        return false;
    if (*first == sep && leadingZero)
        return false;
    return digitsBefore <= 15;
}

// PlainNumberValue on a byte range that isPlainBytes accepted.
double plainBytesValue(const char *first, const char *last, char sep, std::string &scratch)
{
    bool negative = false;
    if (first != last && *first == '-') {
        negative = true;
        ++first;
    }
    // Up to 15 digits in all (an amount) the digits are a whole number a double holds exactly,
    // and so is the power of ten under them: one division rounds the quotient once, to the
    // nearest double, which is what reading the text gives.
    static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    if (last - first <= 16) {
        std::int64_t digits = 0;
        int count = 0;
        int fraction = -1; // digits after the separator; -1 before it
        const char *p = first;
        for (; p != last; ++p) {
            if (isDigitByte(*p)) {
                digits = digits * 10 + (*p - '0');
                ++count;
                if (fraction >= 0)
                    ++fraction;
            } else if (*p == sep && fraction < 0) {
                fraction = 0;
            } else {
                break; // an exponent
            }
        }
        if (p == last && count <= 15) {
            const double value = double(digits) / kPowersOfTen[fraction > 0 ? fraction : 0];
            return negative ? -value : value;
        }
    }
    if (sep != '.') {
        scratch.assign(first, last);
        for (char &c : scratch) {
            if (c == sep)
                c = '.';
        }
        first = scratch.data();
        last = scratch.data() + scratch.size();
    }
    double value = 0;
    std::from_chars(first, last, value);
    return negative ? -value : value;
}

// One operand as the flat evaluation sees it: an empty text, a number, or a text that is no
// number (a malformed literal, or a value whose text needs a three-digit exponent).
struct Operand
{
    enum Kind : quint8 { Empty, Number, NoNumber };
    Kind kind = Empty;
    double value = 0;
    qsizetype from = -1; // a literal's place in the encoded text, [from, to); -1 for a value
    qsizetype to = -1;
    qint32 joined = -1;  // or its text in FlatContext::joined
    // Why a NoNumber that is neither a literal nor a joined text is none: its value's text
    // would need a three-digit exponent.
    EvalFailure cause = EvalFailure::Invalid;
};

// The value after its trip through text: ValueToText, then PlainNumberValue.
Operand throughText(double value)
{
    if (value == 0.0 || !std::isfinite(value))
        return {Operand::Number, 0.0};
    if (std::fabs(value) < kExactWholeLimit && value == std::trunc(value))
        return {Operand::Number, value};
    // The nearest double to a number of hundredths below 10^15 (what sums of amounts give) has
    // that number's text, of at most 15 significant digits and an exponent from -2 up, as one that
    // reads back as itself; its shortest such text is no longer, so as below it comes back
    // unchanged. Cheaper than writing the shortest text.
    const double hundredths = std::nearbyint(value * 100);
    if (std::fabs(hundredths) < kExactWholeLimit && hundredths / 100 == value)
        return {Operand::Number, value};
    // A value whose shortest exact text has at most 15 significant digits and a two-digit
    // exponent comes back unchanged: its exact value lies within half a unit of the last place
    // of that text (a double carries more than 15 digits), so rounding it to 15 digits gives
    // the same text. Most sums of amounts are such values, and the shortest text is the cheap one.
    char shortest[40];
    const auto brief = std::to_chars(shortest, shortest + sizeof shortest, std::fabs(value), std::chars_format::scientific);
    if (brief.ec == std::errc()) {
        const char *e = std::find(shortest, brief.ptr, 'e');
        const qsizetype digits = (e - shortest) - (e - shortest > 1 ? 1 : 0); // less the point
        const qsizetype exponentDigits = brief.ptr - e - 2; // after "e+" or "e-"
        if (e != brief.ptr && digits <= 15 && exponentDigits <= 2)
            return {Operand::Number, value};
    }
    char buf[40];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14);
    // "d.dddddddddddddde+xx": a longer text has a three-digit exponent, which no number has.
    constexpr qsizetype kTwoDigitExponentLength = 20;
    if (res.ptr - buf > kTwoDigitExponentLength) {
        Operand none{Operand::NoNumber, 0.0};
        none.cause = std::fabs(value) >= 1 ? EvalFailure::TooLarge : EvalFailure::TooSmall;
        return none;
    }
    double parsed = 0;
    std::from_chars(buf, res.ptr, parsed);
    return {Operand::Number, value < 0 ? -parsed : parsed};
}

struct FlatContext
{
    const std::string &text; // the encoded text the literals point into
    const LocaleValues &locale; // for the texts ValueToText writes
    char sep;
    bool leadingZero;
    std::string scratch;
    std::vector<std::string> joined; // texts made by a unary minus writing behind a literal
};

// The text of an operand, when it has one that a unary minus could extend.
bool operandText(const Operand &operand, const FlatContext &ctx, std::string &text)
{
    if (operand.from >= 0)
        text = ctx.text.substr(static_cast<size_t>(operand.from), static_cast<size_t>(operand.to - operand.from));
    else if (operand.joined >= 0)
        text = ctx.joined[static_cast<size_t>(operand.joined)];
    else if (operand.kind == Operand::Number)
        text = ValueToText(operand.value, ctx.locale).toStdString();
    else
        return false; // a value with a three-digit exponent: no text behind it makes a number
    return true;
}

// The operand a unary minus leaves when it writes the text of its value behind `left`: usually
// `left` is empty, but behind a literal that ends in the separator the texts run together, and
// ".-(-5)" is ".5". A text starting with "-" never makes a number behind anything.
Operand appendUnaryValue(const Operand &left, double value, FlatContext &ctx)
{
    if (left.kind == Operand::Empty)
        return throughText(value);
    std::string joined;
    if (value < 0 || !operandText(left, ctx, joined))
        return {Operand::NoNumber, 0};
    joined += ValueToText(value, ctx.locale).toStdString();
    const char *first = joined.data();
    const char *last = first + joined.size();
    Operand result{Operand::NoNumber, 0};
    if (isPlainBytes(first, last, ctx.sep, ctx.leadingZero))
        result = {Operand::Number, plainBytesValue(first, last, ctx.sep, ctx.scratch)};
    result.joined = static_cast<qint32>(ctx.joined.size());
    ctx.joined.push_back(std::move(joined));
    return result;
}

EvalFailure literalFailure(const char *first, const char *last, const FlatContext &ctx, bool atEnd)
{
    return literalFailureBytes(first, last, ctx.sep, ctx.leadingZero, atEnd);
}

// Why an operand that is no number stopped the evaluation. An empty operand at the end of the
// text is one still to be typed (2+); anywhere else two operators stand together (2*+3, *2).
EvalFailure operandFailure(const Operand &operand, const FlatContext &ctx)
{
    const qsizetype end = static_cast<qsizetype>(ctx.text.size());
    if (operand.kind == Operand::Empty)
        return operand.to == end ? EvalFailure::Incomplete : EvalFailure::Invalid;
    if (operand.from >= 0)
        return literalFailure(ctx.text.data() + operand.from, ctx.text.data() + operand.to, ctx, operand.to == end);
    return operand.cause;
}


// EvaluateFlat over operands and codes: level by level, leftmost first, each operator replaced by
// its value. ops has one entry fewer than operands. False on failure, with why.
bool evaluateFlat(Operand *operands, quint8 *ops, qsizetype opCount, FlatContext &ctx, double &result,
                  EvalFailure &why)
{
    unsigned levels = 0;
    for (qsizetype k = 0; k < opCount; ++k)
        levels |= 1u << (ops[k] / 10);
    for (int level = 1; level <= 7; ++level) {
        if (!(levels & (1u << level)))
            continue;
        qsizetype kept = 0; // operands[0 .. kept] and ops[0 .. kept) are the level's output
        for (qsizetype k = 0; k < opCount; ++k) {
            const quint8 op = ops[k];
            const Operand right = operands[k + 1];
            if (op / 10 != level) {
                ops[kept] = op;
                operands[++kept] = right;
                continue;
            }
            if (right.kind != Operand::Number) {
                why = operandFailure(right, ctx);
                return false;
            }
            Operand &left = operands[kept];
            double value = 0;
            if (level == 2) {
                applyOperator(2, op % 10, 0, right.value, value);
                left = appendUnaryValue(left, value, ctx);
                continue;
            }
            if (left.kind != Operand::Number) {
                why = operandFailure(left, ctx);
                return false;
            }
            if (!applyOperator(level, op % 10, left.value, right.value, value)) {
                why = operatorFailure(level, op % 10, left.value, right.value);
                return false;
            }
            left = throughText(value);
        }
        opCount = kept;
    }
    if (operands[0].kind != Operand::Number) {
        why = operandFailure(operands[0], ctx);
        return false;
    }
    result = operands[0].value;
    return true;
}

// Steps 4.: the percent operands move behind their "%" (100+5% -> 100+%5), then "*%", "/%", "-%"
// and "+%" become codes. Positions are taken before any move; a move keeps the length.
bool rewritePercentBytes(std::string &text, char sep)
{
    const qsizetype n = static_cast<qsizetype>(text.size());
    std::vector<qsizetype> percents;
    for (qsizetype i = 0; i < n; ++i) {
        if (text[i] != '%')
            continue;
        if (i + 1 < n && (isDigitByte(text[i + 1]) || text[i + 1] == sep))
            return false;
        percents.push_back(i);
    }
    for (const qsizetype at : percents) {
        if (at == 0)
            return false;
        qsizetype start = at;
        if (text[at - 1] != ')') {
            while (start > 0 && (isDigitByte(text[start - 1]) || text[start - 1] == sep))
                --start;
            if (start == at || start == 0)
                return false;
        } else {
            int depth = 0;
            start = at - 1;
            for (;;) {
                const char c = text[start];
                if (c == ')')
                    ++depth;
                else if (c == '(' && --depth == 0)
                    break;
                if (start == 0)
                    return false;
                --start;
            }
        }
        std::rotate(text.begin() + start, text.begin() + at, text.begin() + at + 1);
    }
    // Each pair is an operator and a "%", so no two pairs overlap and one pass codes them all.
    qsizetype out = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (i + 1 < n && text[i + 1] == '%') {
            const char c = text[i];
            const char pair = c == '*' ? codeByte(3, 0) : c == '/' ? codeByte(3, 1)
                            : c == '-' ? codeByte(6, 0) : c == '+' ? codeByte(6, 1) : 0;
            if (pair) {
                text[out++] = pair;
                ++i;
                continue;
            }
        }
        text[out++] = text[i];
    }
    text.resize(static_cast<size_t>(out));
    return true;
}

// Steps 5. and 6.: a "-" run's first sign is a subtraction when a digit or ")" stands before it (a
// percent code never does: its operand follows it); pairs of the remaining signs cancel, so an
// odd run leaves one minus sign and an even one nothing. The characters around a vanished run
// meet ("<-->" becomes "<>"), which is why the operators are coded in a second pass.
void codeMinusRuns(std::string &text)
{
    const qsizetype n = static_cast<qsizetype>(text.size());
    char *out = text.data();
    char before = '\0'; // the character in front of the run, as the text was
    for (qsizetype i = 0; i < n;) {
        const char c = text[i];
        if (c != '-') {
            *out++ = c;
            before = c;
            ++i;
            continue;
        }
        qsizetype run = 0;
        while (i < n && text[i] == '-') {
            ++run;
            ++i;
        }
        if (isDigitByte(before) || before == ')') {
            *out++ = codeByte(6, 2);
            --run;
        }
        if (run % 2)
            *out++ = '-';
        before = '-';
    }
    text.resize(static_cast<size_t>(out - text.data()));
}

// Step 7.: the other operators, taken left to right, two-character spellings before one-character
// ones. That gives the codes the ordered whole-text replacements give: the spellings share no
// characters except "^" with "^-", "<", ">" and "=", and there the first spelling tried also
// starts furthest left.
void codeOperators(std::string &text)
{
    const qsizetype n = static_cast<qsizetype>(text.size());
    char *out = text.data();
    for (qsizetype i = 0; i < n;) {
        const char c = text[i];
        const char next = i + 1 < n ? text[i + 1] : '\0';
        qsizetype used = 1;
        switch (c) {
        case '^':
            used = next == '-' ? 2 : 1;
            *out++ = next == '-' ? codeByte(1, 0) : codeByte(1, 1);
            break;
        case '-': *out++ = codeByte(2, 0); break;
        case '*': *out++ = codeByte(3, 2); break;
        case '/': *out++ = codeByte(3, 3); break;
        case '\\': *out++ = codeByte(4, 0); break;
        case '+': *out++ = codeByte(6, 3); break;
        case 'M':
            if (next == 'O' && i + 2 < n && text[i + 2] == 'D') {
                *out++ = codeByte(5, 0);
                used = 3;
            } else {
                *out++ = c;
            }
            break;
        case '<':
            used = next == '>' || next == '=' ? 2 : 1;
            *out++ = next == '>' ? codeByte(7, 0) : next == '=' ? codeByte(7, 1) : codeByte(7, 4);
            break;
        case '>':
            used = next == '=' ? 2 : 1;
            *out++ = next == '=' ? codeByte(7, 2) : codeByte(7, 5);
            break;
        case '=': *out++ = codeByte(7, 3); break;
        default: *out++ = c; break;
        }
        i += used;
    }
    text.resize(static_cast<size_t>(out - text.data()));
}

// Steps 8. and 9.: only digits, parentheses, separators and codes; every run of "(" follows a code
// or starts the text; no ")" is followed by a digit, "(" or the separator.
bool encodedTextIsSound(const std::string &text, char sep)
{
    const qsizetype n = static_cast<qsizetype>(text.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char c = text[i];
        if (isDigitByte(c) || c == sep || isCodeByte(c))
            continue;
        if (c == '(') {
            if (i > 0 && text[i - 1] != '(' && !isCodeByte(text[i - 1]))
                return false;
        } else if (c == ')') {
            if (i + 1 < n) {
                const char next = text[i + 1];
                if (isDigitByte(next) || next == '(' || next == sep)
                    return false;
            }
        } else {
            return false;
        }
    }
    return true;
}

// Step 10.: the groups in the order of their ")", each evaluated flat and standing, as its value,
// for the whole group in the enclosing text.
//
// eager: an operator whose level is no lower than that of the operator before it in the same
// group lets that one be applied at once. Level by level, leftmost first, builds the same tree
// (the operators left standing rise in level from the newest down), and each operator gives the
// same value from the same operands, so a long sum keeps two operands instead of one per row,
// and never touches the megabytes a vector of them would take. Only operators that succeed on
// two numbers (or a unary minus with nothing in front of it) are applied early; anything else
// evaluates the whole text again without it, so that a failure is found where the level by
// level order finds it and for the same reason.
bool reduceGroups(const std::string &text, const LocaleValues &locale, char sep, double &result, EvalFailure &why,
                  bool eager = true)
{
    std::vector<Operand> operands;
    std::vector<quint8> ops;
    struct Group {
        qsizetype firstOperand;
        qsizetype firstOp;
        bool pending; // the enclosing operand had begun before "("
    };
    std::vector<Group> groups;
    if (!eager) {
        operands.reserve(text.size() / 4 + 2);
        ops.reserve(text.size() / 4 + 2);
    }
    const bool leadingZero = locale.leadingZero;
    FlatContext ctx{text, locale, sep, leadingZero, {}, {}};

    // The operand in progress: a literal starting at literalFrom, or a group's value, or both run
    // together (which the structure check rules out, and which is no number).
    qsizetype literalFrom = -1;
    Operand value;
    bool hasValue = false;
    const auto finish = [&](qsizetype end) {
        Operand operand;
        if (literalFrom >= 0 && hasValue) {
            operand.kind = Operand::NoNumber;
        } else if (hasValue) {
            operand = value;
        } else if (literalFrom >= 0) {
            const char *first = text.data() + literalFrom;
            const char *last = text.data() + end;
            if (isPlainBytes(first, last, sep, leadingZero))
                operand = {Operand::Number, plainBytesValue(first, last, sep, ctx.scratch)};
            else
                operand.kind = Operand::NoNumber;
            operand.from = literalFrom;
            operand.to = end;
        } else {
            operand.to = end; // where an empty operand stands tells a missing one from a doubled operator
        }
        operands.push_back(operand);
        literalFrom = -1;
        hasValue = false;
    };

    // Applies the operators before one of `level` that the level by level order applies before
    // it; false when one of them is not a plain success.
    const auto foldBefore = [&](int level) {
        const size_t floor = groups.empty() ? 0 : static_cast<size_t>(groups.back().firstOp);
        while (ops.size() > floor && ops.back() / 10 <= level) {
            const quint8 op = ops.back();
            const Operand &right = operands.back();
            Operand &left = operands[operands.size() - 2];
            if (right.kind != Operand::Number)
                return false;
            double value = 0;
            if (op / 10 == 2) {
                if (left.kind != Operand::Empty)
                    return false; // its value's text would be written behind the operand's
                applyOperator(2, op % 10, 0, right.value, value);
            } else if (left.kind != Operand::Number || !applyOperator(op / 10, op % 10, left.value, right.value, value)) {
                return false;
            }
            left = throughText(value);
            if (left.kind != Operand::Number)
                return false;
            operands.pop_back();
            ops.pop_back();
        }
        return true;
    };

    const qsizetype n = static_cast<qsizetype>(text.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char c = text[i];
        if (isCodeByte(c)) {
            finish(i);
            const auto op = static_cast<quint8>(c & ~kCodeBit);
            if (eager && !foldBefore(op / 10))
                return reduceGroups(text, locale, sep, result, why, false);
            ops.push_back(op);
        } else if (c == '(') {
            groups.push_back({static_cast<qsizetype>(operands.size()), static_cast<qsizetype>(ops.size()),
                              hasValue || literalFrom >= 0});
            literalFrom = -1;
            hasValue = false;
        } else if (c == ')') {
            finish(i);
            const Group g = groups.back();
            groups.pop_back();
            double groupValue = 0;
            if (!evaluateFlat(operands.data() + g.firstOperand, ops.data() + g.firstOp,
                              static_cast<qsizetype>(ops.size()) - g.firstOp, ctx, groupValue, why))
                return false;
            operands.resize(static_cast<size_t>(g.firstOperand));
            ops.resize(static_cast<size_t>(g.firstOp));
            // The group's value text joins whatever of the enclosing operand came before "(".
            value = g.pending ? Operand{Operand::NoNumber, 0} : throughText(groupValue);
            hasValue = true;
        } else if (literalFrom < 0) {
            literalFrom = i;
            if (hasValue)
                value.kind = Operand::NoNumber;
        }
    }
    finish(n);
    return evaluateFlat(operands.data(), ops.data(), static_cast<qsizetype>(ops.size()), ctx, result, why);
}


// Steps 2. to 10. on the text that step 1. left: ASCII without blanks or "@", not empty.
double evaluateTrimmed(std::string &text, const LocaleValues &locale, bool &failed, EvalFailure &failure)
{
    // The separator is "." or "," (the program refuses to run with any other).
    const char sep = locale.decimalSeparator == QLatin1String(",") ? ',' : '.';

    // 2. A plain number is its own value (this is where 1E+05 is accepted).
    std::string scratch;
    if (isPlainBytes(text.data(), text.data() + text.size(), sep, locale.leadingZero))
        return plainBytesValue(text.data(), text.data() + text.size(), sep, scratch);

    // 3. Parentheses must pair up in order: no prefix closes more than it opens.
    qsizetype depth = 0;
    bool hasPercent = false;
    for (const char c : text) {
        if (c == '(')
            ++depth;
        else if (c == ')' && --depth < 0)
            return fail(failed, failure, EvalFailure::UnbalancedParenthesis);
        else if (c == '%')
            hasPercent = true;
    }
    if (depth != 0)
        return fail(failed, failure, EvalFailure::UnbalancedParenthesis);

    // Percent forms, minus runs and operators are coded into single bytes. A percentage with
    // nothing in front of it (5%, (5)%) is no expression, like one followed by a digit (5%3).
    if (hasPercent && !rewritePercentBytes(text, sep))
        return fail(failed, failure, EvalFailure::Invalid);
    codeMinusRuns(text);
    codeOperators(text);
    const std::string &encoded = text;
    if (!encodedTextIsSound(encoded, sep))
        return fail(failed, failure, EvalFailure::Invalid);

    // The groups are reduced from the innermost out to one value.
    double result = 0;
    EvalFailure why = EvalFailure::Invalid;
    if (!reduceGroups(encoded, locale, sep, result, why))
        return fail(failed, failure, why);
    return result;
}

} // namespace

double EvaluateExpression(const QString &expression, const LocaleValues &locale, bool &failed)
{
    EvalFailure failure = EvalFailure::None;
    return EvaluateExpression(expression, locale, failed, failure);
}

double EvaluateExpression(const QString &expression, const LocaleValues &locale, bool &failed,
                          EvalFailure &failure)
{
    if (failed)
        return 0;
    failure = EvalFailure::None;

    // 1. Blanks around the text are allowed, inside it they are not. Every character outside
    // ASCII would be left over at the character check (and is no number), so it fails here.
    QStringView view(expression);
    while (!view.isEmpty() && view.front() == u' ')
        view = view.mid(1);
    while (!view.isEmpty() && view.back() == u' ')
        view.chop(1);
    if (view.isEmpty())
        return fail(failed, failure, EvalFailure::Empty);
    std::string text(static_cast<size_t>(view.size()), '\0');
    char *out = text.data();
    for (const QChar c : view) {
        const char16_t u = c.unicode();
        if (u >= 0x80 || u == u' ' || u == u'@')
            return fail(failed, failure, EvalFailure::Invalid);
        *out++ = static_cast<char>(u);
    }
    return evaluateTrimmed(text, locale, failed, failure);
}

double EvaluateAsciiExpression(std::string expression, const LocaleValues &locale, bool &failed,
                               EvalFailure &failure)
{
    if (failed)
        return 0;
    failure = EvalFailure::None;

    // 1., on bytes: a byte from 0x80 up is part of a character outside ASCII.
    const size_t first = expression.find_first_not_of(' ');
    if (first == std::string::npos)
        return fail(failed, failure, EvalFailure::Empty);
    expression.erase(expression.find_last_not_of(' ') + 1);
    expression.erase(0, first);
    for (const char c : expression) {
        if (static_cast<unsigned char>(c) >= 0x80 || c == ' ' || c == '@')
            return fail(failed, failure, EvalFailure::Invalid);
    }
    return evaluateTrimmed(expression, locale, failed, failure);
}

bool valueThroughText(double value, double &result)
{
    if (QuickThroughText(value, result))
        return true;
    const Operand operand = throughText(value);
    result = operand.value;
    return operand.kind == Operand::Number;
}

bool plainLiteralValue(const char *first, const char *last, char sep, bool leadingZero, double &value)
{
    if (QuickLiteralValue(first, last, sep, leadingZero, value))
        return true;
    if (!isPlainBytes(first, last, sep, leadingZero))
        return false;
    std::string scratch;
    value = plainBytesValue(first, last, sep, scratch);
    return true;
}

// Why a literal is no number: a separator still waiting for its digits at the very end of the
// text (2.), more than 15 digits in front of the separator, or no number at all.
EvalFailure literalFailureBytes(const char *first, const char *last, char sep, bool leadingZero, bool atEnd)
{
    if (atEnd && last - first > 1 && last[-1] == sep && isPlainBytes(first, last - 1, sep, leadingZero))
        return EvalFailure::Incomplete;
    int separators = 0;
    qsizetype digitsBefore = 0;
    for (const char *p = first; p != last; ++p) {
        if (*p == sep)
            ++separators;
        else if (!isDigitByte(*p))
            return EvalFailure::Invalid;
        else if (separators == 0)
            ++digitsBefore;
    }
    return separators <= 1 && digitsBefore > 15 ? EvalFailure::TooLarge : EvalFailure::Invalid;
}

// Why applyOperator refused its operands. Worked out again only on failure, so the operators
// themselves stay as the reference evaluator has them.
EvalFailure operatorFailure(int level, int index, double l, double r)
{
    switch (level * 10 + index) {
    case 10:
    case 11: {
        if (l == 0.0 && (index == 0 ? -r : r) < 0)
            return EvalFailure::DivisionByZero; // 0^-1 is 1/0
        double result = 0;
        applyOperator(level, index, l, r, result);
        return std::isnan(result) ? EvalFailure::NoRealResult : EvalFailure::TooLarge;
    }
    case 31:
    case 33:
        return r == 0.0 || r * 0.01 == 0.0 ? EvalFailure::DivisionByZero : EvalFailure::TooLarge;
    case 40:
    case 50:
        // An operand beyond 32 bits, or -2147483648 divided by -1, whose quotient is one beyond.
        return std::nearbyint(r) == 0.0 ? EvalFailure::DivisionByZero : EvalFailure::TooLarge;
    default:
        return EvalFailure::TooLarge; // the only way the other operators fail: an infinite result
    }
}
