// The window's height, which follows the rows of the sheet, and the row of panels and buttons,
// which follows their captions.

#include "frmtallyer.h"

#include "calcfield.h"
#include "hints.h"
#include "mavolabel3d.h"
#include "modfunctions.h"
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
    boxCalc->resumeRedraw();
    // Callers keep the low 16 bits of the count; a tape of more than 32,767 rows would read as
    // a negative count and shrink the window to its fewest rows, so the count stops there.
    return std::min<qint32>(boxCalc->visualLineCount(), 32767);
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
    resize(width(), clientHeight);
    if (!blnHeightOnly)
        move(static_cast<int>(std::lround(left / tppX)), static_cast<int>(std::lround(top / tppY)));
    if (dPixels != 0) {
        lblF1Label->move(lblF1Label->x(), lblF1Label->y() + dPixels);
        frame2->move(frame2->x(), frame2->y() + dPixels);
    }
    m_holdPosition = false;
}

int frmTallyer::captionFitWidth(const MavoLabel3D *label, const QString &caption) const
{
    // The caption's advance in the label's font and both margins, rounded up; one more pixel
    // keeps hinting at fractional scale factors from clipping the last glyph.
    const QFontMetricsF metrics(label->font());
    const double margins = (label->MarginLeft() + label->MarginRight()) / twipsX();
    return static_cast<int>(std::ceil(metrics.horizontalAdvance(caption) + margins)) + 1;
}

void frmTallyer::LayoutPanelRow()
{
    constexpr int kGap = 2; // pixels between the controls of the row, as on the form
    const int kResultDesign = pushLabelEntry(PushLabel::Result).design.width();
    const int kMemoryDesign = pushLabelEntry(PushLabel::Memory).design.width();

    // The buttons first: each as wide as on the form or as its caption needs. The strip button
    // keeps room for the wider of its two captions, so showing the strip never moves anything.
    struct Button
    {
        MavoLabel3D *label;
        int designWidth;
        int width;
    };
    MavoLabel3D *lblResult = label(PushLabel::Result);
    MavoLabel3D *lblMemory = label(PushLabel::Memory);
    MavoLabel3D *lblMemMenu = label(PushLabel::MemMenu);
    MavoLabel3D *lblMoveSize = label(PushLabel::MoveSize);
    Button buttons[4];
    int n = 0;
    for (PushLabel id : {PushLabel::MemMenu, PushLabel::Round, PushLabel::Options, PushLabel::MoveSize})
        buttons[n++] = {label(id), pushLabelEntry(id).design.width(), 0};
    int buttonsWidth = 0;
    for (Button &b : buttons) {
        b.width = std::max(b.designWidth, captionFitWidth(b.label, b.label->Caption()));
        if (b.label == lblMoveSize) {
            b.width = std::max({b.width, captionFitWidth(b.label, QStringLiteral("<<")),
                                captionFitWidth(b.label, QStringLiteral(">>"))});
        }
        buttonsWidth += b.width;
    }

    // Then the panels: their form widths while the row keeps the field's design width; where
    // the buttons took more, the memory panel gives way first, then the result panel, but
    // neither below what its value needs. Only a row that still does not fit widens the window.
    const int room = kDesignFieldWidth - buttonsWidth - 4 * kGap;
    int resultWidth = std::max(kResultDesign, captionFitWidth(lblResult, lblResult->Caption()));
    int memoryWidth = std::max(kMemoryDesign, captionFitWidth(lblMemory, lblMemory->Caption()));
    int excess = resultWidth + memoryWidth - room;
    if (excess > 0) {
        const int memoryGives = std::min(excess, memoryWidth - captionFitWidth(lblMemory, lblMemory->Caption()));
        memoryWidth -= std::max(0, memoryGives);
        excess -= std::max(0, memoryGives);
    }
    if (excess > 0) {
        const int resultGives = std::min(excess, resultWidth - captionFitWidth(lblResult, lblResult->Caption()));
        resultWidth -= std::max(0, resultGives);
    }

    auto place = [](MavoLabel3D *label, int x, int width) {
        if (label->x() != x || label->width() != width)
            label->setGeometry(x, label->y(), width, label->height());
    };
    place(lblResult, 0, resultWidth);
    int x = resultWidth + kGap;
    place(lblMemory, x, memoryWidth);
    x += memoryWidth;
    for (const Button &b : buttons) {
        if (b.label != lblMemMenu) // the cell button sits right against the memory panel
            x += kGap;
        place(b.label, x, b.width);
        x += b.width;
    }

    const int rowWidth = std::max(x, kDesignFieldWidth);
    if (frame2->width() == rowWidth)
        return;
    frame2->resize(rowWidth, frame2->height());
    Line1->resize(rowWidth, Line1->height());
    Line2->resize(rowWidth, Line2->height());
    // The field follows the window's width, but rows are still wrapped at the design width, so
    // a wide value never changes how the sheet is laid out.
    boxCalc->resize(rowWidth, boxCalc->height());
    frame1->resize(rowWidth - 7, frame1->height());
    setFixedWidth(rowWidth + kDesignFieldLeft * 2);

    // A window that grew past the screen's right edge moves left to stay whole.
    if (isVisible()) {
        if (const QScreen *s = screen()) {
            const QRect area = s->availableGeometry();
            const QRect frame = frameGeometry();
            if (frame.right() > area.right())
                move(std::max(area.left(), pos().x() - (frame.right() - area.right())), pos().y());
        }
    }
}
