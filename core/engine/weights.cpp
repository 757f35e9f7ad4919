#include "engine/core.h"
#include "text/utf8.h"

namespace wubi_pinyin::engine {

uint32_t Core::char_freq(char32_t c) const noexcept {
  if (!char_freq_table.empty()) {
    const auto it = char_freq_table.find(c);
    return it == char_freq_table.end() ? 100 : it->second;
  }
  // Before the frequencies arrive, a character's own entry under its full
  // code stands in for them.
  const wubi::WubiTable& table = active_table();
  const auto code = table.full_code(c);
  if (!code) return 0;
  char buf[4];
  const std::string_view self(buf, text::encode_utf8(c, buf));
  for (const wubi::WubiTable::Match m : table.by_code(*code))
    if (m.word == self) return m.weight;
  return 0;
}

uint32_t Core::wfreq_of(std::string_view word, std::string_view code) const noexcept {
  if (!code.empty()) {
    for (const wubi::WubiTable::Match m : active_table().by_code(code))
      if (m.word == word) return m.weight;
  }
  if (const auto f = pinyin.word_freq(word)) return *f;
  return 0;
}

}  // namespace wubi_pinyin::engine
