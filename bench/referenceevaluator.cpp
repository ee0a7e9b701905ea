// The reference implementation of the evaluator and the sheet cleaning: the straightforward
// text-rewriting form, kept verbatim (with the text helpers it relies on) so that the fast engine
// can be checked against it, character for character. Used only by the differential check in the
// benchmarks and the fixed sample in the tests; nothing in the program links it.

#include "referenceevaluator.h"

#include "localevalues.h"
#include "sheettext.h"

#include <QStringList>
#include <QVarLengthArray>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

namespace reference {

enum TrimSides { TrimLeft = 1, TrimRight = 2, TrimBoth = 3 };
QString ReplaceAll(const QString &strSource, const QString &strFind, const QString &strReplace,
                   Qt::CaseSensitivity compare = Qt::CaseSensitive);
QList<qsizetype> FindPositions(const QString &strText, const QString &strFind,
                               Qt::CaseSensitivity compare = Qt::CaseSensitive);
QString TrimChars(const QString &strText, const QString &strSet, int intSides);
double EvaluateFlat(const QString &strFlat, const QString &strSentinel, bool &blnFailed);
bool IsPlainNumber(const QString &strText);
QString ValueToText(double dblValue);
double PlainNumberValue(const QString &strNumber);

namespace {

LocaleValues g_locale; // set by the callers through setLocale

bool inSet(QChar c, const QString &set, Qt::CaseSensitivity compare)
{
    return set.contains(c, compare);
}

// Whether strFind stands at offset i of the logical text head + tail.mid(tailPos).
bool matchesAcross(const QString &head, qsizetype i, const QString &tail, qsizetype tailPos,
                   const QString &find, Qt::CaseSensitivity compare)
{
    const qsizetype headPart = std::min(find.size(), head.size() - i);
    if (QStringView(head).mid(i, headPart).compare(QStringView(find).left(headPart), compare) != 0)
        return false;
    const qsizetype rest = find.size() - headPart;
    if (rest == 0)
        return true;
    if (tail.size() - tailPos < rest)
        return false;
    return QStringView(tail).mid(tailPos, rest).compare(QStringView(find).mid(headPart), compare) == 0;
}

} // namespace

QString ReplaceAll(const QString &strSource, const QString &strFind, const QString &strReplace,
                   Qt::CaseSensitivity compare)
{
    if (strFind.isEmpty())
        return strSource;

    QString out;
    if (strReplace.contains(strFind, compare)) {
        // Ordinary replace-all: each search starts behind the inserted replacement.
        qsizetype pos = 0;
        for (;;) {
            const qsizetype hit = strSource.indexOf(strFind, pos, compare);
            if (hit < 0)
                break;
            out += QStringView(strSource).mid(pos, hit - pos);
            out += strReplace;
            pos = hit + strFind.size();
        }
        out += QStringView(strSource).mid(pos);
        return out;
    }

    // Rescanning replace-all. The text still to be searched is `pending` followed by the source
    // from `pos`; `pending` holds the last replacement (and whatever of it a later match left),
    // so a long text is handled in one pass instead of being rebuilt at every occurrence.
    out.reserve(strSource.size());
    QString pending;
    qsizetype pos = 0;
    for (;;) {
        bool matched = false;
        for (qsizetype i = 0; i < pending.size(); ++i) {
            if (!matchesAcross(pending, i, strSource, pos, strFind, compare))
                continue;
            out += QStringView(pending).left(i);
            const qsizetype inPending = pending.size() - i;
            if (strFind.size() <= inPending) {
                pending = strReplace + pending.mid(i + strFind.size());
            } else {
                pos += strFind.size() - inPending;
                pending = strReplace;
            }
            matched = true;
            break;
        }
        if (matched)
            continue;
        out += pending;
        pending.clear();
        const qsizetype hit = strSource.indexOf(strFind, pos, compare);
        if (hit < 0) {
            out += QStringView(strSource).mid(pos);
            return out;
        }
        out += QStringView(strSource).mid(pos, hit - pos);
        pending = strReplace;
        pos = hit + strFind.size();
    }
}

QList<qsizetype> FindPositions(const QString &strText, const QString &strFind,
                               Qt::CaseSensitivity compare)
{
    QList<qsizetype> positions;
    if (strFind.isEmpty())
        return positions;
    qsizetype from = 0;
    for (;;) {
        const qsizetype hit = strText.indexOf(strFind, from, compare);
        if (hit < 0)
            break;
        positions.append(hit + 1);
        from = hit + strFind.size();
    }
    return positions;
}

QString TrimChars(const QString &strText, const QString &strSet, int intSides,
                  Qt::CaseSensitivity compare, qsizetype &lngCaret)
{
    qsizetype begin = 0;
    qsizetype end = strText.size();
    if (intSides & TrimLeft) {
        while (begin < end && inSet(strText.at(begin), strSet, compare)) {
            ++begin;
            if (lngCaret >= 1)
                --lngCaret;
        }
    }
    if (intSides & TrimRight) {
        while (end > begin && inSet(strText.at(end - 1), strSet, compare)) {
            --end;
            if (lngCaret > end - begin)
                lngCaret = end - begin;
        }
    }
    return strText.mid(begin, end - begin);
}

QString TrimChars(const QString &strText, const QString &strSet, int intSides)
{
    qsizetype caret = 0;
    return TrimChars(strText, strSet, intSides, Qt::CaseSensitive, caret);
}

QString FilterChars(const QString &strText, const QString &strSet, bool blnKeep,
                    Qt::CaseSensitivity compare, qsizetype &lngCaret)
{
    QString out;
    out.reserve(strText.size());
    qsizetype droppedBeforeCaret = 0;
    for (qsizetype i = 0; i < strText.size(); ++i) {
        const QChar c = strText.at(i);
        if (inSet(c, strSet, compare) == blnKeep)
            out += c;
        else if (i + 1 <= lngCaret)
            ++droppedBeforeCaret;
    }
    lngCaret -= droppedBeforeCaret;
    return out;
}

QString FilterChars(const QString &strText, const QString &strSet, bool blnKeep)
{
    qsizetype caret = 0;
    return FilterChars(strText, strSet, blnKeep, Qt::CaseSensitive, caret);
}


namespace {

// The eight operator levels; lower levels bind tighter. Level 0 names functions that the language
// does not have: nothing ever encodes them, but they keep the numbering of the codes.
const std::array<QStringList, 8> &operatorTable()
{
    static const std::array<QStringList, 8> table = {
        QString("ABS( FIX( INT( IIF( ROUND(").split(' '),
        QString("^- ^").split(' '),
        QString("-").split(' '),
        QString("*% /% * /").split(' '),
        QString("\\").split(' '),
        QString("MOD").split(' '),
        QString("-% +% - +").split(' '),
        QString("<> <= >= = < >").split(' '),
    };
    return table;
}

QString code(int level, int index)
{
    return QStringLiteral("@%1%2").arg(level).arg(index);
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Rounds to a 32-bit integer, halves to even, as the integer operators want their operands.
bool toInt32(double value, qint64 &out)
{
    if (!std::isfinite(value))
        return false;
    const double r = std::nearbyint(value);
    if (r < -2147483648.0 || r > 2147483647.0)
        return false;
    out = static_cast<qint64>(r);
    return true;
}

// One operator applied to its operands; false on any arithmetic failure.
bool applyOperator(int level, int index, double l, double r, double &result)
{
    switch (level * 10 + index) {
    case 10: result = std::pow(l, -r); break;
    case 11: result = std::pow(l, r); break;
    case 20: result = -r; break;
    case 30: result = r * l * 0.01; break;
    case 31:
        if (r * 0.01 == 0.0)
            return false;
        result = l / (r * 0.01);
        break;
    case 32: result = r * l; break;
    case 33:
        if (r == 0.0)
            return false;
        result = l / r;
        break;
    case 40:
    case 50: {
        qint64 a = 0;
        qint64 b = 0;
        if (!toInt32(l, a) || !toInt32(r, b) || b == 0)
            return false;
        if (a == -2147483648LL && b == -1)
            return false;
        result = static_cast<double>(level == 4 ? a / b : a % b);
        break;
    }
    case 60: result = (1 - r * 0.01) * l; break;
    case 61: result = (r * 0.01 + 1) * l; break;
    case 62: result = l - r; break;
    case 63: result = r + l; break;
    case 70: result = l != r ? -1 : 0; break;
    case 71: result = l <= r ? -1 : 0; break;
    case 72: result = l >= r ? -1 : 0; break;
    case 73: result = l == r ? -1 : 0; break;
    case 74: result = l < r ? -1 : 0; break;
    case 75: result = l > r ? -1 : 0; break;
    default: return false;
    }
    return std::isfinite(result);
}

double fail(bool &blnFailed)
{
    blnFailed = true;
    return 0;
}

// Rewrites each "%" with its operand as "%" followed by the operand (100+5% -> 100+%5), then
// codes the four percent operators. Returns false on a rule the percent sign breaks.
bool rewritePercent(QString &text, QChar sep)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) == u'%' && (isDigit(text.at(i + 1)) || text.at(i + 1) == sep))
            return false;
    }
    const QList<qsizetype> percents = FindPositions(text, QStringLiteral("%"));
    for (const qsizetype pos1 : percents) {
        const qsizetype at = pos1 - 1;
        if (at == 0)
            return false;
        qsizetype start = at;
        if (text.at(at - 1) != u')') {
            while (start > 0 && (isDigit(text.at(start - 1)) || text.at(start - 1) == sep))
                --start;
            if (start == at || start == 0)
                return false;
        } else {
            int depth = 0;
            start = at - 1;
            for (;;) {
                const QChar c = text.at(start);
                if (c == u')')
                    ++depth;
                else if (c == u'(' && --depth == 0)
                    break;
                if (start == 0)
                    return false;
                --start;
            }
        }
        // Operand [start, at) moves one place right; the "%" takes its first place.
        const QString operand = text.mid(start, at - start);
        text.replace(start, at - start + 1, QLatin1Char('%') + operand);
    }
    text = ReplaceAll(text, QStringLiteral("*%"), code(3, 0));
    text = ReplaceAll(text, QStringLiteral("/%"), code(3, 1));
    text = ReplaceAll(text, QStringLiteral("-%"), code(6, 0));
    text = ReplaceAll(text, QStringLiteral("+%"), code(6, 1));
    return true;
}

