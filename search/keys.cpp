#include "search/keys.h"

#include <array>
#include <string_view>

#include "core/services.h"
#include "host/platform.h"

namespace vmbgrid {

namespace {

struct KeyName {
  std::string_view token;
  int32_t code;
};

// Searched in this order; the first match wins.
constexpr std::array<KeyName, 27> kNamedKeys{{
    {"%", 18},      {"+", 16},        {"^", 17},        {"{BACKSPACE}", 8}, {"{BS}", 8},
    {"{BKSP}", 8},  {"{BREAK}", 19},  {"{DELETE}", 46}, {"{DEL}", 46},      {"{DOWN}", 40},
    {"{END}", 35},  {"{ENTER}", 13},  {"~", 13},        {"{ESC}", 27},      {"{HELP}", 47},
    {"{HOME}", 36}, {"{INSERT}", 45}, {"{INS}", 45},    {"{LEFT}", 37},     {"{NUMLOCK}", 144},
    {"{PGDN}", 34}, {"{PGUP}", 33},   {"{PRTSC}", 42},  {"{RIGHT}", 39},    {"{SCROLLLOCK}", 145},
    {"{TAB}", 9},   {"{UP}", 38},
}};

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

// Length of the UTF-8 sequence that starts with this byte (1 for stray bytes), so a
// typed umlaut is one token, not two.
size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

}  // namespace

int32_t KeyCodeOf(const std::string& token) {
  if (token.empty()) return 0;
  std::string t = UpperAscii(token);
  for (const auto& k : kNamedKeys)
    if (t == k.token) return k.code;
  // Function keys {F1} ... {F12}.
  if (t.size() >= 4 && t.front() == '{' && t.back() == '}' && t[1] == 'F') {
    std::string_view digits(t.data() + 2, t.size() - 3);
    int n = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return 0;
      n = n * 10 + (c - '0');
      if (n > 12) return 0;
    }
    if (!digits.empty() && digits.front() != '0' && n >= 1) return 111 + n;
    return 0;
  }
  if (t.size() == 1) {
    char c = t[0];
    if (c >= '0' && c <= '9') return c;
    if (c >= 'A' && c <= 'Z') return c;
  }
  return 0;
}

namespace search {

KeyTokens SplitKeyTokens(const std::string& keys) {
  KeyTokens out;
  size_t pos = 0;
  for (auto& token : out.token) {
    if (pos >= keys.size()) break;
    if (keys[pos] == '{') {
      // "{" up to the first "}" after it; a name without its brace takes the rest.
      size_t close = keys.find('}', pos + 1);
      size_t end = close == std::string::npos ? keys.size() : close + 1;
      token = keys.substr(pos, end - pos);
      pos = end;
    } else {
      size_t len = SequenceLength(static_cast<unsigned char>(keys[pos]));
      if (pos + len > keys.size()) len = keys.size() - pos;
      token = keys.substr(pos, len);
      pos += len;
    }
  }
  return out;
}

}  // namespace search

void SendKeysEx(const std::string& keys, bool wait) {
  KeySender& sender = Platform::Keys();
  // The mode is read from the environment once per process and kept.
  if (core::SendMode() == 1) {
    sender.SendKeys(keys, wait);
    return;
  }
  search::KeyTokens t = search::SplitKeyTokens(keys);
  sender.SendKey(static_cast<int16_t>(KeyCodeOf(t.token[0])),
                 static_cast<int16_t>(KeyCodeOf(t.token[1])),
                 static_cast<int16_t>(KeyCodeOf(t.token[2])));
}

}  // namespace vmbgrid
