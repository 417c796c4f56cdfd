#pragma once

#include "diff/TokenDiff.h"
#include "extract/ComparedText.h"
#include "model/CompareOptions.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct CurlSettings;

// The rules of the page check that turn a difference into a change, apart from the check itself so
// that a table can hold them.

// The page's own text options; with global, the ignore rules of the settings are added (they apply
// to pages compared by their text only, so that files from before them keep their checksums).
TextOptions PageTextOptions(const CurlSettings& settings, bool global);
// The settings' ignore rules: texts and expressions, one per line of their settings.
void AddGlobalIgnoreRules(TextOptions& options);

// What the check compares for a page text (the download up to its first zero byte): the visible
// text or selection without ignored lines, or the page itself without the lines its own rules drop.
Result<std::string> PageComparedText(const CurlSettings& settings, std::string_view page);

// What the compared text of a page text depends on besides the page: the page's compare mode, its
// selection and ignore rules and, for a page compared by its text, those of the settings, as one
// short digest. Two texts compared under rules of the same digest give the same compared text.
std::string ComparedTextRulesDigest(const CurlSettings& settings);

// Whether a difference with these line changes counts as a change for the trigger; none (the
// earlier text is not at hand) counts for every trigger.
bool TriggerFires(ChangeTrigger trigger, const std::optional<LineChanges>& lines);

// The reason of a change of the compared text: "Text changed: 3 lines added, 1 removed".
std::string TextChangeReason(const std::optional<LineChanges>& lines);

// The state watches remember their condition in the page's results (state): "found" or "missing"
// for the search text, "unreachable" while downloads fail.
inline constexpr std::string_view kStateFound = "found";
inline constexpr std::string_view kStateMissing = "missing";
inline constexpr std::string_view kStateUnreachable = "unreachable";

bool HasState(const std::vector<std::string>& states, std::string_view state);
// Sets the state (or clears it) and drops the states it excludes (found and missing).
void SetState(std::vector<std::string>& states, std::string_view state, bool on);
// Whether a state watch whose condition holds announces it: always for each, and for change only
// when the condition did not hold at the check before.
bool AnnounceState(AnnounceMode mode, const std::vector<std::string>& before, std::string_view state);