// A "-" right behind a digit or ")" is a subtraction. "2" goes first: every inserted code ends in
// "2", and handled last it would turn a following unary minus into a second subtraction.
void codeBinaryMinus(QString &text)
{
    static const QString order = QStringLiteral("2013456789)");
    const QString minusCode = code(6, 2);
    for (const QChar c : order) {
        QString out;
        out.reserve(text.size() + 16);
        qsizetype from = 0;
        qsizetype copied = 0;
        for (;;) {
            qsizetype hit = -1;
            for (qsizetype i = from; i + 1 < text.size(); ++i) {
                if (text.at(i) == c && text.at(i + 1) == u'-') {
                    hit = i;
                    break;
                }
            }
            if (hit < 0)
                break;
            out += QStringView(text).mid(copied, hit + 1 - copied);
            out += minusCode;
            copied = hit + 2;
            // The rewritten pair is four characters long; the scan resumes behind it. In the
            // unrewritten text that is one character past the "-".
            from = hit + 2;
        }
        if (copied == 0)
            continue;
        out += QStringView(text).mid(copied);
        text = out;
    }
}

// True when the text holds only digits, parentheses, the separator and "@".
bool onlyCodedCharacters(const QString &text, QChar sep)
{
    for (const QChar c : text) {
        if (!(isDigit(c) || c == u'(' || c == u')' || c == sep || c == u'@'))
            return false;
    }
    return true;
}

