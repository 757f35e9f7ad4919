#pragma once

#include <string_view>
#include <vector>

#include "pinyin/pinyin_data.h"
#include "wubi/wubi_table.h"

namespace wubi_pinyin::engine {

// One record of the word index: a word, the full pinyin it is filed under
// and its code. The views point into the PinyinData the index was built
// from, which always travels with it.
struct WordIndexEntry {
  std::string_view word;
  std::string_view pinyin;
  std::string_view code;
};

// Sorted by the bytes of the word, one record per distinct word.
using WordIndex = std::vector<WordIndexEntry>;

// Files every multi-character word of the tables under its pinyin, each word
// once, with the first code met (tables in order, codes ascending).
void derive_pinyin(pinyin::PinyinData& data, const std::vector<const wubi::WubiTable*>& tables);

// The word index of a lexicon: its full-pinyin pairs sorted by word (stable),
// the first record of each word kept.
[[nodiscard]] WordIndex build_word_index(const pinyin::PinyinData& data);

}  // namespace wubi_pinyin::engine
