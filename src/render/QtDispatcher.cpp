#include "render/QtDispatcher.h"

#include "platform/ThreadHandOver.h"

#include <QCoreApplication>
#include <QEvent>

namespace {

QEvent::Type TaskEventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

// A task on its way: Qt's queue owns the event from posting on and deletes it on the receiver's
// thread, after delivery or with the receiver, so the task's captures never die on the poster's.
class CTaskEvent : public QEvent
{
public:
    explicit CTaskEvent(std::function<void()> task)
        : QEvent(TaskEventType())
        , m_task(std::move(task))
    { }

    void Run() { m_task(); }

private:
    std::function<void()> m_task;
};

} // namespace

CQtDispatcher::CQtDispatcher() = default;

void CQtDispatcher::Post(std::function<void()> task)
{
    auto* event = new CTaskEvent(std::move(task));
    // Qt's event queue orders this thread's work before the task; the sanitizer cannot see it do so.
    HandOverRelease(event);
    QCoreApplication::postEvent(&m_receiver, event);
}

void CQtDispatcher::CReceiver::customEvent(QEvent* event)
{
    HandOverAcquire(event);
    if (event->type() != TaskEventType())
        return;
    static_cast<CTaskEvent*>(event)->Run();
}
