// The upper row of frame2: the result and memory panels and the four buttons after them. Every
// control is at least as wide as on the form, and wider when its caption needs more, so that no
// digit of a value is ever cut: a right-aligned caption that does not fit loses its leading
// digits and reads as another, plausible number. The window widens with the row and shrinks
// back to the design width when the row fits again.

#include "panelrow.h"

#include "mavolabel3d.h"
#include "twips.h"

#include <QFontMetricsF>
#include <QScreen>

#include <algorithm>
#include <cmath>

PanelRow::PanelRow(QWidget *window, QWidget *frame, const std::array<MavoLabel3D *, kPushLabelCount> &labels,
                   QList<QWidget *> followers, int designWidth)
    : m_window(window)
    , m_frame(frame)
    , m_labels(labels)
    , m_followers(std::move(followers))
    , m_designWidth(designWidth)
{
}

int PanelRow::captionFitWidth(const MavoLabel3D *label, const QString &caption) const
{
    // The caption's advance in the label's font and both margins, rounded up; one more pixel
    // keeps hinting at fractional scale factors from clipping the last glyph.
    const QFontMetricsF metrics(label->font());
    const double margins = (label->MarginLeft() + label->MarginRight()) / twipsPerPixelX(m_window);
    return static_cast<int>(std::ceil(metrics.horizontalAdvance(caption) + margins)) + 1;
}

void PanelRow::layout()
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
    MavoLabel3D *lblResult = m_labels[static_cast<int>(PushLabel::Result)];
    MavoLabel3D *lblMemory = m_labels[static_cast<int>(PushLabel::Memory)];
    MavoLabel3D *lblMemMenu = m_labels[static_cast<int>(PushLabel::MemMenu)];
    MavoLabel3D *lblMoveSize = m_labels[static_cast<int>(PushLabel::MoveSize)];
    Button buttons[4];
    int n = 0;
    for (PushLabel id : {PushLabel::MemMenu, PushLabel::Round, PushLabel::Options, PushLabel::MoveSize})
        buttons[n++] = {m_labels[static_cast<int>(id)], pushLabelEntry(id).design.width(), 0};
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
    const int room = m_designWidth - buttonsWidth - 4 * kGap;
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

    const int rowWidth = std::max(x, m_designWidth);
    if (m_frame->width() == rowWidth)
        return;
    // Everything as wide as the row follows it: the frame, its lines, the field (whose rows are
    // still wrapped at the design width, so a wide value never changes how the sheet is laid
    // out), the greeting's frame, and the window.
    for (QWidget *w : m_followers)
        w->resize(rowWidth + (w->width() - m_frame->width()), w->height());
    m_frame->resize(rowWidth, m_frame->height());
    m_window->setFixedWidth(rowWidth + m_frame->x() * 2);

    // A window that grew past the screen's right edge moves left to stay whole.
    if (m_window->isVisible()) {
        if (const QScreen *s = m_window->screen()) {
            const QRect area = s->availableGeometry();
            const QRect frame = m_window->frameGeometry();
            if (frame.right() > area.right())
                m_window->move(std::max(area.left(), m_window->pos().x() - (frame.right() - area.right())),
                               m_window->pos().y());
        }
    }
}
