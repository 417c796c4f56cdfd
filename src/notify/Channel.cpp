#include "notify/Channel.h"

#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <strings.h>

namespace {

struct Scheme
{
    const char* name;
    ChannelKind kind;
    bool secure;
};

const Scheme kSchemes[] = {
    {"desktop", ChannelKind::Desktop, false}, {"json", ChannelKind::Json, false},
    {"jsons", ChannelKind::Json, true},       {"ntfy", ChannelKind::Ntfy, false},
    {"ntfys", ChannelKind::Ntfy, true},       {"gotify", ChannelKind::Gotify, false},
    {"gotifys", ChannelKind::Gotify, true},   {"matrix", ChannelKind::Matrix, false},
    {"matrixs", ChannelKind::Matrix, true},   {"slack", ChannelKind::Slack, false},
    {"slacks", ChannelKind::Slack, true},     {"discord", ChannelKind::Discord, false},
    {"discords", ChannelKind::Discord, true},
};

constexpr size_t kMaxAddressBytes = 2048;
constexpr size_t kMaxNameBytes = 64;

Error Bad(const std::string& message)
{
    return MakeError(ErrorKind::BadInput, message);
}

bool IsHostChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
}

// Bytes that may stand in a path or token as written: printable ASCII without the characters that
// would end or reshape the URL we build from it.
bool IsPathChar(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u > 0x20 && u < 0x7F && c != '"' && c != '<' && c != '>' && c != '\\' && c != '^' && c != '`' && c != '{'
        && c != '|' && c != '}' && c != '#';
}

Result<unsigned> ParsePort(const std::string& text)
{
    if (text.empty() || text.size() > 5)
        return Bad("the port must be a number from 1 to 65535");
    unsigned port = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return Bad("the port must be a number from 1 to 65535");
        port = port * 10 + static_cast<unsigned>(c - '0');
    }
    if (port == 0 || port > 65535)
        return Bad("the port must be a number from 1 to 65535");
    return port;
}

// host[:port] or [v6]:port
Status ParseHostPort(const std::string& text, ChannelAddress& out)
{
    std::string host = text;
    std::string port;
    if (!text.empty() && text.front() == '[') {
        const size_t close = text.find(']');
        if (close == std::string::npos)
            return Bad("the host's closing ']' is missing");
        host = text.substr(0, close + 1);
        for (char c : host.substr(1, host.size() - 2)) {
            if (!std::isxdigit(static_cast<unsigned char>(c)) && c != ':' && c != '.')
                return Bad("the host is not an IPv6 address");
        }
        if (close + 1 < text.size()) {
            if (text[close + 1] != ':')
                return Bad("unexpected text after the host");
            port = text.substr(close + 2);
            if (port.empty())
                return Bad("the port must be a number from 1 to 65535");
        }
    } else if (const size_t colon = text.rfind(':'); colon != std::string::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (port.empty())
            return Bad("the port must be a number from 1 to 65535");
    }
    if (host.empty() || host == "[]")
        return Bad("the address names no host");
    if (host.front() != '[') {
        for (char c : host) {
            if (!IsHostChar(c))
                return Bad("the host may only hold letters, digits, dots and dashes");
        }
    }
    out.host = host;
    if (!port.empty()) {
        Result<unsigned> number = ParsePort(port);
        if (!number)
            return number.error();
        out.port = *number;
    }
    return {};
}

} // namespace

Result<ChannelAddress> ParseChannelAddress(const std::string& address)
{
    if (address.size() > kMaxAddressBytes)
        return Bad("the address is longer than " + std::to_string(kMaxAddressBytes) + " bytes");
    if (address.rfind("mailto:", 0) == 0)
        return Bad("e-mail is set up on the Email page (or with config set), not as a channel");
    const size_t sep = address.find("://");
    if (sep == std::string::npos)
        return Bad("the address has no scheme (desktop://, json://, ntfy://, gotify://, matrix://, slack://, "
                   "discord://, with an s for HTTPS)");
    const std::string schemeName = address.substr(0, sep);
    const Scheme* scheme = nullptr;
    for (const Scheme& s : kSchemes) {
        if (::strcasecmp(s.name, schemeName.c_str()) == 0)
            scheme = &s;
    }
    if (!scheme)
        return Bad("\"" + schemeName
                   + "\" is not a channel scheme (desktop, json, ntfy, gotify, matrix, slack, "
                     "discord, each with an s for HTTPS)");
    ChannelAddress out;
    out.kind = scheme->kind;
    out.secure = scheme->secure;
    std::string rest = address.substr(sep + 3);
    for (char c : rest) {
        if (!IsPathChar(c))
            return Bad("the address holds a space, a control character or a character URLs do not allow");
    }
    if (out.kind == ChannelKind::Desktop) {
        if (!rest.empty())
            return Bad("desktop:// takes nothing after the scheme");
        return out;
    }

    std::string query;
    if (const size_t q = rest.find('?'); q != std::string::npos) {
        query = rest.substr(q + 1);
        rest.erase(q);
    }
    const size_t slash = rest.find('/');
    std::string authority = rest.substr(0, slash);
    out.path = slash == std::string::npos ? "" : rest.substr(slash + 1);
    if (const size_t at = authority.rfind('@'); at != std::string::npos) {
        if (out.kind != ChannelKind::Matrix)
            return Bad("only matrix:// takes a token before the host (TOKEN@host)");
        out.token = authority.substr(0, at);
        authority.erase(0, at + 1);
    }
    if (Status hostPort = ParseHostPort(authority, out); !hostPort)
        return hostPort.error();

    switch (out.kind) {
    case ChannelKind::Ntfy:
        if (out.path.empty() || out.path.find('/') != std::string::npos)
            return Bad("ntfy:// needs the topic as the path: ntfy://host/topic");
        if (!query.empty()) {
            if (query.rfind("token=", 0) != 0 || query.size() == 6 || query.find('&') != std::string::npos)
                return Bad("ntfy:// takes only ?token=T after the topic");
            out.token = query.substr(6);
        }
        return out;
    case ChannelKind::Gotify: {
        const size_t last = out.path.rfind('/');
        out.token = last == std::string::npos ? out.path : out.path.substr(last + 1);
        out.path = last == std::string::npos ? "" : out.path.substr(0, last + 1);
        if (out.token.empty())
            return Bad("gotify:// needs the application token as the path: gotify://host/APPTOKEN");
        break;
    }
    case ChannelKind::Matrix:
        if (out.token.empty())
            return Bad("matrix:// needs the access token before the host: matrix://TOKEN@host/ROOMID");
        if (out.path.empty() || out.path.find('/') != std::string::npos)
            return Bad("matrix:// needs the room id as the path: matrix://TOKEN@host/!room:server");
        break;
    case ChannelKind::Json:
    case ChannelKind::Slack:
    case ChannelKind::Discord:
        break;
    default:
        return Bad("this scheme is not a web channel");
    }
    if (!query.empty())
        return Bad("only ntfy:// takes a query (?token=T)");
    return out;
}