// Every "(" must follow an operator code; a ")" must not be followed by a digit, "(" or the
// separator. Checked on a copy with runs of parentheses collapsed and the sentinel in front.
bool structureIsSound(const QString &text, QChar sep)
{
    QString copy = ReplaceAll(text, QStringLiteral("))"), QStringLiteral(")"));
    copy = ReplaceAll(copy, QStringLiteral("(("), QStringLiteral("("));
    copy.prepend(QStringLiteral("@90"));
    for (qsizetype i = 0; i < copy.size(); ++i) {
        const QChar c = copy.at(i);
        if (c == u'(' && copy.at(i - 3) != u'@')
            return false;
        if (c == u')' && i + 1 < copy.size()) {
            const QChar n = copy.at(i + 1);
            if (isDigit(n) || n == u'(' || n == sep)
                return false;
        }
    }
    return true;
}

} // namespace

void setLocale(const LocaleValues &locale)
{
    g_locale = locale;
}

bool IsPlainNumber(const QString &strText)
{
    const QChar sep = g_locale.decimalSeparator.isEmpty()
        ? QChar(u'.')
        : g_locale.decimalSeparator.at(0);
    QStringView mantissa(strText);
    if (mantissa.startsWith(u'-'))
        mantissa = mantissa.mid(1);
    const qsizetype n = mantissa.size();
    if (n >= 4) {
        const QChar e = mantissa.at(n - 4);
        const QChar s = mantissa.at(n - 3);
        if ((e == u'E' || e == u'e') && (s == u'+' || s == u'-') && isDigit(mantissa.at(n - 2))
            && isDigit(mantissa.at(n - 1)))
            mantissa = mantissa.left(n - 4);
    }
    if (mantissa.isEmpty())
        return false;
    int separators = 0;
    qsizetype digitsBefore = 0;
    for (const QChar c : mantissa) {
        if (c == sep) {
            if (++separators > 1)
                return false;
        } else if (!isDigit(c)) {
            return false;
        } else if (separators == 0) {
            ++digitsBefore;
        }
    }
    if (mantissa.back() == sep)
        return false;
    if (mantissa.front() == sep && g_locale.leadingZero)
        return false;
    return digitsBefore <= 15;
}

