// Checks over untrusted input: one function per kind of input. Each takes raw
// bytes, drives the code that receives such input and verifies what must hold for
// every input (no crash, no SQL structure from typed text, no data lost, a German
// message for what is refused). A broken property raises Violation; the fuzzing
// entry points let it escape (the fuzzer reports a crash), the replay test reports
// it as a failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vmbgrid::fuzz {

class Violation : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

using CheckFunction = void (*)(const uint8_t* data, size_t size);

// Search-line criteria under every data-type class, and the in-memory filter that
// receives the conditions they become.
void CheckCriteria(const uint8_t* data, size_t size);
// Layout file content: loading never changes the file, saving never loses layouts.
void CheckLayoutFile(const uint8_t* data, size_t size);
// Settings written and read back byte-exact.
void CheckSettings(const uint8_t* data, size_t size);
// Connection strings: what was parsed survives a round trip.
void CheckConnectionString(const uint8_t* data, size_t size);
// Filter, Sort and Find texts of a recordset.
void CheckRecordsetTexts(const uint8_t* data, size_t size);
// Dates and numbers as typed.
void CheckTypedValues(const uint8_t* data, size_t size);
// Key texts of the keystroke forwarding.
void CheckKeys(const uint8_t* data, size_t size);

struct NamedCheck {
  const char* name;  // also the corpus folder
  CheckFunction check;
};
inline constexpr NamedCheck kChecks[] = {
    {"criteria", CheckCriteria},
    {"layout_file", CheckLayoutFile},
    {"settings", CheckSettings},
    {"connection_string", CheckConnectionString},
    {"recordset_texts", CheckRecordsetTexts},
    {"typed_values", CheckTypedValues},
    {"keys", CheckKeys},
};

// ---- helpers shared by the checks ----

[[noreturn]] void Fail(const std::string& what, std::string_view input);
inline void Require(bool condition, const std::string& what, std::string_view input) {
  if (!condition) Fail(what, input);
}
// A refusal must say in German what is wrong: a non-empty description.
void RequireMessage(const std::string& description, std::string_view input);

// Reads the input front to back.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : text_(reinterpret_cast<const char*>(data), size) {}
  bool Empty() const { return pos_ >= text_.size(); }
  uint8_t Byte() { return Empty() ? 0 : static_cast<uint8_t>(text_[pos_++]); }
  // Up to the separator (consumed) or the end.
  std::string Until(char separator);
  std::string Rest();
  std::string_view All() const { return text_; }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

}  // namespace vmbgrid::fuzz
