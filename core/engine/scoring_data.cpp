#include "engine/scoring_data.h"

#include <optional>
#include <string_view>

#include "text/line_reader.h"
#include "text/number.h"
#include "text/utf8.h"
#include "text/white_space.h"

namespace wubi_pinyin::engine {

namespace {

// Calls on_entry(first field, count) for every line that has a TAB and a
// valid count; the line is valid UTF-8 here.
template <class F>
void read_counted_lines(const std::string& path, F&& on_entry) {
  text::read_lines(path, text::InvalidLine::stop, [&](std::string_view line) {
    const text::Fields fields = text::split_at_bytes(line, "\t");
    if (fields.size() < 2) return;
    const std::optional<uint32_t> n = text::parse_u32(text::trim_white_space(fields[1]));
    if (!n) return;
    on_entry(fields[0], *n);
  });
}

}  // namespace

CharFreqMap load_char_freq(const std::string& path) {
  CharFreqMap map;
  read_counted_lines(path, [&](std::string_view key, uint32_t n) {
    if (key.empty()) return;
    map[text::first_char(key)] = n;
  });
  return map;
}

BigramMap load_bigram(const std::string& path) {
  BigramMap map;
  read_counted_lines(path, [&](std::string_view key, uint32_t n) {
    size_t pos = 0;
    if (pos >= key.size()) return;
    const char32_t first = text::decode_utf8(key, pos);
    if (pos >= key.size()) return;
    const char32_t second = text::decode_utf8(key, pos);
    map[bigram_key(first, second)] = n;
  });
  return map;
}

}  // namespace wubi_pinyin::engine
