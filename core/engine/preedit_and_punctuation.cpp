#include <algorithm>

#include "engine/core.h"
#include "engine/punctuation.h"
#include "text/ascii.h"
#include "text/white_space.h"

namespace wubi_pinyin::engine {

std::optional<std::string_view> fullwidth_punct(char c) noexcept {
  switch (c) {
    case '!': return "！";
    case '"': return "“";
    case '#': return "＃";
    case '$': return "＄";
    case '%': return "％";
    case '&': return "＆";
    case '\'': return "‘";
    case '(': return "（";
    case ')': return "）";
    case '*': return "＊";
    case '+': return "＋";
    case ',': return "，";
    case '-': return "－";
    case '.': return "。";
    case '/': return "／";
    case ':': return "：";
    case '<': return "＜";
    case '=': return "＝";
    case '>': return "＞";
    case '?': return "？";
    case '@': return "＠";
    case '[': return "［";
    case '\\': return "、";
    case ']': return "］";
    case '^': return "＾";
    case '_': return "＿";
    case '{': return "｛";
    case '|': return "｜";
    case '}': return "｝";
    case '~': return "～";
    default: return std::nullopt;
  }
}

std::string Core::preedit_display() const {
  const std::string key = lookup_key(input);
  const bool has_non_digit =
      std::any_of(key.begin(), key.end(), [](char c) { return !text::is_ascii_digit(c); });
  if (key.empty() || mode != Mode::pinyin || !has_non_digit) return input;
  std::string out;
  for (const std::string_view seg : pinyin.display_segments(key)) {
    if (!out.empty()) out.push_back('\'');
    out.append(seg);
  }
  return out;
}

CandidateList Core::panel_cands() {
  const CandidateList list = candidates();
  const size_t n = list.size();
  const size_t s = page_size;
  const size_t last = n > 0 ? (n - 1) / s : 0;
  if (page > last) page = last;
  CandidateList out;
  for (size_t i = page * s; i < n && i < page * s + s; ++i) out.push_back(list[i]);
  return out;
}

void Core::clear_composition() {
  input.clear();
  recent_chars.clear();
  page = 0;
  assoc.clear();
}

}  // namespace wubi_pinyin::engine
