#include "tapeexport.h"

#include "evaluator.h"
#include "numberformat.h"
#include "filenames.h"
#include "tapefile.h"
#include "sheettext.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

// "." decimal, no grouping: what spreadsheets read in any locale.
LocaleValues plainDigits()
{
    LocaleValues c;
    c.decimalSeparator = QStringLiteral(".");
    c.thousandsSeparator = QString();
    c.leadingZero = true;
    return c;
}

// A text cell as RFC 4180 quotes it; one that a spreadsheet would read as a formula (or as the
// start of one) keeps its text behind a "'".
void appendCsvText(QString &line, QStringView text)
{
    line += u'"';
    if (!text.isEmpty() && QStringView(u"=+-@\t\r").contains(text.front()))
        line += u'\'';
    for (const QChar c : text) {
        if (c == u'"')
            line += u'"';
        line += c;
    }
    line += u'"';
}

QString plainValue(const std::optional<double> &value)
{
    if (!value || !(std::fabs(*value) < kDisplayLimit))
        return {};
    return PlainNumberText(*value == 0.0 ? 0.0 : *value, plainDigits());
}

// As the tape rounds it; a value that rounds to zero has no sign.
QString plainSubtotal(const std::optional<double> &value, int decimals)
{
    if (!value)
        return {};
    QString text = FormatResult(*value, decimals, plainDigits());
    if (!text.startsWith(QLatin1String("- ")))
        return text;
    const bool zero = std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'1' && c <= u'9'; });
    return text.remove(zero ? 0 : 1, zero ? 2 : 1);
}

QString padLeft(QStringView text, qsizetype width)
{
    QString padded(std::max<qsizetype>(0, width - text.size()), u' ');
    padded += text;
    return padded;
}

QString padRight(QStringView text, qsizetype width)
{
    return text.toString() + QString(std::max<qsizetype>(0, width - text.size()), u' ');
}

// A line of the text form: the padding at its end dropped.
QString textLine(QString line)
{
    while (line.endsWith(u' '))
        line.chop(1);
    return line + u'\n';
}

TapeOperation operationAfter(QChar above)
{
    switch (above.unicode()) {
    case u'-': return TapeOperation::Subtract;
    case u'*': return TapeOperation::Multiply;
    case u'/': return TapeOperation::Divide;
    default: return TapeOperation::Add;
    }
}

bool additive(TapeOperation operation)
{
    return operation == TapeOperation::Add || operation == TapeOperation::Subtract;
}

// Whether an amount that is no plain number enters the tape whole under + or -, so that what the
// row adds is its own value with the operation's sign: its parentheses balance, and outside them
// nothing binds as loosely as the operation (a comparison, a percentage, and after a "-" a sum or
// difference: 10-2+3 takes 2 away and adds 3).
bool entersWhole(QStringView amount, TapeOperation operation, QChar separator)
{
    int depth = 0;
    bool afterOperand = false;
    for (const QChar c : amount) {
        if (c == u'(') {
            ++depth;
        } else if (c == u')') {
            if (--depth < 0)
                return false;
        } else if (depth == 0) {
            const bool loose = c == u'<' || c == u'>' || c == u'=' || c == u'%';
            const bool sum = c == u'+' || (c == u'-' && afterOperand);
            if (loose || (sum && operation == TapeOperation::Subtract))
                return false;
        }
        afterOperand = c.isDigit() || c == separator || c == u')' || c == u'%';
    }
    return depth == 0;
}

// Gathers the text in pieces of about kPieceBytes for the sink.
class PieceWriter
{
public:
    explicit PieceWriter(const TapeSink &sink)
        : m_sink(sink)
    {
        m_bytes.reserve(kPieceBytes + 1024);
    }

    void add(const QString &text)
    {
        if (!m_ok)
            return;
        m_bytes += text.toUtf8();
        if (m_bytes.size() >= kPieceBytes)
            flush();
    }

    bool finish()
    {
        flush();
        return m_ok;
    }

private:
    static constexpr qsizetype kPieceBytes = 64 * 1024;

    void flush()
    {
        if (m_ok && !m_bytes.isEmpty())
            m_ok = m_sink(m_bytes);
        m_bytes.clear();
    }

    const TapeSink &m_sink;
    QByteArray m_bytes;
    bool m_ok = true;
};

} // namespace

