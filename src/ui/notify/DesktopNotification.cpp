#include "ui/notify/DesktopNotification.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QVariantMap>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");

} // namespace

CDesktopNotification::CDesktopNotification(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
    , m_bus(bus)
{
    m_bus.connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this,
                  SLOT(OnActionInvoked(uint, QString)));
}

void CDesktopNotification::Send(const QString& text, int timeoutMs, std::function<void(const QString&)> onFailed)
{
    // A bus that cannot be reached answers nothing, not even an error.
    if (!m_bus.isConnected()) {
        if (onFailed)
            QMetaObject::invokeMethod(
                this, [text, onFailed] { onFailed(text); }, Qt::QueuedConnection);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    QString appName = QGuiApplication::applicationDisplayName();
    // The first line is the summary, the rest the body, as notification services show them.
    QString summary = text.section(QLatin1Char('\n'), 0, 0);
    // Notification services read the body as markup: names from pages are escaped so that they show
    // as written.
    QString body = text.section(QLatin1Char('\n'), 1).toHtmlEscaped();
    // "default" is the action of a click on the notification itself.
    QStringList actions{QStringLiteral("default"), QString()};
    // The desktop finds our icon and name through the launcher's id.
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral(SITEVIGIL_APP_ID)}};
    call << appName << m_id << QString() << summary << body << actions << hints << timeoutMs;

    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, text, onFailed = std::move(onFailed)](QDBusPendingCallWatcher* finished) {
                QDBusPendingReply<uint> reply = *finished;
                finished->deleteLater();
                if (reply.isError()) {
                    if (onFailed)
                        onFailed(text);
                    return;
                }
                m_id = reply.value();
            });
}

void CDesktopNotification::OnActionInvoked(uint id, const QString& action)
{
    if (id == m_id && action == QLatin1String("default"))
        emit clicked();
}
