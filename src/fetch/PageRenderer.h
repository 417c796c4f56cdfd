#pragma once

#include "fetch/FetchOutcome.h"
#include "fetch/RenderProtocol.h"

#include <string>

struct CurlSettings;

// Checks a page through a browser engine: loads it, lets its scripts run, and returns the document as
// they left it, as a download's outcome. The desktop program renders in its own engine; the programs
// without Qt talk to the render helper. Called on worker threads; render blocks until the page ends.
class IPageRenderer
{
public:
    virtual ~IPageRenderer() = default;
    // A complete 200 outcome carrying the document's HTML, or a named failure; never a success
    // without a document.
    virtual FetchOutcome render(const RenderRequest& request) = 0;
    // Ends every render in progress at once (as "Cancelled"); later renders run normally.
    virtual void cancel() = 0;
    // The run is over: what was started for it (a helper program) may go.
    virtual void endRun() { }
    // How many pages may render at the same time.
    virtual int parallel() const = 0;
};

// The request for a page: its address and credentials, the settling time in seconds, and the time
// limit and proxy credentials of the settings (read now, so saved preferences apply to the next page).
RenderRequest MakeRenderRequest(const CurlSettings& page, int waitSeconds);
// renderParallel as the settings hold it, within its allowed range.
int RenderParallelSetting();
