#include "cli/PageOptions.h"

#include "model/UrlRecord.h"

#include <cstdlib>

// What is compared and when a difference counts: the same for add and edit.
#define COMPARE_OPTIONS                                                                                                \
    {"compare", true}, {"select", true}, {"xpath", true}, {"ignore", true}, {"ignore-re", true}, {"no-ignore", false}, \
        {"trigger", true},                                                                                             \
    {                                                                                                                  \
        "announce", true                                                                                               \
    }

Status CPageOptions::Parse(const std::vector<std::string>& args, bool forEdit)
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
                             COMPARE_OPTIONS,
                             {"every", true}});
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
                         COMPARE_OPTIONS,
                         {"every", true}});
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
    text("compare", changes.compare);
    text("select", changes.select);
    text("xpath", changes.xpath);
    text("trigger", changes.trigger);
    text("announce", changes.announce);
    changes.clearIgnore = m_args.Has("no-ignore");
    if (m_args.Has("ignore"))
        changes.ignoreTexts = m_args.Values("ignore");
    if (m_args.Has("ignore-re"))
        changes.ignoreRegexes = m_args.Values("ignore-re");
    return changes;
}
