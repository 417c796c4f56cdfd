#include "platform/EnglishTime.h"

#include <ctime>

namespace {

const char* const kDayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};

void AppendTwoDigits(std::string& out, int value)
{
    out += static_cast<char>('0' + value / 10 % 10);
    out += static_cast<char>('0' + value % 10);
}

} // namespace

std::string FormatEnglishLocalTime(int64_t seconds, std::string_view format)
{
    const auto value = static_cast<time_t>(seconds);
    std::tm local{};
    if (!localtime_r(&value, &local) || local.tm_wday < 0 || local.tm_wday > 6 || local.tm_mon < 0 || local.tm_mon > 11)
        return {};

    std::string out;
    out.reserve(format.size() + 32);
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 == format.size()) {
            out += format[i];
            continue;
        }
        switch (format[++i]) {
        case 'a':
            out.append(kDayNames[local.tm_wday], 3);
            break;
        case 'A':
            out += kDayNames[local.tm_wday];
            break;
        case 'b':
            out.append(kMonthNames[local.tm_mon], 3);
            break;
        case 'B':
            out += kMonthNames[local.tm_mon];
            break;
        case 'd':
            AppendTwoDigits(out, local.tm_mday);
            break;
        case 'H':
            AppendTwoDigits(out, local.tm_hour);
            break;
        case 'M':
            AppendTwoDigits(out, local.tm_min);
            break;
        case 'S':
            AppendTwoDigits(out, local.tm_sec);
            break;
        case 'Y':
            out += std::to_string(static_cast<long long>(local.tm_year) + 1900);
            break;
        default:
            out += '%';
            if (format[i] != '%')
                out += format[i];
        }
    }
    return out;
}
