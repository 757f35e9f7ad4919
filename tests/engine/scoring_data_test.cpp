#include "engine/scoring_data.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/temp_dir.h"

using wubi_pinyin::engine::bigram_key;
using wubi_pinyin::engine::BigramMap;
using wubi_pinyin::engine::CharFreqMap;
using wubi_pinyin::engine::load_bigram;
using wubi_pinyin::engine::load_char_freq;

namespace {

constexpr uint32_t kMax = 4294967295u;

std::optional<uint32_t> value_of(const CharFreqMap& m, char32_t c) {
  const auto it = m.find(c);
  if (it == m.end()) return std::nullopt;
  return it->second;
}

std::optional<uint32_t> value_of(const BigramMap& m, char32_t a, char32_t b) {
  const auto it = m.find(bigram_key(a, b));
  if (it == m.end()) return std::nullopt;
  return it->second;
}

}  // namespace

static_assert(bigram_key(1, 2) == 0x0000000100000002ull);
static_assert(bigram_key(U'\U0010FFFF', U'\U0010FFFF') == 0x0010FFFF0010FFFFull);
static_assert(bigram_key(U'你', U'好') != bigram_key(U'好', U'你'));

TEST(LoadCharFreq, OneLineEach) {
  quvo_test::TempDir dir;
  struct Case {
    std::string line;
    char32_t key;
    std::optional<uint32_t> value;  // none: the line is ignored
  } cases[] = {
      {"的\t1000000", U'的', 1000000},
      {"的们\t5", U'的', 5},  // only the first character counts
      {"a\t0", U'a', 0},
      {"a\t+7", U'a', 7},
      {"a\t007", U'a', 7},
      {"a\t4294967295", U'a', kMax},
      {"a\t8  ", U'a', 8},
      {"a\t  8", U'a', 8},
      {"a\t8\r", U'a', 8},  // a CR left at the line end is trimmed
      {"a\t\xe3\x80\x80"
       "8\xc2\xa0",
       U'a', 8},             // Unicode white space too
      {"a\t3\t9", U'a', 3},  // further fields are ignored
      {"a\t3\tjunk", U'a', 3},
      {" \t4", U' ', 4},  // field 1 is not trimmed
      {"\xf0\xa0\x80\x80\t6", U'\U00020000', 6},
      {"a\t4294967296", U'a', std::nullopt},
      {"a\t99999999999999999999", U'a', std::nullopt},
      {"a\t-3", U'a', std::nullopt},
      {"a\t1.5", U'a', std::nullopt},
      {"a\t1,000", U'a', std::nullopt},
      {"a\t", U'a', std::nullopt},
      {"a\t   ", U'a', std::nullopt},
      {"a\t+", U'a', std::nullopt},
      {"a\tx", U'a', std::nullopt},
      {"a\t8 8", U'a', std::nullopt},
      {"a\t\t8", U'a', std::nullopt},  // the count is the second field
      {"a 8", U'a', std::nullopt},     // no TAB
      {"a", U'a', std::nullopt},
      {"#a\t5", U'#', 5},  // no comment syntax
  };
  for (const auto& c : cases) {
    const CharFreqMap m = load_char_freq(dir.write("char_freq.dict", c.line + "\n"));
    EXPECT_EQ(value_of(m, c.key), c.value) << c.line;
    EXPECT_EQ(m.size(), c.value ? 1u : 0u) << c.line;
  }
  // An empty first field never enters a key.
  for (const char* line : {"\t5", "\t5\t6", "", "\t"})
    EXPECT_TRUE(load_char_freq(dir.write("char_freq.dict", std::string(line) + "\n")).empty())
        << line;
}

TEST(LoadBigram, OneLineEach) {
  quvo_test::TempDir dir;
  struct Case {
    std::string line;
    char32_t first;
    char32_t second;
    std::optional<uint32_t> value;
  } cases[] = {
      {"你好\t12", U'你', U'好', 12},
      {"你好吗\t3", U'你', U'好', 3},  // further characters are ignored
      {"ab\t+4", U'a', U'b', 4},
      {"ab\t 4 ", U'a', U'b', 4},
      {"ab\t4294967295", U'a', U'b', kMax},
      {"a \t1", U'a', U' ', 1},
      {"你\t5", U'你', 0, std::nullopt},  // one character is not a pair
      {"ab\t-1", U'a', U'b', std::nullopt},
      {"ab\t4294967296", U'a', U'b', std::nullopt},
      {"ab\t", U'a', U'b', std::nullopt},  // never a pair without a number
      {"ab", U'a', U'b', std::nullopt},
      {"ab\t2.0", U'a', U'b', std::nullopt},
  };
  for (const auto& c : cases) {
    const BigramMap m = load_bigram(dir.write("bigram.dict", c.line + "\n"));
    EXPECT_EQ(value_of(m, c.first, c.second), c.value) << c.line;
    EXPECT_EQ(m.size(), c.value ? 1u : 0u) << c.line;
  }
  EXPECT_TRUE(load_bigram(dir.write("bigram.dict", "\t5\n")).empty());
  // The pair is ordered.
  const BigramMap m = load_bigram(dir.write("bigram.dict", "你好\t12\n"));
  EXPECT_EQ(value_of(m, U'好', U'你'), std::nullopt);
}

