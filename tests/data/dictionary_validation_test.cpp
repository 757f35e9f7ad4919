// Every line of the shipped base dictionaries must be a record that its
// loader reads whole: nothing skipped, nothing cut, nothing read differently
// from what the generator meant. The files are read with the engine's own
// text module, so a line passes exactly when the loader would take it.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "emoji/emoji_map.h"
#include "engine/scoring_data.h"
#include "pinyin/pinyin_data.h"
#include "support/temp_dir.h"
#include "text/ascii.h"
#include "text/line_reader.h"
#include "text/number.h"
#include "text/utf8.h"
#include "text/white_space.h"
#include "wubi/wubi_table.h"

namespace text = wubi_pinyin::text;
using wubi_pinyin::emoji::EmojiMap;
using wubi_pinyin::engine::CharFreqMap;
using wubi_pinyin::pinyin::PinyinData;
using wubi_pinyin::wubi::WubiTable;

namespace {

const std::string kDictDir = QUVO_DICT_DIR;

std::string dict_path(std::string_view name) {
  return kDictDir + "/" + std::string(name);
}

// ---- Field helpers over the text module ----

using Splitter = std::function<text::Fields(std::string_view)>;

// Every field of a record, also past the capacity of text::Fields: the rest
// after the last stored field is split again.
std::vector<std::string_view> all_fields(std::string_view s, const Splitter& split) {
  std::vector<std::string_view> out;
  for (;;) {
    const text::Fields f = split(s);
    for (size_t i = 0; i < f.size(); ++i) out.push_back(f[i]);
    if (f.size() < text::Fields::kCapacity) return out;
    const std::string_view last = f[text::Fields::kCapacity - 1];
    s = s.substr(static_cast<size_t>(last.data() + last.size() - s.data()));
  }
}

std::vector<std::string_view> white_space_fields(std::string_view s) {
  return all_fields(s, [](std::string_view v) { return text::split_white_space(v); });
}

std::string joined(const std::vector<std::string_view>& fields, std::string_view sep) {
  std::string out;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) out += sep;
    out += fields[i];
  }
  return out;
}

