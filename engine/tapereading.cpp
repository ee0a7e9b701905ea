#include "tapereading.h"

#include "localevalues.h"
#include "sheettext.h"

#include <array>

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// A digit or either of the sheet's separators: what one number is made of.
bool isNumberPart(QChar c)
{
    return isDigit(c) || c == u'.' || c == u',';
}

// A typeset sign as the sheet's own; any other character as it is.
QChar sheetSign(QChar c)
{
    switch (c.unicode()) {
    case u'\u00d7': // multiplication sign
    case u'\u00b7': // middle dot
        return u'*';
    case u'\u00f7': // division sign
        return u'/';
    case u'\u2212': // minus sign
    case u'\u2013': // en dash
        return u'-';
    default:
        return c;
    }
}

// Spaces of every kind, and control characters (a lone CR), part the runs of a row.
bool isSpaceLike(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7f || c.isSpace();
}

bool isCurrency(QChar c)
{
    return c.unicode() >= 0x80 ? c.category() == QChar::Symbol_Currency : c == u'$';
}

bool isTimes(QChar c)
{
    return c == u'x' || c == u'X';
}

struct Grouping
{
    QChar decimal;
    QChar group;         // null when the locale's grouping is not read
    bool spaces = false; // the locale groups with a space: any of the three stands for it

    bool isGroup(QChar c) const
    {
        if (spaces)
            return c == u' ' || c == u'\u00a0' || c == u'\u202f';
        return !group.isNull() && c == group;
    }
    bool isPart(QChar c) const { return isDigit(c) || c == decimal || isGroup(c); }
};

Grouping groupingOf(const LocaleValues &locale)
{
    Grouping g{locale.decimalChar(), QChar()};
    if (locale.thousandsSeparator.size() != 1 || locale.thousandsSeparator == locale.decimalText())
        return g;
    g.group = locale.thousandsSeparator.front();
    g.spaces = g.group == u' ' || g.group == u'\u00a0' || g.group == u'\u202f';
    return g;
}