double PlainNumberValue(const QString &strNumber)
{
    const QChar sep = g_locale.decimalSeparator.isEmpty()
        ? QChar(u'.')
        : g_locale.decimalSeparator.at(0);
    QVarLengthArray<char, 64> buf;
    for (const QChar c : strNumber)
        buf.append(c == sep ? '.' : static_cast<char>(c.toLatin1()));
    // from_chars takes neither a leading "+" nor a lone separator in front of a digit after "-";
    // "-.5" and ".5" are both read as expected.
    double value = 0;
    const char *first = buf.data();
    const char *last = buf.data() + buf.size();
    bool negative = false;
    if (first != last && *first == '-') {
        negative = true;
        ++first;
    }
    std::from_chars(first, last, value);
    return negative ? -value : value;
}

// The switch to the exponent form follows the usual general format: a value is written plainly
// when its decimal exponent (after rounding to 15 significant digits) is from -4 to 14, that is
// for magnitudes from 0.0001 up to below 10^15; outside that it is written as mantissa, "E",
// sign and at least two digits (1E+15, 1E-05, 1.5E-06). 10^15 itself therefore goes on as
// "1E+15", which is still a number, while 10^100 becomes "1E+100", which is not.
QString ValueToText(double dblValue)
{
    if (dblValue == 0.0 || !std::isfinite(dblValue))
        return QStringLiteral("0");
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(dblValue));
    // buf: d.dddddddddddddde[+-]xx
    const char *ePos = std::strchr(buf, 'e');
    const int exponent = std::atoi(ePos + 1);
    std::string digits;
    digits += buf[0];
    digits.append(buf + 2, static_cast<size_t>(ePos - (buf + 2)));
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    const QString sep = g_locale.decimalSeparator.isEmpty()
        ? QStringLiteral(".")
        : g_locale.decimalSeparator;
    QString out;
    if (dblValue < 0)
        out += u'-';
    if (exponent >= -4 && exponent <= 14) {
        const int intDigits = exponent + 1;
        if (intDigits <= 0) {
            out += u'0';
            out += sep;
            out += QString(-intDigits, u'0');
            out += QString::fromLatin1(digits);
        } else if (static_cast<int>(digits.size()) <= intDigits) {
            out += QString::fromLatin1(digits);
            out += QString(intDigits - static_cast<int>(digits.size()), u'0');
        } else {
            out += QString::fromLatin1(digits.substr(0, intDigits));
            out += sep;
            out += QString::fromLatin1(digits.substr(intDigits));
        }
        return out;
    }
    out += QLatin1Char(digits[0]);
    if (digits.size() > 1) {
        out += sep;
        out += QString::fromLatin1(digits.substr(1));
    }
    out += exponent < 0 ? QStringLiteral("E-") : QStringLiteral("E+");
    out += QStringLiteral("%1").arg(std::abs(exponent), 2, 10, QLatin1Char('0'));
    return out;
}

