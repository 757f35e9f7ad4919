#include "freq/freq.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/allocation_counter.h"
#include "support/temp_dir.h"

using quvo_test::g_allocations;

using wubi_pinyin::freq::Freq;

namespace {

constexpr uint32_t kMax = 4294967295u;

Freq loaded(const std::string& path) {
  Freq f;
  f.load(path);
  return f;
}

std::vector<std::string> sorted_lines(const std::string& content) {
  std::vector<std::string> lines;
  std::istringstream in(content);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::sort(lines.begin(), lines.end());
  return lines;
}

}  // namespace

TEST(FreqLoad, LaterLineReplacesAndLineWithoutTabCountsZero) {
  quvo_test::TempDir dir;
  const Freq f = loaded(dir.write("user.freq", "词\t5\n词\t7\nx\n"));
  EXPECT_EQ(f.size(), 2u);
  EXPECT_EQ(f.count("词"), 7u);
  EXPECT_EQ(f.count("x"), 0u);
  EXPECT_EQ(f.rank(1, "x"), 1u);  // present with count 0, not just absent
}

TEST(FreqLoad, CountField) {
  quvo_test::TempDir dir;
  struct Case {
    std::string field;
    uint32_t count;
  } cases[] = {
      {"3", 3},
      {"+3", 3},
      {"007", 7},
      {"0", 0},
      {"4294967295", kMax},
      {"3\t9", 3},  // further fields are ignored
      {"-3", 0},
      {" 3", 0},
      {"3 ", 0},
      {"3\r\r", 0},  // only the CR right before the LF is dropped
      {"4294967296", 0},
      {"99999999999999999999999", 0},
      {"", 0},
      {"+", 0},
      {"-", 0},
      {"++3", 0},
      {"3a", 0},
      {"1.5", 0},
      {"\xef\xbc\x93", 0},  // a full-width digit
  };
  for (const auto& c : cases) {
    const Freq f = loaded(dir.write("user.freq", "a\t" + c.field + "\n"));
    EXPECT_EQ(f.size(), 1u) << c.field;
    EXPECT_EQ(f.count("a"), c.count) << c.field;
  }
}

TEST(FreqLoad, TextIsTakenExactly) {
  quvo_test::TempDir dir;
  const Freq f = loaded(dir.write("user.freq", " a b \t2\n\n\t4\n\xe3\x80\x80词\t6\n#c\t8\n"));
  EXPECT_EQ(f.count(" a b "), 2u);
  EXPECT_EQ(f.count("a b"), 0u);
  // The empty line and the line "\t4" both name the empty text; the later wins.
  EXPECT_EQ(f.count(""), 4u);
  EXPECT_EQ(f.count("\xe3\x80\x80词"), 6u);  // ideographic space kept
  EXPECT_EQ(f.count("#c"), 8u);              // no comment syntax
  EXPECT_EQ(f.size(), 4u);
}

TEST(FreqLoad, LineEndsAndInvalidLines) {
  quvo_test::TempDir dir;
  std::string huge(3u << 20, 'h');
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<std::pair<std::string, uint32_t>> counts;
    size_t size;
  } cases[] = {
      {"lf", "a\t1\nb\t2\n", {{"a", 1}, {"b", 2}}, 2},
      {"crlf", "a\t1\r\nb\t2\r\n", {{"a", 1}, {"b", 2}}, 2},
      {"last line without lf", "a\t1\nb\t2", {{"a", 1}, {"b", 2}}, 2},
      {"invalid utf-8 is skipped", "a\t1\n\xff\t9\nb\xc3\t9\nb\t2\n", {{"a", 1}, {"b", 2}}, 2},
      {"surrogate is skipped", "\xed\xa0\x80\t9\nb\t2\n", {{"b", 2}}, 1},
      {"huge line is skipped", "a\t1\n" + huge + "\t5\nb\t2\n", {{"a", 1}, {"b", 2}}, 2},
      // A byte-order mark is not a line end: it stays in the first text.
      {"bom",
       "\xef\xbb\xbf"
       "a\t1\nb\t2\n",
       {{"\xef\xbb\xbf"
         "a",
         1},
        {"a", 0},
        {"b", 2}},
       2},
      {"empty file", "", {}, 0},
      {"only lf", "\n", {{"", 0}}, 1},
      {"nul byte in text", std::string("a\0b\t3\n", 6), {{std::string("a\0b", 3), 3}}, 1},
  };
  for (const auto& c : cases) {
    const Freq f = loaded(dir.write("user.freq", c.bytes));
    EXPECT_EQ(f.size(), c.size) << c.name;
    for (const auto& [text, n] : c.counts) EXPECT_EQ(f.count(text), n) << c.name << ": " << text;
  }
}

