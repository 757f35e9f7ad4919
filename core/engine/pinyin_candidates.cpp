#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core.h"
#include "text/utf8.h"

namespace wubi_pinyin::engine {

namespace {

// Most steps stop adding once the list holds this many candidates.
constexpr size_t kListLimit = 20;
constexpr size_t kExactChars = 12;
constexpr size_t kExactWords = 15;
constexpr size_t kSentences = 3;
constexpr size_t kInitialsPatterns = 16;
constexpr size_t kPrefixPatterns = 2;
// A prefix pool keeps only its best views, sorted.
constexpr size_t kPoolBest = 60;

constexpr std::string_view kSentenceComment = "整句";

// A character of a reading with its sort key.
struct CharItem {
  char32_t c;
  uint32_t rank;   // learned score with the character frequency as base
  uint32_t order;  // place in the reading's list: equal ranks keep it
};

// A word view with its sort keys, computed once before sorting.
struct WordItem {
  pinyin::WordView view;
  bool matches_key;  // completion ordering only: the view's key starts with the typed key
  uint32_t weight;   // the word-entry rank, or the stored weight of the prefix orderings
  uint32_t key_len;
  uint32_t learned;  // learned score with base 0 (prefix orderings only)
  uint32_t order;    // place in the pool: equal items keep it
};

[[nodiscard]] bool char_before(const CharItem& a, const CharItem& b) noexcept {
  if (a.rank != b.rank) return a.rank > b.rank;
  return a.order < b.order;
}

// Word-entry ordering (exact words, exact initials).
[[nodiscard]] bool entry_before(const WordItem& a, const WordItem& b) noexcept {
  if (a.weight != b.weight) return a.weight > b.weight;
  return a.order < b.order;
}

// Completion ordering; with matches_key equal everywhere it is the initials
// ordering.
[[nodiscard]] bool prefix_before(const WordItem& a, const WordItem& b) noexcept {
  if (a.matches_key != b.matches_key) return a.matches_key;
  if (a.weight != b.weight) return a.weight > b.weight;
  if (a.key_len != b.key_len) return a.key_len < b.key_len;
  if (a.learned != b.learned) return a.learned > b.learned;
  return a.order < b.order;
}

// Items of a pool in their final order, sorted only as far as they are read:
// a walk that stops early sorts little of a long pool. Since every ordering
// ends with the place in the pool, this is the order of a stable sort.
template <class T, class Before>
class LazyOrder {
 public:
  LazyOrder(std::vector<T>& items, Before before) : items_(items), before_(before) {}
  [[nodiscard]] size_t size() const noexcept { return items_.size(); }
  // Item i of the order; i must be below size().
  const T& operator[](size_t i) {
    if (i >= sorted_) {
      const size_t upto = std::min(items_.size(), std::max({i + 1, sorted_ * 2, size_t{16}}));
      std::partial_sort(items_.begin() + static_cast<std::ptrdiff_t>(sorted_),
                        items_.begin() + static_cast<std::ptrdiff_t>(upto), items_.end(), before_);
      sorted_ = upto;
    }
    return items_[i];
  }

