// What follows each cycle of the sheet (rows, results, undo) and the window height that follows
// the rows.

#include "frmtallyer.h"

#include "calcfield.h"
#include "hints.h"
#include "mavolabel3d.h"
#include "modfunctions.h"
#include "sheeteditor.h"

#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <cmath>

qint32 frmTallyer::fieldLineCount() const
{
    boxCalc->resumeRedraw();
    // Callers keep the low 16 bits of the count; a tape of more than 32,767 rows would read as
    // a negative count and shrink the window to its fewest rows, so the count stops there.
    return std::min<qint32>(boxCalc->visualLineCount(), 32767);
}

void frmTallyer::boxCalc_Change(bool textDiffers)
{
    // A change of the text is a new state of the sheet: stepping back in the history starts at
    // its newest entry again.
    if (m_role == Role::Main && !sheet->isRestoring())
        m_history.toEnd();

    // Rows.
    const qint16 rows = LoWord(fieldLineCount());
    if (rows != f_intRows) {
        f_intRows = rows;
        ResizeToRows(lblMoveSize->Caption() == QLatin1String("<<"), rows, false);
    }

    // The sub result, once per cycle, before the expression is evaluated.
    if (m_role == Role::Main)
        TimerSelWork_Timer();

    // The rows as one expression, evaluated and shown in the result panel.
    f_strExpression = SheetExpression(boxCalc->Text());
    lblResult->setCaption(ExpressionResultText(f_strExpression));

    // A real change goes into the undo ring.
    if (m_role == Role::Main && textDiffers && !sheet->isRestoring()) {
        RecordState(f_udtUndo, true);
        takeSnapshot();
    }
}

void frmTallyer::ResizeToRows(bool blnShowStrip, qint16 intRows, bool blnHeightOnly)
{
    const double tppX = twipsX();
    const double tppY = twipsY();

    // The rounding selector has no caption before the first placement.
    const bool firstPlacement = lblRound->Caption().isEmpty();
    // A hint would stand in the wrong place once the height changes.
    hints->hide(false);
    // The rows shown stay within the options' limits.
    qint32 rows = std::max<qint32>(intRows, m_options.minRows);
    rows = std::min<qint32>(rows, m_options.maxRows);
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
    if (firstPlacement)
        m_placement.readSavedPosition();
    const float left = m_placement.clampedLeft(m_placement.formLeft, frameGeometry().width() * tppX);
    const Placement::Fit fit = m_placement.fitOnScreen(m_placement.formTop, h, d);
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
    if (!blnHeightOnly) {
        if (m_role == Role::History) {
            // The history window opens in the middle of the screen; stepping to an entry with
            // more rows then grows it downward from where it is, moving up only as far as the
            // screen's bottom edge demands.
            const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect();
            resize(width(), clientHeight);
            if (!isVisible()) {
                move(screen.x() + (screen.width() - frameGeometry().width()) / 2,
                     screen.y() + (screen.height() - frameGeometry().height()) / 2);
            } else if (frameGeometry().bottom() > screen.bottom()) {
                move(x(), std::max(screen.top(), y() - (frameGeometry().bottom() - screen.bottom())));
            }
        } else {
            resize(width(), clientHeight);
            move(static_cast<int>(std::lround(left / tppX)), static_cast<int>(std::lround(top / tppY)));
        }
    } else {
        resize(width(), clientHeight);
    }
    if (dPixels != 0) {
        lblF1Label->move(lblF1Label->x(), lblF1Label->y() + dPixels);
        frame2->move(frame2->x(), frame2->y() + dPixels);
    }
    m_holdPosition = false;
}
