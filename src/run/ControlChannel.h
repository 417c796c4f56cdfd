#pragma once

#include <functional>
#include <string>
#include <vector>

// The local channel through which a command line hands its work to the program that holds the
// storage folder (the daemon or the desktop program): a Unix socket in the storage folder, usable by
// the folder's owner only. One request per connection: the command's arguments; one answer: the exit
// status and what the command wrote to its two streams.
struct ControlReply
{
    int status = 0;
    std::string out;
    std::string err;
};

// The socket's file name in the storage folder.
inline constexpr const char* kControlSocketName = "siteVigil.sock";

// Frames of the channel: each text as a 4-byte little-endian length and its bytes.
std::string EncodeControlRequest(const std::vector<std::string>& args);
std::string EncodeControlReply(const ControlReply& reply);
// False for bytes that are not one whole frame set (cut short, or a length beyond the data).
bool DecodeControlRequest(const std::string& bytes, std::vector<std::string>& args);
bool DecodeControlReply(const std::string& bytes, ControlReply& reply);

// Largest request or reply read: far beyond any command's text, small enough to hold.
inline constexpr size_t kMaxControlMessage = 64u << 20;

// The socket work both ends share.
struct sockaddr_un;
// The address of the socket at path; false when the path is too long for one.
bool MakeControlAddress(const std::string& path, sockaddr_un& address);
// A connected socket, or -1 when nobody listens at path.
int ConnectControlSocket(const std::string& path);
// Sends every byte; false (errno says why) when the channel broke.
bool SendAllBytes(int fd, const std::string& bytes);
enum class ReceiveResult
{
    Whole, // the other end shut its side
    Broken, // errno says why
    TimedOut,
    TooLong, // beyond kMaxControlMessage
};
// Reads until the other end shuts its side. timeoutMs bounds each wait for more; -1 waits without end.
ReceiveResult ReceiveAllBytes(int fd, std::string& bytes, int timeoutMs);

// Hands the arguments to the program listening in the storage folder and waits for its answer.
// Returns false without a reply when nobody listens there (no socket, or a socket left behind by a
// program that ended): the caller then does the work itself. A channel that breaks after connecting
// gives true with status 1 and the reason in err. stillWaiting, when given, is called once when the
// answer has not come within kStillWaitingMs (the program is in a check run, or a dialog is open).
bool SendControlRequest(const std::string& storageFolder, const std::vector<std::string>& args, ControlReply& reply,
                        const std::function<void()>& stillWaiting = {});
inline constexpr int kStillWaitingMs = 2000;
