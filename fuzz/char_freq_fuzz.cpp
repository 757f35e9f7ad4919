// load_char_freq on arbitrary bytes.
#include <string>

#include "engine/scoring_data.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto map = wubi_pinyin::engine::load_char_freq(quvo_fuzz::input_file(data, size));
  for (const auto& [c, n] : map) QUVO_FUZZ_CHECK(c <= 0x10FFFF);
  QUVO_FUZZ_CHECK(map.size() <= size);
  return 0;
}
