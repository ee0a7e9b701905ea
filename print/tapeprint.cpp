#include "tapeprint.h"

#include <localevalues.h>
#include <numberformat.h>
#include <productinfo.h>
#include <tapefile.h>
#include <tapetexts.h>

#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr double kBodyPoints = 10;
constexpr double kTitlePoints = 12;
constexpr double kFooterPoints = 8;
constexpr double kMarginMm = 15;

// A row of the tape as the pages need it: where its text begins in the sheet (it ends two
// characters, a CR LF, before the next row begins), how long its printed amount is, and its
// subtotal (NaN when it has none). Sixteen bytes, so a tape of a million rows takes 16 MB: the
// texts stay in the sheet, and each row's entry and subtotal text are made as its page is drawn.
struct PrintedRow
{
    quint32 start;
    quint32 amountLength;
    double subtotal;
};

// Where a page begins: a row, and the piece of it (an amount too long for its column is printed
// on several lines; the row's number stands on its first, its mark and subtotal on its last).
struct PageStart
{
    qsizetype row;
    qsizetype piece;
};

// Where the columns stand, in device units from the left edge of the printable area. The tape is
// a narrow block in the middle of the page, as wide as its widest amount, its total line and its
// notes need.
struct Columns
{
    double left = 0;
    double numberRight = 0;
    double entryLeft = 0;
    double entryRight = 0;  // the amount is right-aligned here, its mark just after
    double subtotalLeft = 0;
    double subtotalRight = 0;
    double noteLeft = 0;    // the notes, left-aligned, when the tape has any
    double noteWidth = 0;
    double headsRight = 0;  // where the rule under the column heads ends
};

class TapePainter
{
public:
    TapePainter(QPagedPaintDevice &device, const TapeDocument &document, const TapeHeadings &headings)
        : m_device(device)
        , m_document(document)
        , m_headings(headings)
    {
        const QStringView sheet(document.sheetText);
        qsizetype items = 0;
        const std::optional<double> result = FoldTapeEntries(
            document,
            [&](QStringView text, const TapeEntry &entry, const std::optional<double> &subtotal) {
                m_rows.push_back({quint32(text.data() - sheet.data()), quint32(entry.amount.size()),
                                  subtotal ? *subtotal : std::numeric_limits<double>::quiet_NaN()});
                m_markLength = std::max(m_markLength, entry.mark.size());
                m_longestNote = std::max(m_longestNote, entry.note.size());
            },
            items);
        m_rows.shrink_to_fit();
        m_total = TapeTotalOf(document, result, items);
        m_totalValue = m_total.failure == EvalFailure::None ? m_total.text : headings.reason(m_total.failure);
        m_tail = TapeTotalTail(document, headings, items);
        m_body = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        m_body.setPointSizeF(kBodyPoints);
        m_bold = m_body;
        m_bold.setBold(true);
        m_heads = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        m_heads.setPointSizeF(kBodyPoints);
        m_title = m_heads;
        m_title.setPointSizeF(kTitlePoints);
        m_title.setBold(true);
        m_footer = m_heads;
        m_footer.setPointSizeF(kFooterPoints);
    }

    const TapeTotal &total() const { return m_total; }

    bool paint()
    {
        if (!m_painter.begin(&m_device))
            return false;
        layOut();
        const qsizetype pages = qsizetype(m_pageStarts.size());
        for (qsizetype page = 0; page < pages; ++page) {
            if (page > 0)
                m_device.newPage();
            paintPage(page, pages);
        }
        return m_painter.end();
    }

private:
    double mm(double millimetres) const { return millimetres * m_device.logicalDpiY() / 25.4; }

    QFontMetricsF metrics(const QFont &font) const { return QFontMetricsF(font, &m_device); }

    QString subtotalText(double subtotal) const
    {
        return std::isnan(subtotal) ? QString() : FormatResult(subtotal, m_document.decimals, m_document.locale);
    }

    QStringView textOf(qsizetype row) const
    {
        const qsizetype start = m_rows[size_t(row)].start;
        const qsizetype end = row + 1 < qsizetype(m_rows.size()) ? qsizetype(m_rows[size_t(row + 1)].start) - 2
                                                                  : m_document.sheetText.size();
        return QStringView(m_document.sheetText).mid(start, end - start);
    }

    TapeEntry entryOf(qsizetype row) const
    {
        // The last character of the row above, which says the operation; none after an empty row.
        const qsizetype start = m_rows[size_t(row)].start;
        const QChar above = start >= 3 && m_document.sheetText.at(start - 3) != u'\n' ? m_document.sheetText.at(start - 3)
                                                                                     : QChar();
        return TapeEntryOf(textOf(row), above, m_document.decimals, m_document.locale);
    }

