#include "notify/AtomFeed.h"

#include "notify/Notice.h"
#include "platform/AtomicFile.h"
#include "platform/HtmlEscape.h"

namespace {

// Escaped for both text and attribute values; the texts were made valid UTF-8 without control
// characters before, so the document stays well-formed whatever a page held.
std::string Xml(const std::string& text)
{
    std::string out;
    AppendHtmlEscaped(out, CleanText(text, 8192), true);
    return out;
}

} // namespace

std::string FeedEntryId(const std::string& pageKey, int64_t checkTime, int checkNumber)
{
    return "urn:x-sitevigil:change:" + pageKey + ":" + std::to_string(checkTime) + "-" + std::to_string(checkNumber);
}

std::string RenderAtomFeed(const std::vector<FeedEntry>& entries, int64_t updated)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                      "<feed xmlns=\"http://www.w3.org/2005/Atom\">\n"
                      "  <id>urn:x-sitevigil:changes</id>\n"
                      "  <title>Site Vigil changes</title>\n"
                      "  <author><name>Site Vigil</name></author>\n"
                      "  <generator>Site Vigil</generator>\n"
                      "  <updated>"
        + IsoUtcTime(updated) + "</updated>\n";
    for (const FeedEntry& entry : entries) {
        xml += "  <entry>\n"
               "    <id>"
            + Xml(entry.id) + "</id>\n    <title>" + Xml(entry.title) + "</title>\n    <link href=\"" + Xml(entry.link)
            + "\"/>\n    <updated>" + IsoUtcTime(entry.time) + "</updated>\n    <summary>" + Xml(entry.summary)
            + "</summary>\n  </entry>\n";
    }
    xml += "</feed>\n";
    return xml;
}

Status WriteAtomFeed(const std::string& path, const std::vector<FeedEntry>& entries, int64_t updated)
{
    CAtomicFile file;
    Status written = file.Open(path, 0644);
    if (written)
        written = file.Write(RenderAtomFeed(entries, updated));
    if (written)
        written = file.Commit();
    if (!written)
        return MakeError(ErrorKind::Io,
                         "The changes feed " + path + " could not be written: " + written.error().message);
    return {};
}
