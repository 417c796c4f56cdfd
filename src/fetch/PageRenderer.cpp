#include "fetch/PageRenderer.h"

#include "model/PrefKeys.h"
#include "model/UrlRecord.h"
#include "model/VigilPrefs.h"

#include <algorithm>

RenderRequest MakeRenderRequest(const CurlSettings& page, int waitSeconds)
{
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    RenderRequest request;
    request.url = page.m_strURL;
    request.waitMs = static_cast<uint32_t>(std::clamp(waitSeconds, 0, 60)) * 1000u;
    request.limitMs = static_cast<uint32_t>(std::clamp(prefs.ReadInt(Pref::fetchTimeLimit), 1, 24 * 3600)) * 1000u;
    request.memoryLimitMB = static_cast<uint32_t>(std::max(prefs.ReadInt(Pref::renderMemoryMB), 0));
    request.user = page.m_strUserName;
    request.password = page.m_strPassword;
    request.proxyUser = prefs.ReadString(Pref::proxyUser);
    request.proxyPassword = prefs.ReadString(Pref::proxyPassword);
    return request;
}

int RenderParallelSetting()
{
    return CVigilPrefs::GetInstance().ReadInt(Pref::renderParallel);
}
