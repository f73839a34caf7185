// Key texts of the keystroke forwarding. Input: the key text.
#include <string>

#include "core/services.h"
#include "fuzz/checks.h"
#include "host/platform.h"
#include "search/keys.h"

namespace vmbgrid::fuzz {

namespace {

class RecordingKeys final : public KeySender {
 public:
  RecordingKeys() : previous_(&Platform::Keys()) { Platform::Install(this); }
  ~RecordingKeys() override { Platform::Install(previous_); }
  RecordingKeys(const RecordingKeys&) = delete;
  RecordingKeys& operator=(const RecordingKeys&) = delete;
  void SendKeys(const std::string& keys, bool) override { text = keys; }
  void SendKey(int16_t a, int16_t b, int16_t c) override {
    codes[0] = a;
    codes[1] = b;
    codes[2] = c;
  }
  std::string text;
  int16_t codes[3] = {-1, -1, -1};

 private:
  KeySender* previous_;
};

}  // namespace

void CheckKeys(const uint8_t* data, size_t size) {
  const std::string keys(reinterpret_cast<const char*>(data), size);
  // The tokens are the text's first pieces, in order: nothing invented, nothing skipped.
  const search::KeyTokens t = search::SplitKeyTokens(keys);
  std::string joined;
  bool ended = false;
  for (const std::string& token : t.token) {
    Require(!ended || token.empty(), "a token after an empty one", keys);
    ended = ended || token.empty();
    joined += token;
  }
  Require(keys.compare(0, joined.size(), joined) == 0, "the tokens are not the text's start", keys);
  int32_t expected[3];
  for (int i = 0; i < 3; ++i) {
    expected[i] = KeyCodeOf(t.token[i]);
    Require(expected[i] >= 0 && expected[i] <= 255, "a key code outside a byte", keys);
  }
  RecordingKeys sender;
  for (int mode : {1, 0}) {
    core::SetSendModeForTesting(mode);
    SendKeysEx(keys);
  }
  core::SetSendModeForTesting(0);
  Require(sender.text == keys, "the send-keys service did not get the text unchanged", keys);
  for (int i = 0; i < 3; ++i)
    Require(sender.codes[i] == expected[i], "the codes sent are not the tokens' codes", keys);
}

}  // namespace vmbgrid::fuzz
