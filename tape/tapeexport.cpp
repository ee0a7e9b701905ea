#include "tapeexport.h"

#include "numberformat.h"
#include "filenames.h"
#include "tapefile.h"
#include "sheettext.h"

#include <QLocale>

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

std::pair<QString, QString> SplitTrailingOperator(const QString &row)
{
    if (!row.isEmpty() && IsContinuationOperator(row.back()))
        return {row.chopped(1), row.right(1)};
    return {row, QString()};
}

bool WriteTapeCsv(const TapeDocument &document, const TapeSink &sink)
{
    PieceWriter out(sink);
    out.add(QStringLiteral("row,text,value,subtotal\n"));
    qsizetype number = 0;
    QString line;
    FoldTapeRows(document.sheetText, document.locale, [&](QStringView text, const std::optional<double> &subtotal) {
        line = QString::number(++number);
        line += u',';
        appendCsvText(line, text);
        line += u',';
        line += plainValue(PrefixSubtotal(text.toString(), document.locale));
        line += u',';
        line += plainSubtotal(subtotal, document.decimals);
        line += u'\n';
        out.add(line);
    });
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
    return currentLocaleSnapshot().locale.toString(when, QLocale::ShortFormat);
}

bool WriteTapeText(const TapeDocument &document, const TapeHeadings &headings, const TapeSink &sink)
{
    const auto subtotalText = [&](const std::optional<double> &value) {
        return value ? FormatResult(*value, document.decimals, document.locale) : QString();
    };
    // The columns' widths: a first pass over the rows.
    qsizetype rows = 0;
    qsizetype entryWidth = std::max(headings.entry.size(), headings.result.size());
    qsizetype subtotalWidth = headings.subtotal.size();
    const std::optional<double> result =
        FoldTapeRows(document.sheetText, document.locale, [&](QStringView text, const std::optional<double> &subtotal) {
            ++rows;
            const bool op = !text.isEmpty() && IsContinuationOperator(text.back());
            entryWidth = std::max(entryWidth, text.size() - (op ? 1 : 0));
            subtotalWidth = std::max(subtotalWidth, subtotalText(subtotal).size());
        });
    const QString resultText = subtotalText(result);
    subtotalWidth = std::max(subtotalWidth, resultText.size());
    const qsizetype numberWidth = std::max(headings.row.size(), QString::number(rows).size());

    // Number, entry, operator and subtotal, two spaces apart (the operator's one space before
    // it, so it stands beside its entry).
    const qsizetype width = numberWidth + 2 + entryWidth + 2 + 2 + subtotalWidth;
    const auto line = [&](QStringView number, QStringView entry, QStringView op, const QString &subtotal) {
        QString s = padLeft(number, numberWidth) + QStringLiteral("  ") + padLeft(entry, entryWidth) + u' '
            + (op.isEmpty() ? QStringLiteral(" ") : op.toString()) + QStringLiteral("  ")
            + padLeft(subtotal, subtotalWidth);
        while (s.endsWith(u' '))
            s.chop(1);
        return s + u'\n';
    };

    PieceWriter out(sink);
    const QString title = TapeTitle(document, headings);
    const QString date = TapeDateText(document);
    out.add(title + QString(std::max<qsizetype>(1, width - title.size() - date.size()), u' ') + date + u'\n');
    out.add(QStringLiteral("\n"));
    out.add(line(headings.row, headings.entry, {}, headings.subtotal));
    qsizetype number = 0;
    FoldTapeRows(document.sheetText, document.locale, [&](QStringView text, const std::optional<double> &subtotal) {
        const bool op = !text.isEmpty() && IsContinuationOperator(text.back());
        out.add(line(QString::number(++number), text.chopped(op ? 1 : 0), op ? text.right(1) : QStringView(),
                     subtotalText(subtotal)));
    });
    out.add(QString(width, u'-') + u'\n');
    out.add(line({}, headings.result, {}, resultText));
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
