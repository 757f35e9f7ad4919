// PinyinData::load_polyphonic on arbitrary bytes, then the lookups of the
// words it names and the word data built on top.
#include <string>

#include "fuzz_support.h"
#include "pinyin/pinyin_data.h"

using wubi_pinyin::pinyin::PinyinData;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = quvo_fuzz::input_file(data, size);
  PinyinData py;
  py.load_polyphonic(path);

  // First fields of the lines are the words to ask for.
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  size_t asked = 0;
  for (size_t pos = 0; pos < bytes.size() && asked < 32; ++asked) {
    size_t end = bytes.find('\n', pos);
    if (end == std::string_view::npos) end = bytes.size();
    const std::string_view line = bytes.substr(pos, end - pos);
    const std::string_view word = line.substr(0, line.find_first_of(" \t"));
    if (const auto* p = py.polyphonic(word)) {
      (void)p->pinyin.size();
      (void)p->initials.size();
    }
    (void)py.word_pinyin_of(word);
    pos = end + 1;
  }
  (void)py.polyphonic("");
  (void)py.add_user_phrase("重庆", "chongqing");
  return 0;
}
