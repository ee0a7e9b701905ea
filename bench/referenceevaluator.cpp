// The evaluator and the sheet's text rules stated the plain way: each rule is one rewrite of the
// whole text, in the order the language defines them, with no shortcut, no cache and nothing taken
// from the engine. Slow (every operator costs a copy of the text), which the check can afford.

#include "referenceevaluator.h"

#include <QList>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

namespace reference {

namespace {

QChar g_separator = u'.';
bool g_leadingZero = true;

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Replace-all as the rules use it. When the replacement holds the searched text, each search
// goes on behind what was put in; otherwise it goes on where the replaced text stood, so that
// text formed by a replacement is found as well ("----" less every "--" is empty).
QString replaceAll(QString text, const QString &find, const QString &replacement)
{
    if (find.isEmpty())
        return text;
    const bool rescan = !replacement.contains(find);
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = text.indexOf(find, from);
        if (at < 0)
            return text;
        text.replace(at, find.size(), replacement);
        from = rescan ? at : at + replacement.size();
    }
}

// Drops every character of set from text; caret (0-based) moves back by one for each character
// dropped in front of it.
QString dropChars(const QString &text, const QString &set, qsizetype &caret)
{
    QString out;
    qsizetype newCaret = caret;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!set.contains(text.at(i)))
            out += text.at(i);
        else if (i < caret)
            --newCaret;
    }
    caret = newCaret;
    return out;
}

bool isNumber(const QString &text)
{
    QString mantissa = text;
    const qsizetype n = mantissa.size();
    // An exponent part is exactly four characters: E or e, a sign, two digits.
    if (n >= 4 && (mantissa.at(n - 4) == u'E' || mantissa.at(n - 4) == u'e')
        && (mantissa.at(n - 3) == u'+' || mantissa.at(n - 3) == u'-') && isDigit(mantissa.at(n - 2))
        && isDigit(mantissa.at(n - 1)))
        mantissa.chop(4);
    if (mantissa.startsWith(u'-'))
        mantissa.remove(0, 1);
    if (mantissa.isEmpty() || mantissa.endsWith(g_separator))
        return false;
    if (g_leadingZero && mantissa.startsWith(g_separator))
        return false;
    if (mantissa.count(g_separator) > 1)
        return false;
    for (const QChar c : mantissa) {
        if (!isDigit(c) && c != g_separator)
            return false;
    }
    const qsizetype separatorAt = mantissa.indexOf(g_separator);
    return (separatorAt < 0 ? mantissa.size() : separatorAt) <= 15;
}

// The value of a text isNumber accepts, correctly rounded.
double numberValue(const QString &text)
{
    std::string ascii;
    for (const QChar c : text)
        ascii += c == g_separator ? '.' : static_cast<char>(c.unicode());
    const bool negative = !ascii.empty() && ascii.front() == '-';
    double value = 0;
    std::from_chars(ascii.data() + (negative ? 1 : 0), ascii.data() + ascii.size(), value);
    return negative ? -value : value;
}

// A value as the evaluator writes it back: the C library's general form with 15 significant
// digits is exactly the rule (plain for decimal exponents -4 to 14, else mantissa, "E", sign and
// at least two digits), in the locale's separator. Zero has no sign.
QString valueText(double value)
{
    if (value == 0)
        return QStringLiteral("0");
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    QString text = QString::fromLatin1(buffer);
    text.replace(u'.', g_separator);
    return text;
}

// A 32-bit operand of "\" and MOD: rounded to the nearest integer, halves to the even one.
bool wholeOperand(double value, long long &out)
{
    if (!std::isfinite(value))
        return false;
    double rounded = std::floor(value);
    const double fraction = value - rounded;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(rounded, 2) != 0))
        rounded += 1;
    if (rounded < -2147483648.0 || rounded > 2147483647.0)
        return false;
    out = static_cast<long long>(rounded);
    return true;
}

// The operator of code "@" level index on its operands. False on any arithmetic failure:
// division by zero, an integer operand out of range, a result that is no finite number.
bool compute(char level, char index, double l, double r, double &result)
{
    const std::string code{level, index};
    if (code == "10") {
        result = std::pow(l, -r);
    } else if (code == "11") {
        result = std::pow(l, r);
    } else if (code == "20") {
        result = -r;
    } else if (code == "30") {
        result = r * l * 0.01;
    } else if (code == "31") {
        const double hundredth = r * 0.01;
        if (hundredth == 0)
            return false;
        result = l / hundredth;
    } else if (code == "32") {
        result = r * l;
    } else if (code == "33") {
        if (r == 0)
            return false;
        result = l / r;
    } else if (code == "40" || code == "50") {
        long long a = 0;
        long long b = 0;
        if (!wholeOperand(l, a) || !wholeOperand(r, b) || b == 0 || (a == -2147483648LL && b == -1))
            return false;
        // C++ division truncates toward zero and its remainder takes the dividend's sign.
        result = static_cast<double>(code == "40" ? a / b : a % b);
    } else if (code == "60") {
        result = (1 - r * 0.01) * l;
    } else if (code == "61") {
        result = (r * 0.01 + 1) * l;
    } else if (code == "62") {
        result = l - r;
    } else if (code == "63") {
        result = r + l;
    } else if (code[0] == '7') {
        bool truth = false;
        switch (index) {
        case '0': truth = l != r; break;
        case '1': truth = l <= r; break;
        case '2': truth = l >= r; break;
        case '3': truth = l == r; break;
        case '4': truth = l < r; break;
        case '5': truth = l > r; break;
        default: return false;
        }
        result = truth ? -1 : 0;
    } else {
        return false;
    }
    return std::isfinite(result);
}

