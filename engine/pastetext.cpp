#include "pastetext.h"

#include "localevalues.h"

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

struct Separators
{
    QChar decimal;
    QChar group;

    bool isPart(QChar c) const { return isDigit(c) || c == decimal || c == group; }
};

// Whether run (digits and separators, starting and ending with a digit) is a number in the
// locale's grouping: [1-9]d{0,2} (G ddd)+ (D d+)?.
bool isGroupedNumber(QStringView run, const Separators &sep)
{
    qsizetype i = 0;
    while (i < run.size() && isDigit(run[i]))
        ++i;
    if (i > 3 || run[0] == u'0')
        return false;
    int groups = 0;
    while (i < run.size() && run[i] == sep.group) {
        qsizetype digits = 0;
        while (i + 1 + digits < run.size() && isDigit(run[i + 1 + digits]))
            ++digits;
        if (digits != 3)
            return false;
        i += 4;
        ++groups;
    }
    if (groups == 0)
        return false;
    // What follows the last group can only be the decimal separator; the run ends in a digit.
    for (++i; i < run.size(); ++i) {
        if (!isDigit(run[i]))
            return false;
    }
    return true;
}

} // namespace

QString PastedSheetText(const QString &pasted, const LocaleValues &locale)
{
    QString s = pasted;
    for (QChar &c : s) {
        switch (c.unicode()) {
        case u'\u00d7': // multiplication sign
        case u'\u00b7': // middle dot
            c = u'*';
            break;
        case u'\u00f7': // division sign
            c = u'/';
            break;
        case u'\u2212': // minus sign
        case u'\u2013': // en dash
            c = u'-';
            break;
        default:
            break;
        }
    }

    // A group separator outside the sheet's alphabet (a space, a no-break space, an apostrophe)
    // is dropped by the cleaning anyway; only "," or "." would be read as a decimal point.
    if (locale.thousandsSeparator.size() != 1 || locale.thousandsSeparator == locale.decimalText())
        return s;
    const Separators sep{locale.decimalChar(), locale.thousandsSeparator.front()};

    QString out;
    qsizetype copied = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        // A run starts at a digit that no digit or separator stands in front of.
        if (!isDigit(s[i]) || (i > 0 && sep.isPart(s[i - 1])))
            continue;
        qsizetype end = i;
        while (end < s.size() && sep.isPart(s[end]))
            ++end;
        while (!isDigit(s[end - 1]))
            --end;
        const QStringView run = QStringView(s).mid(i, end - i);
        if (isGroupedNumber(run, sep)) {
            out += QStringView(s).mid(copied, i - copied);
            for (const QChar c : run) {
                if (c != sep.group)
                    out += c;
            }
            copied = end;
        }
        i = end - 1;
    }
    if (copied == 0)
        return s;
    out += QStringView(s).mid(copied);
    return out;
}
