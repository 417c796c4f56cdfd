#pragma once

#include "platform/Error.h"

#include <string>
#include <vector>

class CVigilPrefs;

// The kinds of address a channel can have; the e-mail of the Email page is the one channel that has
// no address of its own (its settings are the Email page's).
enum class ChannelKind
{
    Desktop,
    Json,
    Ntfy,
    Gotify,
    Matrix,
    Slack,
    Discord,
    Email,
};

// A channel's address taken apart: "ntfys://host:8443/alerts?token=T" and the like.
struct ChannelAddress
{
    ChannelKind kind = ChannelKind::Json;
    bool secure = false; // the trailing "s" of the scheme: HTTPS
    std::string host; // as written, IPv6 literals with their brackets
    unsigned port = 0; // 0: the scheme's default
    std::string path; // after the host, without the leading '/'; still percent-encoded as written
    std::string token; // ntfy's ?token=, Gotify's application token, Matrix's access token
};

// The channel name the e-mail goes out under in the outbox.
inline constexpr const char* kEmailChannelName = "Email";

// One configured channel.
struct Channel
{
    std::string name;
    std::string address;
    bool enabled = true;
    bool changes = true; // the run's new changes
    bool failures = false; // a page that starts failing, and the same page recovering

    bool operator==(const Channel&) const = default;
};

// Takes an address apart; refuses what is not one of the channel schemes with a reason in words.
Result<ChannelAddress> ParseChannelAddress(const std::string& address);
// "http://host:port" or "https://host:port" for the webhook channels.
std::string ChannelBaseUrl(const ChannelAddress& address);
// The address with its secrets (tokens) replaced by "***", for lists and messages.
std::string ShownChannelAddress(const std::string& address);

// "changes,failures" and its parts; refuses an empty or unknown event.
Status ParseChannelEvents(const std::string& text, Channel& channel);
std::string ChannelEventsText(const Channel& channel);
// A name the user can type and see: not empty, no control characters, at most 64 bytes, not the
// e-mail's own name.
Status CheckChannelName(const std::string& name);
// A name for a new channel from its address: the scheme and host, numbered when already taken.
std::string DefaultChannelName(const std::string& address, const std::vector<Channel>& existing);

// The configured channels (the setting notifyChannels, a JSON array). A damaged setting reads as no
// channels and an error.
Result<std::vector<Channel>> LoadChannels(CVigilPrefs& prefs);
Status SaveChannels(CVigilPrefs& prefs, const std::vector<Channel>& channels);
// Index of the channel with this name (names compare without case), or -1.
int FindChannel(const std::vector<Channel>& channels, const std::string& name);
// Adds a channel after checking its name, address, and that the name is free.
Status AddChannel(std::vector<Channel>& channels, const Channel& channel);
