#pragma once

#include "platform/Error.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The lines a user does not want compared: any line that contains one of the texts, or in which one
// of the regular expressions finds a match, is dropped. Expressions use ECMAScript syntax, run by
// PCRE2 in its ECMAScript-compatible mode (\uHHHH, $ only at the end, [^] for any character). PCRE2
// was chosen over std::regex because its matches can be bounded: each one gets a step budget, and the
// whole page another, so an expression that backtracks without end is stopped and reported.
class CIgnoreRules
{
public:
    // Refuses an empty or overlong rule and an expression PCRE2 cannot compile, with its reason
    // and the character where it stopped.
    static Result<CIgnoreRules> Make(const std::vector<std::string>& texts,
                                     const std::vector<std::string>& expressions);
    // The check the properties sheet and the command line make when a rule is entered.
    static Status ValidateExpression(std::string_view expression);

    CIgnoreRules();
    ~CIgnoreRules();
    CIgnoreRules(CIgnoreRules&&) noexcept;
    CIgnoreRules& operator=(CIgnoreRules&&) noexcept;

    bool IsEmpty() const;
    // text with the ignored lines dropped (lines end with '\n'). TimedOut, naming the expression, when
    // an expression took more steps than a line or the page allows.
    Result<std::string> Apply(std::string_view text) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
