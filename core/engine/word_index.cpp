#include "engine/word_index.h"

#include <algorithm>
#include <unordered_set>

#include "text/utf8.h"

namespace wubi_pinyin::engine {

void derive_pinyin(pinyin::PinyinData& data, const std::vector<const wubi::WubiTable*>& tables) {
  std::unordered_set<std::string_view> seen;
  size_t total = 0;
  for (const wubi::WubiTable* table : tables) total += table->size();
  seen.reserve(total);
  for (const wubi::WubiTable* table : tables) {
    for (const wubi::WubiTable::Match m : table->all()) {
      if (text::is_single_char(m.word) || m.word.empty()) continue;
      // The views stay valid while the tables live, which outlasts this call.
      if (!seen.insert(m.word).second) continue;
      data.register_word(m.word, m.code);
    }
  }
}

WordIndex build_word_index(const pinyin::PinyinData& data) {
  WordIndex index;
  const auto all = data.all_words_by_pinyin();
  index.reserve(all.size());
  for (const pinyin::WordView v : all) index.push_back({v.word, v.key, v.code});
  std::stable_sort(index.begin(), index.end(),
                   [](const WordIndexEntry& a, const WordIndexEntry& b) { return a.word < b.word; });
  index.erase(std::unique(index.begin(), index.end(),
                          [](const WordIndexEntry& a, const WordIndexEntry& b) {
                            return a.word == b.word;
                          }),
              index.end());
  return index;
}

}  // namespace wubi_pinyin::engine
