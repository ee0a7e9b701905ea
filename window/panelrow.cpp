// The upper row of frame2: the result and memory panels and the four buttons after them. Every
// control is at least as wide as on the form, and wider when its caption needs more, so that no
// digit of a value is ever cut: a right-aligned caption that does not fit loses its leading
// digits and reads as another, plausible number. The window widens with the row and shrinks
// back to the design width when the row fits again.

#include "frmtallyer.h"

#include "calcfield.h"
#include "mavolabel3d.h"

#include <QFontMetricsF>
#include <QFrame>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

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
    constexpr int kResultDesign = 128;
    constexpr int kMemoryDesign = 84;

    // The buttons first: each as wide as on the form or as its caption needs. The strip button
    // keeps room for the wider of its two captions, so showing the strip never moves anything.
    struct Button
    {
        MavoLabel3D *label;
        int designWidth;
        int width;
    };
    Button buttons[] = {{lblMemMenu, 30, 0}, {lblRound, 40, 0}, {lblOptions, 20, 0}, {lblMoveSize, 20, 0}};
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