TapeEntry TapeEntryOf(QStringView row, QChar above, int decimals, const LocaleValues &locale)
{
    TapeEntry entry;
    const TapeOperation written = operationAfter(above);
    entry.operation = written;
    const QStringView body = !row.isEmpty() && IsContinuationOperator(row.back()) ? row.chopped(1) : row;
    if (body.isEmpty())
        return entry;
    entry.percent = body.size() > 1 && body.back() == u'%';
    const QStringView amount = entry.percent ? body.chopped(1) : body;
    // The row alone, as the evaluator takes it: a run of minus signs in front cancels in pairs,
    // and joined to the row above the first of them subtracts (10--5 is 15), so the run only
    // turns the sign of what the row adds.
    const std::optional<double> own = SheetValue(amount.toString(), locale);
    qsizetype minuses = 0;
    while (minuses < amount.size() && amount.at(minuses) == u'-')
        ++minuses;
    const bool sum = !entry.percent && additive(written);
    const bool plain = own && (minuses == 0 || !entry.percent) && IsPlainNumber(amount.mid(minuses).toString(), locale);
    if (plain)
        entry.amount = FormatResult(sum ? std::fabs(*own) : *own, decimals, locale);
    if (entry.amount.isEmpty())
        entry.amount = amount.toString();
    else if (sum && minuses % 2 == 1)
        entry.operation = written == TapeOperation::Add ? TapeOperation::Subtract : TapeOperation::Add;
    entry.mark = QChar(u"+\u2212\u00D7\u00F7"[int(entry.operation)]);
    if (entry.percent)
        entry.mark += u'%';
    if (!sum)
        entry.value = own;
    else if (own && entersWhole(amount, written, locale.decimalChar()))
        entry.value = written == TapeOperation::Subtract ? -*own : *own;
    return entry;
}

std::optional<double> FoldTapeEntries(
    const TapeDocument &document,
    const std::function<void(QStringView, const TapeEntry &, const std::optional<double> &)> &take,
    qsizetype &items)
{
    items = 0;
    QChar above;
    qsizetype row = 0;
    RowNoteCursor notes(document.notes);
    return FoldTapeRows(document.sheetText, document.locale,
                        [&](QStringView text, const std::optional<double> &subtotal) {
                            TapeEntry entry = TapeEntryOf(text, above, document.decimals, document.locale);
                            entry.note = notes.noteOf(row++);
                            if (!entry.amount.isEmpty())
                                ++items;
                            above = text.isEmpty() ? QChar() : text.back();
                            take(text, entry, subtotal);
                        });
}

TapeTotal TapeTotalOf(const TapeDocument &document, const std::optional<double> &result, qsizetype items)
{
    TapeTotal total;
    total.items = items;
    if (result) {
        total.text = FormatResult(*result, document.decimals, document.locale);
        if (total.text.isEmpty())
            total.failure = EvalFailure::TooLarge;
        return total;
    }
    // The fold tells only that there is no value; why is what the whole evaluation says, as for
    // the result panel.
    const QString expression = SheetExpression(document.sheetText);
    if (expression.contains(QLatin1String("\r\n"))) {
        total.failure = EvalFailure::IndependentRows;
        return total;
    }
    bool failed = false;
    EvalFailure failure = EvalFailure::None;
    EvaluateExpression(expression, document.locale, failed, failure);
    total.failure = failure == EvalFailure::None ? EvalFailure::Invalid : failure;
    return total;
}

QString TapeTotalTail(const TapeDocument &document, const TapeHeadings &headings, qsizetype items)
{
    return QString(headings.items).replace(QLatin1String("|1"), QString::number(items)) + QStringLiteral("   ")
        + TapeDateText(document);
}

namespace {

QString operationName(const TapeEntry &entry)
{
    static const char *const names[] = {"add", "subtract", "multiply", "divide"};
    return QLatin1String(names[int(entry.operation)]) + (entry.percent ? QLatin1String(" percent") : QLatin1String());
}

} // namespace

bool WriteTapeCsv(const TapeDocument &document, const TapeSink &sink, TapeTotal *total)
{
    PieceWriter out(sink);
    out.add(QStringLiteral("row,text,operation,amount,subtotal,note\n"));
    qsizetype number = 0;
    qsizetype items = 0;
    QString line;
    const std::optional<double> result = FoldTapeEntries(
        document,
        [&](QStringView text, const TapeEntry &entry, const std::optional<double> &subtotal) {
            line = QString::number(++number);
            line += u',';
            appendCsvText(line, text);
            line += u',';
            if (!entry.mark.isEmpty())
                line += operationName(entry);
            line += u',';
            line += plainValue(entry.value);
            line += u',';
            line += plainSubtotal(subtotal, document.decimals);
            line += u',';
            appendCsvText(line, entry.note);
            line += u'\n';
            out.add(line);
        },
        items);
    if (total)
        *total = TapeTotalOf(document, result, items);
    return out.finish();
}

QString TapeTitle(const TapeDocument &document, const TapeHeadings &headings)
{
    if (document.fileName.isEmpty())
        return headings.untitled;
    const qsizetype slash = document.fileName.lastIndexOf(u'/');
    return PrintableName(document.fileName.mid(slash + 1));
}

