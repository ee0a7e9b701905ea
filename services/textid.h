#pragma once

#include "evalfailure.h"

#include <QString>

#include <initializer_list>

// The ids of the string table (resources/texts/strings.tsv) that the windows and dialogs use, by
// what the text says. The Russian text of each is the id plus 1000; LoadText picks it.
enum class TextId {
    None = 0,                       // no text
    PressF1ForHelp = 1005,          // "Press|1F1|1for|1help": |1 is the space to put between
    KeepShowingGreeting = 1006,
    HintStore = 1010,
    HintStoreSub = 1020,
    HintClear = 1030,
    HintSubtract = 1040,
    HintSubtractSub = 1045,
    HintStrip = 1050,
    HintAdd = 1060,
    HintAddSub = 1065,
    HintRecall = 1070,
    HintOptions = 1080,
    HintResult = 1090,
    HintMemory = 1100,
    HintMemoryCell = 1105,
    HintSubResult = 1110,
    HintRound = 1120,
    HintRoundSub = 1130,
    WordsValueLimit = 1140,
    WordsRangeError = 1150,
    WordsFileError = 1151,
    WordsFileChoice = 1152,
    WordsFilesFilter = 1153,
    AllFilesFilter = 1154,
    MemoryOverflow = 1160,
    LocaleHeading = 1170,
    LocaleGrouping = 1180,
    LocaleNegativeSign = 1190,
    LocaleDecimal = 1200,
    Options = 1205,
    Parameters = 1210,
    AlwaysOnTop = 1220,
    ManyCopies = 1230,
    RoundTo = 1240,
    RoundToRange = 1241,
    MinRows = 1250,
    MinRowsRange = 1251,
    MaxRows = 1260,
    MaxRowsRange = 1261,
    InWords = 1265,
    ClickArrow = 1266,
    ToChange = 1267,
    Font = 1270,
    TextColour = 1460,              // beside the font: the colour QFontDialog has not
    // What a screen reader is told when a button has done its work.
    StoredInMemory = 1461,
    AddedToMemory = 1462,
    SubtractedFromMemory = 1463,
    InsertedFromMemory = 1464,
    ClearedMemory = 1465,
    Copied = 1466,
    CopiedInWords = 1467,
    Background = 1280,
    ByDefault = 1290,
    About = 1300,
    Copyright = 1310,
    WebAddress = 1320,
    Cancel = 1370,
    FindBarName = 1371,
    FindText = 1372,
    FindPrevious = 1373,
    FindNext = 1374,
    FindClose = 1375,
    FindCount = 1376,     // "3 of 12"
    FindNotFound = 1377,
    FindFromStart = 1378, // a hit found past the end, from the start again
    FindFromEnd = 1379,
    Help = 1380,
    HelpNotAccessible = 1381,
    History = 1390,
    WriteNote = 1391,      // the sheet's menu: the caret's row's note
    NoteEditorName = 1392, // "Note of row 3"
    SpokenNote = 1393,     // a row's note as a screen reader reads it after the row
    ClearsAll = 1400,
    SettingsNotSaved = 1410,
    WordsFileReplace = 1420,
    WordsFileNotCopied = 1421,
    WordsFileShadowed = 1422,
    SheetName = 1430,
    SheetDescription = 1431,
    ResultName = 1432,
    MemoryName = 1433,
    MemoryCellName = 1434,
    RoundingManyDecimals = 1435,
    RoundingOneDecimal = 1436,
    RoundingFewDecimals = 1437,
    ShowMemoryButtons = 1438,
    HideMemoryButtons = 1439,
    StoreName = 1440,
    ClearName = 1441,
    RecallName = 1442,
    AddName = 1443,
    SubtractName = 1444,
    CopyInDigits = 1445,
    CopyInWords = 1446,
    MoreDecimals = 1447,
    FewerDecimals = 1448,
    NoResult = 1449,
    SubResultValue = 1450,
    WordsFileName = 1451,
    WordsFileDescription = 1452,
    ChooseWordsFile = 1453,
    TapeFilesFilter = 1454,
    PdfFilesFilter = 1455,
    CsvFilesFilter = 1456,
    PasteTooLarge = 1457,
    KeptTapeSetAside = 1458,
    KeptTapeUnreadable = 1459,
    KeptTapeStoppedRun = 1468,
    TapeNotKept = 1469,
    TapeMissing = 1470,
    TapeNotAFile = 1471,
    TapeUnreadable = 1472,
    TapeTooLarge = 1473,
    TapeHoldsNul = 1474,
    TapeNotSaved = 1475,
    TapeRowHead = 1476,
    TapeEntryHead = 1477,
    TapeSubtotalHead = 1478,
    TapeResult = 1479,
    TapeNoteHead = 1428,
    TapeUntitled = 1480,
    TapePage = 1481,
    KeepTape = 1482,
    ExportNotWritten = 1483,
    OpenTape = 1484,
    SaveTape = 1485,
    SaveTapeAs = 1486,
    PrintTape = 1487,
    ExportPdf = 1488,
    ExportCsv = 1489,
    DivisionByZero = 1490,
    UnbalancedParenthesis = 1491,
    TooLargeToShow = 1492,
    IncompleteExpression = 1493,
    NotAValidExpression = 1494,
    NoRealResult = 1495,
    TooCloseToZero = 1496,
    RowsNotJoined = 1497,
    NothingToCalculate = 1498,
    OtherWindowTape = 1499,
    SaveChanges = 1350,
    NewTape = 1351,
    RecentTapes = 1352,
    RecentTapeGone = 1353,
    TextFilesFilter = 1354,
    RowNotRead = 1360,
    NumbersWithoutOperator = 1361,
    NumbersAmongWords = 1362,
    ScientificNotation = 1363,
    OperatorWord = 1364,
};

// The text that says why an expression has no value; None for a value.
constexpr TextId FailureText(EvalFailure failure)
{
    switch (failure) {
    case EvalFailure::None: return TextId::None;
    case EvalFailure::Empty: return TextId::NothingToCalculate;
    case EvalFailure::Invalid: return TextId::NotAValidExpression;
    case EvalFailure::Incomplete: return TextId::IncompleteExpression;
    case EvalFailure::UnbalancedParenthesis: return TextId::UnbalancedParenthesis;
    case EvalFailure::DivisionByZero: return TextId::DivisionByZero;
    case EvalFailure::NoRealResult: return TextId::NoRealResult;
    case EvalFailure::TooLarge: return TextId::TooLargeToShow;
    case EvalFailure::TooSmall: return TextId::TooCloseToZero;
    case EvalFailure::IndependentRows: return TextId::RowsNotJoined;
    }
    return TextId::None;
}

// The text of id in the interface language with its placeholders "|1", "|2", ... filled in
// order by values: the first value replaces every "|1", the second every "|2", and so on.
QString Text(TextId id, std::initializer_list<QString> values = {});
