#include "platform/DebugLog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

bool DebugEnabled()
{
    static const bool enabled = [] {
        const char* value = std::getenv("SITEVIGIL_DEBUG");
        return value && *value && std::strcmp(value, "0") != 0;
    }();
    return enabled;
}

void DebugReport(const std::string& message, const std::string& systemText)
{
    if (!DebugEnabled())
        return;
    std::string line = message;
    if (!systemText.empty())
        line += ": " + systemText;
    line += '\n';
    std::fputs(line.c_str(), stderr);
}

void DiagnosticOutput(const std::string& text)
{
    std::fputs(text.c_str(), stderr);
}
