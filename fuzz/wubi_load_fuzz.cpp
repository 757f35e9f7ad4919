// WubiTable::load on arbitrary bytes, then every lookup over what was filed.
#include <string>

#include "fuzz_support.h"
#include "text/utf8.h"
#include "wubi/wubi_table.h"

using wubi_pinyin::wubi::WubiTable;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  WubiTable table;
  table.load(quvo_fuzz::input_file(data, size));

  // The whole table is ordered by code bytes, and every code finds its run.
  std::string_view previous;
  size_t seen = 0;
  for (const auto m : table.all()) {
    QUVO_FUZZ_CHECK(!m.code.empty());
    QUVO_FUZZ_CHECK(previous <= m.code);
    QUVO_FUZZ_CHECK(wubi_pinyin::text::is_valid_utf8(m.word));
    if (m.code != previous) {
      const auto run = table.by_code(m.code);
      QUVO_FUZZ_CHECK(!run.empty());
      QUVO_FUZZ_CHECK(table.prefix(m.code).size() >= run.size());
      QUVO_FUZZ_CHECK(table.prefix(m.code.substr(0, 1)).size() >= run.size());
    }
    previous = m.code;
    ++seen;
  }
  QUVO_FUZZ_CHECK(seen == table.size());
  QUVO_FUZZ_CHECK(table.prefix("").empty());

  // A second load of the same file adds the same records again.
  const size_t once = table.size();
  table.load(quvo_fuzz::input_file(data, size));
  QUVO_FUZZ_CHECK(table.size() == 2 * once);

  for (char32_t c : {U'中', U'a', U'\0', U'\U0010FFFF'}) {
    if (const auto code = table.full_code(c)) QUVO_FUZZ_CHECK(!code->empty());
  }
  return 0;
}
