// Cutting typed ASCII pinyin into syllables and initials. A piece is a
// syllable exactly when is_syllable() accepts it; all work is on byte offsets.
#include <algorithm>

#include "pinyin/pinyin_data.h"

namespace wubi_pinyin::pinyin {

namespace {

// Longest piece the greedy cuts and the initials patterns try.
constexpr size_t kMaxPiece = 6;
// Patterns carried per position and patterns returned.
constexpr size_t kPatternsKept = 64;
constexpr size_t kPatternsReturned = 16;

// Sorts ascending by bytes and drops repeats: the patterns of a position
// form a set.
void sort_unique(std::vector<std::string>& v) {
  std::sort(v.begin(), v.end());
  v.erase(std::unique(v.begin(), v.end()), v.end());
}

}  // namespace

std::string PinyinData::split_longest(std::string_view input) const {
  const size_t n = input.size();
  std::vector<bool> reachable(n + 1, false);
  reachable[0] = true;
  size_t longest = 0;
  for (size_t e = 1; e <= n; ++e) {
    // A piece longer than every syllable cannot match, so starts before
    // e - longest_syllable_ need no probe.
    const size_t from = e > longest_syllable_ ? e - longest_syllable_ : 0;
    for (size_t s = from; s < e; ++s) {
      if (reachable[s] && is_syllable(input.substr(s, e - s))) {
        reachable[e] = true;
        longest = e;
        break;
      }
    }
  }
  return std::string(input.substr(0, longest));
}

std::optional<std::vector<std::string_view>> PinyinData::greedy_seq(std::string_view input) const {
  std::vector<std::string_view> out;
  size_t p = 0;
  while (p < input.size()) {
    size_t len = std::min(kMaxPiece, input.size() - p);
    while (len > 0 && !is_syllable(input.substr(p, len))) --len;
    if (len == 0) return std::nullopt;
    out.push_back(input.substr(p, len));
    p += len;
  }
  return out;
}

std::vector<std::string_view> PinyinData::display_segments(std::string_view input) const {
  std::vector<std::string_view> out;
  size_t p = 0;
  while (p < input.size()) {
    size_t len = std::min(kMaxPiece, input.size() - p);
    while (len > 0 && !is_syllable(input.substr(p, len))) --len;
    if (len == 0) len = 1;  // a stuck letter stands for itself
    out.push_back(input.substr(p, len));
    p += len;
  }
  return out;
}

std::vector<std::string> PinyinData::initials_patterns(std::string_view input) const {
  const size_t n = input.size();
  std::vector<std::vector<std::string>> at(n + 1);
  at[0].emplace_back();
  const auto pass_on = [&](const std::vector<std::string>& from, char initial, size_t to) {
    for (const std::string& pattern : from) at[to].push_back(pattern + initial);
  };
  for (size_t p = 0; p < n; ++p) {
    std::vector<std::string>& here = at[p];
    if (here.empty()) continue;
    sort_unique(here);
    if (here.size() > kPatternsKept) here.resize(kPatternsKept);
    bool any = false;
    for (size_t e = p + 1; e <= std::min(n, p + kMaxPiece); ++e) {
      if (!is_syllable(input.substr(p, e - p))) continue;
      any = true;
      pass_on(here, input[p], e);
    }
    // A letter where no syllable starts is an initial of its own.
    if (!any) pass_on(here, input[p], p + 1);
    std::vector<std::string>().swap(here);
  }
  std::vector<std::string>& last = at[n];
  sort_unique(last);
  if (last.size() > kPatternsReturned) last.resize(kPatternsReturned);
  return std::move(last);
}

}  // namespace wubi_pinyin::pinyin
