// Freq::load on arbitrary bytes, then the save and load round trip: the
// saved file holds well-formed lines only, and loading it back gives the
// same store, which saves to the same lines.
#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "freq/freq.h"
#include "fuzz_support.h"
#include "text/utf8.h"

using wubi_pinyin::freq::Freq;

namespace {

std::string read_all(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Line {
  std::string text;
  uint32_t count;
  bool operator<(const Line& o) const { return text < o.text; }
  bool operator==(const Line& o) const { return text == o.text && count == o.count; }
};

// Every line is text, TAB, a count in plain decimal, LF.
std::vector<Line> parse_saved(const std::string& content) {
  std::vector<Line> lines;
  QUVO_FUZZ_CHECK(content.empty() || content.back() == '\n');
  size_t pos = 0;
  while (pos < content.size()) {
    const size_t end = content.find('\n', pos);
    const std::string_view line(content.data() + pos, end - pos);
    const size_t tab = line.find('\t');
    QUVO_FUZZ_CHECK(tab != std::string_view::npos);
    const std::string_view digits = line.substr(tab + 1);
    QUVO_FUZZ_CHECK(!digits.empty() && digits.size() <= 10);
    QUVO_FUZZ_CHECK(digits == "0" || digits[0] != '0');
    uint64_t n = 0;
    for (char ch : digits) {
      QUVO_FUZZ_CHECK(ch >= '0' && ch <= '9');
      n = n * 10 + static_cast<uint64_t>(ch - '0');
    }
    QUVO_FUZZ_CHECK(n <= 4294967295u);
    QUVO_FUZZ_CHECK(wubi_pinyin::text::is_valid_utf8(line.substr(0, tab)));
    lines.push_back({std::string(line.substr(0, tab)), static_cast<uint32_t>(n)});
    pos = end + 1;
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Freq first;
  first.load(quvo_fuzz::input_file(data, size));

  const std::string saved = quvo_fuzz::scratch().file("user.freq");
  QUVO_FUZZ_CHECK(first.save(saved));
  const std::vector<Line> lines = parse_saved(read_all(saved));
  QUVO_FUZZ_CHECK(lines.size() == first.size());
  for (size_t i = 1; i < lines.size(); ++i) QUVO_FUZZ_CHECK(lines[i - 1].text != lines[i].text);
  for (const auto& l : lines) QUVO_FUZZ_CHECK(first.count(l.text) == l.count);

  Freq second;
  second.load(saved);
  QUVO_FUZZ_CHECK(second.size() == first.size());
  for (const auto& l : lines) QUVO_FUZZ_CHECK(second.count(l.text) == l.count);
  QUVO_FUZZ_CHECK(second.save(saved));
  QUVO_FUZZ_CHECK(parse_saved(read_all(saved)) == lines);

  // A learned commit on top is counted and survives the next round trip.
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string_view text = bytes.substr(0, std::min<size_t>(bytes.find_first_of("\t\n"), 16));
  if (wubi_pinyin::text::is_valid_utf8(text)) {
    const uint32_t before = second.count(text);
    second.bump(text);
    QUVO_FUZZ_CHECK(second.count(text) == (before == 4294967295u ? before : before + 1));
  }

  // A save that cannot create its file reports failure and changes nothing.
  QUVO_FUZZ_CHECK(!second.save(saved + "/below-a-file"));
  return 0;
}
