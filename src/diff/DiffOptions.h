#pragma once

#include <string>
#include <string_view>
#include <vector>

// The comparison options of a line file: an ordered list of "key;value" entries. A key's entry is
// the first one that begins with the key.
class CDiffOptions
{
public:
    // Leading spaces and tabs are ignored unless the value is "yes" or empty.
    static constexpr std::string_view kIndent = "indent";
    // Letter case is ignored unless the value is "yes" or empty.
    static constexpr std::string_view kCase = "case";

    // The text after the first ';' of the key's entry; empty when the entry has no ';' or there is no entry.
    std::string Get(std::string_view key) const;
    // Replaces the value part of the key's entry, or appends "key;value" when there is none.
    void Set(std::string_view key, std::string_view value);
    void Append(const std::string& entry) { m_entries.push_back(entry); }

    const std::vector<std::string>& Entries() const { return m_entries; }
    bool IsEmpty() const { return m_entries.empty(); }

    // True when the key's value switches the check off: any non-empty value other than "yes".
    bool Ignores(std::string_view key) const;

private:
    std::vector<std::string> m_entries;
};
