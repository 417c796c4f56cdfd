#pragma once

#include <QString>
#include <QStringList>

// Scripts the render runs in the pages it loads.
namespace PageScripts {

// Runs in the page's own world before its scripts: counts the page's fetch and XMLHttpRequest calls
// that have not been answered yet, so that the network counts as quiet only when none is in flight. A
// request that has waited longer than half a minute (long polling) no longer holds the page up.
QString CountRequestsInFlight();
// Evaluates to that count (0 when the counter is missing).
QString RequestsInFlight();

// Evaluates to true when each of the addresses the engine refused to load is one of the document's
// own resources (an image, a frame, a style sheet's url()), false when one of them is not, which means
// the page's scripts tried to go there or to read it.
QString AllAreResources(const QStringList& refusedUrls);

} // namespace PageScripts
