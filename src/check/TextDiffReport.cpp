#include "check/TextDiffReport.h"

#include "check/ChangeRules.h"
#include "check/PageFiles.h"
#include "diff/WordDiff.h"
#include "model/UrlRecord.h"
#include "platform/FileUtil.h"

std::string TextDiffsPathAt(const std::string& fileBase)
{
    return fileBase.empty() ? fileBase : fileBase + "_textdiffs.html";
}

Status MakeTextDiffReportAt(const std::string& fileBase, const CurlSettings& settings)
{
    if (fileBase.empty())
        return MakeError(ErrorKind::NotFound, "The page has no saved copy yet.");
    std::string texts[2];
    const std::string paths[2] = {fileBase + "_previous.html", fileBase + ".html"};
    for (int i = 0; i < 2; ++i) {
        // A missing copy is a version without text; so is one whose selection matched nothing.
        Result<std::string> text = PageComparedText(settings, ReadPageCopy(paths[i]).value_or(std::string()));
        if (!text && text.error().kind != ErrorKind::NotFound)
            return text.error();
        if (text)
            texts[i] = std::move(*text);
    }
    const std::string html = WordDiffHtml(texts[0], texts[1], "Text changes of " + settings.m_strName);
    return WriteFileAtomically(TextDiffsPathAt(fileBase), html);
}
