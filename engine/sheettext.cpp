#include "sheettext.h"

#include "localevalues.h"
#include "sheetrows.h"
#include "texthelpers.h"

#include <algorithm>
#include <array>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The sheet alphabet as a table, made when the program is compiled: it is looked up for every
// character of a tape at every key.
constexpr std::array<bool, 128> kSheetCharacters = [] {
    std::array<bool, 128> table{};
    for (const char16_t c : kSheetAlphabet) {
        if (c != 0)
            table[c] = true;
    }
    return table;
}();

// Whether a text holds a space or a run of three minus signs: the only texts the minus step
// changes. A typed key almost never makes one, and the step is then a single scan.
bool hasSpaceOrMinusRun(QStringView s)
{
    int run = 0;
    for (const QChar c : s) {
        if (c == u' ')
            return true;
        run = c == u'-' ? run + 1 : 0;
        if (run == 3)
            return true;
    }
    return false;
}

// Whether a text holds a CR or LF that is not part of a CR LF pair (pairs taken left to right).
bool hasLoneBreak(QStringView s)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n')
            ++i;
        else if (s[i] == u'\r' || s[i] == u'\n')
            return true;
    }
    return false;
}

// Three minus signs become one: "---" turns into "-" and two spaces, the spaces go; repeated
// until nothing changes, so four become two.
QString collapseMinusRuns(QString s, qsizetype &lngCaret)
{
    if (!hasSpaceOrMinusRun(s))
        return s;
    for (;;) {
        const qsizetype before = s.size();
        s = ReplaceAll(s, QStringLiteral("---"), QStringLiteral("-  "));
        s = FilterChars(s, QStringLiteral(" "), false, Qt::CaseSensitive, lngCaret);
        if (s.size() == before)
            return s;
    }
}

// Leading empty rows go (when the text is the sheet's start), and a final line break stays only
// behind a continuation operator (when it is the sheet's end).
QString trimRowBreaks(QString s, qsizetype &lngCaret, bool start = true, bool end = true)
{
    qsizetype leading = 0;
    while (start && QStringView(s).mid(leading).startsWith(kCrLf))
        leading += 2;
    if (leading > 0)
        s.remove(0, leading);
    lngCaret -= leading;
    while (end && s.endsWith(kCrLf)) {
        if (s.size() > 2 && QStringView(u"-+*/").contains(s.at(s.size() - 3)))
            break;
        s.chop(2);
    }
    return s;
}

// Whether a text already passes the cleaning's middle steps unchanged: only sheet characters and
// CR LF pairs, no run of three minus signs. Typing into a clean sheet keeps it so, and the steps
// below would each copy a long tape only to give it back.
bool isCleanBody(QStringView s)
{
    int run = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c == u'\r') {
            if (i + 1 >= s.size() || s[i + 1] != u'\n')
                return false;
            ++i;
            run = 0;
            continue;
        }
        if (!IsSheetCharacter(QChar(c)))
            return false;
        run = c == u'-' ? run + 1 : 0;
        if (run == 3)
            return false;
    }
    return true;
}

} // namespace

bool IsSheetCharacter(QChar c)
{
    return c.unicode() < 128 && kSheetCharacters[c.unicode()];
}

namespace {

// The other one of "." and "," made the decimal separator.
QString withDecimalSeparator(const QString &text, const LocaleValues &locale)
{
    const QString &sep = locale.decimalSeparator;
    const QString foreign = sep == QLatin1String(",") ? QStringLiteral(".") : QStringLiteral(",");
    if (sep.size() != 1)
        return ReplaceAll(text, foreign, sep);
    QString s = text;
    s.replace(foreign.front(), sep.front());
    return s;
}

} // namespace

QString CleanSheetText(const QString &text, qsizetype &lngCaret, const LocaleValues &locale,
                       bool separatorsOnly)
{
    if (separatorsOnly)
        return collapseMinusRuns(withDecimalSeparator(text, locale), lngCaret);
    return CleanSheetRows(text, lngCaret, locale, true, true);
}

