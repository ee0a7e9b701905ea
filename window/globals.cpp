#include "globals.h"

QString g_strProductName;
bool g_blnManyCopies = false;
bool g_blnAlwaysOnTop = false;
bool g_blnSettingsChanged = false;
bool g_blnHoldPosition = false;
bool g_blnHistoryWindow = false;
qint32 g_lngScreenWidth = 0;
qint32 g_lngScreenHeight = 0;
float g_sngStripHeight = 0;
float g_sngFrameSpare = 0;
float g_sngRowHeight = 0;
float g_sngFormLeft = 0;
float g_sngFormTop = 0;
qint32 g_lngMinRows = 1;
qint32 g_lngMaxRows = 10;
qint32 g_lngRoundTo = 2;
QString g_strInWordsFile;
udtAppearance g_udtAppearance;

void resetProgramGlobals()
{
    g_strProductName.clear();
    g_blnManyCopies = false;
    g_blnAlwaysOnTop = false;
    g_blnSettingsChanged = false;
    g_blnHoldPosition = false;
    g_blnHistoryWindow = false;
    g_lngScreenWidth = 0;
    g_lngScreenHeight = 0;
    g_sngStripHeight = 0;
    g_sngFrameSpare = 0;
    g_sngRowHeight = 0;
    g_sngFormLeft = 0;
    g_sngFormTop = 0;
    g_lngMinRows = 1;
    g_lngMaxRows = 10;
    g_lngRoundTo = 2;
    g_strInWordsFile.clear();
    g_udtAppearance = udtAppearance();
}
