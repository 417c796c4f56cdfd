#pragma once

#include <cstdint>
#include <functional>

// The program's one source of wall-clock time, in seconds since 1970 (UTC). The page check, the update
// log, the e-mail and the scheduler read it here, so tests can set the time instead of waiting for it.
namespace Clock {

int64_t Now();

// Replaces the clock for the whole process; an empty function restores the system clock. Tests only.
void SetForTesting(std::function<int64_t()> now);

} // namespace Clock
