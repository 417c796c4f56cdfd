#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM (a logout, a shutdown, kill) as a Qt signal on the event loop, so that the program saves
// first, as closing the window does, instead of ending on the spot.
class CTerminationSignal : public QObject
{
    Q_OBJECT
public:
    explicit CTerminationSignal(QObject* parent = nullptr);
    ~CTerminationSignal() override;

signals:
    void terminationRequested();

private:
    QSocketNotifier* m_notifier = nullptr;
};
