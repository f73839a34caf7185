// Keystroke forwarding: the search line and the data grid move the focus and the
// cursor by injecting keys ("+{TAB}", "{TAB}", "{Left}", "{Right}") into the
// application's own input queue, either as text through the platform's send-keys
// service or as up to three virtual-key codes.
#pragma once

#include <cstdint>
#include <string>

namespace vmbgrid {

// Virtual-key code of one token ("{TAB}" 9, "+" 16, "A" 65; case-insensitive);
// 0 for a token not in the table and for the empty token.
int32_t KeyCodeOf(const std::string& token);

// Sends the key text. Send mode 1 hands it unchanged to the platform's send-keys
// service; any other mode sends the codes of its first three tokens.
void SendKeysEx(const std::string& keys, bool wait = false);

namespace search {
// The first three tokens of a key text: "{...}" names or single characters, empty
// beyond the end. Exposed for the key-code path and its tests.
struct KeyTokens {
  std::string token[3];
};
KeyTokens SplitKeyTokens(const std::string& keys);
}  // namespace search

}  // namespace vmbgrid
