#pragma once

#include <string>
#include <vector>

#include "interface/wubi_pinyin.h"

namespace quvo_test {

// What one wp_key_event call copied out.
struct KeyOutcome {
  int result = -1;
  std::string commit;
  std::string preedit;
  std::vector<std::string> texts;
  std::vector<std::string> comments;
};

// Owns an engine handle and drives it the way the front does: 1024-byte
// buffers and room for 64 candidates.
class EngineHandle {
 public:
  explicit EngineHandle(const std::string& dir) : engine_(wp_create_engine(dir.c_str())) {}
  ~EngineHandle() { wp_destroy_engine(engine_); }
  EngineHandle(const EngineHandle&) = delete;
  EngineHandle& operator=(const EngineHandle&) = delete;

  WPEngine* get() const { return engine_; }

  KeyOutcome key(uint32_t keysym) {
    KeyOutcome o;
    char commit[1024] = {}, preedit[1024] = {};
    WPCandidate cands[64] = {};
    size_t count = 99;
    o.result = wp_key_event(engine_, keysym, 0, commit, sizeof commit, preedit, sizeof preedit,
                            cands, 64, &count);
    o.commit = commit;
    o.preedit = preedit;
    for (size_t i = 0; i < count; ++i) {
      o.texts.emplace_back(cands[i].text);
      o.comments.emplace_back(cands[i].comment);
    }
    return o;
  }

  // Types every byte of an ASCII string as a key; returns the last outcome.
  KeyOutcome type(const std::string& keys) {
    KeyOutcome last;
    for (char c : keys) last = key(static_cast<unsigned char>(c));
    return last;
  }

  std::string hint() const {
    char buf[512] = {};
    wp_get_hint(engine_, buf, sizeof buf);
    return buf;
  }

 private:
  WPEngine* engine_;
};

inline constexpr uint32_t kBackSpace = 0xff08;
inline constexpr uint32_t kReturn = 0xff0d;
inline constexpr uint32_t kEscape = 0xff1b;
inline constexpr uint32_t kPageUp = 0xff55;
inline constexpr uint32_t kPageDown = 0xff56;
inline constexpr uint32_t kF1 = 0xffbe;

}  // namespace quvo_test
