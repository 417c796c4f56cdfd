#include "model/PageSchedule.h"

#include "model/CheckInterval.h"
#include "model/PrefKeys.h"
#include "model/UrlRecord.h"
#include "model/VigilPrefs.h"
#include "platform/Clock.h"

#include <algorithm>

std::string EveryText(const Curl& page)
{
    return page.m_every.IsGlobal() ? "global" : FormatCheckInterval(page.m_every);
}

int64_t NextCheckOf(const Curl& page)
{
    if (page.m_every.IsGlobal())
        return 0;
    const int jitter = CVigilPrefs::GetInstance().ReadInt(Pref::checkJitter);
    return std::max(NextCheckTime(page, page.m_every, jitter), Clock::Now());
}
