#pragma once

#include <cstdlib>
#include <string>

// Readers that take page ids may write the id counter: give them settings of their own, never the
// user's.
inline void UseScratchSettings()
{
    static const bool done = [] {
        char folder[] = "/tmp/sitevigil-fuzz-XXXXXX";
        if (::mkdtemp(folder))
            ::setenv("SITEVIGIL_CONFIG_DIR", (std::string(folder) + "/").c_str(), 1);
        return true;
    }();
    (void)done;
}
