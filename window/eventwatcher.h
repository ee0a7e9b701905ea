#pragma once

#include <QEvent>
#include <QObject>

#include <functional>

// Runs a function whenever the watched object receives an event of one type, and lets the event
// go on. Owned by the watched object.
class EventWatcher : public QObject
{
public:
    EventWatcher(QObject *watched, QEvent::Type type, std::function<void()> onEvent)
        : QObject(watched)
        , m_type(type)
        , m_onEvent(std::move(onEvent))
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == m_type)
            m_onEvent();
        return false;
    }

private:
    QEvent::Type m_type;
    std::function<void()> m_onEvent;
};
