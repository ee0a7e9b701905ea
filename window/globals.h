#pragma once

#include <QString>

#include <array>

// Program-wide values of the calculator. They live for the whole run; tests put them back to
// their start values with resetProgramGlobals().
extern QString g_strProductName;
extern bool g_blnHoldPosition;
extern bool g_blnHistoryWindow;
extern qint32 g_lngScreenWidth;   // twips
extern qint32 g_lngScreenHeight;  // twips
extern float g_sngStripHeight;    // twips
extern float g_sngFrameSpare;     // twips
extern float g_sngRowHeight;      // twips
extern float g_sngFormLeft;       // twips
extern float g_sngFormTop;        // twips
extern qint32 g_lngClickPos;          // the field's caret at the last left-button release
extern bool g_blnRedrawSuspended;     // a paste is waiting for the cycle before it is shown

void resetProgramGlobals();
