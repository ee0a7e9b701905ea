#include "evaluator.h"
#include "evaluatoroperators.h"

#include "localevalues.h"
#include "texthelpers.h"

#include <QStringList>
#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

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

double fail(bool &failed)
{
    failed = true;
    return 0;
}

} // namespace

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


bool IsPlainNumber(const QString &text, const LocaleValues &locale)
{
    const QChar sep = locale.decimalChar();
    QStringView mantissa(text);
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
    if (mantissa.front() == sep && locale.leadingZero)
        return false;
    return digitsBefore <= 15;
}

double PlainNumberValue(const QString &number, const LocaleValues &locale)
{
    const QChar sep = locale.decimalChar();
    QVarLengthArray<char, 64> buf;
    for (const QChar c : number)
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
QString ValueToText(double value, const LocaleValues &locale)
{
    if (value == 0.0 || !std::isfinite(value))
        return QStringLiteral("0");
    // to_chars gives the same correctly rounded digits as printf's "%.14e", without the locale
    // and format-string machinery.
    char buf[40];
    const auto res = std::to_chars(buf, buf + sizeof buf - 1, std::fabs(value),
                                   std::chars_format::scientific, 14);
    *res.ptr = '\0';
    // buf: d.dddddddddddddde[+-]xx
    const char *ePos = std::strchr(buf, 'e');
    const int exponent = std::atoi(ePos + 1);
    std::string digits;
    digits += buf[0];
    digits.append(buf + 2, static_cast<size_t>(ePos - (buf + 2)));
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    const QString sep = locale.decimalText();
    QString out;
    if (value < 0)
        out += u'-';
    if (exponent >= -4 && exponent <= 14) {
        const int wholeDigits = exponent + 1;
        if (wholeDigits <= 0) {
            out += u'0';
            out += sep;
            out += QString(-wholeDigits, u'0');
            out += QString::fromLatin1(digits);
        } else if (static_cast<int>(digits.size()) <= wholeDigits) {
            out += QString::fromLatin1(digits);
            out += QString(wholeDigits - static_cast<int>(digits.size()), u'0');
        } else {
            out += QString::fromLatin1(digits.substr(0, wholeDigits));
            out += sep;
            out += QString::fromLatin1(digits.substr(wholeDigits));
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

double EvaluateFlat(const QString &flat, const QString &sentinel, const LocaleValues &locale,
                    bool &failed)
{
    if (failed)
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
    const QString text = sentinel + flat;
    for (qsizetype i = sentinel.size(); i < text.size(); ++i) {
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
            if (!IsPlainNumber(right, locale))
                return fail(failed);
            const bool unary = operatorTable()[level].front() == QLatin1String("-");
            double result = 0;
            if (unary) {
                if (!applyOperator(level, op.index, 0, PlainNumberValue(right, locale), result))
                    return fail(failed);
                nextSegments.back() += ValueToText(result, locale);
            } else {
                QString &left = nextSegments.back();
                if (!IsPlainNumber(left, locale))
                    return fail(failed);
                if (!applyOperator(level, op.index, PlainNumberValue(left, locale),
                                   PlainNumberValue(right, locale), result))
                    return fail(failed);
                left = ValueToText(result, locale);
            }
        }
        segments = std::move(nextSegments);
        codes = std::move(nextCodes);
    }

    if (!codes.empty() || !IsPlainNumber(segments.front(), locale))
        return fail(failed);
    return PlainNumberValue(segments.front(), locale);
}