TEST(FreqLoad, MissingFileOrDirectoryLeavesStoreAsItWas) {
  quvo_test::TempDir dir;
  std::filesystem::create_directory(dir.file("a_dir"));
  for (const std::string& path : {dir.file("missing"), dir.file("a_dir"), dir.str()}) {
    Freq f;
    f.bump("词");
    f.load(path);
    EXPECT_EQ(f.size(), 1u) << path;
    EXPECT_EQ(f.count("词"), 1u) << path;
  }
}

TEST(FreqLoad, AddsToWhatTheStoreHolds) {
  quvo_test::TempDir dir;
  Freq f;
  f.bump("a");
  f.bump("b");
  f.load(dir.write("user.freq", "b\t9\nc\t3\n"));
  EXPECT_EQ(f.count("a"), 1u);
  EXPECT_EQ(f.count("b"), 9u);
  EXPECT_EQ(f.count("c"), 3u);
  EXPECT_EQ(f.size(), 3u);
}

TEST(FreqBump, CountsNewExistingAndEmptyTexts) {
  Freq f;
  EXPECT_EQ(f.count("词"), 0u);
  f.bump("词");
  EXPECT_EQ(f.count("词"), 1u);
  f.bump("词");
  f.bump("词");
  EXPECT_EQ(f.count("词"), 3u);
  f.bump("");
  EXPECT_EQ(f.count(""), 1u);
  EXPECT_EQ(f.size(), 2u);
  // The key is a copy: the caller's buffer may change afterwards.
  std::string buffer = "a long commit text that is not short";
  f.bump(buffer);
  buffer.assign(buffer.size(), 'x');
  EXPECT_EQ(f.count("a long commit text that is not short"), 1u);
}

TEST(FreqBump, CountStopsAtTheLargestValue) {
  quvo_test::TempDir dir;
  Freq f = loaded(dir.write("user.freq", "a\t4294967294\n"));
  f.bump("a");
  EXPECT_EQ(f.count("a"), kMax);
  f.bump("a");  // would wrap to 0 and lose everything learned
  EXPECT_EQ(f.count("a"), kMax);
}

TEST(FreqRank, BasePlusTenTimesCountSaturating) {
  quvo_test::TempDir dir;
  Freq f = loaded(dir.write(
      "user.freq", "three\t3\none\t1\nbig\t429496729\nbigger\t429496730\nmax\t4294967295\n"));
  struct Case {
    uint32_t base;
    const char* text;
    uint32_t rank;
  } cases[] = {
      {100, "three", 130},
      {100, "never", 100},
      {0, "three", 30},
      {0, "never", 0},
      {4294967290u, "one", kMax},
      {4294967285u, "one", 4294967295u},
      {4294967284u, "one", 4294967294u},
      {kMax, "never", kMax},
      {0, "big", 4294967290u},
      {5, "big", 4294967295u},
      {6, "big", kMax},
      // 10 × count past 32 bits saturates rather than wrapping to a small value.
      {0, "bigger", kMax},
      {0, "max", kMax},
      {kMax, "max", kMax},
  };
  for (const auto& c : cases) EXPECT_EQ(f.rank(c.base, c.text), c.rank) << c.base << " " << c.text;
}

TEST(FreqRank, LookupsDoNotAllocate) {
  Freq f;
  const std::string text = "a commit text longer than any small-string buffer";
  f.bump(text);
  f.bump(text);
  const std::string_view view = text;
  const std::string_view absent = "another text longer than any small-string buffer";
  const size_t before = g_allocations.load();
  const uint32_t present_rank = f.rank(7, view);
  const uint32_t absent_rank = f.rank(7, absent);
  const uint32_t present_count = f.count(view);
  const size_t after = g_allocations.load();
  EXPECT_EQ(after, before);
  EXPECT_EQ(present_rank, 27u);
  EXPECT_EQ(absent_rank, 7u);
  EXPECT_EQ(present_count, 2u);
  // A bump of an existing text does not copy it either.
  const size_t before_bump = g_allocations.load();
  f.bump(view);
  EXPECT_EQ(g_allocations.load(), before_bump);
}

TEST(FreqSave, WritesOneLinePerEntry) {
  quvo_test::TempDir dir;
  Freq f;
  for (int i = 0; i < 3; ++i) f.bump("词");
  f.bump("a b");
  const std::string path = dir.file("user.freq");
  EXPECT_TRUE(f.save(path));
  EXPECT_EQ(sorted_lines(quvo_test::read_file(path)),
            (std::vector<std::string>{"a b\t1", "词\t3"}));
  EXPECT_EQ(quvo_test::read_file(path).back(), '\n');
  EXPECT_FALSE(quvo_test::file_exists(path + ".tmp"));
}

TEST(FreqSave, EmptyStoreWritesEmptyFile) {
  quvo_test::TempDir dir;
  const std::string path = dir.write("user.freq", "old\t1\n");
  EXPECT_TRUE(Freq{}.save(path));
  EXPECT_TRUE(quvo_test::file_exists(path));
  EXPECT_EQ(quvo_test::read_file(path), "");
}

