// load_bigram on arbitrary bytes.
#include <string>

#include "engine/scoring_data.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto map = wubi_pinyin::engine::load_bigram(quvo_fuzz::input_file(data, size));
  for (const auto& [key, n] : map) {
    QUVO_FUZZ_CHECK((key >> 32) <= 0x10FFFF);
    QUVO_FUZZ_CHECK((key & 0xffffffffu) <= 0x10FFFF);
  }
  QUVO_FUZZ_CHECK(map.size() <= size);
  return 0;
}
