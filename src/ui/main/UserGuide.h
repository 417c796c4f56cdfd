#pragma once

#include <QUrl>

// The user's guide we ship: the installed copy beside the program (share/site-vigil/guide/), or else
// the copy compiled into the program, written into the storage folder's "guide/" when first needed.
QUrl UserGuideUrl();