 private:
  std::vector<T>& items_;
  Before before_;
  size_t sorted_ = 0;
};

}  // namespace

// Pinyin-mode candidates for a lookup key: literal readings first, looser
// ones after, each step adding what the earlier ones have not listed.
void Core::pinyin_candidates(std::string_view key, std::optional<std::string_view> emoji_text,
                             CandidateList& out) {
  const size_t base = out.size();
  // 1. The emoji; it is not one of the taken texts.
  if (emoji_text) out.push_back({std::string(*emoji_text), std::string(key)});
  const size_t taken_from = out.size();
  const auto count = [&] { return out.size() - base; };
  // The taken texts are the candidates appended since the emoji; a list
  // holds at most 28 of them, so a scan is cheaper than a hash set.
  const auto taken = [&](std::string_view t) {
    for (size_t i = taken_from; i < out.size(); ++i)
      if (out[i].text == t) return true;
    return false;
  };
  const auto record = [&](std::string_view t, std::string_view pinyin_text) {
    sentence_pinyin.insert_or_assign(std::string(t), std::string(pinyin_text));
  };
  const wubi::WubiTable& table = active_table();
  const auto wubi_hint = [&](char32_t c) {
    const auto code = table.full_code(c);
    return code ? std::string(*code) : std::string();
  };
  const bool learned_any = freq.size() != 0;

  // Characters of a reading by the character ordering.
  std::vector<CharItem> chars;
  const auto sorted_chars = [&](std::string_view reading, size_t first_n) {
    chars.clear();
    const std::span<const char32_t> list = pinyin.reading_chars(reading);
    chars.reserve(list.size());
    char buf[4];
    for (size_t i = 0; i < list.size(); ++i) {
      const char32_t c = list[i];
      const std::string_view text(buf, text::encode_utf8(c, buf));
      chars.push_back({c, freq.rank(char_freq(c), text), static_cast<uint32_t>(i)});
    }
    const size_t n = std::min(first_n, chars.size());
    std::partial_sort(chars.begin(), chars.begin() + static_cast<std::ptrdiff_t>(n), chars.end(),
                      char_before);
    chars.resize(n);
  };
  // The word maps as wholes: the weight stores are indexed by place in them.
  const pinyin::WordMap::Range all_by_pinyin = pinyin.all_words_by_pinyin();
  const pinyin::WordMap::Range all_by_initials = pinyin.all_words_by_initials();
  pinyin_weights.fit(WordWeights::stamp_of(all_by_pinyin, table.size(), scheme98));
  initials_weights.fit(WordWeights::stamp_of(all_by_initials, table.size(), scheme98));

  // A run of word views with the place of its first view in its map.
  struct Source {
    pinyin::WordMap::Range range;
    size_t offset;
    WordWeights* weights;
  };
  const auto source = [&](pinyin::WordMap::Range range, bool initials) {
    return Source{range, offset_in(initials ? all_by_initials : all_by_pinyin, range),
                  initials ? &initials_weights : &pinyin_weights};
  };
  const auto weight_of = [&](const Source& src, size_t i, pinyin::WordView v) {
    return src.weights->get(src.offset + i, [&] { return wfreq_of(v.word, v.code); });
  };
  // Word-entry ordering: the learned score with the stored weight as base.
  const auto entry_items = [&](const Source& src, std::vector<WordItem>& items) {
    for (size_t i = 0; i < src.range.size(); ++i) {
      const pinyin::WordView v = src.range[i];
      const uint32_t w = weight_of(src, i, v);
      items.push_back(WordItem{v, false, learned_any ? freq.rank(w, v.word) : w, 0, 0,
                               static_cast<uint32_t>(items.size())});
    }
  };
  // The best `kPoolBest` views of the pooled sources by the completion or
  // initials ordering, sorted. The leading part of those orderings (key
  // match, then weight) is a plain number per view: one pass finds the
  // smallest such number among the best, and only views that reach it get
  // their full sort keys.
  std::vector<WordItem> pool;
  const auto best_of = [&](std::span<const Source> sources, bool completion) {
    pool.clear();
    const auto lead = [&](const Source& src, size_t i, pinyin::WordView v) {
      const bool match = completion && v.key.starts_with(key);
      return (uint64_t{match} << 32) | weight_of(src, i, v);
    };
    std::array<uint64_t, kPoolBest> heap{};
    size_t filled = 0;
    const auto greater = std::greater<uint64_t>{};
    for (const Source& src : sources) {
      for (size_t i = 0; i < src.range.size(); ++i) {
        const uint64_t l = lead(src, i, src.range[i]);
        if (filled < kPoolBest) {
          heap[filled++] = l;
          std::push_heap(heap.begin(), heap.begin() + static_cast<std::ptrdiff_t>(filled), greater);
        } else if (l > heap[0]) {
          std::pop_heap(heap.begin(), heap.end(), greater);
          heap[kPoolBest - 1] = l;
          std::push_heap(heap.begin(), heap.end(), greater);
        }
      }
    }
    const uint64_t floor = filled < kPoolBest ? 0 : heap[0];
    uint32_t order = 0;
    for (const Source& src : sources) {
      for (size_t i = 0; i < src.range.size(); ++i, ++order) {
        const pinyin::WordView v = src.range[i];
        const uint64_t l = lead(src, i, v);
        if (l < floor) continue;
        pool.push_back(WordItem{v, (l >> 32) != 0, static_cast<uint32_t>(l),
                                static_cast<uint32_t>(std::min<size_t>(v.key.size(), UINT32_MAX)),
                                learned_any ? freq.rank(0, v.word) : 0, order});
      }
    }
    if (pool.size() > kPoolBest) {
      std::nth_element(pool.begin(), pool.begin() + static_cast<std::ptrdiff_t>(kPoolBest),
                       pool.end(), prefix_before);
      pool.resize(kPoolBest);
    }
    std::sort(pool.begin(), pool.end(), prefix_before);
  };

  // 2.
  const std::optional<std::vector<std::string_view>> seq = pinyin.greedy_seq(key);
  sentence_pinyin.clear();

  char buf[4];
  // 3. Exact syllable: characters read as the key.
  if (pinyin.has_reading(key)) {
    sorted_chars(key, kExactChars);
    for (const CharItem& item : chars) {
      const std::string_view text(buf, text::encode_utf8(item.c, buf));
      if (taken(text)) continue;
      out.push_back({std::string(text), wubi_hint(item.c)});
      record(text, key);
    }
  }

  // 4. Exact words: words spelled by the whole key.
  if (const pinyin::WordMap::Range words = pinyin.words_by_pinyin(key); !words.empty()) {
    std::vector<WordItem> items;
    items.reserve(words.size());
    entry_items(source(words, false), items);
    const size_t n = std::min(kExactWords, items.size());
    std::partial_sort(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(n), items.end(),
                      entry_before);
    for (size_t i = 0; i < n; ++i) {
      const pinyin::WordView v = items[i].view;
      if (taken(v.word)) continue;
      out.push_back({std::string(v.word), std::string(v.code)});
      record(v.word, key);
    }
  }

  // 5. Composed sentences of two characters or more.
  if (count() < kListLimit) {
    for (const auto& [text, covered] : sentence_best(key, kSentences, seq.has_value())) {
      if (count() >= kListLimit) break;
      if (text::char_count(text) < 2 || taken(text)) continue;
      out.push_back({text, std::string(kSentenceComment)});
      record(text, covered);
    }
  }

  // 6. A key that cuts into syllables gets nothing looser.
  if (seq) return;

  // 7.
  const std::string prefix = pinyin.split_longest(key);
  if (!prefix.empty()) {
    if (count() > kListLimit - 1) return;

    // 8.1 Characters of the leading syllables when the key is not a reading.
    if (!pinyin.has_reading(key) && pinyin.has_reading(prefix)) {
      sorted_chars(prefix, kExactChars);
      for (const CharItem& item : chars) {
        if (count() > kListLimit - 1) break;
        const std::string_view text(buf, text::encode_utf8(item.c, buf));
        if (taken(text)) continue;
        out.push_back({std::string(text), wubi_hint(item.c)});
      }
    }

    // 8.2 Completions of the key, then of its leading syllables (which
    // brings the key's own completions a second time; both copies stay).
    const std::array<Source, 2> sources = {source(pinyin.words_with_prefix(key), false),
                                           source(pinyin.words_with_prefix(prefix), false)};
    best_of(sources, true);
    for (const WordItem& item : pool) {
      if (count() > kListLimit - 1) break;
      if (taken(item.view.word)) continue;
      out.push_back({std::string(item.view.word), std::string(item.view.code)});
      record(item.view.word, key);
    }
  }

  // 9. Initials.
  if (count() >= kListLimit) return;
  const std::vector<std::string> patterns = pinyin.initials_patterns(key);

  // 9.1 Words whose initials are one of the patterns.
  {
    std::vector<WordItem> items;
    const size_t used = std::min(kInitialsPatterns, patterns.size());
    for (size_t p = 0; p < used; ++p)
      entry_items(source(pinyin.words_by_initials(patterns[p]), true), items);
    LazyOrder ordered(items, entry_before);
    for (size_t i = 0; i < ordered.size() && count() < kListLimit; ++i) {
      const pinyin::WordView v = ordered[i].view;
      if (taken(v.word)) continue;
      out.push_back({std::string(v.word), std::string(v.code)});
    }
  }

  // 9.2 Words whose initials begin with one of the first two patterns.
  if (count() >= kListLimit || patterns.empty()) return;
  std::array<Source, kPrefixPatterns> sources{};
  const size_t used = std::min(kPrefixPatterns, patterns.size());
  for (size_t p = 0; p < used; ++p)
    sources[p] = source(pinyin.initials_with_prefix(patterns[p]), true);
  best_of(std::span<const Source>(sources.data(), used), false);
  for (const WordItem& item : pool) {
    if (count() > kListLimit - 1) break;
    if (taken(item.view.word)) continue;
    out.push_back({std::string(item.view.word), std::string(item.view.code)});
  }
}

}  // namespace wubi_pinyin::engine
