#pragma once

#include "run/FrontEndDispatcher.h"

#include <QObject>

// Runs posted tasks on the thread of the GUI's event loop, as events posted to a receiver that lives
// there: in the order posted, and each task is destroyed on that thread once it has run. Tasks posted
// after the dispatcher is gone are dropped with the receiver.
class CQtDispatcher : public IFrontEndDispatcher
{
public:
    CQtDispatcher();
    void Post(std::function<void()> task) override;

private:
    class CReceiver : public QObject
    {
    protected:
        void customEvent(QEvent* event) override;
    };

    CReceiver m_receiver;
};
