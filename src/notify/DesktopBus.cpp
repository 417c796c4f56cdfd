#include "notify/DesktopBus.h"

#include "platform/HtmlEscape.h"

#include <dbus/dbus.h>

#include <memory>

namespace {

constexpr size_t kBodyBytes = 2000;

struct ConnectionCloser
{
    void operator()(DBusConnection* connection) const
    {
        dbus_connection_close(connection);
        dbus_connection_unref(connection);
    }
};

struct MessageUnref
{
    void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};

std::string IdList(const Notice& notice)
{
    std::string ids;
    for (const NoticePage& page : notice.pages) {
        if (!page.id.empty())
            ids += (ids.empty() ? "" : ",") + page.id;
    }
    return ids;
}

// The notification body is shown as simple markup by many servers: the page's texts must stay text.
std::string BodyText(const Notice& notice)
{
    std::string out;
    AppendHtmlEscaped(out, CleanText(NoticeText(notice), kBodyBytes), false);
    return out;
}

bool AppendString(DBusMessageIter& iter, const std::string& text)
{
    const char* value = text.c_str();
    return dbus_message_iter_append_basic(&iter, DBUS_TYPE_STRING, &value);
}

} // namespace

bool ParseDesktopAction(const std::string& key, std::string& verb, std::vector<std::string>& ids)
{
    const size_t colon = key.find(':');
    verb = key.substr(0, colon);
    if (verb != kActionShowDifferences && verb != kActionOpenPage)
        return false;
    ids.clear();
    if (colon == std::string::npos)
        return true;
    size_t start = colon + 1;
    while (start < key.size()) {
        size_t end = key.find(',', start);
        if (end == std::string::npos)
            end = key.size();
        if (end > start)
            ids.push_back(key.substr(start, end - start));
        start = end + 1;
    }
    return true;
}

Result<std::string> SendDesktopNotification(const Notice& notice, int timeoutMs)
{
    DBusError error;
    dbus_error_init(&error);
    // A private connection: it is ours alone, so closing it cannot disturb another user of the bus.
    std::unique_ptr<DBusConnection, ConnectionCloser> connection(dbus_bus_get_private(DBUS_BUS_SESSION, &error));
    if (!connection) {
        const std::string why = error.message ? error.message : "no session bus";
        dbus_error_free(&error);
        return MakeError(ErrorKind::Network, "the desktop's session bus cannot be reached: " + why);
    }
    dbus_connection_set_exit_on_disconnect(connection.get(), false);
    std::unique_ptr<DBusMessage, MessageUnref> call(dbus_message_new_method_call(
        "org.freedesktop.Notifications", "/org/freedesktop/Notifications", "org.freedesktop.Notifications", "Notify"));
    if (!call)
        return MakeError(ErrorKind::Internal, "out of memory for the desktop notification");

    const std::string title = CleanText(NoticeTitle(notice), 200);
    const std::string body = BodyText(notice);
    std::vector<std::string> actions;
    const std::string ids = IdList(notice);
    if (notice.event == kEventChanges && !notice.pages.empty()) {
        actions = {std::string(kActionShowDifferences) + ":" + ids, "Show differences",
                   std::string(kActionOpenPage) + ":" + ids, "Open page"};
    }

    DBusMessageIter args;
    dbus_message_iter_init_append(call.get(), &args);
    const dbus_uint32_t replaces = 0;
    const dbus_int32_t expire = -1;
    bool ok = AppendString(args, "Site Vigil") && dbus_message_iter_append_basic(&args, DBUS_TYPE_UINT32, &replaces)
        && AppendString(args, "sitevigil") && AppendString(args, title) && AppendString(args, body);
    DBusMessageIter list;
    ok = ok && dbus_message_iter_open_container(&args, DBUS_TYPE_ARRAY, "s", &list);
    for (const std::string& action : actions)
        ok = ok && AppendString(list, action);
    ok = ok && dbus_message_iter_close_container(&args, &list);
    DBusMessageIter hints;
    ok = ok && dbus_message_iter_open_container(&args, DBUS_TYPE_ARRAY, "{sv}", &hints);
    {
        DBusMessageIter entry;
        DBusMessageIter variant;
        ok = ok && dbus_message_iter_open_container(&hints, DBUS_TYPE_DICT_ENTRY, nullptr, &entry)
            && AppendString(entry, "desktop-entry")
            && dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, "s", &variant)
            && AppendString(variant, "sitevigil") && dbus_message_iter_close_container(&entry, &variant)
            && dbus_message_iter_close_container(&hints, &entry);
    }
    ok = ok && dbus_message_iter_close_container(&args, &hints);
    ok = ok && dbus_message_iter_append_basic(&args, DBUS_TYPE_INT32, &expire);
    if (!ok)
        return MakeError(ErrorKind::Internal, "out of memory for the desktop notification");

    std::unique_ptr<DBusMessage, MessageUnref> reply(
        dbus_connection_send_with_reply_and_block(connection.get(), call.get(), timeoutMs, &error));
    if (!reply) {
        const std::string why = error.message ? error.message : "no answer";
        const bool timedOut = error.name && std::string(error.name) == DBUS_ERROR_NO_REPLY;
        dbus_error_free(&error);
        return MakeError(timedOut ? ErrorKind::TimedOut : ErrorKind::Protocol,
                         "the desktop's notification service refused the notification: " + why);
    }
    dbus_uint32_t id = 0;
    if (!dbus_message_get_args(reply.get(), &error, DBUS_TYPE_UINT32, &id, DBUS_TYPE_INVALID)) {
        dbus_error_free(&error);
        return MakeError(ErrorKind::Protocol, "the desktop's notification service gave an answer of the wrong kind");
    }
    return "notification " + std::to_string(id);
}
