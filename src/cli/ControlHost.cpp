#include "cli/ControlHost.h"

#include "cli/CliApp.h"
#include "cli/CliArgs.h"
#include "cli/CliContext.h"
#include "cli/CliTable.h"
#include "cli/RunResults.h"
#include "run/CheckRun.h"
#include "run/CheckRunFrontEnd.h"

#include <sstream>

CControlHost::CControlHost(CListSession& session, CCheckRun& run, ICheckRunFrontEnd& frontEnd, std::string hostName)
    : m_session(session)
    , m_run(run)
    , m_frontEnd(frontEnd)
    , m_hostName(std::move(hostName))
    , m_server(m_dispatcher, [this](const std::vector<std::string>& request, CControlServer::Answer answer) {
        Handle(request, answer);
    })
{ }

bool CControlHost::Start(const std::string& storageFolder, std::string& error)
{
    return m_server.Start(storageFolder, error);
}

void CControlHost::Handle(const std::vector<std::string>& request, const CControlServer::Answer& answer)
{
    if (request.size() >= 2 && request[1] == "check") {
        StartCheck(request, answer);
        return;
    }
    const bool changes = request.size() >= 2 && request[1] != "list" && request[1] != "show";
    if (changes && m_aboutToChange)
        m_aboutToChange();
    std::ostringstream out, err;
    const int status = RunHandedOver(request, out, err, m_session);
    if (changes && m_changed)
        m_changed();
    if (changes)
        m_frontEnd.SetStatusText("Handed over by sitevigil-cli: " + request[1]
                                 + (status == kExitOk ? "" : " (refused, exit status " + std::to_string(status) + ")"));
    answer({status, out.str(), err.str()});
}

void CControlHost::StartCheck(const std::vector<std::string>& request, const CControlServer::Answer& answer)
{
    std::ostringstream out, err;
    CliContext ctx("check", std::vector<std::string>(request.begin() + 2, request.end()), out, err,
                   RequestToTerminal(request));
    ctx.Host(m_session);
    CCliArgs parsed;
    std::string error;
    std::vector<Curl*> pages;
    int status = kExitOk;
    if (!parsed.Parse(ctx.args, {{"diff", false}}, error)) {
        status = ctx.Usage(error);
    } else {
        status = ctx.FindPagesOrAll(parsed.Positional(), pages);
    }
    if (status == kExitOk && pages.empty())
        out << "No pages to check.\n";
    else if (status == kExitOk && !m_run.CheckPages(pages))
        status = ctx.Fail("the check could not start");
    if (status != kExitOk || pages.empty()) {
        answer({status, out.str(), err.str()});
        return;
    }
    m_frontEnd.SetStatusText("Handed over by sitevigil-cli: check of " + Counted(pages.size(), "page"));
    m_pending.push_back({answer, parsed.Has("diff"), RequestToTerminal(request)});
}

void CControlHost::OnRunEnd()
{
    for (const PendingCheck& pending : m_pending) {
        std::ostringstream out, err;
        CliContext ctx("check", {}, out, err, pending.toTerminal);
        ctx.Host(m_session);
        out << "Checked " << Counted(m_run.RunPages().size(), "page") << " in the running " << m_hostName << ".\n";
        const int status = ReportRun(ctx, m_run, pending.withDiffs);
        pending.answer({status, out.str(), err.str()});
    }
    m_pending.clear();
}
