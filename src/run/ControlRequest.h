#pragma once

#include "model/PageChanges.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What a command line or a second desktop program asks of the program that holds the storage folder,
// and what it answers: typed values, framed on the control channel by the functions below, so that the
// receiving side never parses a command line.

enum class ControlVerb : uint8_t
{
    ShowWindow = 1, // a second desktop program: bring the window up
    Add, // changes.url is the address
    Edit, // pages[0] is the page
    Remove,
    Clear, // no pages: every page
    Check, // no pages: every page
    ImportList, // file: an absolute path
    ImportBookmarks,
    ImportFavorites, // file: the folder
    ImportFirefox, // file: the profile folder or its places.sqlite; pages: the folder paths to take
    ImportChromium, // file: the profile folder or its Bookmarks file; pages: the folder paths
};

struct ControlRequest
{
    ControlVerb verb = ControlVerb::ShowWindow;
    // The pages named ("@id", position from 1, exact name).
    std::vector<std::string> pages;
    PageChanges changes;
    std::string file;
    // Check: the answer names what changed in each changed page (the caller reads the copies).
    bool withDiffs = false;
};

// How a request ended; the numbers are the command line's exit statuses.
enum class ControlOutcome : uint8_t
{
    Done = 0,
    Failed = 1, // the work could not be done (a save failed, the check could not start)
    Refused = 2, // the request does not fit the list (no such page, a damaged list, a bad option)
};

// A page as the answer names it, as it is after the work.
struct AnsweredPage
{
    std::string label; // "@id", or "#position" for a page without an id
    uint32_t position = 0;
    std::string name;
    std::string url;
    // After a check:
    bool changed = false;
    std::string changeReason;
    bool failed = false;
    std::string failure;
};

struct ControlAnswer
{
    ControlOutcome outcome = ControlOutcome::Done;
    // Why, when not Done: one sentence.
    std::string error;
    std::vector<std::string> warnings;
    // The pages added, changed, removed or checked, in the list's order.
    std::vector<AnsweredPage> pages;
    // Clear: how many pages were marked changed; imports: how many were added.
    uint64_t count = 0;
    // Imports: one line for each entry left out, naming it and why.
    std::vector<std::string> skipped;
    // Who did the work, for the caller's account of it ("daemon", "desktop program").
    std::string program;

    static ControlAnswer Refuse(std::string why)
    {
        return {ControlOutcome::Refused, std::move(why), {}, {}, 0, {}, {}};
    }
    static ControlAnswer Fail(std::string why) { return {ControlOutcome::Failed, std::move(why), {}, {}, 0, {}, {}}; }
};

// Largest request taken: far beyond any command's text. Answers have no limit; they are streamed.
inline constexpr size_t kMaxControlRequestBytes = 1u << 20;

std::string EncodeControlRequest(const ControlRequest& request);
std::string EncodeControlAnswer(const ControlAnswer& answer);
// Nothing for bytes that are not exactly one well-formed message.
std::optional<ControlRequest> DecodeControlRequest(const std::string& bytes);
std::optional<ControlAnswer> DecodeControlAnswer(const std::string& bytes);

// The command's name for the verb: "add", "import-list".
const char* ControlVerbName(ControlVerb verb);
