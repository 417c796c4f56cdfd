#include "model/CompareOptions.h"

#include <array>
#include <utility>

namespace {

template <class Enum, size_t N> using NameTable = std::array<std::pair<Enum, std::string_view>, N>;

constexpr NameTable<CompareMode, 2> kCompareNames{{{CompareMode::Page, "page"}, {CompareMode::Text, "text"}}};
constexpr NameTable<ChangeTrigger, 3> kTriggerNames{
    {{ChangeTrigger::Any, "any"}, {ChangeTrigger::Added, "added"}, {ChangeTrigger::Removed, "removed"}}};
constexpr NameTable<AnnounceMode, 2> kAnnounceNames{{{AnnounceMode::Each, "each"}, {AnnounceMode::Change, "change"}}};

template <class Enum, size_t N> std::string_view NameOf(const NameTable<Enum, N>& table, Enum value)
{
    for (const auto& [each, name] : table) {
        if (each == value)
            return name;
    }
    return table[0].second;
}

template <class Enum, size_t N> bool ValueOf(const NameTable<Enum, N>& table, std::string_view name, Enum& value)
{
    for (const auto& [each, eachName] : table) {
        if (eachName == name) {
            value = each;
            return true;
        }
    }
    return false;
}

} // namespace

std::string_view OptionName(CompareMode mode)
{
    return NameOf(kCompareNames, mode);
}

std::string_view OptionName(ChangeTrigger trigger)
{
    return NameOf(kTriggerNames, trigger);
}

std::string_view OptionName(AnnounceMode mode)
{
    return NameOf(kAnnounceNames, mode);
}

bool ParseOption(std::string_view name, CompareMode& mode)
{
    return ValueOf(kCompareNames, name, mode);
}

bool ParseOption(std::string_view name, ChangeTrigger& trigger)
{
    return ValueOf(kTriggerNames, name, trigger);
}

bool ParseOption(std::string_view name, AnnounceMode& mode)
{
    return ValueOf(kAnnounceNames, name, mode);
}
