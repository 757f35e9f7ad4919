#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "interface/wubi_pinyin.h"

namespace quvo_cli {

struct Candidate {
  std::string text;
  std::string comment;
};

// What the engine returned for one key.
struct KeyOutput {
  bool consumed = false;
  std::string commit;
  std::string preedit;
  std::vector<Candidate> candidates;
};

// One engine handle, used through the C interface exactly as the Fcitx5
// addon uses it: the same buffer sizes, the same calls.
class Session {
 public:
  explicit Session(const std::string& data_dir);
  ~Session();  // saves learned frequencies
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Page size, starting mode (0 Wubi, 1 Pinyin) and scheme (0 for 86, 1 for
  // 98), pushed in the addon's order.
  void configure(int page_size, int mode, int scheme);

  KeyOutput key(uint32_t keysym);
  bool toggle_halfwidth();  // true: half-width punctuation now
  bool toggle_mode();       // true: Pinyin now
  [[nodiscard]] bool pinyin_mode() const;
  [[nodiscard]] bool assoc_visible() const;
  [[nodiscard]] std::string hint() const;
  [[nodiscard]] std::string mode_label() const;

  // Waits until the pinyin word data built in the background are in use,
  // or the deadline passes, or `stop` says so. Returns true when the data
  // were seen in use. See README.md for how readiness is detected.
  bool wait_pinyin_words(const std::string& data_dir, std::chrono::milliseconds limit,
                         const std::function<bool()>& stop);

 private:
  WPEngine* engine_;
};

// Labels of the two modes and the two punctuation widths, as the addon
// shows them.
inline constexpr const char* kWubiLabel = "[五笔]";
inline constexpr const char* kPinyinLabel = "[拼音]";
inline constexpr const char* kHalfWidthLabel = "[半角标点]";
inline constexpr const char* kFullWidthLabel = "[全角标点]";

}  // namespace quvo_cli
