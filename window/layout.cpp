// The window's height, which follows the rows of the sheet, and the row of panels and buttons,
// which follows their captions.

#include "frmtallyer.h"

#include "calcfield.h"
#include "hints.h"
#include "mavolabel3d.h"
#include "pushlabels.h"
#include "sheeteditor.h"

#include <QFontMetricsF>
#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <cmath>

qint32 frmTallyer::fieldLineCount() const
{
    // The window never shows more than the options' most rows, so the count stops just past them
    // (and below 32,768, as callers keep its low 16 bits).
    return boxCalc->visualLineCount(std::min(32767, m_session->options().maxRows + 1));
}

void frmTallyer::ResizeToRows(bool blnShowStrip, qint16 intRows, bool blnHeightOnly)
{
    const double tppX = twipsX();
    const double tppY = twipsY();

    // Until the first load has set the rounding digit, the window goes where it was saved.
    const bool firstPlacement = m_session->roundDigit() < 0;
    // A hint would stand in the wrong place once the height changes.
    hints->hide(false);
    // The rows shown stay within the options' limits.
    qint32 rows = std::max<qint32>(intRows, m_session->options().minRows);
    rows = std::min<qint32>(rows, m_session->options().maxRows);
    // Only a normal window can take a new height.
    if (isMinimized() || isMaximized())
        showNormal();

    // Heights in twips. The frame spare is measured on the client area, so the frame's lower
    // border (known once the window is shown) is counted with the caption bar, or the bottom
    // would leave the screen.
    const double fieldHeight = boxCalc->height() * tppY;
    const int lowerBorder = std::max(0, frameGeometry().bottom() - geometry().bottom());
    const double caption = (captionBarPixels() + lowerBorder) * tppY;
    const Placement::Height height =
        m_placement.heightFor(rows, blnShowStrip, caption, boxCalc->y() * tppY, fieldHeight);
    double d = height.fieldGrowth;
    double h = height.window;

    // Where the window stands: its saved place the first time, its last place after; a window
    // that would leave the screen at the bottom moves up, one taller than the screen shows fewer
    // rows.
    if (firstPlacement) {
        m_placement.formLeft = static_cast<float>(m_session->windowState().formLeft);
        m_placement.formTop = static_cast<float>(m_session->windowState().formTop);
    }
    const float left = m_placement.clampedLeft(m_placement.formLeft, frameGeometry().width() * tppX);
    const Placement::Fit fit = m_placement.fitOnScreen(m_placement.formTop, h, d, rows);
    const float top = fit.top;
    h = fit.height;
    d = fit.fieldGrowth;

    // The field, the window and the panels below take the new height; the move this causes is
    // not recorded as the user's.
    m_holdPosition = true;
    const int dPixels = static_cast<int>(std::lround(d / tppY));
    if (dPixels != 0)
        boxCalc->resize(boxCalc->width(), std::max(1, boxCalc->height() + dPixels));
    const int clientHeight = std::max(1, static_cast<int>(std::lround((h - caption) / tppY)));
    // The window keeps the height its rows give it: the window manager is told it can be neither
    // stretched nor maximised into empty space.
    setFixedHeight(clientHeight);
    if (!blnHeightOnly)
        move(static_cast<int>(std::lround(left / tppX)), static_cast<int>(std::lround(top / tppY)));
    if (dPixels != 0) {
        lblF1Label->move(lblF1Label->x(), lblF1Label->y() + dPixels);
        frame2->move(frame2->x(), frame2->y() + dPixels);
    }
    m_holdPosition = false;
}

void frmTallyer::LayoutPanelRow()
{
    if (m_panelRow)
        m_panelRow->layout();
}
