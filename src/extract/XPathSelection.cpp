#include "extract/XPathSelection.h"

#include "extract/ExtractLimits.h"
#include "extract/VisibleText.h"

#include <libxml/HTMLparser.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <memory>

namespace {

// The engine's last complaint about the expression, kept by the context's error callback.
struct ErrorSink
{
    std::string message;
    int position = -1;
};

void KeepError(void* data, xmlErrorPtr error)
{
    auto* sink = static_cast<ErrorSink*>(data);
    if (!sink->message.empty() || !error || !error->message)
        return;
    sink->message = error->message;
    while (!sink->message.empty() && (sink->message.back() == '\n' || sink->message.back() == ' '))
        sink->message.pop_back();
    sink->position = error->int1;
}

struct ContextFree
{
    void operator()(xmlXPathContext* ctx) const { xmlXPathFreeContext(ctx); }
};
struct ObjectFree
{
    void operator()(xmlXPathObject* object) const { xmlXPathFreeObject(object); }
};
struct CompFree
{
    void operator()(xmlXPathCompExpr* comp) const { xmlXPathFreeCompExpr(comp); }
};

Error Refusal(const ErrorSink& sink, std::string_view expression, const xmlXPathContext* ctx)
{
    if (ctx && ctx->opCount > ExtractLimits::kMaxXPathSteps)
        return MakeError(ErrorKind::TimedOut,
                         "Selection too costly: stopped after " + std::to_string(ExtractLimits::kMaxXPathSteps)
                             + " steps");
    std::string message = sink.message.empty() ? "Invalid XPath expression" : sink.message;
    if (message.find("limit exceeded") != std::string::npos)
        return MakeError(ErrorKind::TimedOut, "Selection too costly: " + message);
    if (sink.position >= 0 && static_cast<std::size_t>(sink.position) <= expression.size())
        message += " at character " + std::to_string(sink.position + 1);
    return MakeError(ErrorKind::BadInput, message + " of the XPath expression \"" + std::string(expression) + "\"");
}

std::unique_ptr<xmlXPathContext, ContextFree> NewContext(xmlDocPtr doc, ErrorSink& sink)
{
    std::unique_ptr<xmlXPathContext, ContextFree> ctx(xmlXPathNewContext(doc));
    if (ctx) {
        ctx->error = KeepError;
        ctx->userData = &sink;
        ctx->opLimit = ExtractLimits::kMaxXPathSteps;
    }
    return ctx;
}

Result<std::string> Evaluate(xmlDocPtr doc, std::string_view expression, bool textWanted, const CHtmlDocument* page)
{
    if (expression.size() > ExtractLimits::kMaxSelectorLength)
        return MakeError(ErrorKind::BadInput,
                         "The XPath expression is longer than " + std::to_string(ExtractLimits::kMaxSelectorLength)
                             + " characters");
    if (expression.find('\0') != std::string_view::npos)
        return MakeError(ErrorKind::BadInput, "The XPath expression holds a zero byte");
    InitHtmlLibrary();
    ErrorSink sink;
    auto ctx = NewContext(doc, sink);
    if (!ctx)
        return MakeError(ErrorKind::Internal, "The XPath engine could not start.");
    const std::string text(expression);
    std::unique_ptr<xmlXPathCompExpr, CompFree> comp(xmlXPathCtxtCompile(ctx.get(), BAD_CAST text.c_str()));
    if (!comp)
        return Refusal(sink, expression, ctx.get());
    std::unique_ptr<xmlXPathObject, ObjectFree> result(xmlXPathCompiledEval(comp.get(), ctx.get()));
    if (!result || !sink.message.empty())
        return Refusal(sink, expression, ctx.get());
    if (!textWanted)
        return std::string();
    if (result->type == XPATH_NODESET) {
        const xmlNodeSet* nodes = result->nodesetval;
        if (!nodes || nodes->nodeNr == 0)
            return MakeError(ErrorKind::NotFound, kSelectionNotFound);
        std::unordered_set<const xmlNode*> chosen;
        chosen.reserve(nodes->nodeNr);
        for (int i = 0; i < nodes->nodeNr; ++i)
            chosen.insert(nodes->nodeTab[i]);
        return VisibleTextOf(*page, chosen);
    }
    xmlChar* value = xmlXPathCastToString(result.get());
    std::string line = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    if (line.empty())
        return MakeError(ErrorKind::NotFound, kSelectionNotFound);
    for (char& c : line)
        if (c == '\n' || c == '\r')
            c = ' ';
    return line + "\n";
}

} // namespace

Result<std::string> SelectXPathText(const CHtmlDocument& doc, std::string_view expression)
{
    return Evaluate(doc.Get(), expression, true, &doc);
}

Status ValidateXPath(std::string_view expression)
{
    if (expression.empty())
        return MakeError(ErrorKind::BadInput, "The XPath expression is empty");
    // Evaluated once on an empty page, so that an unknown function or a wrong argument is found now
    // rather than at the first check.
    auto empty = CHtmlDocument::Parse("<html><body></body></html>");
    if (!empty)
        return empty.error();
    auto outcome = Evaluate(empty->Get(), expression, false, nullptr);
    if (!outcome)
        return outcome.error();
    return {};
}
