#include "platform/Error.h"

#include <cstring>

std::string SystemErrorText(int errnoValue)
{
    char buffer[256];
    // GNU strerror_r returns the text, which may or may not be in the buffer.
    const char* text = strerror_r(errnoValue, buffer, sizeof buffer);
    return text ? text : "Unknown error";
}
