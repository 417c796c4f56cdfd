#include "fetch/RenderProtocol.h"

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace RenderPipe {
namespace {

void PutU32(std::string& out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((value >> shift) & 0xff));
}

void PutText(std::string& out, const std::string& text)
{
    PutU32(out, static_cast<uint32_t>(text.size()));
    out += text;
}

uint32_t GetU32(const unsigned char* bytes)
{
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

// Reads the fields of a payload in order; any field that runs past the end spoils the whole message.
class CReader
{
public:
    explicit CReader(const std::string& payload)
        : m_payload(payload)
    { }

    uint32_t U32()
    {
        if (m_bad || m_payload.size() - m_at < 4) {
            m_bad = true;
            return 0;
        }
        const uint32_t value = GetU32(reinterpret_cast<const unsigned char*>(m_payload.data() + m_at));
        m_at += 4;
        return value;
    }
    std::string Text()
    {
        const uint32_t length = U32();
        if (m_bad || m_payload.size() - m_at < length) {
            m_bad = true;
            return {};
        }
        std::string text = m_payload.substr(m_at, length);
        m_at += length;
        return text;
    }
    // Every field read and nothing left over.
    bool Whole() const { return !m_bad && m_at == m_payload.size(); }

private:
    const std::string& m_payload;
    size_t m_at = 0;
    bool m_bad = false;
};

Error Malformed()
{
    return MakeError(ErrorKind::Protocol, "The render helper sent a malformed message.");
}

} // namespace

std::string EncodeRequest(const RenderRequest& request)
{
    std::string out;
    PutU32(out, request.id);
    PutText(out, request.url);
    PutU32(out, request.waitMs);
    PutU32(out, request.limitMs);
    PutU32(out, request.memoryLimitMB);
    PutText(out, request.user);
    PutText(out, request.password);
    PutText(out, request.proxyUser);
    PutText(out, request.proxyPassword);
    return out;
}

Result<RenderRequest> DecodeRequest(const std::string& payload)
{
    CReader in(payload);
    RenderRequest request;
    request.id = in.U32();
    request.url = in.Text();
    request.waitMs = in.U32();
    request.limitMs = in.U32();
    request.memoryLimitMB = in.U32();
    request.user = in.Text();
    request.password = in.Text();
    request.proxyUser = in.Text();
    request.proxyPassword = in.Text();
    if (!in.Whole())
        return Malformed();
    return request;
}

std::string EncodeAnswer(const RenderAnswer& answer)
{
    std::string out;
    PutU32(out, answer.id);
    PutU32(out, static_cast<uint32_t>(answer.failure));
    PutU32(out, static_cast<uint32_t>(answer.httpStatus));
    PutText(out, answer.finalUrl);
    PutText(out, answer.html);
    PutText(out, answer.detail);
    return out;
}

Result<RenderAnswer> DecodeAnswer(const std::string& payload)
{
    CReader in(payload);
    RenderAnswer answer;
    answer.id = in.U32();
    const uint32_t failure = in.U32();
    answer.httpStatus = static_cast<int>(in.U32());
    answer.finalUrl = in.Text();
    answer.html = in.Text();
    answer.detail = in.Text();
    if (!in.Whole() || failure > static_cast<uint32_t>(FetchFailure::kLast) || answer.httpStatus < 0
        || answer.httpStatus > 999)
        return Malformed();
    answer.failure = static_cast<FetchFailure>(failure);
    return answer;
}

Status WriteFrame(int fd, const std::string& payload)
{
    std::string frame;
    frame.reserve(payload.size() + 4);
    PutU32(frame, static_cast<uint32_t>(payload.size()));
    frame += payload;
    size_t done = 0;
    while (done < frame.size()) {
        // A socket is written without SIGPIPE, so a peer that has gone is an error, not our end.
        ssize_t n = ::send(fd, frame.data() + done, frame.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == ENOTSOCK)
            n = ::write(fd, frame.data() + done, frame.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return MakeError(ErrorKind::Io, "Writing to the render pipe failed: " + SystemErrorText(errno));
        }
        done += static_cast<size_t>(n);
    }
    return {};
}

namespace {

// False at end of file or on an error (errorText then says which).
bool ReadWhole(int fd, char* into, size_t count, std::string& errorText)
{
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(fd, into + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            errorText = SystemErrorText(errno);
            return false;
        }
        if (n == 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

Result<std::string> ReadFrame(int fd, size_t maxSize)
{
    unsigned char head[4];
    std::string errorText;
    if (!ReadWhole(fd, reinterpret_cast<char*>(head), sizeof head, errorText))
        return errorText.empty() ? MakeError(ErrorKind::NotFound, "The render pipe was closed.")
                                 : MakeError(ErrorKind::Io, "Reading the render pipe failed: " + errorText);
    const uint32_t length = GetU32(head);
    if (length > maxSize)
        return MakeError(ErrorKind::Protocol, "The render pipe carried a message too large to take.");
    std::string payload(length, '\0');
    if (!ReadWhole(fd, payload.data(), length, errorText))
        return errorText.empty() ? MakeError(ErrorKind::NotFound, "The render pipe was closed.")
                                 : MakeError(ErrorKind::Io, "Reading the render pipe failed: " + errorText);
    return payload;
}

FetchOutcome ToOutcome(RenderAnswer answer)
{
    FetchOutcome outcome;
    outcome.failure = answer.failure;
    outcome.httpStatus = answer.httpStatus;
    outcome.detail = std::move(answer.detail);
    if (answer.failure == FetchFailure::None) {
        outcome.complete = true;
        outcome.httpStatus = 200;
        outcome.dataReceived = !answer.html.empty();
        outcome.body = std::move(answer.html);
        // The engine keeps no response headers for a script-built document; no date to compare.
        outcome.headRead = true;
    }
    return outcome;
}

} // namespace RenderPipe