bool is_lower_letters(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

bool is_wubi_code(std::string_view s) {
  return is_lower_letters(s) && s.size() <= 4;
}

// Readings that are a consonant alone; as syllables they would swallow the
// initials of ordinary words (hm for 号码, nm for 你们).
bool is_consonant_only(std::string_view r) {
  static constexpr std::array<std::string_view, 6> kConsonants{"m", "n", "ng", "hm", "hng", "r"};
  return std::find(kConsonants.begin(), kConsonants.end(), r) != kConsonants.end();
}

// The spellings lue and nue also stand in the files as lve and nve.
std::string with_v_spelling(std::string s) {
  for (const std::string_view from : {"lue", "nue"}) {
    for (size_t pos = s.find(from); pos != std::string::npos; pos = s.find(from, pos + 3))
      s[pos + 1] = 'v';
  }
  return s;
}

// ---- Data shared by the file checks, read by the engine's loaders ----

struct Shared {
  CharFreqMap char_freq;
  PinyinData readings;  // readings and overrides, no word lists
};

const Shared& shared() {
  static const Shared s = [] {
    Shared out;
    out.char_freq = wubi_pinyin::engine::load_char_freq(dict_path("char_freq.dict"));
    out.readings.load(dict_path("hanzi_pinyin.dict"));
    out.readings.load_polyphonic(dict_path("polyphonic.dict"));
    return out;
  }();
  return s;
}

// ---- The checks of one line per file kind ----

// Result of checking one line: an empty string when the line is sound.
using LineCheck = std::function<std::string(std::string_view line)>;

// The key that must be unique within a file, when the file has one.
using KeyOf = std::function<std::string(std::string_view line)>;

// word TAB code TAB weight
std::string check_wubi_line(std::string_view line) {
  const auto f = white_space_fields(line);
  if (f.size() != 3) return "not three fields";
  if (joined(f, "\t") != line) return "fields not separated by single TABs";
  if (!is_wubi_code(f[1])) return "code is not 1 to 4 lower-case letters";
  if (!text::parse_u32(f[2])) return "weight is not an unsigned 32-bit number";
  return {};
}

// char SPACE reading
std::string check_reading_line(std::string_view line) {
  const text::Fields f = text::split_at_bytes(line, " \t");
  if (f.size() != 2) return "not two fields separated by one space";
  if (f[0].empty() || f[1].empty()) return "empty field";
  if (text::split_white_space(line).size() != 2) return "white space inside a field";
  if (!is_lower_letters(f[1])) return "reading is not lower-case letters";
  if (is_consonant_only(f[1])) return "consonant-only reading";
  bool all_counted = true;
  text::for_each_char(f[0], [&](char32_t c) { all_counted &= shared().char_freq.contains(c); });
  if (!all_counted) return "character missing from char_freq.dict";
  return {};
}

// pinyin TAB word TAB code TAB frequency
std::string check_word_line(std::string_view line) {
  const auto f = white_space_fields(line);
  if (f.size() != 4) return "not four fields";
  if (joined(f, "\t") != line) return "fields not separated by single TABs";
  if (!is_lower_letters(f[0])) return "pinyin is not lower-case letters";
  if (text::char_count(f[1]) < 2) return "not a word of two characters or more";
  if (!is_wubi_code(f[2])) return "code is not 1 to 4 lower-case letters";
  if (!text::parse_u32(f[3])) return "frequency is not an unsigned 32-bit number";
  // The initials are filed from the override or from the first readings, so
  // the pinyin must be the one those give, or else the word is found under
  // initials that do not match its pinyin.
  const std::optional<std::string> expected = shared().readings.word_pinyin_of(f[1]);
  if (!expected) return "a character has no reading";
  if (f[0] != *expected && f[0] != with_v_spelling(*expected))
    return "pinyin differs from the override or first readings (" + *expected + ")";
  return {};
}

// word SPACE syllable SPACE syllable ...
std::string check_override_line(std::string_view line) {
  const auto f = white_space_fields(line);
  if (f.size() < 3) return "fewer than two syllables";
  if (joined(f, " ") != line) return "fields not separated by single spaces";
  if (f.size() - 1 != text::char_count(f[0])) return "syllable count differs from character count";
  for (size_t i = 1; i < f.size(); ++i) {
    if (!is_lower_letters(f[i])) return "syllable is not lower-case letters";
    if (is_consonant_only(f[i])) return "consonant-only syllable";
    if (!shared().readings.has_reading(f[i])) return "syllable is no reading of any character";
  }
  return {};
}

// Lines of char_freq.dict and bigram.dict split at TAB; the loaders stop at
// the first line that is not valid UTF-8.
std::string check_counted_line(std::string_view line, size_t key_chars) {
  const text::Fields f = text::split_at_bytes(line, "\t");
  if (f.size() != 2) return "not two fields separated by one TAB";
  if (text::char_count(f[0]) != key_chars) return "key has the wrong number of characters";
  bool blank = false;
  text::for_each_char(f[0], [&](char32_t c) { blank |= text::is_white_space(c); });
  if (blank) return "white space in the key";
  if (!text::parse_u32(f[1])) return "count is not an unsigned 32-bit number";
  if (key_chars == 2) {
    bool read = true;
    text::for_each_char(f[0],
                        [&](char32_t c) { read &= shared().readings.char_reading(c).has_value(); });
    if (!read) return "a character of the pair has no reading";
  }
  return {};
}

// key TAB emoji
std::string check_emoji_line(std::string_view line) {
  const auto f = white_space_fields(line);
  if (f.size() != 2) return "not two fields";
  if (joined(f, "\t") != line) return "fields not separated by one TAB";
  if (!is_lower_letters(f[0])) return "key is not lower-case letters";
  return {};
}

// ---- What the engine's loader makes of the whole file ----

// Number of records the loader kept, to hold against the number of lines.
using LoadedCount = std::function<size_t(const std::string& path)>;

size_t wubi_loaded(const std::string& path) {
  WubiTable t;
  t.load(path);
  return t.size();
}

size_t char_freq_loaded(const std::string& path) {
  return wubi_pinyin::engine::load_char_freq(path).size();
}

size_t bigram_loaded(const std::string& path) {
  return wubi_pinyin::engine::load_bigram(path).size();
}

// Every word of a word list is filed under its pinyin and, because all its
// characters have readings, under its initials too.
size_t words_loaded(const std::string& path) {
  PinyinData d;
  d.load(dict_path("hanzi_pinyin.dict"));
  d.load_polyphonic(dict_path("polyphonic.dict"));
  d.load_words(path);
  const size_t by_pinyin = d.all_words_by_pinyin().size();
  return d.all_words_by_initials().size() == by_pinyin ? by_pinyin : 0;
}

size_t emoji_loaded(const std::string& path) {
  EmojiMap m;
  m.load(path);
  return m.size();
}

// ---- The table of files ----

std::string first_two_fields(std::string_view line) {
  const auto f = white_space_fields(line);
  return f.size() < 2 ? std::string(line) : joined({f[0], f[1]}, "\t");
}

std::string first_field(std::string_view line) {
  const auto f = white_space_fields(line);
  return f.empty() ? std::string(line) : std::string(f[0]);
}

std::string before_tab(std::string_view line) {
  const text::Fields f = text::split_at_bytes(line, "\t");
  return std::string(f.size() ? f[0] : line);
}

struct DictFile {
  std::string_view name;
  LineCheck check;
  KeyOf key;           // a repeated key would replace or double an entry
  LoadedCount loaded;  // null when the loader keeps no count to compare
};

void PrintTo(const DictFile& f, std::ostream* os) {
  *os << f.name;
}

const std::vector<DictFile>& dict_files() {
  static const std::vector<DictFile> files{
      {"wubi86.dict", check_wubi_line, first_two_fields, wubi_loaded},
      {"wubi98.dict", check_wubi_line, first_two_fields, wubi_loaded},
      {"hanzi_pinyin.dict", check_reading_line, [](std::string_view l) { return std::string(l); },
       nullptr},
      // A word may stand under two spellings (lue and lve); the pair is unique.
      {"pinyin_word.dict", check_word_line, first_two_fields, words_loaded},
      {"polyphonic.dict", check_override_line, first_field, nullptr},
      {"char_freq.dict", [](std::string_view l) { return check_counted_line(l, 1); }, before_tab,
       char_freq_loaded},
      {"bigram.dict", [](std::string_view l) { return check_counted_line(l, 2); }, before_tab,
       bigram_loaded},
      {"emoji.dict", check_emoji_line, first_field, emoji_loaded},
  };
  return files;
}

class GeneratedDictionary : public ::testing::TestWithParam<DictFile> {};

// Collects the first few faults of a file, with line numbers, for the report.
class Faults {
 public:
  void add(size_t line_no, std::string_view what, std::string_view line) {
    if (count_++ < kShown)
      shown_ += "  line " + std::to_string(line_no) + ": " + std::string(what) + ": " +
                printable(line.substr(0, 120)) + "\n";
  }
  [[nodiscard]] size_t count() const { return count_; }
  [[nodiscard]] const std::string& shown() const { return shown_; }

 private:
  static constexpr size_t kShown = 10;

  // The line as text, with control bytes and bytes of broken UTF-8 written
  // as \xNN.
  static std::string printable(std::string_view line) {
    std::string out;
    for (size_t pos = 0; pos < line.size();) {
      size_t len = 1;
      while (len < 4 && pos + len < line.size() &&
             (static_cast<unsigned char>(line[pos + len]) & 0xc0) == 0x80)
        ++len;
      const std::string_view ch = line.substr(pos, len);
      const auto lead = static_cast<unsigned char>(ch[0]);
      if ((lead >= 0x20 && lead != 0x7f && text::is_valid_utf8(ch)) || lead == '\t') {
        out += ch;
      } else {
        for (const char b : ch) {
          static constexpr char kHex[] = "0123456789abcdef";
          const auto u = static_cast<unsigned char>(b);
          out += "\\x";
          out += kHex[u >> 4];
          out += kHex[u & 15];
        }
      }
      pos += len;
    }
    return out;
  }

  size_t count_ = 0;
  std::string shown_;
};

}  // namespace

