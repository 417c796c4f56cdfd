#include "diff/ReportFile.h"

#include "platform/DebugLog.h"

namespace {

// The report is no secret: readable by others, as a plain create would usually leave it.
constexpr mode_t kReportMode = 0644;

} // namespace

void CReportFile::ReportFailure(CAtomicFile::Step step) const
{
    // A folder that is missing or a folder standing in the report's place means the report cannot be
    // made there at all; anything after that is a failure to write it.
    const bool create = step == CAtomicFile::Step::Create || step == CAtomicFile::Step::Replace;
    DiagnosticOutput((create ? "error : cannot create " : "error : cannot write ") + m_path + "\r\n");
}

bool CReportFile::Open(const std::string& path)
{
    m_path = path;
    m_writeFailed = false;
    m_open = m_file.Open(path, kReportMode).ok();
    if (!m_open)
        ReportFailure(CAtomicFile::Step::Create);
    return m_open;
}

void CReportFile::Write(std::string_view bytes)
{
    if (!m_open || m_writeFailed)
        return;
    if (!m_file.Write(bytes.data(), bytes.size())) {
        m_writeFailed = true;
        return;
    }
    // Start putting this part on disk now, so that the flush at the end has less left to wait for.
    m_file.StartWriteBack();
}

bool CReportFile::Commit()
{
    if (!m_open)
        return false;
    m_open = false;
    if (m_writeFailed) {
        ReportFailure(CAtomicFile::Step::Write);
        return false;
    }
    if (!m_file.Commit()) {
        ReportFailure(m_file.FailedStep());
        return false;
    }
    return true;
}
