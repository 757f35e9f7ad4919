// PinyinData::load (character readings) on arbitrary bytes, then the
// reading lookups and the segmentation of typed pinyin.
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "pinyin/pinyin_data.h"
#include "text/utf8.h"

using wubi_pinyin::pinyin::PinyinData;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PinyinData py;
  py.load(quvo_fuzz::input_file(data, size));

  // Runs of ASCII letters in the input are readings or typed pinyin.
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> pieces = {"", "zhongguo", "nihao", "xian", "a", "zzzzzzzz"};
  std::string run;
  for (char ch : bytes) {
    if ((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || ch == '\'') {
      run.push_back(ch);
    } else if (!run.empty()) {
      if (pieces.size() < 32) pieces.push_back(run);
      run.clear();
    }
  }
  if (!run.empty()) pieces.push_back(run);
  std::string joined;
  for (const auto& p : pieces) joined += p;
  if (joined.size() > 64) joined.resize(64);
  pieces.push_back(joined);

  for (const auto& p : pieces) {
    (void)py.has_reading(p);
    (void)py.is_syllable(p);
    for (char32_t c : py.reading_chars(p)) {
      const auto r = py.char_reading(c);
      QUVO_FUZZ_CHECK(r.has_value());
    }
    const std::string split = py.split_longest(p);
    QUVO_FUZZ_CHECK(wubi_pinyin::text::is_valid_utf8(split));
    if (const auto seq = py.greedy_seq(p)) {
      size_t total = 0;
      for (auto s : *seq) total += s.size();
      QUVO_FUZZ_CHECK(total <= p.size());
    }
    (void)py.display_segments(p);
    (void)py.initials_patterns(p);
  }
  for (char32_t c : {U'中', U'国', U'a', U'\U0010FFFF'}) (void)py.char_reading(c);
  return 0;
}