    qsizetype piecesOf(const PrintedRow &row) const
    {
        return std::max<qsizetype>(1, (qsizetype(row.amountLength) + m_perLine - 1) / m_perLine);
    }

    void layOut()
    {
        const QFontMetricsF body = metrics(m_body);
        const QFontMetricsF bold = metrics(m_bold);
        const QFontMetricsF heads = metrics(m_heads);
        const double width = m_device.width();
        const double digit = body.horizontalAdvance(QLatin1Char('0'));
        m_digit = digit;
        const double gap = 2 * digit;

        // The amounts and subtotals are in the fixed font, all of whose characters have one width:
        // the longest texts are the widest. A long amount is cut every so many characters.
        qsizetype longest = 0;
        qsizetype longestSubtotal = 0;
        for (const PrintedRow &row : m_rows) {
            longest = std::max(longest, qsizetype(row.amountLength));
            longestSubtotal = std::max(longestSubtotal, subtotalText(row.subtotal).size());
        }
        const bool totalled = m_total.failure == EvalFailure::None;
        double subtotalWidth = std::max({heads.horizontalAdvance(m_headings.subtotal),
                                         totalled ? bold.horizontalAdvance(m_totalValue) : 0.0, longestSubtotal * digit});
        subtotalWidth = std::min(subtotalWidth, width / 2);
        // Right of the subtotals' left edge the total line has the total and its mark (or the
        // reason), then the number of amounts and the date.
        const double totalWidth =
            (totalled ? subtotalWidth + bold.horizontalAdvance(QStringLiteral(" ") + QString::fromUtf16(kTotalMark))
                      : bold.horizontalAdvance(m_totalValue))
            + gap + body.horizontalAdvance(m_tail);
        const double rightWidth = std::max(subtotalWidth, totalWidth);
        const double numberWidth = std::max(heads.horizontalAdvance(m_headings.row),
                                            body.horizontalAdvance(QString::number(m_rows.size())));

        // The notes, when the tape has any, stand in a last column after the subtotals, in the body's
        // font: as wide as the longest note wants, as far as the page allows, and they take at most
        // a third of the page from the amounts. The total line's tail may reach under them.
        const bool noted = m_longestNote > 0;
        const double noteWanted =
            noted ? std::max(heads.horizontalAdvance(m_headings.note), double(m_longestNote) * digit) : 0.0;
        const double rightShare = noted ? std::max(rightWidth, subtotalWidth + gap + std::min(noteWanted, width / 3))
                                        : rightWidth;

        const double markWidth = double(1 + m_markLength) * digit;
        const double entryRoom = std::max(digit, width - numberWidth - markWidth - rightShare - 2 * gap);
        const double entryWidth = std::min(entryRoom, std::max({heads.horizontalAdvance(m_headings.entry),
                                                                bold.horizontalAdvance(m_headings.result),
                                                                longest * digit}));
        const double beforeNotes = numberWidth + gap + entryWidth + markWidth + gap + subtotalWidth + gap;
        const double noteWidth = noted ? std::max(0.0, std::min(noteWanted, width - beforeNotes)) : 0.0;
        const double blockWidth = numberWidth + gap + entryWidth + markWidth + gap
            + (noted ? std::max(rightWidth, subtotalWidth + gap + noteWidth) : rightWidth);
        m_columns.left = std::max(0.0, (width - blockWidth) / 2);
        m_columns.numberRight = m_columns.left + numberWidth;
        m_columns.entryLeft = m_columns.numberRight + gap;
        m_columns.entryRight = m_columns.entryLeft + entryWidth;
        m_columns.subtotalLeft = m_columns.entryRight + markWidth + gap;
        m_columns.subtotalRight = m_columns.subtotalLeft + subtotalWidth;
        m_columns.noteLeft = m_columns.subtotalRight + gap;
        m_columns.noteWidth = noteWidth;
        m_columns.headsRight = noted ? m_columns.noteLeft + noteWidth : m_columns.subtotalRight;
        m_perLine = std::max<qsizetype>(1, static_cast<qsizetype>(entryWidth / digit));

        m_lineHeight = body.lineSpacing();
        m_headerHeight = metrics(m_title).lineSpacing() + mm(3) + heads.lineSpacing() + mm(2);
        const double footerHeight = metrics(m_footer).lineSpacing() + mm(3);
        m_linesPerPage = std::max<qsizetype>(
            3, static_cast<qsizetype>((m_device.height() - m_headerHeight - footerHeight) / m_lineHeight));

        // Where each page begins; the rule and the total line take two lines after the last row,
        // on the same page.
        m_pageStarts.assign(1, PageStart{0, 0});
        qsizetype onPage = 0;
        for (qsizetype row = 0; row < qsizetype(m_rows.size()); ++row) {
            const qsizetype pieces = piecesOf(m_rows[size_t(row)]);
            for (qsizetype piece = 0; piece < pieces; ++piece) {
                if (onPage == m_linesPerPage) {
                    m_pageStarts.push_back({row, piece});
                    onPage = 0;
                }
                ++onPage;
            }
        }
        if (onPage + kResultLines > m_linesPerPage)
            m_pageStarts.push_back({qsizetype(m_rows.size()), 0});
    }