double failed(bool &blnFailed)
{
    blnFailed = true;
    return 0;
}

const QString kSentinel = QStringLiteral("@90");

// An encoded text without parentheses: level by level, the leftmost operator of the level is
// replaced, with its operands, by the text of its value, until the level has none left.
double evaluateFlat(const QString &flat, bool &blnFailed)
{
    if (blnFailed)
        return 0;
    QString text = kSentinel + flat;
    for (char level = '1'; level <= '7'; ++level) {
        for (;;) {
            qsizetype p = -1;
            for (qsizetype i = kSentinel.size(); i + 1 < text.size(); ++i) {
                if (text.at(i) == u'@' && text.at(i + 1) == QLatin1Char(level)) {
                    p = i;
                    break;
                }
            }
            if (p < 0)
                break;
            if (p + 2 >= text.size())
                return failed(blnFailed);
            const char index = static_cast<char>(text.at(p + 2).unicode());
            qsizetype rightEnd = text.indexOf(u'@', p + 3);
            if (rightEnd < 0)
                rightEnd = text.size();
            const QString right = text.mid(p + 3, rightEnd - p - 3);
            if (!isNumber(right))
                return failed(blnFailed);
            qsizetype start = p;
            double left = 0;
            if (level != '2') {
                const qsizetype previous = text.lastIndexOf(u'@', p - 3);
                start = previous + 3;
                const QString leftText = text.mid(start, p - start);
                if (!isNumber(leftText))
                    return failed(blnFailed);
                left = numberValue(leftText);
            }
            double result = 0;
            if (!compute(level, index, left, numberValue(right), result))
                return failed(blnFailed);
            text.replace(start, rightEnd - start, valueText(result));
        }
    }
    const QString rest = text.mid(kSentinel.size());
    if (!isNumber(rest))
        return failed(blnFailed);
    return numberValue(rest);
}

// "%" and its operand (the digits in front, or the group closed in front) trade places, and the
// operator in front of it with the "%" becomes one of the four percent codes. False when a "%"
// has no operand or is followed by a number.
bool encodePercent(QString &text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) == u'%' && (isDigit(text.at(i + 1)) || text.at(i + 1) == g_separator))
            return false;
    }
    QList<qsizetype> percents;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'%')
            percents.append(i);
    }
    for (const qsizetype at : percents) {
        if (at == 0)
            return false;
        qsizetype start = at;
        if (text.at(at - 1) == u')') {
            int depth = 0;
            do {
                --start;
                if (text.at(start) == u')')
                    ++depth;
                else if (text.at(start) == u'(')
                    --depth;
            } while (depth > 0 && start > 0);
            if (depth != 0)
                return false;
        } else {
            while (start > 0 && (isDigit(text.at(start - 1)) || text.at(start - 1) == g_separator))
                --start;
            if (start == at || start == 0)
                return false;
        }
        text = text.left(start) + u'%' + text.mid(start, at - start) + text.mid(at + 1);
    }
    text = replaceAll(text, QStringLiteral("*%"), QStringLiteral("@30"));
    text = replaceAll(text, QStringLiteral("/%"), QStringLiteral("@31"));
    text = replaceAll(text, QStringLiteral("-%"), QStringLiteral("@60"));
    text = replaceAll(text, QStringLiteral("+%"), QStringLiteral("@61"));
    return true;
}

// A "-" behind a digit or ")" subtracts. The characters are taken in this order, "2" first: every
// code put in ends in "2", and "2" taken later would read a sign behind a code as a subtraction.
void encodeSubtraction(QString &text)
{
    for (const QChar c : QStringLiteral("2013456789)")) {
        qsizetype i = 0;
        while (i + 1 < text.size()) {
            if (text.at(i) == c && text.at(i + 1) == u'-') {
                text.replace(i + 1, 1, QStringLiteral("@62"));
                i += 4;
            } else {
                ++i;
            }
        }
    }
}

} // namespace

void setLocale(QChar decimalSeparator, bool leadingZero)
{
    g_separator = decimalSeparator;
    g_leadingZero = leadingZero;
}

