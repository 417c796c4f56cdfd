#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>

// Sends a text to the desktop's notification service (org.freedesktop.Notifications), replacing the
// one this object sent before, for window systems where a program cannot place its own popup.
class CDesktopNotification : public QObject
{
    Q_OBJECT
public:
    explicit CDesktopNotification(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                                  QObject* parent = nullptr);

    // timeoutMs 0 keeps the notification until the user closes it. When the service cannot be reached
    // or refuses, onFailed runs later with the text, so that the caller can show it another way.
    void Send(const QString& text, int timeoutMs, std::function<void(const QString&)> onFailed);

signals:
    // The user clicked the notification.
    void clicked();

private slots:
    void OnActionInvoked(uint id, const QString& action);

private:
    QDBusConnection m_bus;
    uint m_id = 0;
};
