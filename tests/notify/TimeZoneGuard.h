#pragma once

#include <cstdlib>
#include <ctime>
#include <string>

// Sets the process's time zone for one test and puts the old one back.
class CTimeZoneGuard
{
public:
    explicit CTimeZoneGuard(const char* zone)
    {
        if (const char* old = std::getenv("TZ")) {
            m_hadZone = true;
            m_old = old;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~CTimeZoneGuard()
    {
        if (m_hadZone)
            setenv("TZ", m_old.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    CTimeZoneGuard(const CTimeZoneGuard&) = delete;
    CTimeZoneGuard& operator=(const CTimeZoneGuard&) = delete;

private:
    bool m_hadZone = false;
    std::string m_old;
};
