#include "extract/VisibleText.h"

#include "extract/ElementLayout.h"
#include "extract/TextBuilder.h"

#include <libxml/tree.h>

#include <string_view>

namespace {

Layout LayoutOf(const xmlNode* node)
{
    Layout layout = LayoutOfElement(reinterpret_cast<const char*>(node->name));
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
        if (Showing())
            OpenLayout(layout, m_out, m_preDepth);
        return true;
    }

    void Leave(const xmlNode* node)
    {
        if (node->type == XML_ELEMENT_NODE && Showing()) {
            const Layout layout = LayoutOf(node);
            // A chosen hidden element showed its raw text as if it were Pre.
            CloseLayout(layout == Layout::Hidden && node == m_activeRoot ? Layout::Pre : layout, m_out, m_preDepth);
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