TEST(ScoringLoaders, LaterLineReplacesAndMalformedLinesAreSkipped) {
  quvo_test::TempDir dir;
  const CharFreqMap chars = load_char_freq(
      dir.write("char_freq.dict", "的\t5\n\nbad line\n的们\t9\nx\t-1\n了\t3\n# note\n"));
  EXPECT_EQ(chars, (CharFreqMap{{U'的', 9}, {U'了', 3}}));
  const BigramMap pairs =
      load_bigram(dir.write("bigram.dict", "你好\t1\n你\t7\n你好啊\t2\n我们\tmany\n我们\t6\n"));
  EXPECT_EQ(pairs, (BigramMap{{bigram_key(U'你', U'好'), 2}, {bigram_key(U'我', U'们'), 6}}));
}

TEST(ScoringLoaders, LineEnds) {
  quvo_test::TempDir dir;
  for (const char* bytes :
       {"的\t5\n了\t3\n", "的\t5\r\n了\t3\r\n", "的\t5\n了\t3", "的\t5\r\n了\t3\r"}) {
    EXPECT_EQ(load_char_freq(dir.write("char_freq.dict", bytes)),
              (CharFreqMap{{U'的', 5}, {U'了', 3}}))
        << bytes;
  }
  for (const char* bytes : {"你好\t5\r\n我们\t3\r\n", "你好\t5\n我们\t3"}) {
    EXPECT_EQ(load_bigram(dir.write("bigram.dict", bytes)),
              (BigramMap{{bigram_key(U'你', U'好'), 5}, {bigram_key(U'我', U'们'), 3}}))
        << bytes;
  }
}

TEST(ScoringLoaders, ReadingStopsAtTheFirstInvalidLine) {
  quvo_test::TempDir dir;
  const std::string huge(3u << 20, 'h');
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"invalid byte", "的\t5\n了\t3\n\xff\t1\n是\t2\n"},
      {"truncated sequence", "的\t5\n了\t3\n\xe7\x9a\t1\n是\t2\n"},
      {"overlong form", "的\t5\n了\t3\n\xc0\xaf\t1\n是\t2\n"},
      {"surrogate", "的\t5\n了\t3\n\xed\xa0\x80\t1\n是\t2\n"},
      {"huge line", "的\t5\n了\t3\n" + huge + "\t1\n是\t2\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(load_char_freq(dir.write("char_freq.dict", c.bytes)),
              (CharFreqMap{{U'的', 5}, {U'了', 3}}))
        << c.name;
  }
  const BigramMap pairs = load_bigram(dir.write("bigram.dict", "你好\t5\n\xfe\xff\t1\n我们\t3\n"));
  EXPECT_EQ(pairs, (BigramMap{{bigram_key(U'你', U'好'), 5}}));
  // Invalid bytes in the very first line give an empty map.
  EXPECT_TRUE(load_char_freq(dir.write("char_freq.dict", "\x80\t1\n的\t5\n")).empty());
}

TEST(ScoringLoaders, ByteOrderMarkIsPartOfTheFirstField) {
  quvo_test::TempDir dir;
  // The mark is a character like any other: the first line keys U+FEFF, and
  // the rest of the file loads as usual.
  EXPECT_EQ(load_char_freq(dir.write("char_freq.dict", "\xef\xbb\xbf的\t5\n了\t3\n")),
            (CharFreqMap{{U'\uFEFF', 5}, {U'了', 3}}));
  EXPECT_EQ(load_bigram(dir.write("bigram.dict", "\xef\xbb\xbf你好\t5\n我们\t3\n")),
            (BigramMap{{bigram_key(U'\uFEFF', U'你'), 5}, {bigram_key(U'我', U'们'), 3}}));
}

TEST(ScoringLoaders, MissingEmptyOrDirectoryGivesEmptyMap) {
  quvo_test::TempDir dir;
  std::filesystem::create_directory(dir.file("a_dir"));
  const std::string empty = dir.write("empty.dict", "");
  for (const std::string& path : {dir.file("missing.dict"), dir.file("a_dir"), empty}) {
    EXPECT_TRUE(load_char_freq(path).empty()) << path;
    EXPECT_TRUE(load_bigram(path).empty()) << path;
  }
}

TEST(ScoringLoaders, NeverWriteTheFile) {
  quvo_test::TempDir dir;
  const std::string bytes = "的\t5\r\nbad\n了\t3";
  const std::string path = dir.write("char_freq.dict", bytes);
  (void)load_char_freq(path);
  (void)load_bigram(path);
  EXPECT_EQ(quvo_test::read_file(path), bytes);
  EXPECT_FALSE(quvo_test::file_exists(path + ".tmp"));
}