// Whether run (digits and separators, starting and ending with a digit) is a number in the
// locale's grouping: [1-9]d{0,2} (G ddd)+ (D d+)?.
bool isGroupedNumber(QStringView run, const Grouping &g)
{
    qsizetype i = 0;
    while (i < run.size() && isDigit(run[i]))
        ++i;
    if (i > 3 || run[0] == u'0')
        return false;
    int groups = 0;
    while (i < run.size() && g.isGroup(run[i])) {
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

// Marks the group separators of the grouped numbers of s in grouped: they belong to their number
// and are dropped from it.
void markGroupSeparators(QStringView s, const Grouping &g, std::vector<char> &grouped)
{
    if (g.group.isNull())
        return;
    for (qsizetype i = 0; i < s.size(); ++i) {
        // A number starts at a digit with no digit or decimal separator in front, nor a group
        // separator joining it to a digit.
        if (!isDigit(s[i]))
            continue;
        if (i > 0 && (isDigit(s[i - 1]) || s[i - 1] == g.decimal || (g.isGroup(s[i - 1]) && i > 1 && isDigit(s[i - 2]))))
            continue;
        qsizetype end = i;
        while (end < s.size() && g.isPart(s[end]))
            ++end;
        while (!isDigit(s[end - 1]))
            --end;
        if (isGroupedNumber(s.mid(i, end - i), g)) {
            for (qsizetype k = i; k < end; ++k)
                grouped[size_t(k)] = g.isGroup(s[k]);
        }
        i = end - 1;
    }
}

enum class RunKind { Figures, Times, Word };

// A stretch of a row between spaces (spaces inside a grouped number do not part it).
struct Run
{
    qsizetype begin = 0;
    qsizetype end = 0;
    RunKind kind = RunKind::Word;
    bool digits = false;
    bool operatorWord = false; // MOD or DIV
};

// The scientific notation in a word, such as 1e3 or 2.5E-4 ("A1e3" and "3eggs" are no such
// thing): its span, or an empty one.
std::pair<qsizetype, qsizetype> scientificNotation(QStringView s, qsizetype begin, qsizetype end)
{
    for (qsizetype k = begin + 1; k + 1 < end; ++k) {
        if ((s[k] != u'e' && s[k] != u'E') || !isDigit(s[k - 1]))
            continue;
        qsizetype from = k - 1;
        while (from > begin && isNumberPart(s[from - 1]))
            --from;
        if (from > begin && s[from - 1].isLetter())
            continue;
        qsizetype to = k + 1;
        if (sheetSign(s[to]) == u'-' || s[to] == u'+')
            ++to;
        if (to >= end || !isDigit(s[to]))
            continue;
        while (to < end && isDigit(s[to]))
            ++to;
        if (to < end && s[to].isLetter())
            continue;
        return {from, to};
    }
    return {0, 0};
}

Run classify(QStringView s, qsizetype begin, qsizetype end, const std::vector<char> &grouped)
{
    Run run{begin, end};
    if (end - begin == 1 && isTimes(s[begin])) {
        run.kind = RunKind::Times;
        return run;
    }
    bool figures = true;
    for (qsizetype k = begin; k < end && figures; ++k) {
        const QChar c = sheetSign(s[k]);
        if (grouped[size_t(k)] || IsSheetCharacter(c) || isCurrency(c)) {
            run.digits = run.digits || isDigit(c);
        } else if (isTimes(c)) {
            // "2x3", "(1+2)x4": between a number (or a parenthesis) and a number.
            figures = k > begin && k + 1 < end && (isDigit(s[k - 1]) || s[k - 1] == u')')
                && (isNumberPart(s[k + 1]) || s[k + 1] == u'(');
        } else {
            figures = false;
        }
    }
    run.kind = figures ? RunKind::Figures : RunKind::Word;
    if (!figures) {
        const QStringView word = s.mid(begin, end - begin);
        run.operatorWord = word.compare(u"mod", Qt::CaseInsensitive) == 0
            || word.compare(u"div", Qt::CaseInsensitive) == 0;
    }
    return run;
}

TapeRowReading refused(ReadingRefusal why, QStringView fragment)
{
    TapeRowReading reading;
    reading.refusal = why;
    reading.fragment = fragment.toString();
    return reading;
}

// The figures of s[begin, end): spaces, currency signs and group separators dropped, "x" as "*".
// Refused where a dropped character stood between two numbers.
TapeRowReading figuresOf(QStringView s, qsizetype begin, qsizetype end, const std::vector<char> &grouped)
{
    TapeRowReading reading;
    QString &f = reading.figures;
    bool gap = false;
    qsizetype numberStart = begin; // where the number f ends in starts in s
    for (qsizetype k = begin; k < end; ++k) {
        QChar c = sheetSign(s[k]);
        if (grouped[size_t(k)])
            continue;
        if (isSpaceLike(c) || isCurrency(c)) {
            gap = !f.isEmpty();
            continue;
        }
        const bool number = isNumberPart(c);
        if (number && gap && isNumberPart(f.back())) {
            qsizetype to = k;
            while (to < end && (isNumberPart(s[to]) || grouped[size_t(to)]))
                ++to;
            return refused(ReadingRefusal::NumbersWithoutOperator, s.mid(numberStart, to - numberStart));
        }
        if (number && (f.isEmpty() || gap || !isNumberPart(f.back())))
            numberStart = k;
        f += isTimes(c) ? QChar(u'*') : c;
        gap = false;
    }
    return reading;
}

void appendNote(QString &note, QStringView part)
{
    part = part.trimmed();
    if (part.isEmpty())
        return;
    if (!note.isEmpty())
        note += u' ';
    note += part;
}

using PlainTable = std::array<bool, 128>;

PlainTable plainTable(const LocaleValues &locale)
{
    PlainTable table{};
    for (char16_t c = 0; c < 128; ++c)
        table[c] = IsPlainRowCharacter(QChar(c), locale);
    return table;
}

bool isPlain(QChar c, const PlainTable &table)
{
    return c.unicode() < 128 && table[c.unicode()];
}

TapeRowReading readRow(QStringView row, const LocaleValues &locale, const PlainTable &table)
{
    const qsizetype tab = row.indexOf(u'\t');
    const QStringView text = tab < 0 ? row : row.left(tab);
    const QStringView tabNote = tab < 0 ? QStringView() : row.mid(tab + 1);

    TapeRowReading reading;
    bool plain = true;
    for (const QChar c : text)
        plain = plain && isPlain(c, table);
    if (plain) {
        reading.figures = text.toString();
        reading.note = SanitizedNote(tabNote);
        return reading;
    }

    // Kept from row to row: a pasted statement of a million labelled rows would otherwise
    // allocate them a million times.
    thread_local std::vector<char> grouped;
    thread_local std::vector<Run> runs;
    grouped.assign(size_t(text.size()), 0);
    runs.clear();
    markGroupSeparators(text, groupingOf(locale), grouped);
    for (qsizetype k = 0; k < text.size();) {
        if (isSpaceLike(text[k]) && !grouped[size_t(k)]) {
            ++k;
            continue;
        }
        qsizetype end = k;
        while (end < text.size() && (!isSpaceLike(text[end]) || grouped[size_t(end)]))
            ++end;
        runs.push_back(classify(text, k, end, grouped));
        if (runs.back().kind == RunKind::Word) {
            const auto [from, to] = scientificNotation(text, k, end);
            if (to > from)
                return refused(ReadingRefusal::ScientificNotation, text.mid(from, to - from));
        }
        k = end;
    }

    // A lone "x" between two numbers is the multiplication; anywhere else it is a word.
    const auto figuresAt = [](size_t i) { return i < runs.size() && runs[i].kind == RunKind::Figures; };
    for (size_t i = 0; i < runs.size(); ++i) {
        if (runs[i].kind != RunKind::Times)
            continue;
        const bool times = i > 0 && figuresAt(i - 1) && figuresAt(i + 1)
            && (isDigit(text[runs[i - 1].end - 1]) || text[runs[i - 1].end - 1] == u')')
            && (isNumberPart(text[runs[i + 1].begin]) || text[runs[i + 1].begin] == u'(');
        runs[i].kind = times ? RunKind::Figures : RunKind::Word;
    }
    bool words = false;
    for (size_t i = 0; i < runs.size(); ++i) {
        if (runs[i].kind != RunKind::Word)
            continue;
        words = true;
        if (runs[i].operatorWord && ((i > 0 && figuresAt(i - 1) && runs[i - 1].digits)
                                     || (figuresAt(i + 1) && runs[i + 1].digits)))
            return refused(ReadingRefusal::OperatorWord, text.mid(runs[i].begin, runs[i].end - runs[i].begin));
    }

    // The stretches of figures between the words; among words, one without digits is punctuation.
    std::vector<std::pair<qsizetype, qsizetype>> stretches;
    for (size_t i = 0; i < runs.size();) {
        if (runs[i].kind == RunKind::Word) {
            ++i;
            continue;
        }
        size_t j = i;
        bool digits = false;
        for (; j < runs.size() && runs[j].kind != RunKind::Word; ++j)
            digits = digits || runs[j].digits;
        if (digits || !words)
            stretches.emplace_back(runs[i].begin, runs[j - 1].end);
        i = j;
    }
    if (stretches.size() > 1) {
        const qsizetype from = stretches.front().first;
        return refused(ReadingRefusal::NumbersAmongWords, text.mid(from, stretches.back().second - from));
    }

    QString note;
    if (stretches.empty()) {
        appendNote(note, text);
    } else {
        const auto [begin, end] = stretches.front();
        reading = figuresOf(text, begin, end, grouped);
        if (reading.refusal != ReadingRefusal::None)
            return reading;
        appendNote(note, text.left(begin));
        appendNote(note, text.mid(end));
    }
    appendNote(note, tabNote);
    reading.note = SanitizedNote(note);
    return reading;
}

} // namespace

bool IsPlainRowCharacter(QChar c, const LocaleValues &locale)
{
    return IsSheetCharacter(c)
        && !(locale.thousandsSeparator.size() == 1 && c == locale.thousandsSeparator.front()
             && locale.thousandsSeparator != locale.decimalText());
}

TapeRowReading ReadTapeRow(QStringView row, const LocaleValues &locale)
{
    return readRow(row, locale, plainTable(locale));
}

TapeReading ReadTapeText(QStringView text, const LocaleValues &locale)
{
    const PlainTable table = plainTable(locale);
    TapeReading reading;
    reading.sheet = QStringLiteral(""); // not null: an empty paste is still a paste
    reading.sheet.reserve(text.size());
    qsizetype row = 0;
    qsizetype start = 0;
    bool plain = true;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i <= n; ++i) {
        if (i < n && text[i] != u'\n') {
            // The CR of a CR LF ends the row; it is not part of it.
            if (plain && !isPlain(text[i], table) && !(text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n'))
                plain = false;
            continue;
        }
        const qsizetype end = i > start && text[i - 1] == u'\r' && i < n ? i - 1 : i;
        if (row > 0)
            reading.sheet += u"\r\n";
        const QStringView line = text.mid(start, end - start);
        if (plain) {
            reading.sheet += line;
        } else {
            TapeRowReading read = readRow(line, locale, table);
            if (read.refusal != ReadingRefusal::None) {
                TapeReading failed;
                failed.refusal = read.refusal;
                failed.refusedRow = row;
                failed.fragment = std::move(read.fragment);
                return failed;
            }
            reading.sheet += read.figures;
            if (!read.note.isEmpty())
                reading.notes.push_back({row, std::move(read.note)});
        }
        ++row;
        start = i + 1;
        plain = true;
    }
    return reading;
}

QString ReadingRefusalMessage(ReadingRefusal refusal, qsizetype row, const QString &fragment)
{
    const QString where = QStringLiteral("row %1: \"%2\" ").arg(row).arg(fragment);
    switch (refusal) {
    case ReadingRefusal::None:
        return QString();
    case ReadingRefusal::NumbersWithoutOperator:
        return where + QStringLiteral("is numbers with no operator between them");
    case ReadingRefusal::NumbersAmongWords:
        return where + QStringLiteral("has numbers on both sides of words; a row holds one calculation, "
                                      "its words before or after it");
    case ReadingRefusal::ScientificNotation:
        return where + QStringLiteral("is scientific notation, which the sheet does not read; write the number out");
    case ReadingRefusal::OperatorWord:
        return where + QStringLiteral("is a word; the sheet writes its operators as signs "
                                      "(/ divides, \\ divides whole numbers)");
    case ReadingRefusal::RowTooLong:
        return QStringLiteral("row %1: longer than 16 MiB and not only figures").arg(row);
    }
    return QString();
}
