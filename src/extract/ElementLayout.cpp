#include "extract/ElementLayout.h"
#include "extract/TextBuilder.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

// Sorted for the binary search.
constexpr std::array<std::pair<std::string_view, Layout>, 72> kLayouts = {{
    {"address", Layout::Block},   {"article", Layout::Block},    {"aside", Layout::Block},
    {"audio", Layout::Hidden},    {"blockquote", Layout::Block}, {"body", Layout::Block},
    {"br", Layout::Break},        {"canvas", Layout::Hidden},    {"caption", Layout::Block},
    {"center", Layout::Block},    {"datalist", Layout::Hidden},  {"dd", Layout::Block},
    {"details", Layout::Block},   {"dialog", Layout::Block},     {"dir", Layout::Block},
    {"div", Layout::Block},       {"dl", Layout::Block},         {"dt", Layout::Block},
    {"embed", Layout::Hidden},    {"fieldset", Layout::Block},   {"figcaption", Layout::Block},
    {"figure", Layout::Block},    {"footer", Layout::Block},     {"form", Layout::Block},
    {"frameset", Layout::Block},  {"h1", Layout::Block},         {"h2", Layout::Block},
    {"h3", Layout::Block},        {"h4", Layout::Block},         {"h5", Layout::Block},
    {"h6", Layout::Block},        {"head", Layout::Hidden},      {"header", Layout::Block},
    {"hgroup", Layout::Block},    {"hr", Layout::Block},         {"html", Layout::Block},
    {"iframe", Layout::Hidden},   {"legend", Layout::Block},     {"li", Layout::Block},
    {"listing", Layout::Pre},     {"main", Layout::Block},       {"map", Layout::Hidden},
    {"menu", Layout::Block},      {"nav", Layout::Block},        {"noembed", Layout::Hidden},
    {"noframes", Layout::Hidden}, {"noscript", Layout::Hidden},  {"object", Layout::Hidden},
    {"ol", Layout::Block},        {"optgroup", Layout::Block},   {"option", Layout::Block},
    {"p", Layout::Block},         {"param", Layout::Hidden},     {"plaintext", Layout::Pre},
    {"pre", Layout::Pre},         {"script", Layout::Hidden},    {"section", Layout::Block},
    {"source", Layout::Hidden},   {"style", Layout::Hidden},     {"summary", Layout::Block},
    {"table", Layout::Block},     {"tbody", Layout::Block},      {"td", Layout::Cell},
    {"template", Layout::Hidden}, {"textarea", Layout::Pre},     {"tfoot", Layout::Block},
    {"th", Layout::Cell},         {"thead", Layout::Block},      {"title", Layout::Hidden},
    {"tr", Layout::Block},        {"ul", Layout::Block},         {"video", Layout::Hidden},
}};

} // namespace

Layout LayoutOfElement(std::string_view name)
{
    const auto it = std::lower_bound(kLayouts.begin(), kLayouts.end(), name,
                                     [](const auto& entry, std::string_view key) { return entry.first < key; });
    return it != kLayouts.end() && it->first == name ? it->second : Layout::Inline;
}

void OpenLayout(Layout layout, CTextBuilder& out, int& preDepth)
{
    switch (layout) {
    case Layout::Block:
    case Layout::Break:
        out.EndLine();
        break;
    case Layout::Cell:
        out.Space();
        break;
    case Layout::Pre:
        out.EndLine();
        ++preDepth;
        break;
    case Layout::Inline:
    case Layout::Hidden:
        break;
    }
}

void CloseLayout(Layout layout, CTextBuilder& out, int& preDepth)
{
    if (layout == Layout::Block)
        out.EndLine();
    else if (layout == Layout::Cell)
        out.Space();
    else if (layout == Layout::Pre) {
        out.EndLine();
        --preDepth;
    }
}
