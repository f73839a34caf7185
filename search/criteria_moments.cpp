#include "search/criteria_moments.h"

#include <cmath>
#include <cstdio>

#include "host/variant.h"

namespace vmbgrid::search {

namespace {

int Number(const std::string& s, size_t pos, size_t n) {
  int v = 0;
  for (size_t i = pos; i < pos + n && i < s.size(); ++i) v = v * 10 + (s[i] - '0');
  return v;
}

std::string Clock(int seconds) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
  return buf;
}

// The day after y-m-d, or none after 31.12.9999.
std::optional<std::string> NextDay(int y, int m, int d) {
  if (IsValidDate(y, m, d + 1)) {
    ++d;
  } else if (m < 12) {
    ++m;
    d = 1;
  } else if (y < 9999) {
    ++y;
    m = 1;
    d = 1;
  } else {
    return std::nullopt;
  }
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
  return std::string(buf);
}

}  // namespace

Span DateTimeSpan(const std::string& body) {
  const int y = Number(body, 0, 4), m = Number(body, 5, 2), d = Number(body, 8, 2);
  if (body.size() <= 10) return {body, NextDay(y, m, d)};
  const int second = Number(body, 11, 2) * 3600 + Number(body, 14, 2) * 60 + Number(body, 17, 2);
  if (second + 1 < 86400) return {body, body.substr(0, 11) + Clock(second + 1)};
  const std::optional<std::string> next = NextDay(y, m, d);
  if (!next) return {body, std::nullopt};
  return {body, *next + " 00:00:00"};
}

Span TimeSpan(const std::string& body) {
  const int second = Number(body, 0, 2) * 3600 + Number(body, 3, 2) * 60 + Number(body, 6, 2);
  if (second + 1 < 86400) return {body, Clock(second + 1)};
  return {body, std::nullopt};
}

std::string TimeOfDay(double serial) {
  const double fraction = std::fabs(serial - std::trunc(serial));
  auto seconds = static_cast<int>(std::llround(fraction * 86400.0));
  if (seconds >= 86400) seconds = 86399;
  return Clock(seconds);
}

}  // namespace vmbgrid::search
