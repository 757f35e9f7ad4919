// read_pinyin_favourites on arbitrary bytes.
#include <string>

#include "engine/favourites.h"
#include "fuzz_support.h"
#include "text/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = quvo_fuzz::input_file(data, size);
  wubi_pinyin::text::StringSet words;
  wubi_pinyin::engine::read_pinyin_favourites(path, words);
  for (const auto& w : words) {
    QUVO_FUZZ_CHECK(!w.empty());
    QUVO_FUZZ_CHECK(wubi_pinyin::text::is_valid_utf8(w));
  }
  return 0;
}
