// Connection strings. Input: the whole string.
#include "data/provider.h"
#include "fuzz/checks.h"
#include "host/error.h"

namespace vmbgrid::fuzz {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The items written back as a connection string: a value that the bare form
// would change (";", blanks at its ends, a leading quote) goes between quotes.
std::string Compose(const data::ConnectionProperties& props) {
  std::string out;
  for (const auto& [key, value] : props.Items()) {
    if (!out.empty()) out += ';';
    out += key + "=";
    const bool bare =
        value.empty() || (value.find(';') == std::string::npos && !IsBlank(value.front()) &&
                          !IsBlank(value.back()) && value.front() != '"' && value.front() != '\'');
    if (bare) {
      out += value;
      continue;
    }
    out += '"';
    for (char c : value) {
      out += c;
      if (c == '"') out += '"';
    }
    out += '"';
  }
  return out;
}

}  // namespace

void CheckConnectionString(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  data::ConnectionProperties props;
  try {
    props = data::ConnectionProperties::Parse(text);
  } catch (const VMError& e) {
    RequireMessage(e.Description(), text);
    return;
  }
  for (const auto& [key, value] : props.Items()) {
    Require(!key.empty(), "an item without a name", text);
    Require(props.Has(key) && props.Get(key, "\x01") == value, "an item cannot be read back", text);
  }
  data::ConnectionProperties again;
  try {
    again = data::ConnectionProperties::Parse(Compose(props));
  } catch (const VMError& e) {
    Fail("the composed string is refused: " + e.Description(), text);
  }
  Require(again.Items() == props.Items(), "the items differ after a round trip", text);
}

}  // namespace vmbgrid::fuzz
