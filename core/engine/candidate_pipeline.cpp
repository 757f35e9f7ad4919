#include <algorithm>
#include <array>

#include "engine/core.h"
#include "text/ascii.h"
#include "text/white_space.h"

namespace wubi_pinyin::engine {

namespace {

constexpr std::array<std::string_view, 10> kFinancialDigits = {
    "零", "壹", "贰", "叁", "肆", "伍", "陆", "柒", "捌", "玖"};
constexpr std::array<std::string_view, 10> kChineseDigits = {
    "零", "一", "二", "三", "四", "五", "六", "七", "八", "九"};

std::string convert_digits(std::string_view digits, const std::array<std::string_view, 10>& forms) {
  std::string out;
  out.reserve(digits.size() * 3);
  for (char d : digits) out.append(forms[static_cast<size_t>(d - '0')]);
  return out;
}

// Moves favourite words ahead of the rest, both groups keeping their order.
void favourites_first(const text::StringSet& favourites, CandidateList& list) {
  if (favourites.empty() || list.size() < 2) return;
  const auto is_favourite = [&](const Candidate& c) { return favourites.contains(c.text); };
  if (std::none_of(list.begin(), list.end(), is_favourite)) return;
  std::stable_partition(list.begin(), list.end(), is_favourite);
}

}  // namespace

std::string lookup_key(std::string_view input) {
  return text::ascii_lowered(text::trim_white_space(input));
}

CandidateList Core::candidates() {
  poll_pinyin_build();
  std::string key = lookup_key(input);
  if (cand_cache && cand_cache->key == key && cand_cache->mode == mode &&
      cand_cache->scheme98 == scheme98)
    return cand_cache->list;
  CandidateList list = candidates_uncached();
  cand_cache = CandCache{std::move(key), mode, scheme98, list};
  return list;
}

CandidateList Core::candidates_uncached() {
  const std::string key = lookup_key(input);
  CandidateList out;
  if (key.empty()) return out;
  if (text::is_all_digits(key)) {
    out.push_back({key, "数字"});
    out.push_back({convert_digits(key, kFinancialDigits), "大写"});
    out.push_back({convert_digits(key, kChineseDigits), "中文数字"});
    return out;
  }
  const std::optional<std::string_view> emoji_text = emoji.lookup(key);
  if (mode == Mode::pinyin)
    pinyin_candidates(key, emoji_text, out);
  else
    wubi_candidates(key, emoji_text, out);
  favourites_first(favourite_words, out);
  return out;
}

}  // namespace wubi_pinyin::engine
