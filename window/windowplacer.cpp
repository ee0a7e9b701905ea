#include "windowplacer.h"

#include "twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <memory>

WindowPlacer::WindowPlacer(QWidget *window)
    : QObject(window)
    , m_window(window)
{
}

double WindowPlacer::twipsX() const
{
    return twipsPerPixelX(m_window);
}

double WindowPlacer::twipsY() const
{
    return twipsPerPixelY(m_window);
}

int WindowPlacer::captionBarPixels() const
{
    const int inset = m_window->geometry().y() - m_window->frameGeometry().y();
    return inset > 0 ? inset : 0;
}

void WindowPlacer::takeScreen()
{
    const QScreen *scr = m_window->screen() ? m_window->screen() : QGuiApplication::primaryScreen();
    m_placement.setScreenArea(scr ? scr->availableGeometry() : QRect(0, 0, 1024, 768), twipsX(), twipsY());
}

void WindowPlacer::setFrameMeasures(float stripHeight, float frameSpare)
{
    m_placement.stripHeight = stripHeight;
    m_placement.frameSpare = frameSpare;
}

void WindowPlacer::setRowHeight(float twips)
{
    m_placement.rowHeight = twips;
}

void WindowPlacer::setPosition(float left, float top)
{
    m_placement.formLeft = left;
    m_placement.formTop = top;
}

QPoint WindowPlacer::position() const
{
    return {static_cast<int>(std::lround(m_placement.formLeft)), static_cast<int>(std::lround(m_placement.formTop))};
}

void WindowPlacer::noteMove()
{
    if (m_holdPosition)
        return;
    // A window placed before it is shown gets that move only as show() begins, while it is still
    // hidden and before its frame is known: it is the program's own placement, not the user's.
    if (!m_window->isVisible())
        return;
    // Minimising and restoring never record a position.
    if (m_window->isMinimized() || m_window->windowState().testFlag(Qt::WindowMinimized)) {
        m_skipNextMove = true;
        return;
    }
    if (m_skipNextMove) {
        m_skipNextMove = false;
        return;
    }
    const QPoint outer = m_window->frameGeometry().topLeft();
    setPosition(static_cast<float>(outer.x() * twipsX()), static_cast<float>(outer.y() * twipsY()));
}

WindowPlacer::RowFit WindowPlacer::fitRows(qint32 rows, bool strip, const QRect &field) const
{
    const double tppX = twipsX();
    const double tppY = twipsY();

    // Heights in twips. The frame spare is measured on the client area, so the frame's lower
    // border (known once the window is shown) is counted with the caption bar, or the bottom
    // would leave the screen.
    const QRect frame = m_window->frameGeometry();
    const int lowerBorder = std::max(0, frame.bottom() - m_window->geometry().bottom());
    const double caption = (captionBarPixels() + lowerBorder) * tppY;
    const Placement::Height height = m_placement.heightFor(rows, strip, caption, field.y() * tppY, field.height() * tppY);

    // A window that would leave the screen at the bottom moves up, one taller than the screen
    // shows fewer rows.
    const float left = m_placement.clampedLeft(m_placement.formLeft, frame.width() * tppX);
    const Placement::Fit fit = m_placement.fitOnScreen(m_placement.formTop, height.window, height.fieldGrowth, rows);
    return {static_cast<int>(std::lround(fit.fieldGrowth / tppY)),
            std::max(1, static_cast<int>(std::lround((fit.height - caption) / tppY))),
            QPoint(static_cast<int>(std::lround(left / tppX)), static_cast<int>(std::lround(fit.top / tppY)))};
}

void WindowPlacer::apply(const RowFit &fit, bool heightOnly)
{
    m_holdPosition = true;
    // The window keeps the height its rows give it: the window manager is told it can be neither
    // stretched nor maximised into empty space.
    m_window->setFixedHeight(fit.clientHeight);
    if (!heightOnly)
        m_window->move(fit.topLeft);
    m_holdPosition = false;
}

void WindowPlacer::followScreens(std::function<void()> refit)
{
    QWindow *handle = m_window->windowHandle();
    if (m_followingScreens || !handle)
        return;
    m_followingScreens = true;
    // An area of no size (no output connected, a screen being reconfigured) is not taken.
    auto replace = [this, refit = std::move(refit)] {
        const QScreen *scr = m_window->screen();
        if (!scr || !m_placement.setScreenArea(scr->availableGeometry(), twipsX(), twipsY()))
            return;
        const QRect placed = Placement::placedOnArea(m_window->frameGeometry(), scr->availableGeometry());
        if (placed.topLeft() != m_window->frameGeometry().topLeft())
            m_window->move(placed.topLeft());
        refit();
    };
    auto watch = [this, replace, watched = std::make_shared<QMetaObject::Connection>()](QScreen *scr) {
        disconnect(*watched);
        *watched = scr ? connect(scr, &QScreen::availableGeometryChanged, this, replace) : QMetaObject::Connection();
    };
    watch(m_window->screen());
    connect(handle, &QWindow::screenChanged, this, [watch, replace](QScreen *scr) {
        watch(scr);
        replace();
    });
}
