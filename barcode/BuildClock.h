// The "Date Built" line of printed sheets.
//
// Sheets carry the date and time they were made. Tests and reproducible builds inject the
// clock; SOURCE_DATE_EPOCH, when set to a number of seconds, stands in for the current time
// and is shown in UTC so that two runs print the same bytes.
#pragma once

#include <ctime>
#include <functional>
#include <string>

using BuildClock = std::function<std::time_t()>;

// SOURCE_DATE_EPOCH when it holds a valid number, else the current time.
std::time_t SourceDateOrNow();
// The locale's full date and time ("%c") of `when`: UTC when SOURCE_DATE_EPOCH is set, else
// local time.
std::string FormatDateBuilt(std::time_t when);
// The clock sheets use when the caller gives none.
BuildClock DefaultBuildClock();
