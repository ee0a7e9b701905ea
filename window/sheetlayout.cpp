#include "sheetlayout.h"

#include <QFont>
#include <QFontMetricsF>
#include <QTextLayout>

#include <algorithm>

namespace {

// Layouts kept by row text: enough for every row of a tall window several times over, few enough
// that dropping them all costs nothing to speak of.
constexpr qsizetype kMaxLayouts = 4096;

// A row of up to kWholeRow characters is laid out whole, as one paragraph; a longer one (a file
// of one line opened or pasted) in pieces of kPiece characters, each starting a line. Laying out
// a row costs time and memory in its length (tens of bytes a character), and a row of millions
// of characters laid out whole took seconds a key and gigabytes. A piece is short enough that its
// lines fit in a small window, so the view scrolls through a long row a piece at a time.
constexpr qsizetype kWholeRow = 4096;
constexpr qsizetype kPiece = 128;

} // namespace

void SheetLayout::setDocument(const SheetDocument *document)
{
    m_document = document;
    m_longRows.clear();
    for (qsizetype row = 0; row < m_document->rowCount(); ++row) {
        if (m_document->rowEnd(row) - m_document->rowStart(row) > kWholeRow)
            m_longRows.push_back(row);
    }
    clear();
}

void SheetLayout::followChange(const SheetRows::Change &change)
{
    const qsizetype firstRow = change.firstRow;
    const qsizetype lastRow = firstRow + change.rowsRemoved;
    const auto lo = std::lower_bound(m_longRows.begin(), m_longRows.end(), firstRow);
    const auto hi = std::upper_bound(lo, m_longRows.end(), lastRow);
    const auto at = m_longRows.erase(lo, hi) - m_longRows.begin();
    for (auto it = m_longRows.begin() + at; it != m_longRows.end(); ++it)
        *it += change.rowsAdded - change.rowsRemoved;
    std::vector<qsizetype> found;
    for (qsizetype row = firstRow; row <= firstRow + change.rowsAdded; ++row) {
        if (m_document->rowEnd(row) - m_document->rowStart(row) > kWholeRow)
            found.push_back(row);
    }
    m_longRows.insert(m_longRows.begin() + at, found.cbegin(), found.cend());
}

qsizetype SheetLayout::pieceCount(qsizetype row) const
{
    const qsizetype length = m_document->rowEnd(row) - m_document->rowStart(row);
    return length > kWholeRow ? (length + kPiece - 1) / kPiece : 1;
}

qsizetype SheetLayout::pieceStart(qsizetype row, qsizetype piece) const
{
    if (piece == 0)
        return 0;
    // A surrogate pair stays whole: the piece starts after it.
    const qsizetype at = piece * kPiece;
    const qsizetype p = m_document->rowStart(row) + at;
    return m_document->text().at(p).isLowSurrogate() && m_document->text().at(p - 1).isHighSurrogate() ? at + 1 : at;
}

SheetLayout::Block SheetLayout::blockOf(qsizetype position) const
{
    const qsizetype row = m_document->rowOf(position);
    const qsizetype count = pieceCount(row);
    if (count == 1)
        return {row, 0};
    const qsizetype offset = position - m_document->rowStart(row);
    qsizetype piece = std::min(offset / kPiece, count - 1);
    if (piece > 0 && offset < pieceStart(row, piece))
        --piece;
    return {row, piece};
}

qsizetype SheetLayout::blockStart(Block block) const
{
    return m_document->rowStart(block.row) + pieceStart(block.row, block.piece);
}

qsizetype SheetLayout::blockEnd(Block block) const
{
    return isLastPiece(block) ? m_document->rowEnd(block.row) : m_document->rowStart(block.row) + pieceStart(block.row, block.piece + 1);
}

bool SheetLayout::nextBlock(Block &block) const
{
    if (!isLastPiece(block)) {
        ++block.piece;
        return true;
    }
    if (block.row + 1 >= m_document->rowCount())
        return false;
    block = {block.row + 1, 0};
    return true;
}

bool SheetLayout::previousBlock(Block &block) const
{
    if (block.piece > 0) {
        --block.piece;
        return true;
    }
    if (block.row == 0)
        return false;
    block.row -= 1;
    block.piece = pieceCount(block.row) - 1;
    return true;
}

qsizetype SheetLayout::blockIndex(Block block) const
{
    qsizetype index = block.row + block.piece;
    for (const qsizetype row : m_longRows) {
        if (row >= block.row)
            break;
        index += pieceCount(row) - 1;
    }
    return index;
}

SheetLayout::Block SheetLayout::blockAt(qsizetype index) const
{
    qsizetype extra = 0; // pieces past the first of the long rows passed
    for (const qsizetype row : m_longRows) {
        const qsizetype first = row + extra;
        if (index < first)
            break;
        const qsizetype pieces = pieceCount(row);
        if (index < first + pieces)
            return {row, index - first};
        extra += pieces - 1;
    }
    return {std::min(index - extra, m_document->rowCount() - 1), 0};
}

qsizetype SheetLayout::blockTotal() const
{
    return blockIndex({m_document->rowCount() - 1, pieceCount(m_document->rowCount() - 1) - 1}) + 1;
}

void SheetLayout::clear() const
{
    m_layouts.clear();
    m_layoutWidth = -1;
}

QTextLayout *SheetLayout::layoutOf(Block block, const QFont &font, int width) const
{
    if (width != m_layoutWidth) {
        m_layouts.clear();
        m_layoutWidth = width;
    }
    const qsizetype start = blockStart(block);
    const QString text = m_document->text().mid(start, blockEnd(block) - start);
    if (const auto it = m_layouts.constFind(text); it != m_layouts.cend())
        return it->get();
    if (m_layouts.size() >= kMaxLayouts)
        m_layouts.clear();
    auto layout = std::make_shared<QTextLayout>(text, font);
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(QTextOption::WrapAnywhere);
    option.setTextDirection(Qt::LeftToRight);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    layout->beginLayout();
    qreal y = 0;
    for (;;) {
        QTextLine line = layout->createLine();
        if (!line.isValid())
            break;
        line.setLeadingIncluded(true);
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout->endLayout();
    QTextLayout *raw = layout.get();
    m_layouts.insert(text, std::move(layout));
    return raw;
}

qreal SheetLayout::blockHeight(Block block, const QFont &font, int width) const
{
    const QTextLayout *layout = layoutOf(block, font, width);
    if (layout->lineCount() == 0)
        return QFontMetricsF(font).lineSpacing();
    const QTextLine last = layout->lineAt(layout->lineCount() - 1);
    return last.y() + last.height();
}

int SheetLayout::lineIndexAt(const QTextLayout *layout, qsizetype offset)
{
    const int count = layout->lineCount();
    for (int i = 0; i < count; ++i) {
        const QTextLine line = layout->lineAt(i);
        if (offset < line.textStart() + line.textLength())
            return i;
    }
    return std::max(0, count - 1);
}