QString CleanSheetRows(const QString &rows, qsizetype &caret, const LocaleValues &locale, bool atStart, bool atEnd)
{
    QString s = withDecimalSeparator(rows, locale);
    if (isCleanBody(s))
        return trimRowBreaks(s, caret, atStart, atEnd);
    s = collapseMinusRuns(s, caret);

    s = FilterChars(s, QString::fromUtf16(kSheetAlphabet) + kCrLf, true, Qt::CaseSensitive, caret);

    // Only complete CR LF pairs survive: lone CRs and LFs go. (No space is left to be mistaken
    // for half a pair: the minus step dropped them all.)
    if (hasLoneBreak(s)) {
        s = ReplaceAll(s, kCrLf, QStringLiteral("  "));
        s = FilterChars(s, kCrLf, false, Qt::CaseSensitive, caret);
        s = ReplaceAll(s, QStringLiteral("  "), kCrLf);
    }

    // Dropping a foreign character or a lone CR or LF can join minus signs into a new run of
    // three ("5--x-3"); collapse again, or the cleaned text would still change when cleaned once
    // more and a run of three would stay in the sheet.
    s = collapseMinusRuns(s, caret);
    return trimRowBreaks(s, caret, atStart, atEnd);
}

std::pair<qsizetype, qsizetype> RowsToClean(const SheetRows &rows, qsizetype from, qsizetype to)
{
    const auto empty = [&rows](qsizetype row) { return rows.rowStart(row) == rows.rowEnd(row); };
    qsizetype first = rows.rowOf(from);
    qsizetype last = rows.rowOf(to);
    // Empty rows between the touched ones and either end of the sheet are trimmed with them.
    qsizetype lead = 0;
    while (lead < first && empty(lead))
        ++lead;
    if (lead == first)
        first = 0;
    qsizetype trail = rows.rowCount() - 1;
    while (trail > last && empty(trail))
        --trail;
    if (trail == last)
        last = rows.rowCount() - 1;
    // The cleaning may leave touched rows at the start empty, and they go with the break after
    // them; at the end with the break before them. So the first row below (above) them that is
    // not empty is taken too: it stays as it is, and ends the trimming.
    if (first == 0 && last + 1 < rows.rowCount()) {
        ++last;
        while (last + 1 < rows.rowCount() && empty(last))
            ++last;
    }
    if (last == rows.rowCount() - 1 && first > 0) {
        --first;
        while (first > 0 && empty(first))
            --first;
    }
    return {rows.rowStart(first), rows.rowEnd(last)};
}

QStringView SelectionTrimmed(QStringView selection)
{
    // The operators of the sheet alphabet that no expression starts with (all but "-") and that
    // none ends with (all but "%").
    static const QString leftEnd = QStringLiteral("+*/\\^<>=%\r\n");
    static const QString rightEnd = QStringLiteral("+-*/\\^<>=\r\n");
    while (!selection.isEmpty() && leftEnd.contains(selection.front()))
        selection = selection.mid(1);
    while (!selection.isEmpty() && rightEnd.contains(selection.back()))
        selection.chop(1);
    return selection;
}

QString SelectionExpression(const QString &selection)
{
    return SheetExpression(SelectionTrimmed(selection).toString());
}

QString SheetExpression(const QString &sheet)
{
    // One pass: a CR LF goes when the last character kept before it is a continuation operator,
    // so an operator followed by several line breaks loses them all, as repeated replacement of
    // the operator and a line break by the operator alone does.
    QString expression;
    qsizetype copied = 0;
    QChar last;
    const qsizetype n = sheet.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = sheet.at(i);
        if (c == u'\r' && i + 1 < n && sheet.at(i + 1) == u'\n' && IsContinuationOperator(last)) {
            if (copied == 0)
                expression.reserve(n);
            expression += QStringView(sheet).mid(copied, i - copied);
            copied = i + 2;
            ++i;
        } else {
            last = c;
        }
    }
    if (copied == 0)
        return sheet;
    expression += QStringView(sheet).mid(copied);
    return expression;
}
