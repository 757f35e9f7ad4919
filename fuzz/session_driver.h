#pragma once

// Drives an engine through the C interface from fuzzer bytes: key symbols
// (letters, printable ASCII, the named keys, any 32-bit value), candidate
// clicks and selections, mode, scheme, page-size and width changes, word
// additions and imports, and the wait for the background data. Checks
// after every call what the interface promises whatever the input: outputs
// NUL-terminated, valid UTF-8, within the buffers; page size 3..10; mode
// and scheme changes clear the association list.

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "engine/core.h"
#include "fuzz_support.h"
#include "interface/wubi_pinyin.h"
#include "text/utf8.h"

// The handle as the interface lays it out: one owned engine record. This
// lets a session build its engine synchronously (or wait for the background
// data) and then drive it through the same calls as the front.
struct WPEngine {
  std::unique_ptr<wubi_pinyin::engine::Core> core;
};

namespace quvo_fuzz {

inline constexpr uint32_t kNamedKeys[] = {
    0xff08,  // BackSpace
    0xff0d,  // Return
    0xff1b,  // Escape
    0xff55,  // Page_Up
    0xff56,  // Page_Down
    0xffbe,  // F1
    0xffff,  // Delete
};

// Key of a byte below 0x80: 0..25 the letters, 26..120 printable ASCII
// (space included), 121..127 the named keys.
inline uint32_t key_of(uint8_t b) {
  if (b < 26) return 'a' + b;
  if (b < 121) return 0x20 + (b - 26);
  return kNamedKeys[b - 121];
}

inline void check_text(const char* buf, size_t size) {
  if (size == 0) return;
  const size_t n = ::strnlen(buf, size);
  QUVO_FUZZ_CHECK(n < size);
  QUVO_FUZZ_CHECK(wubi_pinyin::text::is_valid_utf8({buf, n}));
}

inline void check_cands(const WPCandidate* cands, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    check_text(cands[i].text, sizeof cands[i].text);
    check_text(cands[i].comment, sizeof cands[i].comment);
  }
}

inline void check_state(WPEngine* e) {
  const int page_size = wp_get_page_size(e);
  QUVO_FUZZ_CHECK(page_size >= 3 && page_size <= 10);
  const int mode = wp_get_mode(e);
  QUVO_FUZZ_CHECK(mode == 0 || mode == 1);
  const int assoc = wp_assoc_visible(e);
  QUVO_FUZZ_CHECK(assoc == 0 || assoc == 1);
}

class Session {
 public:
  Session(WPEngine* engine, std::string import_path)
      : e_(engine), import_path_(std::move(import_path)) {}

  void key(uint32_t keysym) {
    char commit[1024], preedit[1024];
    WPCandidate cands[64];
    size_t count = 12345;
    const int r = wp_key_event(e_, keysym, 0, commit, sizeof commit, preedit, sizeof preedit, cands,
                               64, &count);
    QUVO_FUZZ_CHECK(r == 0 || r == 1);
    QUVO_FUZZ_CHECK(count <= 10);
    if (r == 0) {
      check_text(commit, sizeof commit);
      check_text(preedit, sizeof preedit);
      check_cands(cands, count);
    }
  }

  // Small or missing buffers, as the reset before a Caps Lock letter uses.
  void key_small(uint32_t keysym, uint8_t sizes) {
    char commit[16], preedit[16];
    WPCandidate cands[3];
    const size_t commit_size = sizes & 0x0f;
    const size_t preedit_size = (sizes >> 4) & 0x07;
    const size_t cands_max = (sizes >> 6) & 0x03;
    size_t count = 12345;
    const int r = wp_key_event(e_, keysym, 0, commit_size ? commit : nullptr, commit_size, preedit,
                               preedit_size, cands_max ? cands : nullptr, cands_max,
                               (sizes & 1) ? &count : nullptr);
    QUVO_FUZZ_CHECK(r == 0 || r == 1);
    if (sizes & 1) QUVO_FUZZ_CHECK(count <= cands_max);
    if (r == 0) {
      if (commit_size) check_text(commit, commit_size);
      check_text(preedit, preedit_size);
      if (sizes & 1) check_cands(cands, count);
    }
  }

  void click(size_t index) {
    char commit[1024], input[1024];
    WPCandidate cands[64];
    size_t count = 12345;
    const int r = wp_click_candidate(e_, index, commit, sizeof commit, input, sizeof input, cands,
                                     64, &count);
    QUVO_FUZZ_CHECK(r == 0 || r == 1);
    QUVO_FUZZ_CHECK(count <= 64);
    check_text(commit, sizeof commit);
    check_text(input, sizeof input);
    check_cands(cands, count);
    // A commit reported (0) normally copies a non-empty text out, but the
    // loaders keep NUL bytes inside words as data, and a word that starts
    // with one reads as "" through a C string; so an empty buffer after 0
    // is no fault by itself.
    if (r == 1) QUVO_FUZZ_CHECK(commit[0] == '\0');
  }

