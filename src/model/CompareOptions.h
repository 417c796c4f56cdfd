#pragma once

#include <string_view>

// What the page check compares and when a difference counts, as the user chose it per page.

// page: the download byte for byte; text: the page's visible text.
enum class CompareMode
{
    Page,
    Text,
};

// Which line differences of the compared text make a change.
enum class ChangeTrigger
{
    Any,
    Added,
    Removed,
};

// When a state watch (text found or missing, unreachable, reachable) announces: at each check where its
// condition holds, or only when the state flips.
enum class AnnounceMode
{
    Each,
    Change,
};

// The names users type and files store ("page", "text"; "any", "added", "removed"; "each", "change").
std::string_view OptionName(CompareMode mode);
std::string_view OptionName(ChangeTrigger trigger);
std::string_view OptionName(AnnounceMode mode);
bool ParseOption(std::string_view name, CompareMode& mode);
bool ParseOption(std::string_view name, ChangeTrigger& trigger);
bool ParseOption(std::string_view name, AnnounceMode& mode);
