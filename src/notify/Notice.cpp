#include "notify/Notice.h"

#include "platform/Utf8.h"

#include <nlohmann/json.hpp>

#include <ctime>

namespace {

constexpr size_t kMaxNameBytes = 512;
constexpr size_t kMaxAddressBytes = 2048;
constexpr size_t kMaxReasonBytes = 512;
constexpr size_t kMaxDiffBytes = 4096;

std::string Plural(size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

} // namespace

std::string CleanText(const std::string& text, size_t maxBytes)
{
    std::string out;
    for (size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        const size_t length = DecodeUtf8(text, i, cp);
        if (length == 0) {
            cp = 0xFFFD;
            i += 1;
        } else {
            i += length;
        }
        if ((cp < 0x20 && cp != '\n' && cp != '\t') || cp == 0x7F || (cp >= 0x80 && cp < 0xA0))
            continue;
        std::string encoded;
        AppendUtf8(encoded, cp);
        if (out.size() + encoded.size() > maxBytes)
            break;
        out += encoded;
    }
    return out;
}

std::string IsoUtcTime(int64_t seconds)
{
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm parts{};
    gmtime_r(&t, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

std::string NoticeToJson(const Notice& notice)
{
    nlohmann::json pages = nlohmann::json::array();
    for (const NoticePage& page : notice.pages) {
        pages.push_back({{"name", CleanText(page.name, kMaxNameBytes)},
                         {"address", CleanText(page.address, kMaxAddressBytes)},
                         {"id", CleanText(page.id, 16)},
                         {"reason", CleanText(page.reason, kMaxReasonBytes)},
                         {"time", IsoUtcTime(page.time)},
                         {"timestamp", page.time},
                         {"diff", CleanText(page.diff, kMaxDiffBytes)}});
    }
    const nlohmann::json doc = {
        {"event", notice.event}, {"time", IsoUtcTime(notice.runTime)}, {"timestamp", notice.runTime}, {"pages", pages}};
    return doc.dump();
}

Result<Notice> NoticeFromJson(const std::string& text)
{
    const nlohmann::json doc = nlohmann::json::parse(text, nullptr, false);
    if (!doc.is_object() || !doc.contains("pages") || !doc["pages"].is_array())
        return MakeError(ErrorKind::BadInput, "the notification in the outbox is damaged");
    Notice notice;
    notice.event = doc.value("event", "");
    notice.runTime = doc.value("timestamp", int64_t{0});
    for (const nlohmann::json& item : doc["pages"]) {
        if (!item.is_object())
            continue;
        NoticePage page;
        page.name = item.value("name", "");
        page.address = item.value("address", "");
        page.id = item.value("id", "");
        page.reason = item.value("reason", "");
        page.time = item.value("timestamp", int64_t{0});
        page.diff = item.value("diff", "");
        notice.pages.push_back(std::move(page));
    }
    return notice;
}

std::string NoticeTitle(const Notice& notice)
{
    const size_t n = notice.pages.size();
    if (notice.event == kEventTest)
        return "Site Vigil: test message";
    if (notice.event == kEventFailures) {
        if (n == 1)
            return "Site Vigil: " + notice.pages.front().name
                + (notice.pages.front().reason == "Recovered" ? " works again" : " is failing");
        return "Site Vigil: " + Plural(n, "page", "pages") + " failing or recovered";
    }
    if (n == 1)
        return "Site Vigil: " + notice.pages.front().name + " changed";
    return "Site Vigil: " + Plural(n, "page", "pages") + " changed";
}

std::string NoticeText(const Notice& notice)
{
    if (notice.event == kEventTest)
        return "This is a test message from Site Vigil.";
    std::string text;
    for (const NoticePage& page : notice.pages) {
        if (!text.empty())
            text += "\n";
        text += page.name + "\n" + page.address + "\n" + page.reason + "\n";
        if (!page.diff.empty())
            text += page.diff + (page.diff.back() == '\n' ? "" : "\n");
    }
    return text;
}

std::string NoticePageNames(const Notice& notice)
{
    std::string names;
    for (const NoticePage& page : notice.pages)
        names += (names.empty() ? "" : ", ") + page.name;
    return names;
}
