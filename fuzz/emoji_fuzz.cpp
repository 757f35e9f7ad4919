// EmojiMap::load on arbitrary bytes, then lookups of the first tokens.
#include <string>

#include "emoji/emoji_map.h"
#include "fuzz_support.h"
#include "text/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  wubi_pinyin::emoji::EmojiMap map;
  map.load(quvo_fuzz::input_file(data, size));
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  size_t asked = 0;
  for (size_t pos = 0; pos < bytes.size() && asked < 32; ++asked) {
    size_t end = bytes.find('\n', pos);
    if (end == std::string_view::npos) end = bytes.size();
    const std::string_view line = bytes.substr(pos, end - pos);
    if (const auto e = map.lookup(line.substr(0, line.find_first_of(" \t")))) {
      QUVO_FUZZ_CHECK(!e->empty());
      QUVO_FUZZ_CHECK(wubi_pinyin::text::is_valid_utf8(*e));
    }
    pos = end + 1;
  }
  (void)map.lookup("");
  return 0;
}
