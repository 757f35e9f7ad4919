// WubiTable::import_entries of arbitrary bytes into a table that already
// holds words: every returned pair is in the table afterwards, a second
// import of the same file adds nothing.
#include <string>

#include "fuzz_support.h"
#include "wubi/wubi_table.h"

using wubi_pinyin::wubi::WubiTable;

namespace {

bool holds(const WubiTable& table, std::string_view word, std::string_view code) {
  for (const auto m : table.by_code(code))
    if (m.word == word) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string base = quvo_fuzz::scratch().file("base.dict");
  static const bool written =
      (quvo_fuzz::write_file(base, "工 a 100\n中 k 200\n中国 khlg 500\n"), true);
  (void)written;

  WubiTable table;
  table.load(base);
  const std::string path = quvo_fuzz::input_file(data, size);
  const auto pairs = table.import_entries(path);
  QUVO_FUZZ_CHECK(table.size() == 3 + pairs.size());
  for (const auto& [word, code] : pairs) {
    QUVO_FUZZ_CHECK(!code.empty());
    QUVO_FUZZ_CHECK(holds(table, word, code));
  }
  QUVO_FUZZ_CHECK(table.import_entries(path).empty());
  return 0;
}
