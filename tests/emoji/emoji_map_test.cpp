#include "emoji/emoji_map.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/allocation_counter.h"
#include "support/temp_dir.h"

using quvo_test::g_allocations;

using wubi_pinyin::emoji::EmojiMap;

namespace {

const std::string kSmile = "\xf0\x9f\x98\x84";  // 😄
const std::string kWink = "\xf0\x9f\x98\x89";   // 😉

EmojiMap loaded(const std::string& path) {
  EmojiMap m;
  m.load(path);
  return m;
}

std::optional<std::string> found(const EmojiMap& m, std::string_view query) {
  const auto v = m.lookup(query);
  if (!v) return std::nullopt;
  return std::string(*v);
}

}  // namespace

TEST(EmojiMapLoad, CommentsBlankLinesAndSingleTokensAreSkipped) {
  quvo_test::TempDir dir;
  const EmojiMap m =
      loaded(dir.write("emoji.dict", "smile " + kSmile + "\n  # a comment\n\nwink\n"));
  EXPECT_EQ(m.size(), 1u);
  EXPECT_EQ(found(m, "smile"), kSmile);
  EXPECT_EQ(found(m, "wink"), std::nullopt);
  EXPECT_EQ(found(m, "#"), std::nullopt);
}

TEST(EmojiMapLoad, LineForms) {
  quvo_test::TempDir dir;
  struct Case {
    const char* name;
    std::string bytes;
    std::optional<std::string> smile;
    size_t size;
  } cases[] = {
      {"one space", "smile " + kSmile + "\n", kSmile, 1},
      {"tab", "smile\t" + kSmile + "\n", kSmile, 1},
      {"several spaces", "smile    " + kSmile + "\n", kSmile, 1},
      {"ideographic space", "smile\xe3\x80\x80" + kSmile + "\n", kSmile, 1},
      {"no-break space", "smile\xc2\xa0" + kSmile + "\n", kSmile, 1},
      {"surrounding blanks", " \t smile " + kSmile + " \t\n", kSmile, 1},
      {"third token ignored", "smile " + kSmile + " " + kWink + "\n", kSmile, 1},
      {"later line wins", "smile " + kWink + "\nsmile " + kSmile + "\n", kSmile, 1},
      {"crlf", "smile " + kSmile + "\r\nwink " + kWink + "\r\n", kSmile, 2},
      {"last line without lf", "wink " + kWink + "\nsmile " + kSmile, kSmile, 2},
      {"comment line", "#smile " + kSmile + "\n", std::nullopt, 0},
      {"indented comment", "\xe3\x80\x80# smile " + kSmile + "\n", std::nullopt, 0},
      {"hash inside is text", "smile #" + kSmile + "\n", "#" + kSmile, 1},
      {"value is any token", "smile :-)\n", ":-)", 1},
      {"keyword alone", "smile\n", std::nullopt, 0},
      {"empty file", "", std::nullopt, 0},
      {"only blank lines", "\n \n\t\n\r\n", std::nullopt, 0},
  };
  for (const auto& c : cases) {
    const EmojiMap m = loaded(dir.write("emoji.dict", c.bytes));
    EXPECT_EQ(found(m, "smile"), c.smile) << c.name;
    EXPECT_EQ(m.size(), c.size) << c.name;
  }
}

TEST(EmojiMapLoad, HostileFiles) {
  quvo_test::TempDir dir;
  const std::string huge(3u << 20, 'k');
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<std::pair<std::string, std::string>> entries;
  } cases[] = {
      {"invalid utf-8 line skipped",
       "smile " + kSmile + "\nbad \xff\xfe\nwink " + kWink + "\n",
       {{"smile", kSmile}, {"wink", kWink}}},
      {"truncated sequence skipped", "bad \xf0\x9f\x98\nwink " + kWink + "\n", {{"wink", kWink}}},
      {"huge line skipped",
       "smile " + kSmile + "\n" + huge + " x\nwink " + kWink + "\n",
       {{"smile", kSmile}, {"wink", kWink}}},
      // A byte-order mark is no white space: it stays in the first keyword,
      // and the lines after it load as usual.
      {"bom",
       "\xef\xbb\xbfwink " + kWink + "\nsmile " + kSmile + "\n",
       {{"\xef\xbb\xbfwink", kWink}, {"smile", kSmile}}},
  };
  for (const auto& c : cases) {
    const EmojiMap m = loaded(dir.write("emoji.dict", c.bytes));
    EXPECT_EQ(m.size(), c.entries.size()) << c.name;
    for (const auto& [key, value] : c.entries) EXPECT_EQ(found(m, key), value) << c.name;
  }
}

