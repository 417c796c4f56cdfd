#pragma once

#include <string>
#include <string_view>

// Reading an SMTP server's reply, apart from the socket: when a reply is whole, and which of its
// lines carries the code a command expects.
namespace SmtpReply {

// Whole when it ends with the terminator and its last line is not a "ddd-" line, after which the
// server has promised more lines.
bool IsComplete(std::string_view received, std::string_view terminator);

// Looks through the lines of a whole reply (its final terminator removed) for one that starts with
// the expected code. code is the code of the last line looked at (0 when it has none); text runs
// from that line to the end of the reply.
bool FindCode(std::string_view reply, std::string_view terminator, int expectedCode, int& code, std::string& text);

} // namespace SmtpReply