double EvaluateFlat(const QString &strFlat, const QString &strSentinel, bool &blnFailed)
{
    if (blnFailed)
        return 0;

    // The text after the sentinel is segments separated by three-character codes. Within a level
    // the leftmost operator goes first and its value replaces it and its operands, so one pass
    // per level from left to right gives exactly the order of repeated leftmost searches.
    struct Code {
        int level;
        int index;
    };
    std::vector<QString> segments;
    std::vector<Code> codes;
    segments.emplace_back();
    const QString text = strSentinel + strFlat;
    for (qsizetype i = strSentinel.size(); i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'@' && i + 2 < text.size() && isDigit(text.at(i + 1)) && isDigit(text.at(i + 2))) {
            codes.push_back({text.at(i + 1).digitValue(), text.at(i + 2).digitValue()});
            segments.emplace_back();
            i += 2;
        } else {
            segments.back() += c;
        }
    }

    for (int level = 1; level <= 7 && !codes.empty(); ++level) {
        std::vector<QString> nextSegments;
        std::vector<Code> nextCodes;
        nextSegments.reserve(segments.size());
        nextCodes.reserve(codes.size());
        nextSegments.push_back(std::move(segments[0]));
        for (size_t k = 0; k < codes.size(); ++k) {
            const Code op = codes[k];
            QString &right = segments[k + 1];
            if (op.level != level) {
                nextCodes.push_back(op);
                nextSegments.push_back(std::move(right));
                continue;
            }
            if (!IsPlainNumber(right))
                return fail(blnFailed);
            const bool unary = operatorTable()[level].front() == QLatin1String("-");
            double result = 0;
            if (unary) {
                if (!applyOperator(level, op.index, 0, PlainNumberValue(right), result))
                    return fail(blnFailed);
                nextSegments.back() += ValueToText(result);
            } else {
                QString &left = nextSegments.back();
                if (!IsPlainNumber(left))
                    return fail(blnFailed);
                if (!applyOperator(level, op.index, PlainNumberValue(left), PlainNumberValue(right), result))
                    return fail(blnFailed);
                left = ValueToText(result);
            }
        }
        segments = std::move(nextSegments);
        codes = std::move(nextCodes);
    }

    if (!codes.empty() || !IsPlainNumber(segments.front()))
        return fail(blnFailed);
    return PlainNumberValue(segments.front());
}

