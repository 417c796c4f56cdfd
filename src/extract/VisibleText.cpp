#include "extract/VisibleText.h"

#include "extract/TextBuilder.h"

#include <libxml/tree.h>

#include <algorithm>
#include <array>
#include <string_view>

namespace {

enum class Layout
{
    Inline,
    Block, // starts and ends a line
    Break, // <br>: ends the line
    Cell, // a table cell: set apart by a space
    Pre, // white space kept as line breaks
    Hidden, // never shown: its content is skipped
};

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

Layout LayoutOf(const xmlNode* node)
{
    const std::string_view name(reinterpret_cast<const char*>(node->name));
    const auto it = std::lower_bound(kLayouts.begin(), kLayouts.end(), name,
                                     [](const auto& entry, std::string_view key) { return entry.first < key; });
    Layout layout = it != kLayouts.end() && it->first == name ? it->second : Layout::Inline;
    if (layout != Layout::Hidden && node->properties && xmlHasProp(node, BAD_CAST "hidden"))
        layout = Layout::Hidden;
    return layout;
}

std::string_view TextOf(const xmlNode* node)
{
    return node->content ? std::string_view(reinterpret_cast<const char*>(node->content)) : std::string_view();
}

// One walk over the tree in document order. Without a chosen set every node is shown; with one, text
// is written only inside the outermost chosen nodes.
class CWalk
{
public:
    explicit CWalk(const std::unordered_set<const xmlNode*>* chosen)
        : m_chosen(chosen)
    { }

    std::string Run(const xmlNode* root)
    {
        const xmlNode* node = root;
        bool descend = Enter(node);
        for (;;) {
            if (descend && node->children) {
                node = node->children;
                descend = Enter(node);
                continue;
            }
            for (;;) {
                Leave(node);
                if (node == root)
                    return m_out.Take();
                if (node->next) {
                    node = node->next;
                    descend = Enter(node);
                    break;
                }
                node = node->parent;
            }
        }
    }

private:
    bool Showing() const { return !m_chosen || m_activeRoot; }

    bool IsChosen(const xmlNode* node) const { return m_chosen->count(node) != 0; }

    // Whether to walk into node's children.
    bool Enter(const xmlNode* node)
    {
        const bool startsSelection = m_chosen && !m_activeRoot && IsChosen(node);
        if (startsSelection) {
            m_activeRoot = node;
            m_out.EndLine();
        }
        switch (node->type) {
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
            if (Showing())
                m_out.Append(TextOf(node), m_preDepth > 0);
            return false;
        case XML_ELEMENT_NODE:
            break;
        case XML_DOCUMENT_NODE:
        case XML_HTML_DOCUMENT_NODE:
            return true;
        default:
            return false; // comments, processing instructions, a doctype
        }
        if (m_chosen && !m_activeRoot && m_chosen->size() && node->properties)
            ShowChosenAttributes(node);
        const Layout layout = LayoutOf(node);
        if (layout == Layout::Hidden) {
            // Skipped while shown; a selection may still pick something inside it, or the element itself.
            if (!Showing())
                return true;
            if (node != m_activeRoot)
                return false;
            ++m_preDepth; // the raw text of a chosen script or template, lines as they are
            return true;
        }
        if (!Showing())
            return true;
        switch (layout) {
        case Layout::Block:
            m_out.EndLine();
            break;
        case Layout::Break:
            m_out.EndLine();
            break;
        case Layout::Cell:
            m_out.Space();
            break;
        case Layout::Pre:
            m_out.EndLine();
            ++m_preDepth;
            break;
        default:
            break;
        }
        return true;
    }

    void Leave(const xmlNode* node)
    {
        if (node->type == XML_ELEMENT_NODE && Showing()) {
            const Layout layout = LayoutOf(node);
            if (layout == Layout::Block)
                m_out.EndLine();
            else if (layout == Layout::Cell)
                m_out.Space();
            else if (layout == Layout::Pre || (layout == Layout::Hidden && node == m_activeRoot)) {
                m_out.EndLine();
                --m_preDepth;
            }
        }
        if (node == m_activeRoot) {
            m_out.EndLine();
            m_activeRoot = nullptr;
        }
    }

    void ShowChosenAttributes(const xmlNode* node)
    {
        for (const xmlAttr* attr = node->properties; attr; attr = attr->next) {
            if (!IsChosen(reinterpret_cast<const xmlNode*>(attr)))
                continue;
            m_out.EndLine();
            for (const xmlNode* value = attr->children; value; value = value->next)
                m_out.Append(TextOf(value));
            m_out.EndLine();
        }
    }

    const std::unordered_set<const xmlNode*>* m_chosen;
    const xmlNode* m_activeRoot = nullptr;
    int m_preDepth = 0;
    CTextBuilder m_out;
};

} // namespace

std::string VisibleText(const CHtmlDocument& doc)
{
    return CWalk(nullptr).Run(reinterpret_cast<const xmlNode*>(doc.Get()));
}

std::string VisibleTextOf(const CHtmlDocument& doc, const std::unordered_set<const _xmlNode*>& chosen)
{
    return CWalk(&chosen).Run(reinterpret_cast<const xmlNode*>(doc.Get()));
}
