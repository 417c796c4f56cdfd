#include "check/VersionReport.h"

#include "check/PageHistory.h"
#include "diff/DiffReport.h"

Status MakeVersionsReportAt(const std::string& base, int from, int to)
{
    Result<std::string> oldPath = PageVersionFile(base, from, to);
    if (!oldPath)
        return oldPath.error();
    Result<std::string> newPath = PageVersionFile(base, to, from);
    if (!newPath)
        return newPath.error();
    const std::string report = base + "_diffs.html";
    if (!WriteDiffReport(oldPath.value(), newPath.value(), report))
        return MakeError(ErrorKind::Io, "cannot write the differences report " + report);
    return Status();
}
