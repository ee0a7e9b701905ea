#include "memorystring.h"

#include "localevalues.h"

#include <QStringList>

namespace {

// A number as the memory keeps it, separators taken out: sign, integer digits, decimal digits.
struct DisplayNumber
{
    bool negative = false;
    QString digits;
    QString fracDigits;
};

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Thousands separators of some locale that can never be a decimal separator.
bool isSpaceGrouping(QChar c)
{
    return c == u' ' || c == QChar(0x00A0) || c == QChar(0x202F) || c == QChar(0x2009)
        || c == u'\'' || c == QChar(0x2019);
}

QStringView takeSign(QStringView text, bool &negative)
{
    negative = text.startsWith(u'-');
    if (text.startsWith(u"- "))
        return text.mid(2);
    return negative ? text.mid(1) : text;
}

// Reads a display text in the given separators: an optional "- " or "-", digits grouped in threes
// by thousands (the first group 1 to 3 digits), and at most one decimal separator followed by
// digits.
bool parseWith(QStringView text, QChar decimal, QStringView thousands, DisplayNumber &number)
{
    number = DisplayNumber();
    text = takeSign(text, number.negative);
    bool inFraction = false;
    bool grouped = false;
    qsizetype groupDigits = 0; // digits since the last thousands separator
    const auto groupComplete = [&] { return !grouped || groupDigits == 3; };
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text.at(i);
        if (isDigit(c)) {
            (inFraction ? number.fracDigits : number.digits) += c;
            ++groupDigits;
            ++i;
        } else if (!inFraction && c == decimal && !number.digits.isEmpty() && groupComplete()) {
            inFraction = true;
            ++i;
        } else if (!inFraction && !thousands.isEmpty() && text.mid(i).startsWith(thousands)
                   && groupDigits >= 1 && groupDigits <= 3 && groupComplete()) {
            grouped = true;
            groupDigits = 0;
            i += thousands.size();
        } else {
            return false;
        }
    }
    if (!inFraction && !groupComplete())
        return false;
    return !number.digits.isEmpty() && (!inFraction || !number.fracDigits.isEmpty());
}

// Reads a display text whose separators were not recorded. Both "." and ",": the last one is the
// decimal separator. One of them several times: grouping. One of them once: a decimal separator
// unless it could be grouping (1 to 3 digits before it, not starting with 0, exactly 3 after it,
// no other grouping); that case is read as the current locale reads it.
bool parseGuessed(QStringView text, const LocaleValues &locale, DisplayNumber &number)
{
    bool negative = false;
    const QStringView body = takeSign(text, negative);
    QString t;
    bool spaceGrouped = false;
    for (const QChar c : body) {
        if (isSpaceGrouping(c))
            spaceGrouped = true;
        else
            t += c;
    }
    const qsizetype dots = t.count(u'.');
    const qsizetype commas = t.count(u',');
    constexpr QChar kNone(0xFFFF);
    QChar decimal = kNone;
    QChar grouping = dots > 0 ? u'.' : u',';
    if (dots > 0 && commas > 0) {
        decimal = t.lastIndexOf(u'.') > t.lastIndexOf(u',') ? u'.' : u',';
        grouping = decimal == u'.' ? u',' : u'.';
    } else if (dots + commas == 1) {
        const QChar sep = grouping;
        const qsizetype before = t.indexOf(sep);
        const qsizetype after = t.size() - before - 1;
        const bool canGroup = !spaceGrouped && before >= 1 && before <= 3 && t.at(0) != u'0'
            && after == 3;
        if (!canGroup || locale.decimalSeparator == QStringView(&sep, 1))
            decimal = sep;
    }
    if (!parseWith(t, decimal, QStringView(&grouping, 1), number))
        return false;
    number.negative = negative;
    return true;
}

QString formatNow(const DisplayNumber &number, const LocaleValues &locale)
{
    QString out;
    if (number.negative)
        out += QStringLiteral("- ");
    const qsizetype n = number.digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += locale.thousandsSeparator;
        out += number.digits.at(i);
    }
    if (!number.fracDigits.isEmpty()) {
        out += locale.decimalText();
        out += number.fracDigits;
    }
    return out;
}

} // namespace

QString MemorySeparatorsNow(const LocaleValues &locale)
{
    return locale.decimalText() + locale.thousandsSeparator;
}

QString LocaliseMemoryValue(const QString &value, const QString &separators,
                            const LocaleValues &locale)
{
    if (value.isEmpty())
        return value;
    // Only what the result panel can show (15 whole digits, 9 decimals) is a value of ours.
    const auto shown = [](const DisplayNumber &n) {
        return n.digits.size() <= 15 && n.fracDigits.size() <= 9;
    };
    // A record is the decimal separator ("." or ",") and the thousands separator; anything else
    // was not written by us and is not trusted.
    const bool recordValid = !separators.isEmpty()
        && (separators.at(0) == u'.' || separators.at(0) == u',')
        && !separators.mid(1).contains(separators.at(0));
    DisplayNumber number;
    if (recordValid && parseWith(value, separators.at(0), QStringView(separators).mid(1), number)
        && shown(number))
        return formatNow(number, locale);
    if (parseGuessed(value, locale, number) && shown(number))
        return formatNow(number, locale);
    return value;
}

MemoryCells RestoreMemoryString(const QString &saved, const QString &separators,
                                const LocaleValues &locale)
{
    QStringList fields = saved.split(u'|');
    while (fields.size() < kMemoryFields)
        fields << QString();
    MemoryCells cells;
    cells.current = fields.at(0);
    cells.panel = LocaliseMemoryValue(fields.at(1), separators, locale);
    for (int n = 0; n < 10; ++n)
        cells.values[n] = LocaliseMemoryValue(fields.at(n + 2), separators, locale);
    return cells;
}