double EvaluateExpression(const QString &strExpression, bool &blnFailed)
{
    if (blnFailed)
        return 0;

    const LocaleValues &loc = g_locale;
    const QChar sep = loc.decimalSeparator.isEmpty() ? QChar(u'.') : loc.decimalSeparator.at(0);

    // 1. Blanks around the text are allowed, inside it they are not.
    QString text = TrimChars(strExpression, QStringLiteral(" "), TrimBoth);
    if (text.contains(u' ') || text.contains(u'@'))
        return fail(blnFailed);

    // 2. A plain number is its own value (this is where 1E+05 is accepted).
    if (IsPlainNumber(text))
        return PlainNumberValue(text);

    // 3. Parentheses must pair up in order.
    const QList<qsizetype> opens = FindPositions(text, QStringLiteral("("));
    const QList<qsizetype> closes = FindPositions(text, QStringLiteral(")"));
    if (opens.size() != closes.size())
        return fail(blnFailed);
    for (qsizetype k = 0; k < opens.size(); ++k) {
        if (opens[k] > closes[k])
            return fail(blnFailed);
    }

    // 4. Percent operands.
    if (text.contains(u'%') && !rewritePercent(text, sep))
        return fail(blnFailed);

    // 5. and 6. Subtractions, then pairs of minus signs cancel out.
    codeBinaryMinus(text);
    text = ReplaceAll(text, QStringLiteral("--"), QString());

    // 7. Every remaining operator, level by level; the two-character comparisons come before
    // "=", "<" and ">". Levels 3 and 6 skip the spellings already coded above.
    const auto &table = operatorTable();
    for (int level = 1; level <= 7; ++level) {
        const int firstIndex = (level == 3) ? 2 : (level == 6 ? 3 : 0);
        for (int index = firstIndex; index < table[level].size(); ++index)
            text = ReplaceAll(text, table[level][index], code(level, index));
    }

    // 8. and 9. Nothing but digits, parentheses, separators and codes; no implicit products.
    if (!onlyCodedCharacters(text, sep) || !structureIsSound(text, sep))
        return fail(blnFailed);

    // 10. Reduce the groups. Each ")" closes the nearest open "(" before it, and the groups are
    // taken in the order of their ")"s, so a stack of open positions in the text built so far
    // gives the same order as repeatedly taking the first ")" and the last "(" before it.
    if (!text.contains(u')')) {
        if (IsPlainNumber(text))
            return PlainNumberValue(text);
        return EvaluateFlat(text, QStringLiteral("@90"), blnFailed);
    }
    QString reduced;
    reduced.reserve(text.size());
    std::vector<qsizetype> openAt;
    for (const QChar c : text) {
        if (c == u'(') {
            openAt.push_back(reduced.size());
            reduced += c;
        } else if (c == u')') {
            if (openAt.empty())
                return fail(blnFailed);
            const qsizetype at = openAt.back();
            openAt.pop_back();
            const double value = EvaluateFlat(reduced.mid(at + 1), QStringLiteral("@90"), blnFailed);
            if (blnFailed)
                return 0;
            reduced.truncate(at);
            reduced += ValueToText(value);
        } else {
            reduced += c;
        }
    }
    if (IsPlainNumber(reduced))
        return PlainNumberValue(reduced);
    return EvaluateFlat(reduced, QStringLiteral("@90"), blnFailed);
}

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Three minus signs become one: "---" turns into "-" and two spaces, the spaces go; repeated
// until nothing changes, so four become two.
QString collapseMinusRuns(QString s, qsizetype &lngCaret)
{
    for (;;) {
        const qsizetype before = s.size();
        s = ReplaceAll(s, QStringLiteral("---"), QStringLiteral("-  "));
        s = FilterChars(s, QStringLiteral(" "), false, Qt::CaseSensitive, lngCaret);
        if (s.size() == before)
            return s;
    }
}

} // namespace

QString CleanSheetText(const QString &strText, qsizetype &lngCaret, bool blnSeparatorsOnly)
{
    const QString sep = g_locale.decimalSeparator;
    const QString foreign = sep == QLatin1String(",") ? QStringLiteral(".") : QStringLiteral(",");
    QString s = collapseMinusRuns(ReplaceAll(strText, foreign, sep), lngCaret);
    if (blnSeparatorsOnly)
        return s;

    s = FilterChars(s, QString::fromUtf16(kSheetAlphabet) + kCrLf, true, Qt::CaseSensitive, lngCaret);

    // Only complete CR LF pairs survive: lone CRs and LFs go.
    s = ReplaceAll(s, kCrLf, QStringLiteral("  "));
    s = FilterChars(s, kCrLf, false, Qt::CaseSensitive, lngCaret);
    s = ReplaceAll(s, QStringLiteral("  "), kCrLf);

    // Dropping a foreign character or a lone CR or LF can join minus signs into a new run of
    // three ("5--x-3"); collapse again, or the cleaned text would still change when cleaned once
    // more and a run of three would stay in the sheet.
    s = collapseMinusRuns(s, lngCaret);

    while (s.startsWith(kCrLf)) {
        s.remove(0, 2);
        lngCaret -= 2;
    }
    while (s.endsWith(kCrLf)) {
        if (s.size() > 2 && IsContinuationOperator(s.at(s.size() - 3)))
            break;
        s.chop(2);
    }
    return s;
}

QString SheetExpression(const QString &strSheet)
{
    QString expression = strSheet;
    for (const QChar op : QStringView(kContinuationOperators))
        expression = ReplaceAll(expression, QString(op) + kCrLf, QString(op));
    return expression;
}

} // namespace reference
