#include "extract/VisibleTextStream.h"

#include "extract/ElementLayout.h"
#include "extract/HtmlDocument.h"
#include "extract/TextBuilder.h"

#include <libxml/HTMLparser.h>
#include <libxml/parserInternals.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

// The tree libxml2 builds holds at most this many elements open at once: its parse ends at the
// next one (the parser's default depth limit), so the text of the tree ends there too.
constexpr std::size_t kMaxOpenElements = 257;

std::string_view Chars(const xmlChar* text, int length)
{
    return {reinterpret_cast<const char*>(text), static_cast<std::size_t>(length)};
}

// Follows the parser's events as the tree walk of VisibleText follows the nodes of the tree the same
// events would build: an element starts where the walk enters it and ends where the walk leaves it.
// Where the tree builder would place a node elsewhere than the events suggest, this class does the
// same, so that both give the same text.
class CTextStream
{
public:
    Result<std::string> Run(std::string_view utf8)
    {
        std::unique_ptr<xmlParserCtxt, ParserFree> parser(
            xmlCreateMemoryParserCtxt(utf8.data(), static_cast<int>(utf8.size())));
        if (!parser)
            return MakeError(ErrorKind::Internal, "The HTML parser could not start.");
        // The steps htmlReadMemory takes, with handlers of our own instead of the tree builder's.
        xmlSAXHandler handler;
        std::memset(&handler, 0, sizeof handler);
        handler.startElement = &CTextStream::OnStart;
        handler.endElement = &CTextStream::OnEnd;
        handler.characters = &CTextStream::OnText;
        handler.cdataBlock = &CTextStream::OnText;
        handler.comment = &CTextStream::OnComment;
        handler.processingInstruction = &CTextStream::OnInstruction;
        handler.internalSubset = &CTextStream::OnDoctype;
        std::memcpy(parser->sax, &handler, sizeof(xmlSAXHandlerV1));
        parser->_private = this;
        m_parser = parser.get();
        htmlCtxtUseOptions(m_parser, HtmlParseOptions());
        m_parser->html = 1;
        if (xmlCharEncodingHandlerPtr utf8Handler = xmlFindCharEncodingHandler("UTF-8")) {
            xmlSwitchToEncoding(m_parser, utf8Handler);
            if (m_parser->input->encoding)
                xmlFree(const_cast<xmlChar*>(m_parser->input->encoding));
            m_parser->input->encoding = xmlStrdup(BAD_CAST "UTF-8");
        }
        htmlParseDocument(m_parser);
        m_stopped = true;
        if (m_outOfMemory)
            return MakeError(ErrorKind::Internal, "Out of memory while making the text of the page");
        while (!m_open.empty())
            Close();
        return m_out.Take();
    }

private:
    struct ParserFree
    {
        void operator()(xmlParserCtxtPtr parser) const { htmlFreeParserCtxt(parser); }
    };

    static CTextStream& Of(void* context)
    {
        return *static_cast<CTextStream*>(static_cast<xmlParserCtxtPtr>(context)->_private);
    }

    // No exception may unwind through the parser's frames: a failed allocation ends the parse instead.
    template <class Step> static void Guarded(void* context, Step step)
    {
        CTextStream& stream = Of(context);
        try {
            step(stream);
        } catch (const std::bad_alloc&) {
            stream.m_outOfMemory = stream.m_stopped = true;
            xmlStopParser(stream.m_parser);
        }
    }

    static void OnStart(void* context, const xmlChar* name, const xmlChar** attributes)
    {
        Guarded(context, [&](CTextStream& stream) { stream.Start(reinterpret_cast<const char*>(name), attributes); });
    }
    static void OnEnd(void* context, const xmlChar*)
    {
        Guarded(context, [](CTextStream& stream) { stream.End(); });
    }
    static void OnText(void* context, const xmlChar* text, int length)
    {
        Guarded(context, [&](CTextStream& stream) { stream.Text(Chars(text, length)); });
    }
    static void OnComment(void* context, const xmlChar*) { Of(context).Other(); }
    static void OnInstruction(void* context, const xmlChar*, const xmlChar*) { Of(context).Other(); }
    static void OnDoctype(void* context, const xmlChar*, const xmlChar*, const xmlChar*)
    {
        CTextStream& stream = Of(context);
        stream.Other();
        stream.m_doctype = true;
    }

