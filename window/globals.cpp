#include "globals.h"

QString g_strProductName;
bool g_blnHoldPosition;
bool g_blnHistoryWindow;
qint32 g_lngScreenWidth;
qint32 g_lngScreenHeight;
float g_sngStripHeight;
float g_sngFrameSpare;
float g_sngRowHeight;
float g_sngFormLeft;
float g_sngFormTop;
qint32 g_lngClickPos;
bool g_blnRedrawSuspended;

void resetProgramGlobals()
{
    g_strProductName.clear();
    g_blnHoldPosition = false;
    g_blnHistoryWindow = false;
    g_lngScreenWidth = 0;
    g_lngScreenHeight = 0;
    g_sngStripHeight = 0;
    g_sngFrameSpare = 0;
    g_sngRowHeight = 0;
    g_sngFormLeft = 0;
    g_sngFormTop = 0;
    g_lngClickPos = 0;
    g_blnRedrawSuspended = false;
}

namespace {

// The start values are the ones resetProgramGlobals gives; the globals above are defined first
// in this file, so they exist when this runs.
const bool g_blnGlobalsSet = (resetProgramGlobals(), true);

} // namespace