TEST(FreqSave, EmptyTextRoundTrips) {
  quvo_test::TempDir dir;
  const std::string path = dir.write("user.freq", "\n");
  const Freq f = loaded(path);
  EXPECT_TRUE(f.save(path));
  EXPECT_EQ(quvo_test::read_file(path), "\t0\n");
  const Freq again = loaded(path);
  EXPECT_EQ(again.size(), 1u);
  EXPECT_EQ(again.count(""), 0u);
}

TEST(FreqSave, LoadThenSaveKeepsTheSetOfLines) {
  quvo_test::TempDir dir;
  const std::string path = dir.write("user.freq",
                                     "词\t5\r\n"
                                     "词\t7\n"
                                     "x\n"
                                     " spaced text \t12\n"
                                     "neg\t-3\n"
                                     "plus\t+4\n"
                                     "extra\t8\tignored\n"
                                     "\xff\xfe\t1\n"
                                     "max\t4294967295\n"
                                     "over\t4294967296\n"
                                     "last\t2");
  const Freq f = loaded(path);
  ASSERT_TRUE(f.save(path));
  const std::vector<std::string> expected = {
      " spaced text \t12", "extra\t8", "last\t2", "max\t4294967295", "neg\t0",
      "over\t0",           "plus\t4",  "x\t0",    "词\t7",
  };
  std::vector<std::string> sorted_expected = expected;
  std::sort(sorted_expected.begin(), sorted_expected.end());
  const std::string saved = quvo_test::read_file(path);
  EXPECT_EQ(sorted_lines(saved), sorted_expected);
  // Saving what was read back gives the same lines again.
  ASSERT_TRUE(loaded(path).save(path));
  EXPECT_EQ(sorted_lines(quvo_test::read_file(path)), sorted_expected);
}

TEST(FreqSave, TextsWithLineFeedOrTabStayInMemoryOnly) {
  quvo_test::TempDir dir;
  Freq f;
  f.bump("a\nb\t5");  // would read back as the entries "a" and "b"→5
  f.bump("c\td");     // would read back as "c"→0
  f.bump("kept");
  const std::string path = dir.file("user.freq");
  ASSERT_TRUE(f.save(path));
  EXPECT_EQ(quvo_test::read_file(path), "kept\t1\n");
  EXPECT_EQ(f.count("a\nb\t5"), 1u);
  EXPECT_EQ(f.count("c\td"), 1u);
  EXPECT_EQ(f.size(), 3u);
}

TEST(FreqSave, FailuresKeepTheOldFileAndLeaveNoTemporary) {
  quvo_test::TempDir dir;
  Freq f;
  f.bump("new");

  // The directory does not exist: nothing is created.
  const std::string missing = dir.file("no_such_dir/user.freq");
  EXPECT_FALSE(f.save(missing));
  EXPECT_FALSE(quvo_test::file_exists(dir.file("no_such_dir")));

  // The path lies below a regular file.
  const std::string plain = dir.write("plain", "not a directory\n");
  EXPECT_FALSE(f.save(plain + "/user.freq"));
  EXPECT_EQ(quvo_test::read_file(plain), "not a directory\n");

  // The temporary file cannot be created because a directory holds its name.
  const std::string path = dir.write("user.freq", "old\t3\n");
  std::filesystem::create_directory(path + ".tmp");
  EXPECT_FALSE(f.save(path));
  EXPECT_EQ(quvo_test::read_file(path), "old\t3\n");
  EXPECT_TRUE(std::filesystem::is_directory(path + ".tmp"));
  std::filesystem::remove(path + ".tmp");

  // The rename fails because the target is a non-empty directory: the
  // temporary file is removed so that it does not accumulate.
  const std::string target = dir.file("taken");
  std::filesystem::create_directory(target);
  dir.write("taken/inside", "x");
  EXPECT_FALSE(f.save(target));
  EXPECT_FALSE(quvo_test::file_exists(target + ".tmp"));
  EXPECT_TRUE(std::filesystem::is_directory(target));

  // The store is intact and the next save succeeds.
  EXPECT_EQ(f.count("new"), 1u);
  EXPECT_TRUE(f.save(path));
  EXPECT_EQ(quvo_test::read_file(path), "new\t1\n");
}

TEST(FreqSave, ReplacesAnExistingFileAndAStaleTemporary) {
  quvo_test::TempDir dir;
  const std::string path = dir.write("user.freq", "old\t3\n");
  dir.write("user.freq.tmp", "stale leftover of an interrupted save\n");
  Freq f = loaded(path);
  f.bump("old");
  ASSERT_TRUE(f.save(path));
  EXPECT_EQ(quvo_test::read_file(path), "old\t4\n");
  EXPECT_FALSE(quvo_test::file_exists(path + ".tmp"));
}
