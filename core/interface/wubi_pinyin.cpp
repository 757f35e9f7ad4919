// The C interface: thin wrappers that check the handle, validate the strings
// passed in, call the engine and copy results out. Nothing throws across it.
#include "interface/wubi_pinyin.h"

#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "engine/core.h"
#include "text/utf8.h"

using wubi_pinyin::engine::CandidateList;
using wubi_pinyin::engine::Core;
using wubi_pinyin::engine::Mode;

struct WPEngine {
  std::unique_ptr<Core> core;
};

namespace {

// A string argument read up to its NUL; not UTF-8 (or null) gives "".
std::string_view read_in(const char* s) {
  if (!s) return {};
  const std::string_view v(s);
  return wubi_pinyin::text::is_valid_utf8(v) ? v : std::string_view{};
}

// Copies a string into a caller buffer, cut at the last whole character
// that fits, always NUL-terminated. Nothing for a null buffer or size 0.
void copy_out(std::string_view s, char* buf, size_t size) {
  if (!buf || size == 0) return;
  const std::string_view cut = wubi_pinyin::text::utf8_prefix(s, size - 1);
  std::memcpy(buf, cut.data(), cut.size());
  buf[cut.size()] = '\0';
}

void copy_out(const CandidateList& list, WPCandidate* cands, size_t cands_max,
              size_t* cands_count) {
  const size_t n = std::min(cands_max, list.size());
  if (cands)
    for (size_t i = 0; i < n; ++i) {
      copy_out(list[i].text, cands[i].text, sizeof cands[i].text);
      copy_out(list[i].comment, cands[i].comment, sizeof cands[i].comment);
    }
  if (cands_count) *cands_count = n;
}

// Runs an engine call, turning any exception (out of memory) into the
// neutral result instead of letting it cross into C.
template <class F, class R>
R guarded(R neutral, F&& f) noexcept {
  try {
    return f();
  } catch (...) {
    return neutral;
  }
}

}  // namespace

extern "C" {

WPEngine* wp_create_engine(const char* data_dir) {
  return guarded<>(static_cast<WPEngine*>(nullptr), [&] {
    return new WPEngine{Core::new_background(read_in(data_dir))};
  });
}

void wp_destroy_engine(WPEngine* engine) {
  // The record saves unsaved frequencies as it goes.
  delete engine;
}

int wp_key_event(WPEngine* engine, uint32_t keysym, int /*unused*/, char* commit,
                 size_t commit_size, char* preedit, size_t preedit_size, WPCandidate* cands,
                 size_t cands_max, size_t* cands_count) {
  if (!engine) return 1;
  return guarded(1, [&] {
    const auto r = engine->core->key_event(keysym);
    copy_out(r.commit, commit, commit_size);
    copy_out(r.preedit, preedit, preedit_size);
    copy_out(r.candidates, cands, cands_max, cands_count);
    return r.not_consumed ? 1 : 0;
  });
}

int wp_select_candidate(WPEngine* engine, size_t index, char* commit, size_t commit_size) {
  if (!engine) return 1;
  return guarded(1, [&] {
    const std::string text = engine->core->select(index);
    copy_out(text, commit, commit_size);
    return text.empty() ? 1 : 0;
  });
}

int wp_click_candidate(WPEngine* engine, size_t index, char* commit, size_t commit_size,
                       char* input, size_t input_size, WPCandidate* cands, size_t cands_max,
                       size_t* cands_count) {
  if (!engine) return 1;
  return guarded(1, [&] {
    Core& c = *engine->core;
    std::string text;
    if (!c.input.empty()) {
      text = c.select(index + c.page_size * c.page);
      if (!text.empty()) c.page = 0;
    } else if (index < c.assoc.size()) {
      text = c.assoc[index].text;
      c.commit_word(text);
    }
    copy_out(text, commit, commit_size);
    copy_out(c.input, input, input_size);
    copy_out(c.assoc, cands, cands_max, cands_count);
    return text.empty() ? 1 : 0;
  });
}

void wp_add_word(WPEngine* engine, const char* word, const char* code) {
  if (!engine || !word || !code) return;
  guarded(false, [&] { return engine->core->add_word(read_in(word), read_in(code)); });
}

int wp_import_dict(WPEngine* engine, const char* path) {
  if (!engine) return -1;
  if (!path) return 0;
  return guarded(0, [&] {
    const uint32_t n = engine->core->import_dict(std::string(read_in(path)));
    return static_cast<int>(std::min<uint32_t>(n, INT32_MAX));
  });
}

void wp_get_hint(WPEngine* engine, char* buf, size_t size) {
  if (!engine) return;
  copy_out(engine->core->hint, buf, size);
}

int wp_get_mode(WPEngine* engine) {
  if (!engine) return 0;
  return engine->core->mode == Mode::pinyin ? 1 : 0;
}

int wp_get_page_size(WPEngine* engine) {
  if (!engine) return 10;
  return static_cast<int>(engine->core->page_size);
}

int wp_set_page_size(WPEngine* engine, int size) {
  if (!engine) return 10;
  // Compared as unsigned: negative sizes are huge and give 10.
  const auto v = static_cast<uint32_t>(size);
  const uint32_t clamped = v < 4 ? 3 : (v > 10 ? 10 : v);
  engine->core->page_size = clamped;
  engine->core->page = 0;
  return static_cast<int>(clamped);
}

int wp_set_default_mode(WPEngine* engine, int mode) {
  if (!engine) return -1;
  Core& c = *engine->core;
  c.mode = mode == 1 ? Mode::pinyin : Mode::wubi;
  c.clear_composition();
  return c.mode == Mode::pinyin ? 1 : 0;
}

int wp_set_wubi_scheme(WPEngine* engine, int scheme) {
  if (!engine) return -1;
  Core& c = *engine->core;
  c.scheme98 = scheme == 1;
  c.clear_composition();
  return c.scheme98 ? 1 : 0;
}

int wp_toggle_mode(WPEngine* engine) {
  if (!engine) return 0;
  Core& c = *engine->core;
  c.mode = c.mode == Mode::pinyin ? Mode::wubi : Mode::pinyin;
  c.clear_composition();
  return c.mode == Mode::pinyin ? 1 : 0;
}

int wp_toggle_halfwidth(WPEngine* engine) {
  if (!engine) return 0;
  Core& c = *engine->core;
  c.halfwidth_punct = !c.halfwidth_punct;
  return c.halfwidth_punct ? 1 : 0;
}

int wp_assoc_visible(WPEngine* engine) {
  if (!engine) return 0;
  const Core& c = *engine->core;
  return c.input.empty() && !c.assoc.empty() ? 1 : 0;
}

}  // extern "C"
