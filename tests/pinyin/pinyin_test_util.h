#pragma once

#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "pinyin/pinyin_data.h"
#include "support/temp_dir.h"

namespace quvo_test {

// (key, word, code) of every pair of a range, copied out.
using Pair = std::tuple<std::string, std::string, std::string>;

inline std::vector<Pair> pairs_of(wubi_pinyin::pinyin::WordMap::Range range) {
  std::vector<Pair> out;
  for (const wubi_pinyin::pinyin::WordView v : range)
    out.emplace_back(std::string(v.key), std::string(v.word), std::string(v.code));
  return out;
}

// The words of a range, in order.
inline std::vector<std::string> words_of(wubi_pinyin::pinyin::WordMap::Range range) {
  std::vector<std::string> out;
  for (const wubi_pinyin::pinyin::WordView v : range) out.emplace_back(v.word);
  return out;
}

// A lexicon loaded in the production order from fixture texts: readings,
// overrides, then each word list.
inline wubi_pinyin::pinyin::PinyinData make_lexicon(const TempDir& dir, std::string_view readings,
                                                    std::string_view overrides = {},
                                                    std::vector<std::string_view> lists = {}) {
  wubi_pinyin::pinyin::PinyinData data;
  data.load(dir.write("hanzi_pinyin.dict", readings));
  data.load_polyphonic(dir.write("polyphonic.dict", overrides));
  for (size_t i = 0; i < lists.size(); ++i)
    data.load_words(dir.write("words" + std::to_string(i) + ".dict", lists[i]));
  return data;
}

}  // namespace quvo_test
