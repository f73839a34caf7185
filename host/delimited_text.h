// Delimited text as the grids export it and the library reads it back: fields
// between a quote character and separated by a separator; a quote inside a field
// is doubled. Reading follows the same rule, so a field may hold the separator, a
// quote or a line break and still comes back whole.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vmbgrid {

// Appends prefix, the text with every occurrence of suffix doubled, and suffix.
void AppendQuotedField(std::string& line, std::string_view text, std::string_view prefix,
                       std::string_view suffix);

// Records of the text, split at CRLF or LF outside quotes; a UTF-8 byte-order mark
// at the start is skipped. Unquoted fields are taken as they stand.
std::vector<std::vector<std::string>> ParseDelimited(std::string_view text, char separator,
                                                     char quote);

}  // namespace vmbgrid
