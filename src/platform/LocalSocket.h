#pragma once

#include "platform/Error.h"

#include <string>

// Unix-domain sockets that only their owner can reach: the folder they live in is entered by the user
// alone, and each end checks who is at the other end (SO_PEERCRED) before it trusts a byte.

// The folder for the sockets that serve the storage folder: "$XDG_RUNTIME_DIR/site-vigil/<tag of the
// storage folder>/" when the session has a runtime folder, else the storage folder itself when only its owner can enter
// it, else "siteVigil.run/" inside it. The folder is made (mode 0700) when missing; one that belongs to someone else or
// that others may enter is refused. Ends with '/'.
Result<std::string> PrivateSocketFolder(const std::string& storageFolder);

// Refuses a folder that is not ours, is a link, or that group or others may enter.
Status CheckPrivateFolder(const std::string& folder);

// The user id of the process at the other end of a connected socket; -1 when it cannot be told.
long PeerUserId(int fd);

// A connected socket to path whose listener runs as this user. NotFound when nobody listens there (no
// socket, or one left behind by a program that ended); BadInput when someone else does.
Result<int> ConnectLocalSocket(const std::string& path);

// A listening socket at path (mode 0600). A socket left behind by a program of ours that ended is
// replaced; Busy when a program of ours still listens there; BadInput when the name is taken by
// another user or by something that is not a socket.
Result<int> ListenLocalSocket(const std::string& path, int backlog = 16);

// Sends every byte; false (errno says why) when the channel broke.
bool SendAllBytes(int fd, const std::string& bytes);
