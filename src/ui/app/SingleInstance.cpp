#include "ui/app/SingleInstance.h"

#include "run/ControlChannel.h"

namespace SingleInstance {

Status AskToShow(const std::string& storageFolder)
{
    ControlRequest request;
    request.verb = ControlVerb::ShowWindow;
    const std::optional<ControlAnswer> answer = SendControlRequest(storageFolder, request);
    if (!answer)
        return MakeError(ErrorKind::NotFound, "no program serves the storage folder " + storageFolder);
    if (answer->outcome == ControlOutcome::Done)
        return {};
    return MakeError(ErrorKind::Busy, answer->error);
}

} // namespace SingleInstance
