// PinyinData::load_words (word lists) on arbitrary bytes over a small set of
// readings, then the word lookups, user phrases, the merge into a second
// lexicon and the word index built from it.
#include <string>
#include <vector>

#include "engine/word_index.h"
#include "fuzz_support.h"
#include "pinyin/pinyin_data.h"
#include "text/utf8.h"

using wubi_pinyin::pinyin::PinyinData;

namespace {

const std::string& readings_file() {
  static const std::string path = [] {
    std::string p = quvo_fuzz::scratch().file("readings.dict");
    quvo_fuzz::write_file(p, "中 zhong\n国 guo\n你 ni\n好 hao\n人 ren\n重 zhong\n重 chong\n");
    return p;
  }();
  return path;
}

void exercise(const PinyinData& py) {
  std::vector<std::string> keys = {"", "z", "zh", "zhongguo", "ng", "nihao", "n"};
  size_t taken = 0;
  for (const auto w : py.all_words_by_pinyin()) {
    QUVO_FUZZ_CHECK(wubi_pinyin::text::is_valid_utf8(w.word));
    if (taken++ < 16) {
      keys.emplace_back(w.key);
      keys.emplace_back(w.key.substr(0, w.key.size() / 2));
      (void)py.word_freq(w.word);
      (void)py.word_pinyin_of(w.word);
      (void)py.polyphonic(w.word);
    }
  }
  for (const auto w : py.all_words_by_initials()) {
    if (taken++ < 32) keys.emplace_back(w.key);
  }
  for (const auto& k : keys) {
    for (const auto w : py.words_by_pinyin(k)) QUVO_FUZZ_CHECK(w.key == k);
    for (const auto w : py.words_by_initials(k)) QUVO_FUZZ_CHECK(w.key == k);
    for (const auto w : py.words_with_prefix(k)) QUVO_FUZZ_CHECK(w.key.substr(0, k.size()) == k);
    for (const auto w : py.initials_with_prefix(k)) QUVO_FUZZ_CHECK(w.key.substr(0, k.size()) == k);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = quvo_fuzz::input_file(data, size);
  PinyinData py;
  py.load(readings_file());
  py.load_words(path);
  exercise(py);

  // The index is sorted by word and holds each word once.
  const auto index = wubi_pinyin::engine::build_word_index(py);
  for (size_t i = 1; i < index.size(); ++i) QUVO_FUZZ_CHECK(index[i - 1].word < index[i].word);

  // A phrase learned on top, then the merge of everything into a second
  // lexicon loaded from the same file.
  (void)py.add_user_phrase("中国人", "zhongguoren");
  (void)py.add_user_phrase("", "");
  PinyinData other;
  other.load(readings_file());
  other.load_words(path);
  other.merge_words_from(py);
  exercise(other);
  return 0;
}
