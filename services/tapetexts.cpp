#include "tapetexts.h"

#include "loadtext.h"
#include "textid.h"

namespace {

enum TapeTextId : int {
    TapeMissing = 1470,
    TapeNotAFile = 1471,
    TapeUnreadable = 1472,
    TapeTooLarge = 1473,
    TapeHoldsNul = 1474,
    TapeUnwritable = 1475,
    HeadRow = 1476,
    HeadEntry = 1477,
    HeadSubtotal = 1478,
    HeadResult = 1479,
    HeadNote = 1428,
    Untitled = 1480,
    PageOf = 1481,
    ExportUnwritable = 1483,
    ItemCount = 1429,
};

// The path goes in last, so that nothing in it is taken for a placeholder.
QString fileText(int id, const QString &path, const QString &detail, const QString &lineBreak)
{
    return LoadText(id, {QStringLiteral("|1"), lineBreak, QStringLiteral("|3"), detail, QStringLiteral("|2"), path});
}

} // namespace

QString TapeFileMessage(const TapeFileResult &result, const QString &lineBreak)
{
    int id = TapeUnreadable;
    switch (result.error) {
    case TapeFileError::None: return {};
    case TapeFileError::Missing: id = TapeMissing; break;
    case TapeFileError::NotAFile: id = TapeNotAFile; break;
    case TapeFileError::Unreadable: id = TapeUnreadable; break;
    case TapeFileError::TooLarge: id = TapeTooLarge; break;
    case TapeFileError::HoldsNul: id = TapeHoldsNul; break;
    case TapeFileError::Unwritable: id = TapeUnwritable; break;
    }
    return fileText(id, result.path, result.detail, lineBreak);
}

QString TapeExportMessage(const QString &path, const QString &reason, const QString &lineBreak)
{
    return fileText(ExportUnwritable, path, reason, lineBreak);
}

TapeHeadings TapeHeadingTexts()
{
    TapeHeadings headings;
    headings.row = LoadText(HeadRow);
    headings.entry = LoadText(HeadEntry);
    headings.subtotal = LoadText(HeadSubtotal);
    headings.note = LoadText(HeadNote);
    headings.result = LoadText(HeadResult);
    headings.untitled = LoadText(Untitled);
    headings.page = LoadText(PageOf);
    headings.items = LoadText(ItemCount);
    headings.reason = [](EvalFailure failure) { return Text(FailureText(failure)); };
    return headings;
}

QString ReadingRefusalText(const TapeReading &reading)
{
    TextId why = TextId::NumbersWithoutOperator;
    switch (reading.refusal) {
    case ReadingRefusal::None: return QString();
    case ReadingRefusal::NumbersWithoutOperator: why = TextId::NumbersWithoutOperator; break;
    case ReadingRefusal::NumbersAmongWords: why = TextId::NumbersAmongWords; break;
    case ReadingRefusal::ScientificNotation: why = TextId::ScientificNotation; break;
    case ReadingRefusal::OperatorWord: why = TextId::OperatorWord; break;
    case ReadingRefusal::RowTooLong:
        return ReadingRefusalMessage(reading.refusal, reading.refusedRow + 1, reading.fragment);
    }
    return Text(TextId::RowNotRead, {QString::number(reading.refusedRow + 1), reading.fragment, Text(why)});
}
