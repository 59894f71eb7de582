#include "barcode/BuildClock.h"

#include <cerrno>
#include <cstdlib>

namespace {

bool ReadSourceDateEpoch(std::time_t& when)
{
    const char* text = std::getenv("SOURCE_DATE_EPOCH");
    if (!text || !*text)
        return false;
    char* end = nullptr;
    errno = 0;
    const long long seconds = std::strtoll(text, &end, 10);
    if (errno != 0 || *end != '\0' || seconds < 0)
        return false;
    when = static_cast<std::time_t>(seconds);
    return true;
}

} // namespace

std::time_t SourceDateOrNow()
{
    std::time_t when = 0;
    if (ReadSourceDateEpoch(when))
        return when;
    return std::time(nullptr);
}

std::string FormatDateBuilt(std::time_t when)
{
    std::time_t ignored = 0;
    std::tm parts {};
    if (ReadSourceDateEpoch(ignored))
        gmtime_r(&when, &parts);
    else
        localtime_r(&when, &parts);
    char text[128];
    const size_t length = std::strftime(text, sizeof text, "%c", &parts);
    return std::string(text, length);
}

BuildClock DefaultBuildClock() { return [] { return SourceDateOrNow(); }; }