std::string ChannelBaseUrl(const ChannelAddress& address)
{
    std::string url = address.secure ? "https://" : "http://";
    url += address.host;
    if (address.port != 0)
        url += ":" + std::to_string(address.port);
    return url;
}

std::string ShownChannelAddress(const std::string& address)
{
    Result<ChannelAddress> parsed = ParseChannelAddress(address);
    if (!parsed || parsed->token.empty())
        return address;
    std::string shown = address;
    if (const size_t at = shown.find(parsed->token); at != std::string::npos)
        shown.replace(at, parsed->token.size(), "***");
    return shown;
}

Status ParseChannelEvents(const std::string& text, Channel& channel)
{
    bool changes = false;
    bool failures = false;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string event = text.substr(start, end - start);
        if (event == "changes")
            changes = true;
        else if (event == "failures")
            failures = true;
        else
            return Bad("\"" + event + "\" is not an event: use changes, failures or changes,failures");
        start = end + 1;
    }
    channel.changes = changes;
    channel.failures = failures;
    return {};
}

std::string ChannelEventsText(const Channel& channel)
{
    if (channel.changes && channel.failures)
        return "changes,failures";
    return channel.changes ? "changes" : channel.failures ? "failures" : "";
}

Status CheckChannelName(const std::string& name)
{
    if (name.empty())
        return Bad("a channel needs a name");
    if (name.size() > kMaxNameBytes)
        return Bad("a channel's name may be at most " + std::to_string(kMaxNameBytes) + " bytes long");
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return Bad("a channel's name may not hold control characters");
    }
    if (::strcasecmp(name.c_str(), kEmailChannelName) == 0)
        return Bad("\"" + std::string(kEmailChannelName) + "\" is the name of the e-mail of the Email page");
    return {};
}

std::string DefaultChannelName(const std::string& address, const std::vector<Channel>& existing)
{
    Result<ChannelAddress> parsed = ParseChannelAddress(address);
    std::string base = address.substr(0, address.find("://"));
    if (parsed && !parsed->host.empty())
        base += " " + parsed->host;
    if (base.size() > kMaxNameBytes - 4)
        base.resize(kMaxNameBytes - 4);
    std::string name = base;
    for (int n = 2; FindChannel(existing, name) >= 0 || !CheckChannelName(name); ++n)
        name = base + " " + std::to_string(n);
    return name;
}

Result<std::vector<Channel>> LoadChannels(CVigilPrefs& prefs)
{
    std::vector<Channel> channels;
    const nlohmann::json list = nlohmann::json::parse(prefs.ReadString(Pref::notifyChannels), nullptr, false);
    if (!list.is_array())
        return MakeError(ErrorKind::BadInput, "the setting notifyChannels is not a JSON array of channels");
    for (const nlohmann::json& item : list) {
        if (!item.is_object())
            continue;
        Channel channel;
        channel.name = item.value("name", "");
        channel.address = item.value("address", "");
        channel.enabled = item.value("enabled", true);
        channel.changes = item.value("changes", true);
        channel.failures = item.value("failures", false);
        if (!channel.name.empty())
            channels.push_back(std::move(channel));
    }
    return channels;
}

Status SaveChannels(CVigilPrefs& prefs, const std::vector<Channel>& channels)
{
    nlohmann::json list = nlohmann::json::array();
    for (const Channel& channel : channels) {
        list.push_back({{"name", channel.name},
                        {"address", channel.address},
                        {"enabled", channel.enabled},
                        {"changes", channel.changes},
                        {"failures", channel.failures}});
    }
    // Names and addresses are checked on the way in; replacing bad UTF-8 keeps the dump from throwing.
    if (!prefs.WriteString(Pref::notifyChannels.name,
                           list.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)))
        return MakeError(ErrorKind::Io, "the channels could not be saved in the settings database");
    return {};
}

int FindChannel(const std::vector<Channel>& channels, const std::string& name)
{
    for (size_t i = 0; i < channels.size(); ++i) {
        if (::strcasecmp(channels[i].name.c_str(), name.c_str()) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

Status AddChannel(std::vector<Channel>& channels, const Channel& channel)
{
    if (Status name = CheckChannelName(channel.name); !name)
        return name;
    if (Result<ChannelAddress> parsed = ParseChannelAddress(channel.address); !parsed)
        return parsed.error();
    if (FindChannel(channels, channel.name) >= 0)
        return Bad("there is already a channel named \"" + channel.name + "\"");
    channels.push_back(channel);
    return {};
}
