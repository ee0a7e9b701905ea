// How the push-label follows the mouse: presses, moves, releases, clicks, and the timer that
// notices the pointer leaving without a further mouse event.
#include "mavolabel3d.h"

#include "twips.h"

#include <QCursor>
#include <QLabel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>

namespace {

qint16 buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

// Moves report every button held, combined.
qint16 buttonsCode(Qt::MouseButtons buttons)
{
    qint16 code = 0;
    if (buttons & Qt::LeftButton)
        code |= 1;
    if (buttons & Qt::RightButton)
        code |= 2;
    if (buttons & Qt::MiddleButton)
        code |= 4;
    return code;
}

qint16 shiftCode(Qt::KeyboardModifiers modifiers)
{
    qint16 code = 0;
    if (modifiers & Qt::ShiftModifier)
        code |= 1;
    if (modifiers & Qt::ControlModifier)
        code |= 2;
    if (modifiers & Qt::AltModifier)
        code |= 4;
    return code;
}

} // namespace

bool MavoLabel3D::answersButton(int Button) const
{
    // A combination of buttons (such as 3) is never answered.
    switch (m_forMouseButton) {
    case 1: return Button == 1;
    case 2: return Button == 1 || Button == 2;
    default: return false;
    }
}

bool MavoLabel3D::MouseInRect() const
{
    const QRect surface(mapToGlobal(QPoint(0, 0)), size());
    return surface.contains(QCursor::pos()); // left <= x < right, top <= y < bottom
}

void MavoLabel3D::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    dispatchMouseEvent(event, event->position());
}

void MavoLabel3D::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    dispatchMouseEvent(event, event->position());
}

void MavoLabel3D::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
    dispatchMouseEvent(event, event->position());
}

void MavoLabel3D::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    dispatchMouseEvent(event, event->position());
}

bool MavoLabel3D::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lbl0) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove: {
            // The caption's mouse events are the surface's, moved by the caption's offset. They
            // are consumed here so that Qt does not hand them to the surface a second time.
            auto *mouse = static_cast<QMouseEvent *>(event);
            mouse->accept();
            dispatchMouseEvent(mouse, mouse->position() + QPointF(lbl0->x(), lbl0->y()));
            return true;
        }
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MavoLabel3D::dispatchMouseEvent(QMouseEvent *event, QPointF pos)
{
    const qint16 shift = shiftCode(event->modifiers());
    switch (event->type()) {
    case QEvent::MouseButtonDblClick:
        // The second press of a left double click is the double click and nothing else: no
        // MouseDown and no Click. Other buttons have no double click and press again.
        if (event->button() == Qt::LeftButton) {
            m_clickButton = Qt::NoButton;
            handleDblClick();
            return;
        }
        [[fallthrough]];
    case QEvent::MouseButtonPress:
        // A click is a press and release of one button, alone, on this control.
        m_clickButton = event->buttons() == event->button() ? event->button() : Qt::NoButton;
        handleMouseDown(buttonCode(event->button()), shift, pos);
        return;
    case QEvent::MouseButtonRelease: {
        const bool clicked = m_clickButton != Qt::NoButton && event->button() == m_clickButton
            && QRectF(rect()).contains(pos);
        m_clickButton = Qt::NoButton;
        QPointer<MavoLabel3D> self(this);
        handleMouseUp(buttonCode(event->button()), shift, pos);
        if (self && clicked)
            handleClick();
        return;
    }
    case QEvent::MouseMove:
        handleMouseMove(buttonsCode(event->buttons()), shift, pos);
        return;
    default:
        return;
    }
}

void MavoLabel3D::clickButton(int Button)
{
    const QPointF centre = QRectF(rect()).center();
    QPointer<MavoLabel3D> self(this);
    m_clickButton = Qt::NoButton;
    handleMouseDown(qint16(Button), 0, centre);
    if (!self)
        return;
    handleMouseUp(qint16(Button), 0, centre);
    if (self)
        handleClick();
}

