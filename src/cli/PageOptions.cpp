#include "cli/PageOptions.h"

#include "model/UrlRecord.h"

bool CPageOptions::Parse(const std::vector<std::string>& args, bool forEdit, std::string& error)
{
    if (forEdit)
        return m_args.Parse(args,
                            {{"name", true},
                             {"url", true},
                             {"watch", true},
                             {"search", true},
                             {"start", true},
                             {"end", true},
                             {"save", false},
                             {"no-save", false}},
                            error);
    return m_args.Parse(
        args, {{"name", true}, {"watch", true}, {"search", true}, {"start", true}, {"end", true}, {"no-save", false}},
        error);
}

PageChanges CPageOptions::Changes() const
{
    PageChanges changes;
    const auto text = [this](const char* option, std::optional<std::string>& field) {
        if (m_args.Has(option))
            field = m_args.Value(option);
    };
    text("url", changes.url);
    text("name", changes.name);
    if (m_args.Has("watch"))
        changes.watches = m_args.Values("watch");
    text("search", changes.searchText);
    text("start", changes.startText);
    text("end", changes.endText);
    if (m_args.Has("save"))
        changes.savePage = true;
    if (m_args.Has("no-save"))
        changes.savePage = false;
    return changes;
}
