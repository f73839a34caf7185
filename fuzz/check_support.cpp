#include "fuzz/checks.h"

namespace vmbgrid::fuzz {

namespace {

// Control bytes are shown escaped so that a report can be pasted into a test.
std::string Printable(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (char c : text) {
    auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f || c == '\\') {
      out += "\\x";
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

void Fail(const std::string& what, std::string_view input) {
  throw Violation(what + " [input: \"" + Printable(input) + "\"]");
}

void RequireMessage(const std::string& description, std::string_view input) {
  Require(!description.empty(), "refused without a description", input);
}

std::string Input::Until(char separator) {
  if (Empty()) return {};
  size_t end = text_.find(separator, pos_);
  if (end == std::string_view::npos) return Rest();
  std::string out(text_.substr(pos_, end - pos_));
  pos_ = end + 1;
  return out;
}

std::string Input::Rest() {
  if (Empty()) return {};
  std::string out(text_.substr(pos_));
  pos_ = text_.size();
  return out;
}

}  // namespace vmbgrid::fuzz