double EvaluateExpression(const QString &strExpression, bool &blnFailed)
{
    if (blnFailed)
        return 0;

    // Blanks only around the text; "@" is the code marker and may not come in.
    qsizetype first = 0;
    qsizetype last = strExpression.size();
    while (first < last && strExpression.at(first) == u' ')
        ++first;
    while (last > first && strExpression.at(last - 1) == u' ')
        --last;
    QString text = strExpression.mid(first, last - first);
    if (text.contains(u' ') || text.contains(u'@'))
        return failed(blnFailed);
    if (isNumber(text))
        return numberValue(text);

    // The k-th "(" must come before the k-th ")", and there must be as many of each.
    QList<qsizetype> opens;
    QList<qsizetype> closes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'(')
            opens.append(i);
        else if (text.at(i) == u')')
            closes.append(i);
    }
    if (opens.size() != closes.size())
        return failed(blnFailed);
    for (qsizetype k = 0; k < opens.size(); ++k) {
        if (opens.at(k) > closes.at(k))
            return failed(blnFailed);
    }

    if (text.contains(u'%') && !encodePercent(text))
        return failed(blnFailed);
    encodeSubtraction(text);
    text = replaceAll(text, QStringLiteral("--"), QString());

    // The other spellings, tightest level first; the two-character comparisons before "=", "<"
    // and ">" so that their halves are not taken alone.
    static const char *const spellings[][2] = {
        {"^-", "@10"}, {"^", "@11"}, {"-", "@20"}, {"*", "@32"}, {"/", "@33"}, {"\\", "@40"},
        {"MOD", "@50"}, {"+", "@63"}, {"<>", "@70"}, {"<=", "@71"}, {">=", "@72"}, {"=", "@73"},
        {"<", "@74"}, {">", "@75"}};
    for (const auto &spelling : spellings)
        text = replaceAll(text, QString::fromLatin1(spelling[0]), QString::fromLatin1(spelling[1]));

    for (const QChar c : text) {
        if (!isDigit(c) && c != u'(' && c != u')' && c != g_separator && c != u'@')
            return failed(blnFailed);
    }

    // No implicit product: every "(" right behind a code, nothing but an operator behind a ")".
    QString shape = replaceAll(text, QStringLiteral("))"), QStringLiteral(")"));
    shape = kSentinel + replaceAll(shape, QStringLiteral("(("), QStringLiteral("("));
    for (qsizetype i = 0; i < shape.size(); ++i) {
        if (shape.at(i) == u'(' && shape.at(i - 3) != u'@')
            return failed(blnFailed);
        if (shape.at(i) == u')' && i + 1 < shape.size()
            && (isDigit(shape.at(i + 1)) || shape.at(i + 1) == u'(' || shape.at(i + 1) == g_separator))
            return failed(blnFailed);
    }

    // The innermost group closed first is replaced by the text of its value, until none is left.
    for (;;) {
        if (isNumber(text))
            return numberValue(text);
        const qsizetype close = text.indexOf(u')');
        if (close < 0)
            return evaluateFlat(text, blnFailed);
        const qsizetype open = text.lastIndexOf(u'(', close);
        const double value = evaluateFlat(text.mid(open + 1, close - open - 1), blnFailed);
        text.replace(open, close - open + 1, valueText(value));
        if (blnFailed)
            return 0;
    }
}

namespace {

const QString kBreak = QStringLiteral("\r\n");

bool continues(QChar c)
{
    return c == u'-' || c == u'+' || c == u'*' || c == u'/';
}

// Runs of minus signs: each "---" is one "-", spaces go, until a pass changes nothing.
QString shortenMinusRuns(QString text, qsizetype &caret)
{
    for (;;) {
        const qsizetype before = text.size();
        text = dropChars(replaceAll(text, QStringLiteral("---"), QStringLiteral("-  ")), QStringLiteral(" "),
                         caret);
        if (text.size() == before)
            return text;
    }
}

} // namespace

QString CleanSheetText(const QString &strText, qsizetype &lngCaret, bool blnSeparatorsOnly)
{
    const QString own(g_separator);
    const QString other = g_separator == u',' ? QStringLiteral(".") : QStringLiteral(",");
    QString text = shortenMinusRuns(replaceAll(strText, other, own), lngCaret);
    if (blnSeparatorsOnly)
        return text;

    QString foreign;
    for (const QChar c : text) {
        if (!QStringLiteral("0123456789%+-()*/\\^<>=.,\r\n").contains(c) && !foreign.contains(c))
            foreign += c;
    }
    text = dropChars(text, foreign, lngCaret);

    // Only whole CR LF pairs stay breaks; a lone CR or LF goes.
    text = replaceAll(text, kBreak, QStringLiteral("  "));
    text = dropChars(text, kBreak, lngCaret);
    text = replaceAll(text, QStringLiteral("  "), kBreak);

    // What went can bring minus signs together into a run of three ("5--x-3"), which no clean
    // sheet holds.
    text = shortenMinusRuns(text, lngCaret);

    while (text.startsWith(kBreak)) {
        text.remove(0, 2);
        lngCaret -= 2;
    }
    while (text.endsWith(kBreak) && !(text.size() > 2 && continues(text.at(text.size() - 3))))
        text.chop(2);
    return text;
}

QString SheetExpression(const QString &strSheet)
{
    QString expression = strSheet;
    for (const QChar op : QStringLiteral("-+*/"))
        expression = replaceAll(expression, op + kBreak, QString(op));
    return expression;
}

} // namespace reference
