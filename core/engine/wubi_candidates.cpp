#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "engine/core.h"
#include "text/string_hash.h"
#include "text/utf8.h"

namespace wubi_pinyin::engine {

namespace {

constexpr size_t kFullySorted = 60;
constexpr size_t kMaxWubiWords = 20;

}  // namespace

// Space-separated readings of the characters of a word that have one.
std::string reading_hint(const pinyin::PinyinData& data, std::string_view word) {
  std::string hint;
  text::for_each_char(word, [&](char32_t c) {
    const auto reading = data.char_reading(c);
    if (!reading) return;
    if (!hint.empty()) hint.push_back(' ');
    hint.append(*reading);
  });
  return hint;
}

void Core::wubi_candidates(std::string_view key, std::optional<std::string_view> emoji_text,
                           CandidateList& out) const {
  if (emoji_text) out.push_back({std::string(*emoji_text), std::string(key)});
  const wubi::WubiTable::Range matches = active_table().prefix(key);
  if (matches.empty()) return;

  // The ordering puts favourites first, then shorter codes, then the higher
  // stored weight plus learned count. Since the code length outranks the
  // weight, only the shortest codes that together reach the sorting limit
  // can end up among the best entries (favourites aside): find that length
  // with one cheap pass, and rank only those entries.
  std::array<size_t, 8> by_length{};
  for (const wubi::WubiTable::Match m : matches) {
    const size_t extra = m.code.size() - key.size();
    ++by_length[std::min(extra, by_length.size() - 1)];
  }
  size_t cutoff = SIZE_MAX;  // longest extra code length kept; the last bucket keeps all
  for (size_t n = 0, i = 0; i + 1 < by_length.size(); ++i) {
    n += by_length[i];
    if (n >= kFullySorted) {
      cutoff = i;
      break;
    }
  }
  const bool any_favourites = !favourite_words.empty();

  struct Ranked {
    wubi::WubiTable::Match m;
    bool favourite;
    uint32_t rank;
  };
  std::vector<Ranked> ranked;
  ranked.reserve(std::min(matches.size(), size_t{256}));
  for (const wubi::WubiTable::Match m : matches) {
    const bool favourite = any_favourites && favourite_words.contains(m.word);
    if (!favourite && m.code.size() - key.size() > cutoff) continue;
    ranked.push_back({m, favourite, freq.rank(m.weight, m.word)});
  }
  const auto better = [](const Ranked& a, const Ranked& b) {
    if (a.favourite != b.favourite) return a.favourite;
    if (a.m.code.size() != b.m.code.size()) return a.m.code.size() < b.m.code.size();
    return a.rank > b.rank;
  };
  if (ranked.size() > kFullySorted) {
    std::nth_element(ranked.begin(), ranked.begin() + kFullySorted, ranked.end(), better);
    ranked.resize(kFullySorted);
  }
  std::stable_sort(ranked.begin(), ranked.end(), better);

  // A word filed under several codes is listed once, at its best place.
  std::array<std::string_view, kMaxWubiWords> taken;
  size_t words = 0;
  for (const Ranked& r : ranked) {
    if (words == kMaxWubiWords) break;
    if (std::find(taken.begin(), taken.begin() + words, r.m.word) != taken.begin() + words)
      continue;
    taken[words++] = r.m.word;
    out.push_back({std::string(r.m.word), reading_hint(pinyin, r.m.word)});
  }
}

}  // namespace wubi_pinyin::engine
