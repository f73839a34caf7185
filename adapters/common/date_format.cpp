// Date patterns: d dd ddd dddd, m mm mmm mmmm (minutes after h or before s), yy yyyy,
// h hh, n nn, s ss, AM/PM, "/" as the German date separator "."; month and day
// names come from ICU's German symbols.
#include <unicode/dtfmtsym.h>
#include <unicode/locid.h>

#include <array>
#include <cctype>
#include <cmath>
#include <vector>

#include "adapters/common/format_internal.h"
#include "adapters/common/text_util.h"

namespace vmbgrid::fmt {

namespace {

struct GermanNames {
  std::array<std::string, 12> months, shortMonths;
  std::array<std::string, 7> days, shortDays;  // Sunday first
};

const GermanNames& Names() {
  static const GermanNames names = [] {
    GermanNames n{
        {"Januar", "Februar", "März", "April", "Mai", "Juni", "Juli", "August", "September",
         "Oktober", "November", "Dezember"},
        {"Jan", "Feb", "Mär", "Apr", "Mai", "Jun", "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"},
        {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"},
        {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"}};
    UErrorCode status = U_ZERO_ERROR;
    icu::DateFormatSymbols symbols(icu::Locale::getGerman(), status);
    if (U_FAILURE(status)) return n;  // built-in names when ICU has no German data
    auto take = [](const icu::UnicodeString* list, int32_t count, int32_t offset, auto& target) {
      if (list == nullptr || count < static_cast<int32_t>(target.size()) + offset) return;
      for (size_t i = 0; i < target.size(); ++i) {
        std::string s;
        list[static_cast<int32_t>(i) + offset].toUTF8String(s);
        if (!s.empty()) target[i] = s;
      }
    };
    int32_t count = 0;
    take(symbols.getMonths(count, icu::DateFormatSymbols::STANDALONE, icu::DateFormatSymbols::WIDE),
         count, 0, n.months);
    take(symbols.getMonths(count, icu::DateFormatSymbols::STANDALONE,
                           icu::DateFormatSymbols::ABBREVIATED),
         count, 0, n.shortMonths);
    // Weekday lists are indexed from 1 (Sunday).
    take(symbols.getWeekdays(count, icu::DateFormatSymbols::STANDALONE,
                             icu::DateFormatSymbols::WIDE),
         count, 1, n.days);
    take(symbols.getWeekdays(count, icu::DateFormatSymbols::STANDALONE,
                             icu::DateFormatSymbols::SHORT),
         count, 1, n.shortDays);
    return n;
  }();
  return names;
}

// 0 = Sunday; proleptic Gregorian calendar.
int Weekday(int y, int m, int d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const long days = era * 146097 + doe - 719468;  // days since 1970-01-01, a Thursday
  return static_cast<int>(days >= -4 ? (days + 4) % 7 : (days + 5) % 7 + 6);
}

std::string Two(int v) {
  std::string s = std::to_string(v < 0 ? -v : v);
  if (s.size() < 2) s.insert(0, "0");
  return s;
}

size_t Utf8Len(unsigned char c) {
  if (c >= 0xF0) return 4;
  if (c >= 0xE0) return 3;
  if (c >= 0xC0) return 2;
  return 1;
}

bool SafeSplit(double serial, DateParts& parts) {
  // Far outside the calendar's range a date has no sensible text.
  if (!std::isfinite(serial) || serial < -657434.0 || serial > 2958465.99999) return false;
  parts = SplitDate(DateValue{serial});
  return true;
}

}  // namespace

bool IsDatePattern(std::string_view p) {
  bool date = false;
  for (size_t i = 0; i < p.size(); ++i) {
    char c = p[i];
    if (c == '"') {
      size_t end = p.find('"', i + 1);
      if (end == std::string_view::npos) break;
      i = end;
      continue;
    }
    if (c == '\\') {
      ++i;
      continue;
    }
    if (c == '0' || c == '#') return false;
    char l = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (l == 'd' || l == 'm' || l == 'y' || l == 'h' || l == 'n' || l == 's') date = true;
  }
  return date;
}

std::string GeneralDate(double serial) {
  DateParts t;
  if (!SafeSplit(serial, t)) return "";
  bool hasTime = t.hour != 0 || t.minute != 0 || t.second != 0;
  bool hasDate = !(t.year == 1899 && t.month == 12 && t.day == 30);
  std::string out;
  if (hasDate || !hasTime) out = Two(t.day) + "." + Two(t.month) + "." + std::to_string(t.year);
  if (hasTime) {
    if (!out.empty()) out += ' ';
    out += Two(t.hour) + ":" + Two(t.minute) + ":" + Two(t.second);
  }
  return out;
}

std::string FormatDatePattern(double serial, std::string_view p) {
  DateParts t;
  if (!SafeSplit(serial, t)) return "";
  const GermanNames& names = Names();
  // First pass: tokens, so that "m" can look at its neighbours.
  struct Item {
    char kind;  // 'L' literal, or the lower-case token letter
    size_t count;
    std::string text;
  };
  std::vector<Item> items;
  for (size_t i = 0; i < p.size();) {
    char c = p[i];
    char l = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c == '"') {
      size_t end = p.find('"', i + 1);
      if (end == std::string_view::npos) end = p.size();
      items.push_back({'L', 0, std::string(p.substr(i + 1, end - i - 1))});
      i = end + 1;
    } else if (c == '\\') {
      if (i + 1 < p.size()) {
        size_t len = std::min(Utf8Len(static_cast<unsigned char>(p[i + 1])), p.size() - i - 1);
        items.push_back({'L', 0, std::string(p.substr(i + 1, len))});
        i += 1 + len;
      } else {
        ++i;
      }
    } else if (l == 'd' || l == 'm' || l == 'y' || l == 'h' || l == 'n' || l == 's' || l == 'q' ||
               l == 'w') {
      size_t j = i;
      while (j < p.size() && std::tolower(static_cast<unsigned char>(p[j])) == l) ++j;
      items.push_back({l, j - i, ""});
      i = j;
    } else if ((l == 'a') && (p.substr(i, 5) == "AM/PM" || p.substr(i, 5) == "am/pm")) {
      items.push_back({'p', 5, std::string(p.substr(i, 5))});
      i += 5;
    } else if (c == '/') {
      items.push_back({'L', 0, "."});
      ++i;
    } else {
      size_t len = std::min(Utf8Len(static_cast<unsigned char>(c)), p.size() - i);
      items.push_back({'L', 0, std::string(p.substr(i, len))});
      i += len;
    }
  }
  bool twelveHour = false;
  for (const Item& it : items) twelveHour = twelveHour || it.kind == 'p';

  std::string out;
  for (size_t k = 0; k < items.size(); ++k) {
    const Item& it = items[k];
    switch (it.kind) {
      case 'L':
        out += it.text;
        break;
      case 'd':
        if (it.count == 1)
          out += std::to_string(t.day);
        else if (it.count == 2)
          out += Two(t.day);
        else if (it.count == 3)
          out += names.shortDays[static_cast<size_t>(Weekday(t.year, t.month, t.day))];
        else if (it.count == 4)
          out += names.days[static_cast<size_t>(Weekday(t.year, t.month, t.day))];
        else if (it.count == 5)
          out += Two(t.day) + "." + Two(t.month) + "." + std::to_string(t.year);
        else
          out += names.days[static_cast<size_t>(Weekday(t.year, t.month, t.day))] + ", " +
                 std::to_string(t.day) + ". " + names.months[static_cast<size_t>(t.month - 1)] +
                 " " + std::to_string(t.year);
        break;
      case 'm': {
        // Minutes when the nearest token before is an hour or the nearest after a second.
        bool minute = false;
        if (it.count <= 2) {
          for (size_t b = k; b-- > 0;) {
            if (items[b].kind == 'L') continue;
            minute = items[b].kind == 'h';
            break;
          }
          for (size_t a = k + 1; !minute && a < items.size(); ++a) {
            if (items[a].kind == 'L') continue;
            minute = items[a].kind == 's';
            break;
          }
        }
        int v = minute ? t.minute : t.month;
        if (it.count == 1)
          out += std::to_string(v);
        else if (it.count == 2)
          out += Two(v);
        else if (it.count == 3)
          out += names.shortMonths[static_cast<size_t>(t.month - 1)];
        else
          out += names.months[static_cast<size_t>(t.month - 1)];
        break;
      }
      case 'y':
        if (it.count == 1) {
          static const int kCum[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
          bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
          out += std::to_string(kCum[t.month - 1] + t.day + (leap && t.month > 2 ? 1 : 0));
        } else if (it.count < 4) {
          out += Two(t.year % 100);
        } else {
          out += std::to_string(t.year);
        }
        break;
      case 'h': {
        int h = t.hour;
        if (twelveHour) h = h % 12 == 0 ? 12 : h % 12;
        out += it.count == 1 ? std::to_string(h) : Two(h);
        break;
      }
      case 'n':
        out += it.count == 1 ? std::to_string(t.minute) : Two(t.minute);
        break;
      case 's':
        out += it.count == 1 ? std::to_string(t.second) : Two(t.second);
        break;
      case 'q':
        out += std::to_string((t.month - 1) / 3 + 1);
        break;
      case 'w':
        out += std::to_string(Weekday(t.year, t.month, t.day) + 1);
        break;
      case 'p': {
        bool pm = t.hour >= 12;
        bool upper = it.text[0] == 'A';
        out += pm ? (upper ? "PM" : "pm") : (upper ? "AM" : "am");
        break;
      }
    }
  }
  return out;
}

}  // namespace vmbgrid::fmt