QString TapeDateText(const TapeDocument &document)
{
    const QDateTime when = document.printedAt.isValid() ? document.printedAt : QDateTime::currentDateTime();
    const QLocale locale = currentLocaleSnapshot().locale;
    // Many short formats write the year in two digits (en_US M/d/yy, de_DE dd.MM.yy); a tape
    // kept for the books needs all four.
    static const QRegularExpression twoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
    return locale.toString(when, locale.dateTimeFormat(QLocale::ShortFormat).replace(twoDigitYear, QStringLiteral("yyyy")));
}

bool WriteTapeText(const TapeDocument &document, const TapeHeadings &headings, const TapeSink &sink, TapeTotal *total)
{
    const auto subtotalText = [&](const std::optional<double> &value) {
        return value ? FormatResult(*value, document.decimals, document.locale) : QString();
    };
    // The columns' widths: a first pass over the rows.
    qsizetype rows = 0;
    qsizetype items = 0;
    qsizetype entryWidth = std::max(headings.entry.size(), headings.result.size());
    qsizetype markWidth = 1;
    qsizetype subtotalWidth = headings.subtotal.size();
    bool noted = false; // whether the note column is there: some row has a note
    const std::optional<double> result = FoldTapeEntries(
        document,
        [&](QStringView, const TapeEntry &entry, const std::optional<double> &subtotal) {
            ++rows;
            entryWidth = std::max(entryWidth, entry.amount.size());
            markWidth = std::max(markWidth, entry.mark.size());
            subtotalWidth = std::max(subtotalWidth, subtotalText(subtotal).size());
            noted = noted || !entry.note.isEmpty();
        },
        items);
    const TapeTotal last = TapeTotalOf(document, result, items);
    if (total)
        *total = last;
    subtotalWidth = std::max(subtotalWidth, last.text.size());
    const qsizetype numberWidth = std::max(headings.row.size(), QString::number(rows).size());

    // Number, amount, mark and subtotal, two spaces apart (the mark one space after its amount).
    // The notes follow two spaces after the subtotals, unpadded: the column is the last, and the
    // width (the title line's, the rule's) leaves it out.
    const qsizetype width = numberWidth + 2 + entryWidth + 1 + markWidth + 2 + subtotalWidth;
    const auto withNote = [noted](QString line, const QString &note) {
        if (noted)
            line += QStringLiteral("  ") + note;
        return line;
    };
    const auto columns = [&](QStringView number, QStringView amount, QStringView mark) {
        return padLeft(number, numberWidth) + QStringLiteral("  ") + padLeft(amount, entryWidth) + u' '
            + padRight(mark, markWidth) + QStringLiteral("  ");
    };

    PieceWriter out(sink);
    const QString title = TapeTitle(document, headings);
    const QString date = TapeDateText(document);
    out.add(title + QString(std::max<qsizetype>(1, width - title.size() - date.size()), u' ') + date + u'\n');
    out.add(QStringLiteral("\n"));
    out.add(textLine(withNote(columns(headings.row, headings.entry, {}) + padLeft(headings.subtotal, subtotalWidth),
                              headings.note)));
    qsizetype number = 0;
    FoldTapeEntries(
        document,
        [&](QStringView, const TapeEntry &entry, const std::optional<double> &subtotal) {
            out.add(textLine(withNote(columns(QString::number(++number), entry.amount, entry.mark)
                                          + padLeft(subtotalText(subtotal), subtotalWidth),
                                      entry.note)));
        },
        items);
    out.add(QString(width, u'-') + u'\n');
    // The total line: the result beside its mark, or in its place why there is none.
    const QString value = last.failure == EvalFailure::None
        ? padLeft(last.text, subtotalWidth) + u' ' + QString::fromUtf16(kTotalMark)
        : headings.reason(last.failure);
    out.add(textLine(columns({}, headings.result, {}) + value + QStringLiteral("   ")
                     + TapeTotalTail(document, headings, last.items)));
    return out.finish();
}

namespace {

QByteArray collected(const std::function<bool(const TapeSink &)> &write)
{
    QByteArray bytes;
    write([&bytes](QByteArrayView piece) {
        bytes += piece;
        return true;
    });
    return bytes;
}

} // namespace

QByteArray TapeCsv(const TapeDocument &document)
{
    return collected([&](const TapeSink &sink) { return WriteTapeCsv(document, sink); });
}

QByteArray TapeText(const TapeDocument &document, const TapeHeadings &headings)
{
    return collected([&](const TapeSink &sink) { return WriteTapeText(document, headings, sink); });
}

bool ExportTapeCsv(const QString &path, const TapeDocument &document, QString *reason)
{
    return WriteWholeFile(path, TapeCsv(document), reason);
}
