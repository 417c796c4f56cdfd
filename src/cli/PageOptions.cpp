#include "cli/PageOptions.h"

#include "model/UrlRecord.h"

#include <cstdlib>

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
                             {"no-save", false},
                             {"render", false},
                             {"no-render", false},
                             {"render-wait", true},
                             {"every", true}},
                            error);
    return m_args.Parse(args,
                        {{"name", true},
                         {"watch", true},
                         {"search", true},
                         {"start", true},
                         {"end", true},
                         {"no-save", false},
                         {"render", false},
                         {"no-render", false},
                         {"render-wait", true},
                         {"every", true}},
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
    text("every", changes.every);
    if (m_args.Has("save"))
        changes.savePage = true;
    if (m_args.Has("no-save"))
        changes.savePage = false;
    if (m_args.Has("render"))
        changes.render = true;
    if (m_args.Has("no-render"))
        changes.render = false;
    if (m_args.Has("render-wait")) {
        // Anything but whole seconds becomes -1, which the page's changes refuse with the reason.
        const std::string text = m_args.Value("render-wait");
        char* end = nullptr;
        const long seconds = std::strtol(text.c_str(), &end, 10);
        changes.renderWait = (text.empty() || *end || seconds < 0 || seconds > 60) ? -1 : static_cast<int>(seconds);
    }
    return changes;
}
