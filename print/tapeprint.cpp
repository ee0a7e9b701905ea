#include "tapeprint.h"

#include <localevalues.h>
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
#include <vector>

namespace {

constexpr double kBodyPoints = 10;
constexpr double kTitlePoints = 12;
constexpr double kFooterPoints = 8;
constexpr double kMarginMm = 15;

// One printed line of the tape: a row, or one piece of a row whose entry needs several lines.
// The row's number stands on its first line, its operator and subtotal on its last.
struct PrintLine
{
    qsizetype row;
    qsizetype piece;
    bool last;
};

// Where the columns stand, in device units from the left edge of the printable area. The tape is
// a narrow block in the middle of the page, as wide as its widest entry needs.
struct Columns
{
    double left = 0;
    double numberRight = 0;
    double entryLeft = 0;
    double entryRight = 0;  // the entry is right-aligned here, its operator just after
    double subtotalRight = 0;
};

class TapePainter
{
public:
    TapePainter(QPagedPaintDevice &device, const TapeDocument &document, const TapeFold &fold,
                const TapeHeadings &headings)
        : m_device(device)
        , m_document(document)
        , m_fold(fold)
        , m_headings(headings)
    {
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

    bool paint()
    {
        if (!m_painter.begin(&m_device))
            return false;
        layOut();
        const qsizetype pages = pageCount();
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

    void layOut()
    {
        const QFontMetricsF body = metrics(m_body);
        const QFontMetricsF heads = metrics(m_heads);
        const double width = m_device.width();
        const double digit = body.horizontalAdvance(QLatin1Char('0'));
        const double gap = 2 * digit;

        double subtotalWidth = std::max(heads.horizontalAdvance(m_headings.subtotal),
                                        metrics(m_bold).horizontalAdvance(m_fold.resultText));
        for (const TapeRow &row : m_fold.rows)
            subtotalWidth = std::max(subtotalWidth, body.horizontalAdvance(row.subtotalText));
        subtotalWidth = std::min(subtotalWidth, width / 2);
        const double numberWidth = std::max(heads.horizontalAdvance(m_headings.row),
                                            body.horizontalAdvance(QString::number(m_fold.rows.size())));

        // The entries are the sheet's characters, all of one width in the fixed font: a long one
        // is cut every so many characters.
        qsizetype longest = 0;
        for (const TapeRow &row : m_fold.rows)
            longest = std::max(longest, SplitTrailingOperator(row.text).first.size());
        const double opWidth = 2 * digit;
        const double entryRoom = std::max(digit, width - numberWidth - subtotalWidth - opWidth - 2 * gap);
        const double entryWidth = std::min(entryRoom, std::max({heads.horizontalAdvance(m_headings.entry),
                                                                metrics(m_bold).horizontalAdvance(m_headings.result),
                                                                longest * digit}));
        const double blockWidth = numberWidth + gap + entryWidth + opWidth + gap + subtotalWidth;
        m_columns.left = std::max(0.0, (width - blockWidth) / 2);
        m_columns.numberRight = m_columns.left + numberWidth;
        m_columns.entryLeft = m_columns.numberRight + gap;
        m_columns.entryRight = m_columns.entryLeft + entryWidth;
        m_columns.subtotalRight = m_columns.left + blockWidth;
        m_perLine = std::max<qsizetype>(1, static_cast<qsizetype>(entryWidth / digit));
        m_lines.clear();
        m_lines.reserve(static_cast<size_t>(m_fold.rows.size()));
        for (qsizetype row = 0; row < m_fold.rows.size(); ++row) {
            const qsizetype length = SplitTrailingOperator(m_fold.rows.at(row).text).first.size();
            const qsizetype pieces = std::max<qsizetype>(1, (length + m_perLine - 1) / m_perLine);
            for (qsizetype piece = 0; piece < pieces; ++piece)
                m_lines.push_back({row, piece, piece + 1 == pieces});
        }

        m_lineHeight = body.lineSpacing();
        m_headerHeight = metrics(m_title).lineSpacing() + mm(3) + heads.lineSpacing() + mm(2);
        const double footerHeight = metrics(m_footer).lineSpacing() + mm(3);
        m_linesPerPage = std::max<qsizetype>(
            3, static_cast<qsizetype>((m_device.height() - m_headerHeight - footerHeight) / m_lineHeight));
    }

    // The rule and the result take two lines after the last row, on the same page.
    static constexpr qsizetype kResultLines = 2;

    qsizetype pageCount() const
    {
        const qsizetype lines = static_cast<qsizetype>(m_lines.size()) + kResultLines;
        return std::max<qsizetype>(1, (lines + m_linesPerPage - 1) / m_linesPerPage);
    }

    void drawRight(double right, double baseline, const QString &text, const QFontMetricsF &fm)
    {
        m_painter.drawText(QPointF(right - fm.horizontalAdvance(text), baseline), text);
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
        const double ruleY = y + heads.descent() + mm(0.8);
        m_painter.setPen(QPen(Qt::black, mm(0.15)));
        m_painter.drawLine(QPointF(m_columns.left, ruleY), QPointF(m_columns.subtotalRight, ruleY));

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
        const qsizetype first = page * m_linesPerPage;
        const qsizetype end = std::min<qsizetype>(first + m_linesPerPage, static_cast<qsizetype>(m_lines.size()));
        double y = m_headerHeight + body.ascent();
        for (qsizetype i = first; i < end; ++i, y += m_lineHeight) {
            const PrintLine &line = m_lines[static_cast<size_t>(i)];
            const TapeRow &row = m_fold.rows.at(line.row);
            const auto [entry, op] = SplitTrailingOperator(row.text);
            if (line.piece == 0)
                drawRight(m_columns.numberRight, y, QString::number(line.row + 1), body);
            drawRight(m_columns.entryRight, y, entry.mid(line.piece * m_perLine, m_perLine), body);
            if (line.last) {
                if (!op.isEmpty())
                    m_painter.drawText(QPointF(m_columns.entryRight + body.horizontalAdvance(QLatin1Char(' ')), y), op);
                drawRight(m_columns.subtotalRight, y, row.subtotalText, body);
            }
        }
        if (page + 1 == pages)
            paintResult(y - body.ascent());
    }

    // The rule across the entries and subtotals, and the result under it in bold.
    void paintResult(double top)
    {
        const QFontMetricsF bold = metrics(m_bold);
        const double ruleY = top + m_lineHeight / 2;
        m_painter.setPen(QPen(Qt::black, mm(0.4)));
        m_painter.drawLine(QPointF(m_columns.entryLeft, ruleY), QPointF(m_columns.subtotalRight, ruleY));
        const double y = top + m_lineHeight + bold.ascent();
        m_painter.setFont(m_bold);
        drawRight(m_columns.entryRight, y, m_headings.result, bold);
        drawRight(m_columns.subtotalRight, y, m_fold.resultText, bold);
    }

    QPagedPaintDevice &m_device;
    const TapeDocument &m_document;
    const TapeFold &m_fold;
    const TapeHeadings &m_headings;
    QPainter m_painter;
    QFont m_body, m_bold, m_heads, m_title, m_footer;
    Columns m_columns;
    std::vector<PrintLine> m_lines;
    qsizetype m_perLine = 1;
    qsizetype m_linesPerPage = 1;
    double m_lineHeight = 1;
    double m_headerHeight = 0;
};

QPageSize localPageSize()
{
    return QLocale::system().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize(QPageSize::Letter)
                                                                               : QPageSize(QPageSize::A4);
}

} // namespace

bool PrintTape(QPagedPaintDevice &device, const TapeDocument &document, const TapeFold &fold,
               const TapeHeadings &headings)
{
    return TapePainter(device, document, fold, headings).paint();
}

bool ExportTapePdf(const QString &path, const TapeDocument &document, QString *reason)
{
    const auto fail = [reason](const QString &why) {
        if (reason)
            *reason = why;
        return false;
    };
    const TapeHeadings headings = TapeHeadingTexts();
    const TapeFold fold = FoldTape(document.sheetText, document.decimals, document.locale);
    // The pages go to memory first (a tape of 100,000 rows makes a PDF of a few megabytes), so
    // the file is written by one checked, atomic write.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setTitle(TapeTitle(document, headings));
        writer.setCreator(QString::fromLatin1(ProductInfo::kProductName));
        writer.setPageSize(localPageSize());
        writer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter);
        if (!PrintTape(writer, document, fold, headings))
            return fail(QStringLiteral("the pages could not be drawn"));
    }
    return WriteWholeFile(path, pdf.data(), reason);
}
