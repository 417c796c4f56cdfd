#include "ui/app/SingleInstance.h"

#include "run/ControlChannel.h"

namespace SingleInstance {

HandOver AskToShow(const std::string& storageFolder, std::string& why)
{
    ControlRequest request;
    request.verb = ControlVerb::ShowWindow;
    const std::optional<ControlAnswer> answer = SendControlRequest(storageFolder, request);
    if (!answer)
        return HandOver::NobodyListens;
    if (answer->outcome == ControlOutcome::Done)
        return HandOver::Shown;
    why = answer->error;
    return HandOver::Refused;
}

} // namespace SingleInstance
