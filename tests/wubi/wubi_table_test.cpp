#include "wubi/wubi_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/temp_dir.h"
#include "text/utf8.h"

namespace {

using wubi_pinyin::wubi::WubiTable;

// "code word weight" of every entry of a range, one string per entry.
std::vector<std::string> dump(const WubiTable::Range& r) {
  std::vector<std::string> out;
  for (const auto m : r)
    out.push_back(std::string(m.code) + " " + std::string(m.word) + " " + std::to_string(m.weight));
  return out;
}

using Lines = std::vector<std::string>;

class WubiTableTest : public ::testing::Test {
 protected:
  // Loads the bytes as a dictionary file into `table`.
  void load(std::string_view bytes) {
    table.load(dir.write("f" + std::to_string(files_++) + ".dict", bytes));
  }
  std::vector<std::pair<std::string, std::string>> import(std::string_view bytes) {
    return table.import_entries(dir.write("i" + std::to_string(files_++) + ".dict", bytes));
  }

  quvo_test::TempDir dir;
  WubiTable table;

 private:
  int files_ = 0;
};

TEST_F(WubiTableTest, FullCodeRule) {
  struct Case {
    const char* file;
    char32_t c;
    std::optional<std::string_view> code;
    std::optional<uint32_t> weight;
  } cases[] = {
      // The longer code wins whatever its weight.
      {"工 a 100\n工 aaaa 5\n", U'工', "aaaa", 5},
      {"工 aaaa 5\n工 a 100\n", U'工', "aaaa", 5},
      // Equal length: only a strictly higher weight replaces.
      {"工 aaab 9\n工 aaaa 9\n", U'工', "aaab", 9},
      {"工 aaab 9\n工 aaaa 10\n", U'工', "aaaa", 10},
      {"经 xc\n", U'经', "xc", 0},
      {"经 XC 3\n", U'经', "xc", 3},
      // A character only inside longer words has no full code.
      {"经济 xciy 7\n", U'经', std::nullopt, std::nullopt},
      // Length counts characters, not bytes: "aéé" (3 characters, 5 bytes)
      // is shorter than "abcd" and longer than "ab".
      {"工 abcd\n工 a\xc3\xa9\xc3\xa9 9\n", U'工', "abcd", 0},
      {"工 ab 9\n工 a\xc3\xa9\xc3\xa9\n", U'工', "a\xc3\xa9\xc3\xa9", 0},
      {"工 a\xc3\xa9\xc3\xa9 9\n工 abcd\n", U'工', "abcd", 0},
      {"😄 smil 2\n", U'😄', "smil", 2},
  };
  for (const auto& c : cases) {
    WubiTable t;
    t.load(dir.write("full.dict", c.file));
    EXPECT_EQ(t.full_code(c.c), c.code) << c.file;
    EXPECT_EQ(t.full_code_weight(c.c), c.weight) << c.file;
  }
}

TEST_F(WubiTableTest, FullCodesOfManyCharacters) {
  // Dense blocks that overlap modulo any power of two, plus scattered ones.
  std::vector<char32_t> chars;
  for (char32_t c = 0x4e00; c < 0x4e00 + 6000; ++c) chars.push_back(c);
  for (char32_t c = 0x20000; c < 0x20000 + 3000; ++c) chars.push_back(c);
  for (char32_t c = 0x1f600; c < 0x1f650; ++c) chars.push_back(c);
  chars.push_back(U'\u00e9');
  const auto code_of = [](size_t i) {
    std::string code;
    for (int k = 0; k < 4; ++k, i /= 25) code.push_back(static_cast<char>('a' + i % 25));
    return code;
  };
  std::string file;
  for (size_t i = 0; i < chars.size(); ++i) {
    const std::string ch = wubi_pinyin::text::encode_utf8(chars[i]);
    file += ch + " " + code_of(i).substr(0, 2) + " 9\n";  // replaced by the longer code
    file += ch + " " + code_of(i) + " " + std::to_string(i) + "\n";
  }
  load(file);
  for (size_t i = 0; i < chars.size(); ++i) {
    ASSERT_EQ(table.full_code(chars[i]), code_of(i)) << i;
    ASSERT_EQ(table.full_code_weight(chars[i]), i) << i;
  }
  for (char32_t absent : {char32_t{0}, U'a', U'\u4dff', char32_t{0x4e00 + 6000}, U'\U0010ffff'}) {
    EXPECT_FALSE(table.full_code(absent));
    EXPECT_FALSE(table.full_code_weight(absent));
  }
  EXPECT_FALSE(WubiTable().full_code(U'工'));
}

TEST_F(WubiTableTest, PrefixIsOneRangeInByteOrder) {
  // Out of order on purpose: codes sort by bytes, entries of one code keep
  // their arrival order, and a byte above 0x7f sorts after every letter.
  load("乙 b\n式 aaaa\n工 a 3\n戈 aa\n七 ab\n末 a\xc3\xa9\n节 a 1\n区 aq\n");
  EXPECT_EQ(dump(table.prefix("a")), (Lines{"a 工 3", "a 节 1", "aa 戈 0", "aaaa 式 0", "ab 七 0",
                                            "aq 区 0", "a\xc3\xa9 末 0"}));
  EXPECT_EQ(dump(table.prefix("aa")), (Lines{"aa 戈 0", "aaaa 式 0"}));
  EXPECT_EQ(dump(table.prefix("a\xc3")), (Lines{"a\xc3\xa9 末 0"}));
  EXPECT_EQ(dump(table.prefix("b")), (Lines{"b 乙 0"}));
  for (std::string_view none : {"", "c", "aaaaa", "aab", "bb", "\xff"})
    EXPECT_TRUE(table.prefix(none).empty()) << none;
  EXPECT_EQ(dump(table.by_code("a")), (Lines{"a 工 3", "a 节 1"}));
  EXPECT_TRUE(table.by_code("aaa").empty());
  EXPECT_EQ(table.all().size(), 8u);
  EXPECT_EQ(table.size(), 8u);
  // The prefix is not lowercased: the caller passes lowercase letters.
  EXPECT_TRUE(table.prefix("A").empty());
  const auto r = table.prefix("aa");
  EXPECT_EQ(r[1].word, "式");
}

TEST_F(WubiTableTest, LaterLoadsFileBehindEqualCodes) {
  load("工 a 1\n式 aa 2\n七 ab 3\n");
  load("工 a\n戈 a 5\n区 aaa\n");  // the same word again is filed again
  load("");
  table.load(dir.file("missing.dict"));
  EXPECT_EQ(dump(table.all()),
            (Lines{"a 工 1", "a 工 0", "a 戈 5", "aa 式 2", "aaa 区 0", "ab 七 3"}));
  EXPECT_EQ(dump(table.prefix("a")).size(), 6u);
  EXPECT_EQ(table.full_code(U'工'), "a");
  EXPECT_EQ(table.full_code_weight(U'工'), 1u);  // equal length, lower weight: kept
}

TEST_F(WubiTableTest, LineFormat) {
  load(
      "# comment\n"
      "   # indented comment\n"
      "\n"
      " \t\n"
      "工\n"                                  // one field
      "经济\u3000XCIY\n"                      // ideographic space, capital code
      "\u00a0 测试\timyi 12 extra x\u2003\n"  // surrounding white space, extra fields
      "人 W\r\n"                              // CRLF
      "大 dd\u2028 3\n"                       // line separator inside the line
      "中 K\xc3\x89 4\n");                    // only A..Z are lowered
  EXPECT_EQ(dump(table.all()),
            (Lines{"dd 大 3", "imyi 测试 12", "k\xc3\x89 中 4", "w 人 0", "xciy 经济 0"}));
}

TEST_F(WubiTableTest, WeightField) {
  struct Case {
    const char* field;
    uint32_t loaded;
    uint32_t imported;
  } cases[] = {
      {"12", 12, 12},
      {"+12", 12, 12},
      {"0012", 12, 12},
      {"0", 0, 0},
      {"4294967295", 4294967295u, 4294967295u},
      {"4294967296", 0, 1000},
      {"99999999999999999999", 0, 1000},
      {"-3", 0, 1000},
      {"1e3", 0, 1000},
      {"+", 0, 1000},
      {"12a", 0, 1000},
      {"１２", 0, 1000},  // full-width digits are not digits
  };
  for (const auto& c : cases) {
    const std::string line = std::string("工 a ") + c.field + "\n";
    WubiTable loaded;
    loaded.load(dir.write("w.dict", line));
    ASSERT_EQ(loaded.size(), 1u) << c.field;
    EXPECT_EQ(loaded.all()[0].weight, c.loaded) << c.field;
    WubiTable imported;
    ASSERT_EQ(imported.import_entries(dir.write("w.dict", line)).size(), 1u) << c.field;
    EXPECT_EQ(imported.all()[0].weight, c.imported) << c.field;
    EXPECT_EQ(imported.full_code_weight(U'工'), c.imported) << c.field;
  }
  WubiTable none;
  ASSERT_EQ(none.import_entries(dir.write("w.dict", "工 a\n")).size(), 1u);
  EXPECT_EQ(none.all()[0].weight, 1000u);
}

TEST_F(WubiTableTest, AddFilesNewWordsAtTheEndOfTheirCode) {
  load("工 aaaa 5\n工 a 7\n节 a 1\n七 ab\n");
  EXPECT_TRUE(table.add("戈", "A"));
  EXPECT_TRUE(table.add("式", "AAA"));
  EXPECT_TRUE(table.add("经济", "xciy"));
  EXPECT_EQ(dump(table.all()), (Lines{"a 工 7", "a 节 1", "a 戈 1000", "aaa 式 1000", "aaaa 工 5",
                                      "ab 七 0", "xciy 经济 1000"}));
  EXPECT_EQ(table.full_code(U'戈'), "a");
  EXPECT_EQ(table.full_code_weight(U'戈'), 1000u);

  // Already under that code (after lowering): nothing is filed, but the full
  // code rule still runs with weight 1000.
  EXPECT_FALSE(table.add("工", "AAAA"));
  EXPECT_FALSE(table.add("工", "a"));
  EXPECT_EQ(table.size(), 7u);
  EXPECT_EQ(table.full_code(U'工'), "aaaa");
  EXPECT_EQ(table.full_code_weight(U'工'), 1000u);
  EXPECT_EQ(table.by_code("aaaa")[0].weight, 5u);

  // A word equal only up to case is a different word.
  EXPECT_TRUE(table.add("Ab", "ab"));
  EXPECT_TRUE(table.add("ab", "ab"));
  EXPECT_EQ(dump(table.by_code("ab")), (Lines{"ab 七 0", "ab Ab 1000", "ab ab 1000"}));

  // Empty fields are never filed.
  EXPECT_FALSE(table.add("", "a"));
  EXPECT_FALSE(table.add("工", ""));
  EXPECT_EQ(table.size(), 9u);
}

TEST_F(WubiTableTest, ImportSkipsWordsAlreadyFiled) {
  load("经济 xciy 30\n工 a 50\n戈 aa 2\n");
  const auto added = import(
      "经济 XCIY\n"    // present: skipped
      "测试 imyi 7\n"  // new
      "戈 aaaa 1\n"    // new code for a present word
      "测试 IMYI 9\n"  // repeats a record of this file: skipped
      "工 a 999\n"     // present: skipped, and no full-code update
      "一 g\n"
      "经济 xc\n");
  EXPECT_EQ(added, (std::vector<std::pair<std::string, std::string>>{
                       {"测试", "imyi"}, {"戈", "aaaa"}, {"一", "g"}, {"经济", "xc"}}));
  EXPECT_EQ(dump(table.all()), (Lines{"a 工 50", "aa 戈 2", "aaaa 戈 1", "g 一 1000", "imyi 测试 7",
                                      "xc 经济 1000", "xciy 经济 30"}));
  EXPECT_EQ(table.full_code_weight(U'工'), 50u);
  EXPECT_EQ(table.full_code(U'戈'), "aaaa");
  EXPECT_EQ(table.full_code_weight(U'戈'), 1u);
  EXPECT_EQ(table.full_code(U'一'), "g");

  // Importing the same file again adds nothing; later imports see earlier ones.
  EXPECT_TRUE(import("测试 imyi 7\n一 g\n").empty());
  EXPECT_TRUE(table.import_entries(dir.file("missing.dict")).empty());
  EXPECT_TRUE(table.import_entries(dir.str()).empty());
  EXPECT_EQ(table.size(), 7u);
}

TEST_F(WubiTableTest, ImportKeepsArrivalOrderWithinACode) {
  load("工 a 1\n七 b 2\n");
  const auto added = import("乙 b 3\n戈 a 4\n节 a 5\n");
  ASSERT_EQ(added.size(), 3u);
  EXPECT_EQ(added[0].first, "乙");
  EXPECT_EQ(dump(table.all()), (Lines{"a 工 1", "a 戈 4", "a 节 5", "b 七 2", "b 乙 3"}));
}

TEST_F(WubiTableTest, HostileFiles) {
  using namespace std::string_literals;
  const std::string huge((size_t{1} << 20) + 10, 'x');
  struct Case {
    const char* name;
    std::string bytes;
    Lines entries;
  } cases[] = {
      {"invalid UTF-8 line is skipped, reading goes on",
       "工 a 1\n\xff\xfe 错 b\n中 \xc0\x80\n七 ab 2\n",
       {"a 工 1", "ab 七 2"}},
      {"byte-order mark stays in the first field", "\xef\xbb\xbf工 a 1\n", {"a \xef\xbb\xbf工 1"}},
      {"a first line starting with a byte-order mark is no comment",
       "\xef\xbb\xbf# a\n",
       {"a \xef\xbb\xbf# 0"}},
      {"CRLF and a last line without LF",
       "工 a 1\r\n七 ab 2\r\n乙 b",
       {"a 工 1", "ab 七 2", "b 乙 0"}},
      {"lone CR is white space inside a line", "工\ra\r3\r\n", {"a 工 3"}},
      {"empty file", "", {}},
      {"only line ends", "\n\r\n\n", {}},
      {"huge line is skipped", "工 a 1\n" + huge + " b\n七 ab 2\n", {"a 工 1", "ab 七 2"}},
      {"NUL bytes stay inside their field", "工\0 a 1\n"s, {"a 工\0 1"s}},
  };
  for (const auto& c : cases) {
    WubiTable t;
    t.load(dir.write("hostile.dict", c.bytes));
    EXPECT_EQ(dump(t.all()), c.entries) << c.name;
    WubiTable imported;
    EXPECT_EQ(imported.import_entries(dir.write("hostile.dict", c.bytes)).size(), c.entries.size())
        << c.name;
  }
  // The byte-order mark makes the first word two characters: no full code.
  WubiTable bom;
  bom.load(dir.write("bom.dict", "\xef\xbb\xbf工 a 1\n"));
  EXPECT_FALSE(bom.full_code(U'工'));

  // A directory cannot be read: the load ends at once and keeps the table.
  load("工 a 1\n");
  table.load(dir.str());
  EXPECT_EQ(dump(table.all()), (Lines{"a 工 1"}));
}

TEST_F(WubiTableTest, LongWordsAndManyEntriesStayIntact) {
  // Words beyond the arena's shared chunks and enough entries to span many
  // chunks; every view must still read back its own bytes.
  const std::string long_word(100000, 'w');
  std::string file = long_word + " zz 1\n";
  for (int i = 0; i < 30000; ++i)
    file += "词" + std::to_string(i) + " c" + std::to_string(i % 977) + "\n";
  load(file);
  ASSERT_EQ(table.size(), 30001u);
  EXPECT_EQ(table.by_code("zz")[0].word, long_word);
  const auto r = table.by_code("c976");
  ASSERT_FALSE(r.empty());
  for (const auto m : r) EXPECT_EQ(std::stoi(std::string(m.word.substr(3))) % 977, 976);

  // Views survive moving the table; ranges are taken afresh.
  const std::string_view before = table.by_code("zz")[0].word;
  WubiTable moved = std::move(table);
  EXPECT_EQ(moved.by_code("zz")[0].word.data(), before.data());
  size_t under_c97 = 0;
  for (int i = 0; i < 30000; ++i) under_c97 += std::to_string(i % 977).starts_with("97");
  EXPECT_EQ(moved.prefix("c97").size(), under_c97);
}

// Random loads, adds and imports against a straightforward model: an ordered
// map from code to entries in arrival order, duplicate checks by linear scan.
TEST_F(WubiTableTest, AgreesWithOrderedMapModel) {
  struct Model {
    std::map<std::string, std::vector<std::pair<std::string, uint32_t>>> by_code;
    bool has(const std::string& code, const std::string& word) const {
      const auto it = by_code.find(code);
      if (it == by_code.end()) return false;
      for (const auto& e : it->second)
        if (e.first == word) return true;
      return false;
    }
  } model;
  std::mt19937 rng(12345);
  const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const auto random_code = [&] {
    std::string code;
    const int len = 1 + pick(3);
    for (int i = 0; i < len; ++i) code.push_back("abcAB"[pick(5)]);
    return code;
  };
  const auto lowered = [](std::string s) {
    for (char& ch : s)
      if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return s;
  };
  const char* words[] = {"工", "戈", "七", "经济", "测试", "x"};
  for (int round = 0; round < 60; ++round) {
    const int kind = pick(3);
    if (kind == 2) {
      const std::string word = words[pick(6)];
      const std::string code = random_code();
      const bool fresh = !model.has(lowered(code), word);
      if (fresh) model.by_code[lowered(code)].push_back({word, 1000});
      ASSERT_EQ(table.add(word, code), fresh);
      continue;
    }
    std::string file;
    std::vector<std::pair<std::string, std::string>> expected_added;
    const int lines = pick(25);
    // Sometimes the file is in code order, as real dictionaries are.
    std::vector<std::pair<std::string, std::string>> records;
    for (int i = 0; i < lines; ++i) records.push_back({words[pick(6)], random_code()});
    if (pick(2) == 0)
      std::stable_sort(records.begin(), records.end(), [&](const auto& a, const auto& b) {
        return lowered(a.second) < lowered(b.second);
      });
    for (const auto& [word, code] : records) {
      const uint32_t weight = static_cast<uint32_t>(pick(100));
      file += word + " " + code + " " + std::to_string(weight) + "\n";
      const std::string low = lowered(code);
      if (kind == 0) {
        model.by_code[low].push_back({word, weight});
      } else if (!model.has(low, word)) {
        model.by_code[low].push_back({word, weight});
        expected_added.push_back({word, low});
      }
    }
    if (kind == 0) {
      load(file);
    } else {
      ASSERT_EQ(import(file), expected_added);
    }
  }
  Lines expected;
  for (const auto& [code, entries] : model.by_code)
    for (const auto& [word, weight] : entries)
      expected.push_back(code + " " + word + " " + std::to_string(weight));
  EXPECT_EQ(dump(table.all()), expected);
  for (std::string_view p : {"a", "b", "ab", "ba", "abc", "c"}) {
    Lines want;
    for (const auto& line : expected)
      if (std::string_view(line).starts_with(p) && line.find(' ') >= p.size()) want.push_back(line);
    EXPECT_EQ(dump(table.prefix(p)), want) << p;
  }
}

}  // namespace
