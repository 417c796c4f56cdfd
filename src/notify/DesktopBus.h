#pragma once

#include "notify/Notice.h"
#include "platform/Error.h"

#include <string>
#include <utility>
#include <vector>

// The actions of a desktop notification. The key carries the page ids ("show-differences:1a,2f"), so
// the desktop program knows which pages are meant whichever connection sent the notification.
inline constexpr const char* kActionShowDifferences = "show-differences";
inline constexpr const char* kActionOpenPage = "open-page";

// "show-differences:1a,2f" -> verb "show-differences", ids {"1a", "2f"}; false for other keys.
bool ParseDesktopAction(const std::string& key, std::string& verb, std::vector<std::string>& ids);

// Shows the notice as a freedesktop notification (org.freedesktop.Notifications on the session bus,
// $DBUS_SESSION_BUS_ADDRESS) with the actions "Show differences" and "Open page" for changes.
// Returns "notification N" with the server's id; waits at most timeoutMs for the server.
Result<std::string> SendDesktopNotification(const Notice& notice, int timeoutMs = 10000);
