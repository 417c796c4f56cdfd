#include "ui/prefs/TestEmailJob.h"

#include "notify/ChangeEmail.h"

#include <QCoreApplication>
#include <QPointer>
#include <thread>

void StartTestEmail(const EmailPrefs& values, QObject* receiver, std::function<void(const QString&)> done)
{
    QPointer<QObject> alive(receiver);
    std::thread([values, alive, done = std::move(done)]() mutable {
        const QString result = QString::fromStdString(SendTestEmail(values));
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [alive, done = std::move(done), result] {
                if (alive)
                    done(result);
            },
            Qt::QueuedConnection);
    }).detach();
}
