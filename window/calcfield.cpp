#include "calcfield.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

CalcField::CalcField(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAnywhere);
    setTabChangesFocus(true);
    setUndoRedoEnabled(false); // the window keeps its own undo ring
}

namespace {

// The document breaks rows with a paragraph (or line) separator; the sheet with CR LF.
QString sheetText(QString documentText)
{
    documentText.replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
    documentText.replace(QChar::LineSeparator, QLatin1String("\r\n"));
    return documentText;
}

QString plainText(QString sheet)
{
    sheet.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return sheet;
}

} // namespace

QString CalcField::Text() const
{
    // toRawText keeps no-break spaces, which toPlainText would turn into spaces.
    return sheetText(document()->toRawText());
}

void CalcField::setText(const QString &strText)
{
    setPlainText(plainText(strText));
}

qsizetype CalcField::toSheetPosition(int intDocumentPosition) const
{
    const QTextBlock block = document()->findBlock(intDocumentPosition);
    return intDocumentPosition + (block.isValid() ? block.blockNumber() : document()->blockCount() - 1);
}

int CalcField::toDocumentPosition(qsizetype lngSheetPosition) const
{
    if (lngSheetPosition <= 0)
        return 0;
    // Walk the blocks: each contributes its length plus a two-character break in sheet positions.
    qsizetype sheetStart = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        const qsizetype len = block.length() - 1; // without the block break
        if (lngSheetPosition <= sheetStart + len)
            return block.position() + static_cast<int>(lngSheetPosition - sheetStart);
        if (!block.next().isValid())
            return block.position() + static_cast<int>(len);
        // A position between CR and LF belongs to the end of this row.
        if (lngSheetPosition < sheetStart + len + 2)
            return block.position() + static_cast<int>(len);
        sheetStart += len + 2;
    }
    return document()->characterCount() - 1;
}

qsizetype CalcField::SelStart() const
{
    return toSheetPosition(textCursor().selectionStart());
}

void CalcField::setSelStart(qsizetype lngStart)
{
    QTextCursor c = textCursor();
    c.setPosition(toDocumentPosition(lngStart));
    setTextCursor(c);
}

qsizetype CalcField::SelLength() const
{
    const QTextCursor c = textCursor();
    return toSheetPosition(c.selectionEnd()) - toSheetPosition(c.selectionStart());
}

void CalcField::setSelLength(qsizetype lngLength)
{
    QTextCursor c = textCursor();
    const qsizetype start = toSheetPosition(c.selectionStart());
    c.setPosition(toDocumentPosition(start));
    c.setPosition(toDocumentPosition(start + std::max<qsizetype>(0, lngLength)), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

QString CalcField::SelText() const
{
    return sheetText(textCursor().selectedText());
}

void CalcField::setSelText(const QString &strText)
{
    textCursor().insertText(plainText(strText));
}

int CalcField::visualLineCount() const
{
    // The plain-text layout lays out a replaced or pasted block lazily, at the next paint; until
    // then it has no lines and a soft-wrapped row would count as one. Lay it out now.
    const auto *plainLayout = qobject_cast<QPlainTextDocumentLayout *>(document()->documentLayout());
    int rows = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (plainLayout)
            plainLayout->ensureBlockLayout(block);
        const QTextLayout *layout = block.layout();
        const int n = layout ? layout->lineCount() : 0;
        rows += n > 0 ? n : 1;
    }
    return rows;
}

void CalcField::pasteDefault(const QMimeData *source)
{
    QPlainTextEdit::insertFromMimeData(source);
}

void CalcField::insertFromMimeData(const QMimeData *source)
{
    if (onPaste)
        onPaste(source);
    else
        pasteDefault(source);
}
