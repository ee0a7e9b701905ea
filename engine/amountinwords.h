#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// A money amount as the currency type holds it: a 64-bit integer counting ten-thousandths, so
// four decimals are exact and the range is about +-922 337 203 685 477.5807.
class Currency
{
public:
    static constexpr qint64 kScale = 10000;

    constexpr Currency() = default;
    static constexpr Currency fromScaled(qint64 tenThousandths)
    {
        Currency c;
        c.m_scaled = tenThousandths;
        return c;
    }

    // The exact value of the double rounded to four decimals, halves away from zero (0.03125
    // gives 0.0313). Empty for NaN, infinities and values outside the range.
    static std::optional<Currency> fromDouble(double value);

    // A plain decimal text: an optional "-" (spaces may follow it, as in the panels' "- 5"), then
    // digits with at most one separator (decimal) and at least one digit. No grouping, no
    // exponent, no spaces around. Digits beyond the fourth decimal are rounded, halves away from
    // zero. Empty when the text is malformed or the value outside the range.
    static std::optional<Currency> fromText(QStringView text, QChar decimal = u'.');

    constexpr qint64 scaled() const { return m_scaled; }
    double toDouble() const { return double(m_scaled) / kScale; }

    friend constexpr bool operator==(Currency a, Currency b) { return a.m_scaled == b.m_scaled; }

private:
    qint64 m_scaled = 0;
};

// The longest text in words, in characters. An amount in words is a line or two; a words file
// whose Replace pairs grow the text past this (a replacement that holds its own search text
// doubles the text at each such pair) is treated as invalid, before the growth costs time or
// memory.
inline constexpr qsizetype kMaxWordsTextLength = 64 * 1024;
// How many characters the Replace pairs may search in all: 256 passes over a text of the largest
// length. Real files have a handful of pairs over a short text; a file of a quarter of a million
// pairs over a long text would otherwise keep the window busy for half a minute.
inline constexpr qint64 kMaxReplaceSearch = 256 * qint64(kMaxWordsTextLength);

// Writes an amount out in words as on a cheque: the whole units in words with their group names,
// then the hundredths as two digits and the name of the hundredth part, e.g. "One thousand two
// hundred thirty four dollars 56 cents". Every word comes from the words file at filePath,
// which is read and checked anew at every call; a file that is not UTF-8 is read in the legacy
// code page of the language lcid (see DecodeTextBytes). The sign is ignored.
//
// Failures return the empty text and set failed (which is never cleared: the caller clears it
// before the call):
//  - the amount rounded to hundredths needs more than 12 whole digits (999 999 999 999.995 and
//    above): limitMessage is shown;
//  - the words file is missing, unreadable or invalid, or its words and Replace pairs make a text
//    longer than kMaxWordsTextLength (or its pairs search more than kMaxReplaceSearch
//    characters): fileMessage is shown.
// Messages go through showMessage() with the information icon; an empty message shows nothing.
// The main window passes LoadText(1150, {"|1", "\r"}) and LoadText(1151, {"|1", "\r", "|2", path}).
QString AmountInWords(Currency amount, const QString &filePath, int lcid, bool &failed,
                      const QString &limitMessage, const QString &fileMessage);
