#include "ui/run/QtDispatcher.h"

#include <QMetaObject>

CQtDispatcher::CQtDispatcher() = default;

void CQtDispatcher::Post(std::function<void()> task)
{
    QMetaObject::invokeMethod(&m_context, std::move(task), Qt::QueuedConnection);
}
