#pragma once

#include <QString>

#include <array>

// The look of the calculation field: the program-wide copy of the field settings, and the options
// dialog's working copy.
struct udtAppearance
{
    QString FontName;
    int FontSize = 12;
    bool FontBold = false;
    bool FontItalic = false;
    quint32 FontColor = 0x80000012u;
    quint32 BackColor = 0x80000018u;
    QString ColorsCustom; // colour values joined by NUL characters
};

// Program-wide values of the calculator. They live for the whole run; tests put them back to
// their start values with resetProgramGlobals().
extern QString g_strProductName;
extern bool g_blnManyCopies;
extern bool g_blnAlwaysOnTop;
extern bool g_blnSettingsChanged;
extern bool g_blnHoldPosition;
extern bool g_blnHistoryWindow;
extern qint32 g_lngScreenWidth;   // twips
extern qint32 g_lngScreenHeight;  // twips
extern float g_sngStripHeight;    // twips
extern float g_sngFrameSpare;     // twips
extern float g_sngRowHeight;      // twips
extern float g_sngFormLeft;       // twips
extern float g_sngFormTop;        // twips
extern qint32 g_lngMinRows;
extern qint32 g_lngMaxRows;
extern qint32 g_lngRoundTo;
extern QString g_strInWordsFile;
extern udtAppearance g_udtAppearance;
extern qint32 g_lngClickPos;          // the field's caret at the last left-button release
extern bool g_blnRedrawSuspended;     // a paste is waiting for the cycle before it is shown

void resetProgramGlobals();
