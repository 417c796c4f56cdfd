#include "cli/ConsoleFrontEnd.h"

#include "model/UrlRecord.h"
#include "platform/TerminalText.h"
#include "platform/Utf8.h"

#include <ctime>
#include <ostream>

namespace {
// Cuts a UTF-8 text to at most maxBytes without splitting a character.
std::string CutText(const std::string& text, size_t maxBytes)
{
    return text.substr(0, Utf8CutLength(text, maxBytes));
}

std::string TimeStamp()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S ", &local);
    return text;
}
} // namespace

CConsoleFrontEnd::CConsoleFrontEnd(std::ostream& out, std::ostream& err, Options options)
    : m_out(out)
    , m_err(err)
    , m_options(options)
{ }

void CConsoleFrontEnd::SetRunSize(int pages)
{
    m_total = pages;
    m_done = 0;
    m_current.clear();
}

void CConsoleFrontEnd::SetStatusText(const std::string& text)
{
    if (m_options.logStatus)
        Log(m_out, text);
}

void CConsoleFrontEnd::ShowTimeLeft(const std::string& text)
{
    // The countdown changes every second; the log gets it once after start-up and after each run.
    if (m_options.logStatus && m_timeLeftPending)
        Log(m_out, text);
    m_timeLeftPending = false;
}

void CConsoleFrontEnd::SetRunButtons(bool running)
{
    if (running)
        return;
    ClearProgress();
    m_timeLeftPending = true;
}

void CConsoleFrontEnd::OnPageStarted(Curl& record)
{
    m_current = TerminalText(record.GetName().empty() ? record.GetURL() : record.GetName());
    DrawProgress();
}

void CConsoleFrontEnd::RefreshRow(Curl& record)
{
    (void)record;
    ++m_done;
    DrawProgress();
}

void CConsoleFrontEnd::ShowRowProgress(Curl& record, const std::string& text)
{
    (void)record;
    (void)text;
}

void CConsoleFrontEnd::ShowWarning(const std::string& text)
{
    Log(m_err, text);
}

void CConsoleFrontEnd::ShowError(const std::string& text)
{
    Log(m_err, text);
}

void CConsoleFrontEnd::ShowSummary(const std::string& text, bool boxWanted)
{
    (void)boxWanted;
    ClearProgress();
    m_out << TerminalText(text, true) << std::flush;
}

bool CConsoleFrontEnd::AskYesNo(const std::string& question)
{
    Log(m_out, question + " Yes");
    return true;
}

void CConsoleFrontEnd::ShowPopup(const std::string& text, int appearMs, int stayMs, int vanishMs)
{
    (void)text;
    (void)appearMs;
    (void)stayMs;
    (void)vanishMs;
}

void CConsoleFrontEnd::PlaySound(int preference, const std::string& fileName, std::function<void()> onEnded)
{
    (void)preference;
    (void)fileName;
    // No sound without a desktop: it has ended at once.
    onEnded();
}

void CConsoleFrontEnd::DrawProgress()
{
    if (!m_options.progressLine)
        return;
    std::string line = "[" + std::to_string(m_done) + "/" + std::to_string(m_total) + "] " + m_current;
    size_t width = m_options.columns > 1 ? static_cast<size_t>(m_options.columns - 1) : 79;
    m_err << '\r' << CutText(line, width) << "\x1b[K" << std::flush;
    m_progressShown = true;
}

void CConsoleFrontEnd::ClearProgress()
{
    if (!m_progressShown)
        return;
    m_err << "\r\x1b[K" << std::flush;
    m_progressShown = false;
}

void CConsoleFrontEnd::Log(std::ostream& stream, const std::string& text)
{
    bool redraw = m_progressShown;
    ClearProgress();
    std::string line = TerminalText(m_options.logStatus ? TimeStamp() + text : text, true);
    stream << line;
    if (line.empty() || line.back() != '\n')
        stream << '\n';
    stream << std::flush;
    if (redraw)
        DrawProgress();
}
