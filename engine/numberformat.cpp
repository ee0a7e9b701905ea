#include "numberformat.h"

#include "localevalues.h"

#include <charconv>
#include <cmath>
#include <string>

namespace {

// Adds one unit in the last place of a string of decimal digits; returns false when the carry runs
// out of the front (999 -> 000, the caller puts the "1" in front).
bool incrementDigits(std::string &digits)
{
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it == '9') {
            *it = '0';
        } else {
            ++*it;
            return true;
        }
    }
    return false;
}

} // namespace

QString FormatResult(double value, int requestedDecimals, const LocaleValues &locale)
{
    const double magnitude = std::fabs(value);
    if (!(magnitude < kDisplayLimit))
        return QString();
    const int decimals = std::clamp(requestedDecimals, 0, 9);

    // Round the decimal number the double stands for (its shortest round-trip form), not the
    // binary fraction behind it: 1.005 is meant as 1.005 and shows as 1.01.
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::fixed);
    const std::string fixed(buf, res.ptr);
    const auto point = fixed.find('.');
    std::string wholePart = fixed.substr(0, point);
    std::string fracPart = point == std::string::npos ? std::string() : fixed.substr(point + 1);

    if (static_cast<int>(fracPart.size()) > decimals) {
        const bool up = fracPart[decimals] >= '5';
        fracPart.resize(decimals);
        if (up) {
            std::string all = wholePart + fracPart;
            if (!incrementDigits(all))
                all.insert(all.begin(), '1');
            wholePart = all.substr(0, all.size() - decimals);
            fracPart = all.substr(all.size() - decimals);
        }
    }
    fracPart.resize(decimals, '0');
    if (wholePart.empty())
        wholePart.push_back('0');

    QString out;
    if (value < 0)
        out += QStringLiteral("- ");
    const int n = static_cast<int>(wholePart.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += locale.thousandsSeparator;
        out += QLatin1Char(wholePart[i]);
    }
    if (decimals > 0) {
        out += locale.decimalText();
        out += QString::fromLatin1(fracPart.data(), decimals);
    }
    return out;
}

double ParseDisplayNumber(const QString &text, const LocaleValues &locale, bool &ok)
{
    ok = false;
    QStringView t(text);
    bool negative = false;
    if (t.startsWith(QLatin1String("- "))) {
        negative = true;
        t = t.mid(2);
    } else if (t.startsWith(u'-')) {
        negative = true;
        t = t.mid(1);
    }
    const QString sep = locale.decimalText();
    std::string ascii;
    bool seenSeparator = false;
    bool seenDigit = false;
    for (const QChar c : t) {
        if (c >= u'0' && c <= u'9') {
            ascii += static_cast<char>(c.unicode());
            seenDigit = true;
        } else if (QStringView(sep) == QStringView(&c, 1) && !seenSeparator) {
            ascii += '.';
            seenSeparator = true;
        } else {
            return 0;
        }
    }
    if (!seenDigit)
        return 0;
    double value = 0;
    const auto res = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (res.ec != std::errc())
        return 0;
    ok = true;
    return negative ? -value : value;
}

QString PlainNumberText(double value, const LocaleValues &locale)
{
    if (value == 0.0)
        return QStringLiteral("0");
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    QString out = QString::fromLatin1(buf, res.ptr - buf);
    const QString sep = locale.decimalText();
    out.replace(QLatin1Char('.'), sep);
    return out;
}
