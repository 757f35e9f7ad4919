#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "pinyin/pinyin_data.h"

namespace wubi_pinyin::engine {

// Stored weights (Core::wfreq_of) of the entries of one word map, by the
// entry's place in the whole map, each computed the first time a lookup
// needs it. A short prefix covers thousands of entries and every key
// rebuilds the list: with the weights at hand, ranking such a range is one
// pass over plain numbers instead of a Wubi-table search per entry.
//
// The store answers for the map as it was when it was filled: `fit` empties
// it whenever the map, the active Wubi table or the scheme may have changed
// (different sizes, or the map's entries now live elsewhere, as after the
// background data were installed).
class WordWeights {
 public:
  struct Stamp {
    size_t entries = 0;
    const char* first_key = nullptr;
    const char* last_key = nullptr;
    size_t wubi_entries = 0;
    bool scheme98 = false;
    friend bool operator==(const Stamp&, const Stamp&) = default;
  };

  [[nodiscard]] static Stamp stamp_of(const pinyin::WordMap::Range& all, size_t wubi_entries,
                                      bool scheme98) noexcept {
    Stamp s;
    s.entries = all.size();
    if (!all.empty()) {
      s.first_key = all[0].key.data();
      s.last_key = all[all.size() - 1].key.data();
    }
    s.wubi_entries = wubi_entries;
    s.scheme98 = scheme98;
    return s;
  }

  // Makes the store answer for the map described by `stamp`.
  void fit(const Stamp& stamp) {
    if (stamp == stamp_ && known_.size() == stamp.entries) return;
    stamp_ = stamp;
    weights_.assign(stamp.entries, 0);
    known_.assign(stamp.entries, 0);
  }

  // The weight of entry `index` of the map; `compute` gives it when unknown.
  template <class Compute>
  [[nodiscard]] uint32_t get(size_t index, Compute&& compute) {
    if (index >= known_.size()) return compute();
    if (!known_[index]) {
      weights_[index] = compute();
      known_[index] = 1;
    }
    return weights_[index];
  }

 private:
  Stamp stamp_;
  std::vector<uint32_t> weights_;
  std::vector<uint8_t> known_;
};

// Place of the first entry of `range` in the whole map `all` (the range is a
// run of whole keys of that map, as every lookup returns).
[[nodiscard]] inline size_t offset_in(const pinyin::WordMap::Range& all,
                                      const pinyin::WordMap::Range& range) noexcept {
  if (range.empty()) return 0;
  const std::string_view key = range[0].key;
  size_t lo = 0, hi = all.size();
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    if (all[mid].key < key)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

}  // namespace wubi_pinyin::engine
