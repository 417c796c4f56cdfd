#pragma once

#include <cstddef>
#include <cstdint>

// Each fuzz target defines this; libFuzzer calls it, and so does the replay program for every
// saved input.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