    static constexpr qsizetype kResultLines = 2;

    void drawRight(double right, double baseline, const QString &text, const QFontMetricsF &fm)
    {
        m_painter.drawText(QPointF(right - fm.horizontalAdvance(text), baseline), text);
    }

    // The same in the fixed font, whose characters are all as wide as a digit.
    void drawFixedRight(double right, double baseline, QStringView text)
    {
        m_painter.drawText(QPointF(right - double(text.size()) * m_digit, baseline), text.toString());
    }

    void paintHeader(qsizetype page, qsizetype pages)
    {
        const double width = m_device.width();
        // The name and the date and time.
        m_painter.setFont(m_title);
        const QFontMetricsF title = metrics(m_title);
        const QString date = TapeDateText(m_document);
        const double dateWidth = title.horizontalAdvance(date);
        double y = title.ascent();
        m_painter.drawText(QPointF(0, y),
                           title.elidedText(TapeTitle(m_document, m_headings), Qt::ElideMiddle,
                                            std::max(0.0, width - dateWidth - mm(5))));
        drawRight(width, y, date, title);

        // The column heads and a thin rule under them.
        m_painter.setFont(m_heads);
        const QFontMetricsF heads = metrics(m_heads);
        y = title.lineSpacing() + mm(3) + heads.ascent();
        drawRight(m_columns.numberRight, y, m_headings.row, heads);
        drawRight(m_columns.entryRight, y, m_headings.entry, heads);
        drawRight(m_columns.subtotalRight, y, m_headings.subtotal, heads);
        if (m_longestNote > 0)
            m_painter.drawText(QPointF(m_columns.noteLeft, y),
                               heads.elidedText(m_headings.note, Qt::ElideRight, m_columns.noteWidth));
        const double ruleY = y + heads.descent() + mm(0.8);
        m_painter.setPen(QPen(Qt::black, mm(0.15)));
        m_painter.drawLine(QPointF(m_columns.left, ruleY), QPointF(m_columns.headsRight, ruleY));

        // The page number at the foot.
        m_painter.setFont(m_footer);
        const QFontMetricsF footer = metrics(m_footer);
        const QString number = QString(m_headings.page)
                                   .replace(QLatin1String("|1"), QString::number(page + 1))
                                   .replace(QLatin1String("|2"), QString::number(pages));
        m_painter.drawText(QPointF((width - footer.horizontalAdvance(number)) / 2, m_device.height() - footer.descent()),
                           number);
    }

    void paintPage(qsizetype page, qsizetype pages)
    {
        paintHeader(page, pages);
        const QFontMetricsF body = metrics(m_body);
        m_painter.setFont(m_body);
        const PageStart first = m_pageStarts[size_t(page)];
        const PageStart end = page + 1 < pages ? m_pageStarts[size_t(page + 1)]
                                               : PageStart{qsizetype(m_rows.size()), 0};
        double y = m_headerHeight + body.ascent();
        TapeEntry entry;
        RowNoteCursor notes(m_document.notes, first.row);
        for (PageStart at = first; at.row < end.row || (at.row == end.row && at.piece < end.piece); y += m_lineHeight) {
            const PrintedRow &row = m_rows[size_t(at.row)];
            if (at.piece == 0 || at.row == first.row)
                entry = entryOf(at.row);
            if (at.piece == 0) {
                drawFixedRight(m_columns.numberRight, y, QString::number(at.row + 1));
                // The note on the row's first line, beside its number. Its width was reckoned in
                // digits: the quarter digit spares a note that fits from a rounding's "…".
                if (const QString note = notes.noteOf(at.row); !note.isEmpty())
                    m_painter.drawText(QPointF(m_columns.noteLeft, y),
                                       body.elidedText(note, Qt::ElideRight, m_columns.noteWidth + m_digit / 4));
            }
            drawFixedRight(m_columns.entryRight, y, QStringView(entry.amount).mid(at.piece * m_perLine, m_perLine));
            if (at.piece + 1 == piecesOf(row)) {
                m_painter.drawText(QPointF(m_columns.entryRight + m_digit, y), entry.mark);
                drawFixedRight(m_columns.subtotalRight, y, subtotalText(row.subtotal));
                at = {at.row + 1, 0};
            } else {
                ++at.piece;
            }
        }
        if (page + 1 == pages)
            paintResult(y - body.ascent());
    }

