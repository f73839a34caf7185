// Spans of typed dates and times on columns that hold date and time: a date stands
// for its whole day, a date or time with a time of day for its whole second. The
// span is half-open, [start, end), so that values with fractions of a second and
// every value of the last day of a range are found.
#pragma once

#include <optional>
#include <string>

namespace vmbgrid::search {

struct Span {
  std::string start;               // literal body as ToSqlDate/ToSqlTime write it
  std::optional<std::string> end;  // the next day or second; none beyond the last
};

// body "yyyy-mm-dd" (a day) or "yyyy-mm-dd hh:mm:ss" (a second).
Span DateTimeSpan(const std::string& body);
// body "hh:mm:ss" (a second); 23:59:59 has no end within the day.
Span TimeSpan(const std::string& body);

// The last instants the columns hold: what "at most" compares with when a span
// ends beyond them.
inline constexpr const char* kLastDateTime = "9999-12-31 23:59:59";
inline constexpr const char* kLastTime = "23:59:59";

// "hh:mm:ss" of an automation date's time of day.
std::string TimeOfDay(double serial);

}  // namespace vmbgrid::search
