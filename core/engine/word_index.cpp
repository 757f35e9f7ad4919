#include "engine/word_index.h"

#include <algorithm>

#include "pinyin/byte_sort.h"
#include "pinyin/id_table.h"
#include "text/utf8.h"

namespace wubi_pinyin::engine {

void derive_pinyin(pinyin::PinyinData& data, const std::vector<const wubi::WubiTable*>& tables) {
  using pinyin::detail::IdTable;
  // The words met so far, by their bytes; the views stay valid while the
  // tables live, which outlasts this call.
  std::vector<std::string_view> seen;
  IdTable seen_ids;
  for (const wubi::WubiTable* table : tables) {
    for (const wubi::WubiTable::Match m : table->all()) {
      if (m.word.empty() || text::is_single_char(m.word)) continue;
      const auto fresh = static_cast<uint32_t>(seen.size());
      if (seen_ids.find_or_insert(pinyin::detail::hash_bytes(m.word), fresh,
                                  [&](uint32_t i) { return seen[i] == m.word; }) != fresh)
        continue;
      seen.push_back(m.word);
      data.register_word(m.word, m.code);
    }
  }
  // Loading ends here: merge the derived words and drop the loading indexes.
  data.compact();
}

WordIndex build_word_index(const pinyin::PinyinData& data) {
  WordIndex index;
  const std::span<const pinyin::WordMap::Entry> all = data.pinyin_entries();
  if (all.empty()) return index;
  const auto word_of = [&](uint32_t i) { return data.text_of(all[i].word()); };

  // Walk order, then sorted by word with ties in walk order.
  std::vector<uint32_t> order(all.size());
  for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  pinyin::detail::sort_ids_by_bytes(order, word_of);

  // The first record of each run of equal words.
  size_t kept = 0;
  for (size_t i = 0; i < order.size(); ++i)
    if (i == 0 || word_of(order[i]) != word_of(order[i - 1])) order[kept++] = order[i];
  order.resize(kept);

  index.records_.reserve(kept);
  uint32_t last_chunk = 0;
  for (const uint32_t i : order) {
    const pinyin::WordMap::Entry& e = all[i];
    index.records_.push_back({e.text, e.word_len, e.code_len, e.key.pos, e.key.len});
    last_chunk = std::max({last_chunk, e.text >> 16, e.key.pos >> 16});
  }
  index.chunks_.reserve(last_chunk + 1);
  for (uint32_t c = 0; c <= last_chunk; ++c) index.chunks_.push_back(data.chunk_start(c));
  return index;
}

}  // namespace wubi_pinyin::engine