    // The rule across the amounts and subtotals, and the total line under it: the result with
    // the total mark in bold (or why there is none), then the number of amounts and the date.
    void paintResult(double top)
    {
        const QFontMetricsF bold = metrics(m_bold);
        const double ruleY = top + m_lineHeight / 2;
        m_painter.setPen(QPen(Qt::black, mm(0.4)));
        m_painter.drawLine(QPointF(m_columns.entryLeft, ruleY), QPointF(m_columns.subtotalRight, ruleY));
        const double y = top + m_lineHeight + bold.ascent();
        m_painter.setFont(m_bold);
        drawRight(m_columns.entryRight, y, m_headings.result, bold);
        double end = m_columns.subtotalLeft + bold.horizontalAdvance(m_totalValue);
        if (m_total.failure == EvalFailure::None) {
            drawRight(m_columns.subtotalRight, y, m_totalValue, bold);
            const QString mark = QStringLiteral(" ") + QString::fromUtf16(kTotalMark);
            m_painter.drawText(QPointF(m_columns.subtotalRight, y), mark);
            end = m_columns.subtotalRight + bold.horizontalAdvance(mark);
        } else {
            m_painter.drawText(QPointF(m_columns.subtotalLeft, y), m_totalValue);
        }
        m_painter.setFont(m_body);
        m_painter.drawText(QPointF(end + 2 * m_digit, y), m_tail);
    }

    QPagedPaintDevice &m_device;
    const TapeDocument &m_document;
    const TapeHeadings &m_headings;
    std::vector<PrintedRow> m_rows;
    qsizetype m_markLength = 1;
    qsizetype m_longestNote = 0; // in characters; 0: no row has a note, and there is no note column
    TapeTotal m_total;
    QString m_totalValue; // the result, or why there is none
    QString m_tail;       // the number of amounts and the date
    std::vector<PageStart> m_pageStarts;
    double m_digit = 1;
    QPainter m_painter;
    QFont m_body, m_bold, m_heads, m_title, m_footer;
    Columns m_columns;
    qsizetype m_perLine = 1;
    qsizetype m_linesPerPage = 1;
    double m_lineHeight = 1;
    double m_headerHeight = 0;
};

} // namespace

QPageSize TapePageSize(TapePaper paper)
{
    switch (paper) {
    case TapePaper::Local:
        break;
    case TapePaper::A4: return QPageSize(QPageSize::A4);
    case TapePaper::Letter: return QPageSize(QPageSize::Letter);
    case TapePaper::Legal: return QPageSize(QPageSize::Legal);
    case TapePaper::A5: return QPageSize(QPageSize::A5);
    }
    return currentLocaleSnapshot().locale.measurementSystem() == QLocale::ImperialUSSystem
        ? QPageSize(QPageSize::Letter)
        : QPageSize(QPageSize::A4);
}

bool PrintTape(QPagedPaintDevice &device, const TapeDocument &document, const TapeHeadings &headings, TapeTotal *total)
{
    TapePainter painter(device, document, headings);
    if (total)
        *total = painter.total();
    return painter.paint();
}

bool WriteTapePdf(QIODevice &device, const TapeDocument &document, QString *reason, TapeTotal *total)
{
    const TapeHeadings headings = TapeHeadingTexts();
    QPdfWriter writer(&device);
    writer.setTitle(TapeTitle(document, headings));
    writer.setCreator(QString::fromLatin1(ProductInfo::kProductName));
    writer.setPageSize(TapePageSize(document.paper));
    writer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter);
    if (PrintTape(writer, document, headings, total))
        return true;
    if (reason)
        *reason = QStringLiteral("the pages could not be drawn");
    return false;
}

bool ExportTapePdf(const QString &path, const TapeDocument &document, QString *reason)
{
    // The pages go to memory first (a tape the window holds makes a PDF of a few megabytes), so
    // the file is written by one checked, atomic write.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    return WriteTapePdf(pdf, document, reason) && WriteWholeFile(path, pdf.data(), reason);
}