  void select(size_t index) {
    char commit[1024];
    commit[0] = '\0';
    const int r = wp_select_candidate(e_, index, commit, sizeof commit);
    QUVO_FUZZ_CHECK(r == 0 || r == 1);
    check_text(commit, sizeof commit);
  }

  void clears_composition(int result, bool mode) {
    if (mode) QUVO_FUZZ_CHECK(result == 0 || result == 1);
    QUVO_FUZZ_CHECK(wp_assoc_visible(e_) == 0);
  }

  // Runs actions until the bytes are used up.
  void run(ByteReader& in) {
    for (int steps = 0; !in.empty() && steps < 4096; ++steps) {
      const uint8_t op = in.u8();
      if (op < 0x80) {
        key(key_of(op));
      } else {
        switch ((op - 0x80) % 16) {
          case 0:
            key(in.u32());
            break;
          case 1: {
            const uint8_t i = in.u8();
            click(i == 0xff ? SIZE_MAX : i);
            break;
          }
          case 2:
            select(in.u8());
            break;
          case 3:
            clears_composition(wp_toggle_mode(e_), true);
            break;
          case 4: {
            const int r = wp_set_wubi_scheme(e_, static_cast<int>(in.u32()));
            clears_composition(r, true);
            break;
          }
          case 5: {
            const int size = static_cast<int>(in.u32());
            const int r = wp_set_page_size(e_, size);
            QUVO_FUZZ_CHECK(r >= 3 && r <= 10 && r == wp_get_page_size(e_));
            break;
          }
          case 6: {
            const int r = wp_toggle_halfwidth(e_);
            QUVO_FUZZ_CHECK(r == 0 || r == 1);
            break;
          }
          case 7: {
            const std::string word = in.str(64);
            const std::string code = in.str(16);
            wp_add_word(e_, word.c_str(), code.c_str());
            break;
          }
          case 8: {
            write_file(import_path_, in.str());
            const int n = wp_import_dict(e_, import_path_.c_str());
            QUVO_FUZZ_CHECK(n >= 0);
            break;
          }
          case 9: {
            const int r = wp_set_default_mode(e_, static_cast<int>(in.u32()));
            clears_composition(r, true);
            break;
          }
          case 10:
            e_->core->wait_pinyin_ready();
            break;
          case 11: {
            const uint8_t k = in.u8();
            key_small(key_of(k & 0x7f), in.u8());
            break;
          }
          case 12: {
            char hint[32];
            const size_t size = in.u8() % (sizeof hint + 1);
            std::memset(hint, 'x', sizeof hint);
            wp_get_hint(e_, hint, size);
            if (size == 0) {
              QUVO_FUZZ_CHECK(hint[0] == 'x');
            } else {
              check_text(hint, size);
            }
            break;
          }
          case 13:
            select(in.u32());
            break;
          case 14: {
            // Several keys of the letter table in one action.
            const uint8_t n = in.u8() % 16;
            for (uint8_t i = 0; i < n; ++i) key('a' + in.u8() % 26);
            break;
          }
          case 15: {
            // An import from a path that is missing, a directory or not UTF-8.
            std::string name = in.str(32);
            if (name.find("..") != std::string::npos) name.clear();
            const std::string path = import_path_ + ".d/" + name;
            const int n = wp_import_dict(e_, path.c_str());
            QUVO_FUZZ_CHECK(n >= 0);
            break;
          }
        }
      }
      check_state(e_);
    }
  }

 private:
  WPEngine* e_;
  std::string import_path_;
};

// How a session builds its engine, from its first byte.
enum class Build { background, background_then_wait, sync };

inline Build build_of(uint8_t b) {
  switch (b & 3) {
    case 1:
      return Build::background_then_wait;
    case 2:
      return Build::sync;
    default:
      return Build::background;
  }
}

inline WPEngine* make_engine(const std::string& dir, Build build) {
  if (build == Build::sync) return new WPEngine{wubi_pinyin::engine::Core::new_sync(dir)};
  WPEngine* e = wp_create_engine(dir.c_str());
  QUVO_FUZZ_CHECK(e != nullptr);
  if (build == Build::background_then_wait) e->core->wait_pinyin_ready();
  return e;
}

// Applies the rest of the first byte: starting mode, scheme, width.
inline void apply_start(WPEngine* e, uint8_t b) {
  if (b & 4) QUVO_FUZZ_CHECK(wp_set_default_mode(e, 1) == 1);
  if (b & 8) QUVO_FUZZ_CHECK(wp_set_wubi_scheme(e, 1) == 1);
  if (b & 16) QUVO_FUZZ_CHECK(wp_toggle_halfwidth(e) == 1);
}

}  // namespace quvo_fuzz
