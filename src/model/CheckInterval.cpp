#include "model/CheckInterval.h"

#include "model/UrlRecord.h"

#include <algorithm>
#include <charconv>

namespace {

struct Unit
{
    char letter;
    int64_t seconds;
};
constexpr Unit kUnits[] = {{'d', 86400}, {'h', 3600}, {'m', 60}};

// SplitMix64's finaliser: spreads close inputs (consecutive check times) over the whole range.
uint64_t Mix(uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// The same for a page in every process that reads the list: its id and address.
uint64_t SeedOf(const Curl& page)
{
    uint64_t hash = 0xCBF29CE484222325ull; // FNV-1a
    for (const std::string* text : {&page.m_strPageID, &page.m_strURL}) {
        for (const char c : *text)
            hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
        hash = (hash ^ 0xFF) * 0x100000001B3ull;
    }
    return hash;
}

} // namespace

Result<CheckInterval> ParseCheckInterval(std::string_view text)
{
    auto fail = [](std::string why) { return MakeError(ErrorKind::BadInput, std::move(why)); };
    if (text.empty() || text == "global")
        return CheckInterval{};
    const char letter = text.back();
    const Unit* unit
        = std::find_if(std::begin(kUnits), std::end(kUnits), [&](const Unit& u) { return u.letter == letter; });
    if (unit == std::end(kUnits) || text.size() < 2 || text.size() > 12)
        return fail("an interval is a whole number and m, h or d (15m, 6h, 2d), or global");
    int64_t count = 0;
    const char* end = text.data() + text.size() - 1;
    const auto [stop, error] = std::from_chars(text.data(), end, count);
    if (error != std::errc() || stop != end || count <= 0)
        return fail("an interval is a whole number and m, h or d (15m, 6h, 2d), or global");
    if (count > kMaxCheckInterval / unit->seconds)
        return fail("an interval is at most 366 days");
    const int64_t seconds = count * unit->seconds;
    if (seconds < kMinCheckInterval)
        return fail("an interval is at least 1 minute");
    return CheckInterval{seconds};
}

std::string FormatCheckInterval(CheckInterval interval)
{
    if (interval.IsGlobal())
        return {};
    for (const Unit& unit : kUnits) {
        if (interval.seconds % unit.seconds == 0)
            return std::to_string(interval.seconds / unit.seconds) + unit.letter;
    }
    // Not a whole number of minutes: only a hand-made file has that; shown in whole minutes.
    return std::to_string(std::max<int64_t>(1, interval.seconds / 60)) + "m";
}

std::string EncodeOptionValue(CheckInterval interval)
{
    return FormatCheckInterval(interval);
}

bool DecodeOptionValue(std::string_view text, CheckInterval& interval)
{
    const Result<CheckInterval> parsed = ParseCheckInterval(text);
    if (parsed)
        interval = *parsed;
    return parsed.ok();
}

int64_t NextCheckTime(const Curl& page, CheckInterval interval, int jitterPercent)
{
    if (page.m_timeLastChecked <= 0 || interval.IsGlobal())
        return 0;
    const int64_t spread = interval.seconds * std::clamp(jitterPercent, 0, 50) / 100;
    int64_t offset = 0;
    if (spread > 0) {
        const uint64_t draw = Mix(SeedOf(page) ^ Mix(static_cast<uint64_t>(page.m_timeLastChecked)));
        offset = static_cast<int64_t>(draw % static_cast<uint64_t>(2 * spread + 1)) - spread;
    }
    return page.m_timeLastChecked + interval.seconds + offset;
}
