#include "notify/ChannelRequest.h"

#include <nlohmann/json.hpp>

#include <cctype>

namespace {

// Discord refuses a message longer than 2,000 characters; the others take more than we send.
constexpr size_t kDiscordContentBytes = 1900;
constexpr size_t kMessageBytes = 16 * 1024;

const char* const kJsonType = "Content-Type: application/json";

std::string PathUrl(const ChannelAddress& address, const std::string& path)
{
    return ChannelBaseUrl(address) + "/" + path;
}

// Every byte outside the unreserved set percent-encoded: a Matrix room id holds '!' and ':'.
std::string Escape(const std::string& text)
{
    static const char* const hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// A room id the user wrote percent-encoded stays as written; a bare one is encoded.
std::string RoomInPath(const std::string& room)
{
    return room.find('%') != std::string::npos ? room : Escape(room);
}

// Only header-safe bytes: the values come from page names.
std::string HeaderValue(const std::string& text)
{
    std::string out;
    for (char c : CleanText(text, 200))
        out += c == '\n' || c == '\t' ? ' ' : c;
    return out;
}

std::string FirstAddress(const Notice& notice)
{
    return notice.pages.empty() ? std::string() : notice.pages.front().address;
}

std::string Dump(const nlohmann::json& doc)
{
    return doc.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string SlackText(const Notice& notice)
{
    return "*" + NoticeTitle(notice) + "*\n" + CleanText(NoticeText(notice), kMessageBytes);
}

} // namespace

HttpRequest BuildChannelRequest(const ChannelAddress& address, const Notice& notice, const std::string& transactionId)
{
    HttpRequest request;
    const std::string title = NoticeTitle(notice);
    const std::string text = CleanText(NoticeText(notice), kMessageBytes);
    switch (address.kind) {
    case ChannelKind::Ntfy:
        request.url = PathUrl(address, address.path);
        request.headers = {"Content-Type: text/plain; charset=utf-8", "Title: " + HeaderValue(title),
                           std::string("Tags: ") + (notice.event == kEventFailures ? "warning" : "eyes")};
        if (const std::string click = FirstAddress(notice); !click.empty())
            request.headers.push_back("Click: " + HeaderValue(click));
        if (!address.token.empty())
            request.headers.push_back("Authorization: Bearer " + address.token);
        request.body = text;
        break;
    case ChannelKind::Gotify: {
        request.url = PathUrl(address, address.path + "message");
        request.headers = {kJsonType, "X-Gotify-Key: " + address.token};
        nlohmann::json doc = {{"title", title}, {"message", text}, {"priority", 5}};
        if (const std::string click = FirstAddress(notice); !click.empty())
            doc["extras"] = {{"client::notification", {{"click", {{"url", click}}}}}};
        request.body = Dump(doc);
        break;
    }
    case ChannelKind::Matrix:
        request.method = "PUT";
        request.url = PathUrl(address,
                              "_matrix/client/v3/rooms/" + RoomInPath(address.path) + "/send/m.room.message/"
                                  + Escape(transactionId));
        request.headers = {kJsonType, "Authorization: Bearer " + address.token};
        request.body = Dump({{"msgtype", "m.text"}, {"body", title + "\n" + text}});
        break;
    case ChannelKind::Slack:
        request.url = PathUrl(address, address.path);
        request.headers = {kJsonType};
        request.body = Dump({{"text", SlackText(notice)}});
        break;
    case ChannelKind::Discord: {
        request.url = PathUrl(address, address.path);
        request.headers = {kJsonType};
        request.body = Dump({{"content", CleanText("**" + title + "**\n" + text, kDiscordContentBytes)}});
        break;
    }
    default:
        request.url = PathUrl(address, address.path);
        request.headers = {kJsonType};
        request.body = NoticeToJson(notice);
        break;
    }
    return request;
}
