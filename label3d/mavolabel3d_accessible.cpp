// What assistive tools (screen readers, through AT-SPI on Linux) see of a push-label: a push
// button with a name, a description, a pressed state while down and actions that click it.
#include "mavolabel3d.h"

#include <QAccessibleWidget>
#include <QPointer>

namespace {

// True when some part of the control lies inside its window. The memory strip sits below the
// window's bottom edge while it is folded away: those buttons are visible widgets that nobody can
// see, and must not be offered as showing.
bool showsInWindow(const QWidget *widget)
{
    if (!widget->isVisible())
        return false;
    QRect area = widget->rect();
    for (const QWidget *w = widget; !w->isWindow() && w->parentWidget(); w = w->parentWidget()) {
        area.translate(w->pos());
        area &= w->parentWidget()->rect();
    }
    return !area.isEmpty();
}

class MavoLabel3DAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit MavoLabel3DAccessible(MavoLabel3D *label)
        : QAccessibleWidget(label)
    {
    }

    MavoLabel3D *label() const { return static_cast<MavoLabel3D *>(widget()); }

    // A label that answers no mouse button (the hint strip) is text, not a button.
    QAccessible::Role role() const override
    {
        return label()->ForMouseButton() != 0 ? QAccessible::Button : QAccessible::StaticText;
    }

    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name: return label()->accessibleText(MavoLabel3D::AccessibleText::Name);
        case QAccessible::Description: return label()->accessibleText(MavoLabel3D::AccessibleText::Description);
        case QAccessible::Value: return label()->Caption();
        default: return QAccessibleWidget::text(t);
        }
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        const MavoLabel3D *l = label();
        // The caption's flag is the control's enabled state; the widget itself stays enabled.
        s.disabled = s.disabled || !l->Enabled();
        // With equal edge codes a control counts as down all the time; that is no press.
        s.pressed = l->ForMouseButton() != 0 && l->IsDown() && !l->IsNormal();
        if (!showsInWindow(l)) {
            s.invisible = true;
            s.offscreen = true;
        }
        return s;
    }

    // The caption label inside is part of the button, not an object of its own.
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    // Actions: Press is a left click; a right click that does something else has an action named
    // by the container. None while the control cannot be clicked.
    QStringList actionNames() const override
    {
        const MavoLabel3D *l = label();
        if (l->ForMouseButton() == 0 || !l->Enabled() || !showsInWindow(l))
            return {};
        QStringList names{pressAction()};
        const QString alternate = alternateAction();
        if (!alternate.isEmpty())
            names << alternate;
        return names;
    }

    void doAction(const QString &actionName) override
    {
        if (!actionNames().contains(actionName))
            return;
        const int button = actionName == pressAction() ? 1 : 2;
        // Later, not inside the request: a click may open a menu or a modal dialog, and the tool
        // that asked waits for its answer.
        QPointer<MavoLabel3D> l = label();
        QMetaObject::invokeMethod(
            l, [l, button] { if (l) l->clickButton(button); }, Qt::QueuedConnection);
    }

    QStringList keyBindingsForAction(const QString &) const override { return {}; }

    QString localizedActionName(const QString &actionName) const override
    {
        return actionName == pressAction() ? QAccessibleActionInterface::localizedActionName(actionName) : actionName;
    }

    QString localizedActionDescription(const QString &actionName) const override
    {
        if (actionName == pressAction()) {
            const QString what = label()->accessibleText(MavoLabel3D::AccessibleText::PressAction);
            return what.isEmpty() ? QAccessibleActionInterface::localizedActionDescription(actionName) : what;
        }
        return actionName;
    }

    // The text is the caption, whole: what a panel shows, such as "1,607.50".
    QString text(int startOffset, int endOffset) const override
    {
        return label()->Caption().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(label()->Caption().size()); }
    void selection(int, int *startOffset, int *endOffset) const override { *startOffset = *endOffset = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int *startOffset, int *endOffset) const override
    {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

private:
    QString alternateAction() const
    {
        if (label()->ForMouseButton() != 2)
            return {};
        return label()->accessibleText(MavoLabel3D::AccessibleText::AlternateAction);
    }
};

QAccessibleInterface *accessibleFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("MavoLabel3D") && object && object->isWidgetType())
        return new MavoLabel3DAccessible(static_cast<MavoLabel3D *>(object));
    return nullptr;
}

} // namespace

void MavoLabel3D::installAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

void MavoLabel3D::setAccessibleTextSource(AccessibleTextSource source)
{
    m_accessibleTextSource = std::move(source);
}

QString MavoLabel3D::accessibleText(AccessibleText kind) const
{
    QString text = m_accessibleTextSource ? m_accessibleTextSource(kind) : QString();
    if (!text.isEmpty())
        return text;
    switch (kind) {
    case AccessibleText::Name: return accessibleName().isEmpty() ? Caption() : accessibleName();
    case AccessibleText::Description:
        return accessibleDescription().isEmpty() ? toolTip() : accessibleDescription();
    default: return text;
    }
}

void MavoLabel3D::notifyCaptionChanged(const QString &before, const QString &nameBefore)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleTextUpdateEvent textEvent(this, 0, before, Caption());
    QAccessible::updateAccessibility(&textEvent);
    if (accessibleText(AccessibleText::Name) != nameBefore) {
        QAccessibleEvent nameEvent(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&nameEvent);
    }
}

void MavoLabel3D::notifyEnabledChanged()
{
    if (!QAccessible::isActive())
        return;
    QAccessible::State changed;
    changed.disabled = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}