    bool Hidden() const { return m_hiddenFrom < m_open.size(); }

    void Start(std::string_view name, const xmlChar** attributes)
    {
        // The parser has the new element on its stack already.
        if (!Sync(1))
            return;
        if (m_open.size() >= kMaxOpenElements) {
            xmlStopParser(m_parser);
            m_stopped = true;
            return;
        }
        Layout layout = LayoutOfElement(name);
        if (layout != Layout::Hidden && attributes)
            for (const xmlChar** attribute = attributes; *attribute; attribute += 2)
                if (std::strcmp(reinterpret_cast<const char*>(*attribute), "hidden") == 0)
                    layout = Layout::Hidden;
        if (m_open.empty()) {
            if (!m_rootSeen) {
                m_rootSeen = true;
                m_rootFirst = !m_doctype && !m_nodeBeforeRoot;
                m_rootHidden = layout == Layout::Hidden;
            } else if (m_rootHidden && m_rootFirst && !m_doctype) {
                // An element that starts once the first one has ended: the tree builder makes it the
                // last child of that first element (unless a doctype, comment or instruction is the
                // document's first node), so it is hidden with it.
                layout = Layout::Hidden;
            }
        }
        if (!Hidden())
            Enter(layout);
        m_open.push_back(layout);
    }

    void End()
    {
        if (Sync() && !m_open.empty())
            Close();
    }

    void Text(std::string_view text)
    {
        // Text outside every element has no node to go to in the tree.
        if (Sync() && !m_open.empty() && !Hidden())
            m_out.Append(text, m_preDepth > 0);
    }

    // A comment, an instruction or a doctype: nothing to show.
    void Other()
    {
        if (Sync() && m_open.empty() && !m_rootSeen)
            m_nodeBeforeRoot = true;
    }

    void Enter(Layout layout)
    {
        if (layout == Layout::Hidden)
            m_hiddenFrom = m_open.size();
        else
            OpenLayout(layout, m_out, m_preDepth);
    }

    void Close()
    {
        const Layout layout = m_open.back();
        m_open.pop_back();
        if (m_hiddenFrom == m_open.size())
            m_hiddenFrom = kShown;
        else if (Hidden())
            return;
        CloseLayout(layout, m_out, m_preDepth);
    }

    // The parser drops an element whose start tag never ends without telling its end; the tree
    // builder leaves it empty. False once the parse is over.
    bool Sync(int started = 0)
    {
        if (m_stopped)
            return false;
        while (m_open.size() > static_cast<std::size_t>(std::max(m_parser->nameNr - started, 0)))
            Close();
        return true;
    }

    static constexpr std::size_t kShown = static_cast<std::size_t>(-1);

    xmlParserCtxtPtr m_parser = nullptr;
    std::vector<Layout> m_open; // the elements open, outermost first
    std::size_t m_hiddenFrom = kShown; // where in m_open the outermost hidden element is
    int m_preDepth = 0;
    bool m_stopped = false;
    bool m_outOfMemory = false;
    bool m_doctype = false;
    bool m_nodeBeforeRoot = false;
    bool m_rootSeen = false;
    bool m_rootFirst = false;
    bool m_rootHidden = false;
    CTextBuilder m_out;
};

} // namespace

Result<std::string> StreamVisibleText(std::string_view utf8)
{
    if (Status bounded = CheckHtmlBounds(utf8); !bounded)
        return bounded.error();
    if (utf8.empty())
        return std::string();
    InitHtmlLibrary();
    return CTextStream().Run(utf8);
}
