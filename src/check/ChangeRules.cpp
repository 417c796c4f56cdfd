#include "check/ChangeRules.h"

#include "check/PageFiles.h"
#include "model/RecordExtension.h"

#include "extract/IgnoreRules.h"
#include "model/UrlRecord.h"
#include "model/VigilPrefs.h"

#include <algorithm>

namespace {

void AddLines(const std::string& text, std::vector<std::string>& items)
{
    for (std::string_view line : SplitLines(text)) {
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty())
            items.emplace_back(line);
    }
}

std::string Lines(size_t count, const char* what)
{
    return std::to_string(count) + (count == 1 ? " line " : " lines ") + what;
}

} // namespace

void AddGlobalIgnoreRules(TextOptions& options)
{
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    AddLines(prefs.ReadString(Pref::ignoreTexts), options.ignoreTexts);
    AddLines(prefs.ReadString(Pref::ignoreRegexes), options.ignoreRegexes);
}

TextOptions PageTextOptions(const CurlSettings& settings, bool global)
{
    TextOptions options{settings.m_strSelect, settings.m_strXPath, settings.m_ignore, settings.m_ignoreRegex};
    if (global)
        AddGlobalIgnoreRules(options);
    return options;
}

Result<std::string> PageComparedText(const CurlSettings& settings, std::string_view page)
{
    // The engine keeps no response headers, so the charset comes from the page itself.
    if (settings.m_compare == CompareMode::Text)
        return ComparedText(page, {}, PageTextOptions(settings, true));
    // A page compared byte for byte keeps every byte unless the user asked for lines to be ignored.
    if (settings.m_ignore.empty() && settings.m_ignoreRegex.empty())
        return std::string(page);
    auto rules = CIgnoreRules::Make(settings.m_ignore, settings.m_ignoreRegex);
    if (!rules)
        return rules.error();
    return rules->Apply(page);
}

std::string ComparedTextRulesDigest(const CurlSettings& settings)
{
    // Each value with its length, so that no two sets of rules run together into the same text. The
    // leading version changes whenever the making of compared texts does.
    std::string rules = "1";
    const auto add = [&rules](const std::string& value) {
        rules += '\n';
        rules += std::to_string(value.size());
        rules += ':';
        rules += value;
    };
    add(EncodeOptionValue(settings.m_compare));
    add(settings.m_strSelect);
    add(settings.m_strXPath);
    add(EncodeOptionValue(settings.m_ignore));
    add(EncodeOptionValue(settings.m_ignoreRegex));
    if (settings.m_compare == CompareMode::Text) {
        CVigilPrefs& prefs = CVigilPrefs::GetInstance();
        add(prefs.ReadString(Pref::ignoreTexts));
        add(prefs.ReadString(Pref::ignoreRegexes));
    }
    return CopyDigest(rules);
}

bool TriggerFires(ChangeTrigger trigger, const std::optional<LineChanges>& lines)
{
    if (!lines)
        return true;
    switch (trigger) {
    case ChangeTrigger::Any:
        return true;
    case ChangeTrigger::Added:
        return lines->added > 0;
    case ChangeTrigger::Removed:
        return lines->removed > 0;
    }
    return true;
}

std::string TextChangeReason(const std::optional<LineChanges>& lines)
{
    std::string reason = "Text changed";
    if (!lines || !lines->Any())
        return reason;
    reason += ": ";
    if (lines->added > 0)
        reason += Lines(lines->added, "added");
    if (lines->added > 0 && lines->removed > 0)
        reason += ", " + std::to_string(lines->removed) + " removed";
    else if (lines->removed > 0)
        reason += Lines(lines->removed, "removed");
    return reason;
}

bool HasState(const std::vector<std::string>& states, std::string_view state)
{
    return std::find(states.begin(), states.end(), state) != states.end();
}

void SetState(std::vector<std::string>& states, std::string_view state, bool on)
{
    const auto excluded = [state](const std::string& other) {
        if (other == state)
            return true;
        return (state == kStateFound && other == kStateMissing) || (state == kStateMissing && other == kStateFound);
    };
    states.erase(std::remove_if(states.begin(), states.end(), excluded), states.end());
    if (on)
        states.emplace_back(state);
}

bool AnnounceState(AnnounceMode mode, const std::vector<std::string>& before, std::string_view state)
{
    return mode == AnnounceMode::Each || !HasState(before, state);
}
