#include "diff/DiffOptions.h"

namespace {

template <typename Entries> auto FindEntry(Entries& entries, std::string_view key)
{
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (std::string_view(*it).starts_with(key))
            return it;
    }
    return entries.end();
}

} // namespace

std::string CDiffOptions::Get(std::string_view key) const
{
    const auto it = FindEntry(m_entries, key);
    if (it == m_entries.end())
        return {};
    const std::size_t separator = it->find(';');
    if (separator == std::string::npos)
        return {};
    return it->substr(separator + 1);
}

void CDiffOptions::Set(std::string_view key, std::string_view value)
{
    const auto it = FindEntry(m_entries, key);
    if (it == m_entries.end()) {
        std::string entry(key);
        entry += ';';
        entry += value;
        m_entries.push_back(std::move(entry));
        return;
    }
    const std::size_t separator = it->find(';');
    if (separator == std::string::npos)
        *it += ';';
    else
        it->erase(separator + 1);
    *it += value;
}

bool CDiffOptions::Ignores(std::string_view key) const
{
    const std::string value = Get(key);
    return !value.empty() && value != "yes";
}
