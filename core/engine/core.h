#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "emoji/emoji_map.h"
#include "engine/candidate.h"
#include "engine/pinyin_package.h"
#include "engine/scoring_data.h"
#include "engine/word_index.h"
#include "engine/word_weights.h"
#include "freq/freq.h"
#include "pinyin/pinyin_data.h"
#include "text/string_hash.h"
#include "wubi/wubi_table.h"

namespace wubi_pinyin::engine {

enum class Mode : uint8_t { wubi = 0, pinyin = 1 };

// What a key press leaves for the panel.
struct KeyResult {
  std::string commit;
  std::string preedit;
  bool not_consumed = false;
  CandidateList candidates;
};

// The engine record: every table and the whole composition state. Used by
// one thread at a time; the background pinyin build never touches it.
class Core {
 public:
  // ---- Construction (the loaders run in a fixed order) ----

  // Background variant: returns at once; the pinyin word data arrive later.
  [[nodiscard]] static std::unique_ptr<Core> new_background(std::string_view data_dir);
  // Synchronous variant: the pinyin word data are built before returning.
  [[nodiscard]] static std::unique_ptr<Core> new_sync(std::string_view data_dir);
  [[nodiscard]] static std::unique_ptr<Core> new_impl(std::string_view data_dir, bool background);

  // Saves unsaved frequencies.
  ~Core();
  Core(const Core&) = delete;
  Core& operator=(const Core&) = delete;

  // Moves a received package into the record, keeping phrases learned
  // meanwhile, and drops the candidate cache.
  void install_pinyin_package(PinyinPackage package);
  // Blocks until the background package has arrived and installs it.
  void wait_pinyin_ready();
  // Installs the package if it has arrived; never waits.
  void poll_pinyin_build();

  // ---- Candidates ----

  // The complete ordered list for what is typed, from the one-entry cache
  // when the key, mode and scheme are unchanged.
  [[nodiscard]] CandidateList candidates();
  [[nodiscard]] CandidateList candidates_uncached();
  // Whole-sentence guesses for typed pinyin: (text, covered pinyin) pairs.
  [[nodiscard]] std::vector<std::pair<std::string, std::string>> sentence_best(
      std::string_view key, size_t width, bool whole) const;

  // ---- Weights ----

  [[nodiscard]] uint32_t char_freq(char32_t c) const noexcept;
  [[nodiscard]] uint32_t wfreq_of(std::string_view word, std::string_view code) const noexcept;

  // ---- Keys, commits and learning ----

  [[nodiscard]] KeyResult key_event(uint32_t keysym);
  void commit_word(std::string_view text);
  [[nodiscard]] std::string select(size_t index);
  bool add_word(std::string_view word, std::string_view code);
  uint32_t import_dict(const std::string& path);

  // ---- Panel ----

  [[nodiscard]] std::string preedit_display() const;
  [[nodiscard]] CandidateList panel_cands();
  [[nodiscard]] CandidateList panel_cands_pub() { return panel_cands(); }

  // Empties input, recent characters and the association list; page 0.
  void clear_composition();
  // The table of the active scheme.
  [[nodiscard]] const wubi::WubiTable& active_table() const noexcept {
    return scheme98 ? wubi98 : wubi86;
  }
  [[nodiscard]] wubi::WubiTable& active_table() noexcept { return scheme98 ? wubi98 : wubi86; }
  [[nodiscard]] bool pinyin_pending() const noexcept { return pinyin_rx.has_value(); }

  // ---- Composition state ----
  std::string input;
  std::string hint;
  std::string recent_chars;
  CandidateList assoc;
  size_t page = 0;
  size_t page_size = 10;
  Mode mode = Mode::wubi;
  bool scheme98 = false;
  bool halfwidth_punct = false;
  bool double_quote_open = false;
  bool single_quote_open = false;

  // ---- Tables ----
  wubi::WubiTable wubi86;
  wubi::WubiTable wubi98;
  pinyin::PinyinData pinyin;
  WordIndex word_index;
  CharFreqMap char_freq_table;
  BigramMap bigram;
  emoji::EmojiMap emoji;
  freq::Freq freq;
  text::StringSet favourite_words;
  text::StringMap<std::string> sentence_pinyin;

  struct CandCache {
    std::string key;
    Mode mode;
    bool scheme98;
    CandidateList list;
  };
  std::optional<CandCache> cand_cache;

  // ---- Learning and files ----
  bool freq_dirty = false;
  uint32_t commits_since_save = 0;
  std::chrono::steady_clock::time_point last_freq_save;
  std::string data_dir;
  std::string user_dict_path;
  std::string user_freq_path;
  std::string user_py_path;
  std::optional<PinyinReceiver> pinyin_rx;

 private:
  Core() = default;
  // The word data step run on the record itself (synchronous variant).
  void build_word_data_here();
  // Word creation from the recent single characters (the = key with nothing
  // typed). Returns whether the key was consumed.
  bool create_word();
  // The association list for a committed text.
  [[nodiscard]] CandidateList association_list(std::string_view text);
  // Core::wfreq_of of word-index record i, cached.
  [[nodiscard]] uint32_t word_index_score(size_t i);
  static constexpr uint32_t kUnknownScore = UINT32_MAX;
  std::vector<uint32_t> assoc_scores;
  bool assoc_scores_scheme98 = false;
  // Appends the Pinyin-mode candidates for a lookup key.
  void pinyin_candidates(std::string_view key, std::optional<std::string_view> emoji_text,
                         CandidateList& out);
  void wubi_candidates(std::string_view key, std::optional<std::string_view> emoji_text,
                       CandidateList& out) const;

  // Stored weights of the entries of the two word maps, for the Pinyin
  // steps that rank long prefix ranges.
  WordWeights pinyin_weights;
  WordWeights initials_weights;
};

// The lookup key of typed input: trimmed of Unicode White_Space, ASCII
// letters lowered.
[[nodiscard]] std::string lookup_key(std::string_view input);

}  // namespace wubi_pinyin::engine