TEST_P(GeneratedDictionary, EveryLineIsARecordItsLoaderReadsWhole) {
  const DictFile& file = GetParam();
  const std::string path = dict_path(file.name);

  // Raw lines, as bytes between LFs: each must be valid UTF-8 without a CR
  // (so no loader skips it or stops there), and the file must not start
  // with a byte-order mark (it would become part of the first word).
  const std::string bytes = quvo_test::read_file(path);
  ASSERT_FALSE(bytes.empty()) << path << " is missing or empty";
  EXPECT_FALSE(bytes.starts_with("\xEF\xBB\xBF")) << "byte-order mark";
  EXPECT_TRUE(bytes.ends_with('\n')) << "last line without LF";
  Faults faults;
  size_t raw_lines = 0;
  for (size_t begin = 0; begin < bytes.size();) {
    size_t end = bytes.find('\n', begin);
    if (end == std::string::npos) end = bytes.size();
    const std::string_view raw(bytes.data() + begin, end - begin);
    ++raw_lines;
    if (!text::is_valid_utf8(raw)) faults.add(raw_lines, "not valid UTF-8", raw);
    if (raw.find('\r') != std::string_view::npos) faults.add(raw_lines, "CR in the line", raw);
    if (raw.size() > text::LineReader::kMaxLine) faults.add(raw_lines, "line too long", raw);
    begin = end + 1;
  }

  // The lines as the loaders see them: every one a record, none a comment or
  // blank, none with white space around it, each sound for its kind.
  size_t lines = 0;
  std::unordered_set<std::string> keys;
  text::LineReader reader(path, text::InvalidLine::skip);
  ASSERT_TRUE(reader.is_open());
  std::string_view line;
  while (reader.next(line)) {
    ++lines;
    if (text::dictionary_record(line) != line) {
      faults.add(lines, "empty, comment, or white space around the record", line);
      continue;
    }
    if (const std::string fault = file.check(line); !fault.empty()) {
      faults.add(lines, fault, line);
      continue;
    }
    if (!keys.insert(file.key(line)).second) faults.add(lines, "repeated key", line);
  }
  EXPECT_EQ(lines, raw_lines) << "the line reader skipped lines";
  EXPECT_EQ(faults.count(), 0u) << file.name << ":\n" << faults.shown();

  // The loader itself keeps one entry per line.
  if (file.loaded) {
    EXPECT_EQ(file.loaded(path), lines) << "entries kept by the loader";
  }
}

INSTANTIATE_TEST_SUITE_P(DataDict, GeneratedDictionary, ::testing::ValuesIn(dict_files()),
                         [](const ::testing::TestParamInfo<DictFile>& info) {
                           std::string name(info.param.name);
                           std::replace(name.begin(), name.end(), '.', '_');
                           return name;
                         });
