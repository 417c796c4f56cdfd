#include "notify/UpdateLog.h"
#include "check/PageTexts.h"

#include "model/Archive.h"
#include "platform/Clock.h"
#include "platform/EnglishTime.h"
#include "platform/FileUtil.h"
#include "platform/HtmlEscape.h"
#include "platform/UrlCracker.h"

#include <cstdint>
#include <cstdio>
#include <ctime>

namespace {

constexpr const char* kRecordFileName = "siteVigilUpdateLog.dat";
constexpr const char* kPageFileName = "siteVigilUpdateLog.htm";
// The log has no size limit; this only keeps a wild file from exhausting memory.
constexpr size_t kMaxRecordFileBytes = size_t{1} << 32;

void AddLine(std::string& message, const std::string& line)
{
    if (!message.empty())
        message += '\n';
    message += line;
}

} // namespace

CUpdateLog::CUpdateLog(std::string storageFolder)
    : m_strStorageFolder(std::move(storageFolder))
{ }

CUpdateLog::~CUpdateLog() = default;

std::string CUpdateLog::GetRecordFilePath() const
{
    return m_strStorageFolder + kRecordFileName;
}

std::string CUpdateLog::GetPagePath() const
{
    return m_strStorageFolder + kPageFileName;
}

std::string CUpdateLog::GetPageUrl() const
{
    // The storage folder is an absolute path, so this gives "file:///...".
    return "file://" + GetPagePath();
}

UpdateLogResult CUpdateLog::AppendChanges(const std::vector<std::unique_ptr<Curl>>& records)
{
    std::vector<const Curl*> pointers;
    pointers.reserve(records.size());
    for (const auto& record : records)
        pointers.push_back(record.get());
    return AppendChanges(pointers);
}

UpdateLogResult CUpdateLog::AppendChanges(const std::vector<const Curl*>& records)
{
    std::string notice;
    if (const Status loaded = LoadLog(); !loaded) {
        // Saving over a file we could not read would lose its history; keep it under another name.
        m_entries.clear();
        const Result<std::string> aside = SetAsideDamagedFile();
        if (!aside)
            return MakeError(ErrorKind::Io,
                             "The update log " + GetRecordFilePath()
                                 + " could not be read to its end and could not be moved aside ("
                                 + aside.error().message + "). The changes of this check were not added to the log.");
        notice = "The update log could not be read to its end (" + loaded.error().message + "). It was kept as "
            + *aside + " and a new log was started.";
    }

    // Walking in list order and inserting at the front leaves the last changed record first.
    for (const Curl* record : records) {
        if (record && record->m_bNewChange)
            m_entries.push_front(std::make_unique<Curl>(*record));
    }
    return SaveAndRender(std::move(notice));
}

UpdateLogResult CUpdateLog::ClearLog()
{
    m_entries.clear();
    return SaveAndRender({});
}

UpdateLogResult CUpdateLog::SaveAndRender(std::string notice)
{
    bool failed = false;
    if (const Status saved = SaveLog(); !saved) {
        failed = true;
        AddLine(notice, "The update log could not be saved: " + saved.error().message);
    }
    if (const Status rendered = RenderLog(); !rendered) {
        failed = true;
        AddLine(notice, "The update log page could not be saved: " + rendered.error().message);
    }
    if (failed)
        return MakeError(ErrorKind::Io, std::move(notice));
    return notice;
}

Status CUpdateLog::LoadLog()
{
    m_entries.clear();

    const Result<std::string> bytes = ReadWholeFile(GetRecordFilePath(), kMaxRecordFileBytes);
    if (!bytes) {
        // No file yet is an empty log; a file that is there but cannot be read is not.
        if (bytes.error().kind == ErrorKind::NotFound)
            return {};
        return MakeError(ErrorKind::Io, bytes.error().message);
    }
    return ReadEntries(*bytes);
}

Status CUpdateLog::ReadEntries(std::string_view bytes)
{
    m_entries.clear();
    CArchiveReader archive(bytes);
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t build = 0;
    int32_t count = 0;
    if (!archive.ReadUInt32(major) || !archive.ReadUInt32(minor) || !archive.ReadUInt32(build)
        || !archive.ReadInt32(count) || count < 0)
        return MakeError(ErrorKind::BadInput, "the file header is damaged");
    for (int32_t i = 0; i < count; ++i) {
        auto entry = std::make_unique<Curl>();
        const bool read = entry->ReadFromArchive(archive, static_cast<int>(major), static_cast<int>(minor),
                                                 static_cast<int>(build));
        if (!read)
            return MakeError(ErrorKind::BadInput,
                             "entry " + std::to_string(i + 1) + " of " + std::to_string(count) + " is damaged");
        m_entries.push_back(std::move(entry));
    }
    return {};
}