TEST(EmojiMapLoad, MissingFileOrDirectoryLeavesMapAsItWas) {
  quvo_test::TempDir dir;
  std::filesystem::create_directory(dir.file("emoji.dict"));
  for (const std::string& path : {dir.file("missing.dict"), dir.file("emoji.dict")}) {
    EmojiMap m;
    EXPECT_EQ(m.lookup("smile"), std::nullopt);
    m.load(path);
    EXPECT_EQ(m.size(), 0u) << path;
    EXPECT_EQ(m.lookup("smile"), std::nullopt) << path;
  }
  // Loading a second file adds to the first.
  EmojiMap m = loaded(dir.write("a.dict", "smile " + kSmile + "\n"));
  m.load(dir.file("missing.dict"));
  m.load(dir.write("b.dict", "wink " + kWink + "\n"));
  EXPECT_EQ(m.size(), 2u);
  EXPECT_EQ(found(m, "smile"), kSmile);
  EXPECT_EQ(found(m, "wink"), kWink);
}

TEST(EmojiMapLookup, LowersAsciiLettersOfTheQueryOnly) {
  quvo_test::TempDir dir;
  const EmojiMap m =
      loaded(dir.write("emoji.dict", "smile " + kSmile + "\nWink " + kWink +
                                         "\n\xc3\xa9t\xc3\xa9 sun\n\xc3\x89t\xc3\x89 SUN\n"
                                         "a1_b up\n"));
  struct Case {
    std::string query;
    std::optional<std::string> result;
  } cases[] = {
      {"smile", kSmile},
      {"Smile", kSmile},
      {"SMILE", kSmile},
      {"sMiLe", kSmile},
      {"A1_B", "up"},
      // A keyword with upper-case letters can never be found.
      {"Wink", std::nullopt},
      {"wink", std::nullopt},
      // Only A..Z are lowered: É stays É.
      {"\xc3\xa9t\xc3\xa9", "sun"},
      {"\xc3\xa9T\xc3\xa9", "sun"},
      {"\xc3\x89t\xc3\x89", "SUN"},
      {"\xc3\x89T\xc3\x89", "SUN"},
      // No trimming, no prefix match.
      {" smile", std::nullopt},
      {"smile ", std::nullopt},
      {"smil", std::nullopt},
      {"smiles", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(found(m, c.query), c.result) << c.query;
}

TEST(EmojiMapLookup, LowerCaseQueryDoesNotAllocateAndViewStaysValid) {
  quvo_test::TempDir dir;
  const std::string line = "averyveryverylongkeywordforemoji " + kSmile + "\n";
  const EmojiMap m = loaded(dir.write("emoji.dict", line + "other " + kWink + "\n"));
  const std::string_view query = "averyveryverylongkeywordforemoji";
  const size_t before = g_allocations.load();
  const auto hit = m.lookup(query);
  const auto miss = m.lookup("averyveryverylongkeywordthatisabsent");
  const size_t after = g_allocations.load();
  EXPECT_EQ(after, before);
  ASSERT_TRUE(hit.has_value());
  EXPECT_EQ(*hit, kSmile);
  EXPECT_FALSE(miss.has_value());
  // The view points into the map and agrees with an upper-case lookup.
  const auto upper = m.lookup("AVERYVERYVERYLONGKEYWORDFOREMOJI");
  ASSERT_TRUE(upper.has_value());
  EXPECT_EQ(upper->data(), hit->data());
}
