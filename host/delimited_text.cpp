#include "host/delimited_text.h"

namespace vmbgrid {

void AppendQuotedField(std::string& line, std::string_view text, std::string_view prefix,
                       std::string_view suffix) {
  line += prefix;
  if (suffix.empty()) {
    line += text;
  } else {
    size_t from = 0;
    for (size_t at; (at = text.find(suffix, from)) != std::string_view::npos;
         from = at + suffix.size()) {
      line.append(text.substr(from, at + suffix.size() - from));
      line += suffix;
    }
    line.append(text.substr(from));
  }
  line += suffix;
}

std::vector<std::vector<std::string>> ParseDelimited(std::string_view text, char separator,
                                                     char quote) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::vector<std::vector<std::string>> records;
  std::vector<std::string> record;
  std::string field;
  bool quoted = false;  // inside a quoted field
  bool any = false;     // the current record has begun
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c != quote) {
        field += c;
      } else if (i + 1 < text.size() && text[i + 1] == quote) {
        field += quote;
        ++i;
      } else {
        quoted = false;
      }
      continue;
    }
    if (c == quote) {
      quoted = true;
      any = true;
    } else if (c == separator) {
      record.push_back(std::move(field));
      field.clear();
      any = true;
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      if (any || !field.empty()) record.push_back(std::move(field));
      records.push_back(std::move(record));
      record.clear();
      field.clear();
      any = false;
    } else {
      field += c;
      any = true;
    }
  }
  if (any || !field.empty()) {
    record.push_back(std::move(field));
    records.push_back(std::move(record));
  }
  return records;
}

}  // namespace vmbgrid