Status CUpdateLog::SaveLog()
{
    CArchiveWriter archive;
    archive.WriteUInt32(SITEVIGIL_VERSION_MAJOR);
    archive.WriteUInt32(SITEVIGIL_VERSION_MINOR);
    archive.WriteUInt32(SITEVIGIL_VERSION_BUILD);
    archive.WriteInt32(static_cast<int32_t>(m_entries.size()));
    for (const auto& entry : m_entries) {
        // The count is already written; a missing record would shift every later one.
        if (!entry->Serialize(archive))
            return MakeError(ErrorKind::Internal, "an entry for " + entry->m_strURL + " could not be encoded");
    }
    return WriteFileAtomically(GetRecordFilePath(), archive.Data());
}

Status CUpdateLog::RenderLog()
{
    return WriteFileAtomically(GetPagePath(), BuildPage(Clock::Now()));
}

std::string CUpdateLog::BuildPage(int64_t now) const
{
    std::string page;
    page.reserve(1024 + m_entries.size() * 256);
    page += "<html><head><title>Site Vigil Update Log</title>\n"
            "<style type=\"text/css\">\n"
            "BODY{font-family:Arial}\n"
            ".header{font-size:10pt;text-align:center;color:#000000;text-decoration:none;font-weight:bold}\n"
            ".tableHeader{font-size:10pt;text-align:center;color:#000000;text-decoration:none;font-weight:bold;"
            "bgcolor:\"#EEEEEE\"}\n"
            ".line1{background-color:#bbcef3}\n"
            ".line2{background-color:white}\n"
            "TABLE{border:solid #0a4c68;border-width:2 0 2 0;font-size:10pt}\n"
            "TD{border:0 solid #EEEEEE;border-top-width:1}\n"
            "</style></head><body>\n"
            "<p class=\"header\"> Site Vigil Update Log</p>\n"
            "<center><table width=\"90%\">\n"
            "<tr bgcolor=\"#EEEEEE\">\n"
            "<td class=\"tableHeader\">Web Page</td>\n"
            "<td class=\"tableHeader\">Change</td>\n"
            "<td class=\"tableHeader\">Date/Time</td>\n"
            "</tr>\n";
    size_t position = 0;
    for (const auto& entry : m_entries) {
        // The newest entry sits on a white row.
        page += position % 2 == 0 ? "<tr class=\"line2\">\n" : "<tr class=\"line1\">\n";
        // Names, addresses and reasons come from imported bookmark files and from pages, and the page
        // is shown in a browser, so none of them may bring its own markup. Only a web address becomes
        // a link: any other (javascript:, data:) would run in the page, so it is shown as text.
        if (HasWebScheme(entry->m_strURL)) {
            page += "<td><a href=\"\n";
            AppendHtmlEscaped(page, entry->m_strURL, true);
            page += "\">";
            AppendHtmlEscaped(page, entry->m_strName, true);
            page += "</a><br>\n</td>\n<td>\n";
        } else {
            page += "<td>";
            AppendHtmlEscaped(page, entry->m_strName, true);
            page += " (";
            AppendHtmlEscaped(page, entry->m_strURL, true);
            page += ")<br>\n</td>\n<td>\n";
        }
        AppendHtmlEscaped(page, ChangeText(*entry), true);
        page += "</td>\n<td>\n";
        AppendHtmlEscaped(page, LastCheckedText(*entry), true);
        page += "</td></tr>\n";
        ++position;
    }
    page += "</table>\n"
            "<br><small><small>\n"
            "Generated by <a href=\"";
    page += kProductSite;
    page += "\">Site Vigil</a> ";
    page += FormatFooterDate(now);
    page += "\n<br>\n"
            "</small></small>\n"
            "</center>\n"
            "</body></html>\n";
    return page;
}

std::string CUpdateLog::FormatFooterDate(int64_t seconds)
{
    return FormatEnglishLocalTime(seconds, "%a %b %d %H:%M:%S %Y");
}

Result<std::string> CUpdateLog::SetAsideDamagedFile()
{
    return MoveAside(GetRecordFilePath(), m_strStorageFolder + "siteVigilUpdateLog.damaged", ".dat");
}
