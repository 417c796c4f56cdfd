#pragma once

#include "platform/Error.h"
#include "run/ControlRequest.h"

#include <functional>
#include <optional>
#include <string>

// The local channel through which a command line, or a second desktop program, hands its work to the
// program that holds the storage folder (the daemon or the desktop program): a Unix socket in a folder
// only the user can enter, reachable by the user only. One typed request per connection, one typed
// answer.

// The socket's file name in its folder.
inline constexpr const char* kControlSocketName = "siteVigil.sock";

// Where the socket for the storage folder (ending with '/') lives; the folder is made when missing.
Result<std::string> ControlSocketPath(const std::string& storageFolder);

// Hands the request to the program that serves the storage folder and waits for its answer. Nothing
// when nobody listens there (no socket, or one left behind by a program that ended): the caller then
// does the work itself. A channel that cannot be trusted (a socket of another user) or that breaks
// after connecting gives a Failed answer with the reason. stillWaiting, when given, is called once when
// the answer has not come within kStillWaitingMs (the program is in a check run, or a dialog is open).
// The server answers every request or gives it up within its own limits, so this never waits without
// end.
std::optional<ControlAnswer> SendControlRequest(const std::string& storageFolder, const ControlRequest& request,
                                                const std::function<void()>& stillWaiting = {});
inline constexpr int kStillWaitingMs = 2000;
