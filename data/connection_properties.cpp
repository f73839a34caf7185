// Connection strings ("Provider=SQLite;Data Source=kunden.db") and the provider registry.
#include <cctype>
#include <map>
#include <mutex>

#include "data/provider.h"
#include "host/error.h"

namespace vmbgrid::data {
namespace {

const char* kSource = "VMBGrid.Connection";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

std::string LowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool SameKey(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

[[noreturn]] void Malformed(const std::string& reason) {
  throw VMError(errc::kInvalidArgument, kSource,
                "Die Verbindungszeichenfolge ist ungültig: " + reason + ".");
}

}  // namespace

ConnectionProperties ConnectionProperties::Parse(const std::string& text) {
  ConnectionProperties props;
  // A URI ("postgresql://anna@db01/kunden") names its provider by its scheme and is
  // handed to it whole.
  {
    const std::string t = Trim(text);
    size_t s = 0;
    while (s < t.size() && (std::isalnum(static_cast<unsigned char>(t[s])) || t[s] == '+' ||
                            t[s] == '.' || t[s] == '-'))
      ++s;
    if (s > 0 && std::isalpha(static_cast<unsigned char>(t[0])) && t.compare(s, 3, "://") == 0) {
      props.Set("Provider", t.substr(0, s));
      props.Set("Data Source", t);
      return props;
    }
  }
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    while (i < n && (IsBlank(text[i]) || text[i] == ';')) ++i;
    if (i >= n) break;
    size_t eq = i;
    while (eq < n && text[eq] != '=' && text[eq] != ';') ++eq;
    std::string key = Trim(std::string_view(text).substr(i, eq - i));
    if (eq >= n || text[eq] != '=') Malformed("bei \"" + key + "\" fehlt das Gleichheitszeichen");
    if (key.empty()) Malformed("vor einem Gleichheitszeichen fehlt der Name");
    i = eq + 1;
    while (i < n && IsBlank(text[i])) ++i;
    std::string value;
    if (i < n && (text[i] == '"' || text[i] == '\'')) {
      // Quoted value: may hold ";" and "="; a doubled quote stands for itself.
      char q = text[i++];
      bool closed = false;
      while (i < n) {
        if (text[i] == q) {
          if (i + 1 < n && text[i + 1] == q) {
            value.push_back(q);
            i += 2;
            continue;
          }
          ++i;
          closed = true;
          break;
        }
        value.push_back(text[i++]);
      }
      if (!closed)
        Malformed("der Wert von \"" + key +
                  "\" ist nicht abgeschlossen (es fehlt ein Anführungszeichen)");
      while (i < n && IsBlank(text[i])) ++i;
      if (i < n && text[i] != ';')
        Malformed("nach dem Wert von \"" + key + "\" fehlt ein Semikolon");
    } else {
      size_t end = text.find(';', i);
      if (end == std::string::npos) end = n;
      value = Trim(std::string_view(text).substr(i, end - i));
      i = end;
    }
    props.Set(key, value);
  }
  return props;
}

std::string ConnectionProperties::Get(const std::string& key, const std::string& fallback) const {
  for (const auto& [k, v] : items_)
    if (SameKey(k, key)) return v;
  return fallback;
}

bool ConnectionProperties::Has(const std::string& key) const {
  for (const auto& item : items_)
    if (SameKey(item.first, key)) return true;
  return false;
}

void ConnectionProperties::Set(const std::string& key, const std::string& value) {
  for (auto& item : items_) {
    if (SameKey(item.first, key)) {
      item.second = value;
      return;
    }
  }
  items_.emplace_back(key, value);
}

// ---- provider registry ----

namespace {
struct Providers {
  std::mutex mutex;
  std::map<std::string, std::shared_ptr<Provider>> byName;  // lower-case name
};
Providers& TheProviders() {
  static Providers p;
  return p;
}
}  // namespace

void RegisterProvider(std::shared_ptr<Provider> provider) {
  if (!provider) return;
  Providers& p = TheProviders();
  std::lock_guard<std::mutex> lock(p.mutex);
  p.byName[LowerAscii(Trim(provider->Name()))] = std::move(provider);
}

std::shared_ptr<Provider> FindProvider(const std::string& name) {
  Providers& p = TheProviders();
  std::lock_guard<std::mutex> lock(p.mutex);
  auto it = p.byName.find(LowerAscii(Trim(name)));
  return it == p.byName.end() ? nullptr : it->second;
}

}  // namespace vmbgrid::data
