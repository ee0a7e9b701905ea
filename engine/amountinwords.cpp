#include "amountinwords.h"

#include "messagesink.h"
#include "texthelpers.h"
#include "wordsfile.h"

#include <cmath>
#include <limits>

namespace {

constexpr quint64 kMaxScaled = quint64(std::numeric_limits<qint64>::max());

// 12 whole digits: 999 999 999 999.99 is the largest amount that can be written.
constexpr quint64 kMaxWholeUnits = 999'999'999'999ULL;

// The grammatical form of a group's name from its units and tens digits: 1 as after "one",
// 2 as after "two", 3 as after "three" and "four", 4 for everything else (zero and the teens too).
int groupForm(int units, int tens)
{
    if (tens == 1)
        return 4;
    switch (units) {
    case 1:
        return 1;
    case 2:
        return 2;
    case 3:
    case 4:
        return 3;
    default:
        return 4;
    }
}

void fail(bool &failed, const QString &message)
{
    if (!message.isEmpty())
        showMessage(message, MessageIcon::Information);
    failed = true;
}

} // namespace

std::optional<Currency> Currency::fromDouble(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    if (value == 0.0)
        return Currency();

    // |value| = mantissa * 2^exponent exactly, with a 53-bit integer mantissa. Working on these
    // integers rounds the double's exact value: 0.03125 is a true half and goes up, while the
    // double nearest to 0.00005 lies just below the half and goes down.
    int binaryExponent = 0;
    const double fraction = std::frexp(std::fabs(value), &binaryExponent);
    const auto mantissa = static_cast<quint64>(std::ldexp(fraction, 53));
    const int exponent = binaryExponent - 53;
    if (exponent >= 0)
        return std::nullopt; // at least 2^52, far beyond the range

    const int shift = -exponent;
    quint64 scaled = 0;
    // mantissa * 10000 < 2^67, so beyond a shift of 68 the value is below half a ten-thousandth.
    if (shift <= 68) {
        const unsigned __int128 product = static_cast<unsigned __int128>(mantissa) * kScale;
        const unsigned __int128 quotient = product >> shift;
        const unsigned __int128 remainder = product - (quotient << shift);
        const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
        const unsigned __int128 rounded = quotient + (remainder >= half ? 1 : 0);
        if (rounded > kMaxScaled)
            return std::nullopt;
        scaled = static_cast<quint64>(rounded);
    }
    const auto magnitude = static_cast<qint64>(scaled);
    return fromScaled(value < 0 ? -magnitude : magnitude);
}

std::optional<Currency> Currency::fromText(QStringView text, QChar decimal)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    bool negative = false;
    if (i < n && text[i] == u'-') {
        negative = true;
        ++i;
        while (i < n && text[i] == u' ')
            ++i;
    }

    auto isDigit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    const qsizetype wholeBegin = i;
    while (i < n && isDigit(text[i]))
        ++i;
    QStringView whole = text.mid(wholeBegin, i - wholeBegin);
    QStringView decimals;
    if (i < n && text[i] == decimal) {
        const qsizetype decimalsBegin = ++i;
        while (i < n && isDigit(text[i]))
            ++i;
        decimals = text.mid(decimalsBegin, i - decimalsBegin);
    }
    if (i != n || (whole.isEmpty() && decimals.isEmpty()))
        return std::nullopt;

    while (whole.size() > 1 && whole.front() == u'0')
        whole = whole.mid(1);
    if (whole.size() > 15) // the range ends at 922 337 203 685 477
        return std::nullopt;

    quint64 scaled = 0;
    for (QChar c : whole)
        scaled = scaled * 10 + quint64(c.unicode() - u'0');
    for (qsizetype k = 0; k < 4; ++k)
        scaled = scaled * 10 + (k < decimals.size() ? quint64(decimals[k].unicode() - u'0') : 0);
    // The fifth decimal decides alone: 5 or more is at least half a ten-thousandth.
    if (decimals.size() > 4 && decimals[4] >= u'5')
        ++scaled;
    if (scaled > kMaxScaled)
        return std::nullopt;
    const auto magnitude = static_cast<qint64>(scaled);
    return fromScaled(negative ? -magnitude : magnitude);
}

