#pragma once

#include "run/FrontEndDispatcher.h"

#include <QObject>

// Runs posted tasks on the thread of the GUI's event loop (queued calls on a context object that
// lives there). Tasks posted after the dispatcher is gone are dropped with the context.
class CQtDispatcher : public IFrontEndDispatcher
{
public:
    CQtDispatcher();
    void Post(std::function<void()> task) override;

private:
    QObject m_context;
};