void MavoLabel3D::handleMouseDown(qint16 Button, qint16 Shift, QPointF pos)
{
    if (!Enabled() || MouseEventsSkip)
        return;
    if (!answersButton(Button))
        return;

    // The container handles the press before the control goes down, so it can still set
    // CaptionShiftOnDown for this press.
    QPointer<MavoLabel3D> self(this);
    emit MouseDown(Button, Shift, float(pos.x() * twipsPerPixelX(this)),
                   float(pos.y() * twipsPerPixelY(this)));
    if (!self)
        return;

    if (m_specialEffectOnDown != m_specialEffectOnUp) {
        GoDown();
        ClickArmed = true;
        Pressed = true;
        if (!tmrMouseMove->isActive())
            tmrMouseMove->start();
    }
}

void MavoLabel3D::handleMouseMove(qint16 Button, qint16 Shift, QPointF pos)
{
    if (!Enabled() || MouseEventsSkip)
        return;
    if (Button != 0 && !answersButton(Button))
        return;

    QPointer<MavoLabel3D> self(this);
    emit MouseMove(Button, Shift, float(pos.x() * twipsPerPixelX(this)),
                   float(pos.y() * twipsPerPixelY(this)));
    if (!self)
        return;

    // The caption label covers most of the surface; give it the tooltip too.
    lbl0->setToolTip(toolTip());

    // At most one push-label of a form shows the up state: the one under the pointer takes it
    // from any other, unless it answers no button at all. Labels are told apart by identity, not
    // by object name (names may be empty or repeated), and only those of this very window count:
    // a dialog owned by the form has push-labels of its own.
    if (m_forMouseButton != 0) {
        const QWidget *form = window();
        const QList<MavoLabel3D *> others = form->findChildren<MavoLabel3D *>();
        for (MavoLabel3D *other : others) {
            if (other != this && other->window() == form && other->IsUp())
                other->GoNormal();
        }
    }

    const int inside = Pressed ? m_specialEffectOnDown : m_specialEffectOnNormal;
    if (inside == m_specialEffectOnUp)
        return;
    if (Pressed) {
        if (MouseInRect())
            GoDown();
        else
            GoUp();
    } else {
        if (MouseInRect())
            GoUp();
        else
            GoNormal();
    }
    if (!tmrMouseMove->isActive())
        tmrMouseMove->start();
}

void MavoLabel3D::handleMouseUp(qint16 Button, qint16 Shift, QPointF pos)
{
    // Any release ends a press, whatever the button and whatever happens next.
    Pressed = false;
    if (!Enabled() || MouseEventsSkip)
        return;

    // A control scrolled or moved wholly out of its form's window ignores the release.
    const QRect surface(mapToGlobal(QPoint(0, 0)), size());
    const QRect form = window()->frameGeometry();
    const bool overlaps = surface.x() + surface.width() > form.x()
        && surface.x() < form.x() + form.width()
        && surface.y() + surface.height() > form.y()
        && surface.y() < form.y() + form.height();
    if (!overlaps)
        return;

    // Emitted while the control is still down; only then does it come up.
    if (IsDown()) {
        QPointer<MavoLabel3D> self(this);
        emit MouseUp(Button, Shift, float(pos.x() * twipsPerPixelX(this)),
                     float(pos.y() * twipsPerPixelY(this)));
        if (!self)
            return;
    }
    if (MouseInRect())
        GoUp();
    else
        GoNormal();
}

void MavoLabel3D::handleClick()
{
    const bool raise = Enabled() && ClickArmed;
    ClickArmed = false;
    if (raise)
        emit Click();
}

void MavoLabel3D::handleDblClick()
{
    const bool raise = Enabled();
    ClickArmed = false;
    if (raise)
        emit DblClick();
}

void MavoLabel3D::handleMouseMoveTimer()
{
    if (!MouseInRect() || !Enabled()) {
        if (Pressed)
            GoUp();
        else
            GoNormal();
        tmrMouseMove->stop();
    } else if (Pressed) {
        GoDown();
    } else {
        GoUp();
    }
}

void MavoLabel3D::keyPressEvent(QKeyEvent *event)
{
    const bool press = event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!press || event->modifiers() & ~Qt::KeypadModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    if (!event->isAutoRepeat())
        clickButton(1);
}

void MavoLabel3D::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void MavoLabel3D::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}