QString AmountInWords(Currency amount, const QString &filePath, int lcid, bool &failed,
                      const QString &limitMessage, const QString &fileMessage)
{
    // The magnitude in hundredths, rounded halves away from zero. Unsigned, so that even the most
    // negative value has a magnitude.
    const qint64 scaled = amount.scaled();
    const quint64 magnitude = scaled < 0 ? 0 - quint64(scaled) : quint64(scaled);
    const quint64 hundredths = (magnitude + 50) / 100;
    const quint64 wholeUnits = hundredths / 100;
    if (wholeUnits > kMaxWholeUnits) {
        fail(failed, limitMessage);
        return QString();
    }

    WordsFile words;
    if (!ReadWordsFile(filePath, lcid, words)) {
        fail(failed, fileMessage);
        return QString();
    }

    // Group 0 holds the hundredths (its hundreds place is always 0), group 1 the units 0 to 999,
    // groups 2, 3 and 4 the thousands, millions and thousands of millions.
    int units[5], tens[5], hundreds[5], form[5];
    const int cents = int(hundredths % 100);
    units[0] = cents % 10;
    tens[0] = cents / 10;
    hundreds[0] = 0;
    quint64 rest = wholeUnits;
    for (int g = 1; g <= 4; ++g) {
        const int group = int(rest % 1000);
        rest /= 1000;
        units[g] = group % 10;
        tens[g] = group / 10 % 10;
        hundreds[g] = group / 100;
    }
    for (int g = 0; g <= 4; ++g)
        form[g] = groupForm(units[g], tens[g]);

    QString text;
    if (wholeUnits == 0) {
        text = words.zero + QLatin1Char(' ') + words.level[1].at(4) + QLatin1Char(' ');
    } else {
        // An empty thousands, millions or billions group has no name at all. Group 1 always keeps
        // the unit's name: one thousand dollars.
        for (int g = 2; g <= 4; ++g) {
            if (units[g] == 0 && tens[g] == 0 && hundreds[g] == 0)
                form[g] = 0;
        }
        for (int g = 4; g >= 1; --g) {
            QString hundredsWord = words.words100.at(hundreds[g]);
            QString tensWord = words.words10.at(tens[g]);
            QString unitsWord = words.words1.at(units[g]);
            const QString &name = words.level[g].at(form[g]);
            if (tens[g] == 1 && units[g] != 0) {
                tensWord = words.words11.at(units[g]);
                unitsWord.clear();
            }
            // A name with a space carries its own numeral ("одна тысяча"), in the gender the
            // group needs, so the plain units word is left out.
            if (tens[g] != 1 && name.contains(QLatin1Char(' ')))
                unitsWord.clear();
            for (QString *word : {&hundredsWord, &tensWord, &unitsWord}) {
                if (!word->isEmpty())
                    *word += QLatin1Char(' ');
            }
            text += hundredsWord + tensWord + unitsWord + name;
            if (form[g] != 0)
                text += QLatin1Char(' ');
        }
    }

    // The hundredths are always two digits, never words.
    text += QString::number(tens[0]) + QString::number(units[0]) + QLatin1Char(' ')
        + words.level[0].at(form[0]);

    // Long items can make the text too long before any replacement; the pairs are held to the
    // bound while they replace, and to the search budget before each pair.
    bool tooLong = text.size() > kMaxWordsTextLength;
    qint64 searched = 0;
    for (qsizetype i = 0; !tooLong && i + 1 < words.replace.size(); i += 2) {
        searched += text.size();
        tooLong = searched > kMaxReplaceSearch
            || !ReplaceAllWithin(text, words.replace.at(i), words.replace.at(i + 1),
                                 Qt::CaseInsensitive, kMaxWordsTextLength);
    }
    if (tooLong) {
        fail(failed, fileMessage);
        return QString();
    }

    if (!text.isEmpty()) {
        // A letter outside the basic plane is a surrogate pair; upper-case it whole.
        const qsizetype first = text.at(0).isHighSurrogate() && text.size() > 1 ? 2 : 1;
        text.replace(0, first, text.left(first).toUpper());
    }
    return text;
}
