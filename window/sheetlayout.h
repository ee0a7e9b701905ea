#pragma once

#include "sheetdocument.h"

#include <QHash>
#include <QString>

#include <memory>
#include <vector>

class QFont;
class QTextLayout;

// The row layouts of a sheet's document, for a view of it. Only the rows that show are laid out,
// each as one paragraph wrapped anywhere at the view's width, and layouts are kept by the row's
// text, so a key, a paste or a scroll costs the same for a tape of a million rows as for ten. A
// row too long to lay out whole (a pasted file of one line) is laid out in pieces of a fixed
// number of characters, each starting a line of its own, so a row of millions of characters
// costs what a screen of short rows does. What is laid out as one paragraph, a whole row or a
// piece, is a block; blocks counted from the first are the view's scroll unit.
class SheetLayout
{
public:
    struct Block
    {
        qsizetype row = 0;
        qsizetype piece = 0;
        auto operator<=>(const Block &) const = default;
    };

    explicit SheetLayout(const SheetDocument *document) { setDocument(document); }
    // Another document: its long rows found, every layout dropped.
    void setDocument(const SheetDocument *document);
    // An edit of the document: the long rows among the replaced ones are found anew.
    void followChange(const SheetRows::Change &change);

    // 1 for a row laid out whole, else the number of its pieces.
    qsizetype pieceCount(qsizetype row) const;
    // Where a piece starts, counted from its row's start.
    qsizetype pieceStart(qsizetype row, qsizetype piece) const;
    // The block showing a position: a piece's first position is shown at its start, not after the
    // piece before, as a wrapped line's is.
    Block blockOf(qsizetype position) const;
    qsizetype blockStart(Block block) const;
    qsizetype blockEnd(Block block) const;
    bool isLastPiece(Block block) const { return block.piece + 1 >= pieceCount(block.row); }
    // The next or the previous block; false (block unchanged) at the end.
    bool nextBlock(Block &block) const;
    bool previousBlock(Block &block) const;
    // Blocks counted from the first (the scroll bar's unit), and back.
    qsizetype blockIndex(Block block) const;
    Block blockAt(qsizetype index) const;
    qsizetype blockTotal() const;

    // The block's layout, laid out in the font at the width (pixels); kept by the block's text
    // until the width changes or clear() is called.
    QTextLayout *layoutOf(Block block, const QFont &font, int width) const;
    // The block's height laid out so (one line's for an empty block).
    qreal blockHeight(Block block, const QFont &font, int width) const;
    void clear() const;
    // The line of a layout holding the offset into its text.
    static int lineIndexAt(const QTextLayout *layout, qsizetype offset);

private:
    const SheetDocument *m_document = nullptr;
    // The rows laid out in pieces, in order (few: each holds thousands of characters).
    std::vector<qsizetype> m_longRows;
    mutable QHash<QString, std::shared_ptr<QTextLayout>> m_layouts;
    mutable int m_layoutWidth = -1;
};
