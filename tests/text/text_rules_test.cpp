#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/file_write.h"
#include "text/number.h"
#include "text/string_arena.h"
#include "text/utf8.h"
#include "text/white_space.h"
#include "support/temp_dir.h"

namespace t = wubi_pinyin::text;

TEST(Number, UnsignedDecimalRule) {
  struct Case {
    const char* in;
    std::optional<uint32_t> out;
  } cases[] = {{"0", 0u},        {"+12", 12u},     {"0012", 12u},   {"4294967295", 4294967295u},
               {"4294967296", {}}, {"-3", {}},     {"+", {}},       {"", {}},
               {" 3", {}},        {"3 ", {}},      {"1e3", {}},     {"99999999999999999999", {}}};
  for (const auto& c : cases) EXPECT_EQ(t::parse_u32(c.in), c.out) << c.in;
}

TEST(WhiteSpace, TrimAndSplitUseUnicodeWhiteSpace) {
  EXPECT_EQ(t::trim_white_space("\u3000 a b\t\u00a0"), "a b");
  EXPECT_EQ(t::trim_white_space(" \t "), "");
  const auto f = t::split_white_space("经济\u3000xciy  12\u2003x");
  ASSERT_EQ(f.size(), 4u);
  EXPECT_EQ(f[0], "经济");
  EXPECT_EQ(f[1], "xciy");
  EXPECT_EQ(f[2], "12");
  EXPECT_EQ(f[3], "x");
  const auto g = t::split_at_bytes("中  zhong\t1", " \t");
  ASSERT_EQ(g.size(), 4u);
  EXPECT_EQ(g[1], "");
  EXPECT_EQ(g[2], "zhong");
  EXPECT_EQ(t::dictionary_record("  # note"), "");
  EXPECT_EQ(t::dictionary_record("\xef\xbb\xbf# bom"), "\xef\xbb\xbf# bom");
}

TEST(Utf8, ValidationAndCharacterCuts) {
  EXPECT_TRUE(t::is_valid_utf8("中文 abc 😄"));
  for (const char* bad : {"\xc0\x80", "\xe0\x80\x80", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xe4\xb8",
                          "\x80"})
    EXPECT_FALSE(t::is_valid_utf8(bad)) << bad;
  EXPECT_EQ(t::char_count("中a😄"), 3u);
  EXPECT_TRUE(t::is_single_char("😄"));
  EXPECT_FALSE(t::is_single_char("中国"));
  EXPECT_EQ(t::last_char_bytes("中国"), "国");
  // A cut never splits a character; ASCII is cut by bytes.
  EXPECT_EQ(t::utf8_prefix("中国", 5), "中");
  EXPECT_EQ(t::utf8_prefix("中国", 6), "中国");
  EXPECT_EQ(t::utf8_prefix("abcdef", 3), "abc");
}

TEST(StringArena, ViewsStayValidAcrossGrowthAndMoves) {
  t::StringArena arena;
  std::vector<t::StrRef> refs;
  for (int i = 0; i < 20000; ++i) refs.push_back(arena.store("word" + std::to_string(i)));
  const t::StrRef big = arena.store(std::string(40000, 'z'));
  const std::string_view first = arena.view(refs[0]);
  t::StringArena moved = std::move(arena);
  EXPECT_EQ(first.data(), moved.view(refs[0]).data());
  EXPECT_EQ(moved.view(refs[19999]), "word19999");
  EXPECT_EQ(moved.view(big).size(), 40000u);
  EXPECT_EQ(moved.view(t::StrRef{}), "");
}

TEST(FileWrite, AppendKeepsWholeLines) {
  quvo_test::TempDir dir;
  const std::string p = dir.file("user.dict");
  EXPECT_TRUE(t::append_line(p, "工\ta"));
  EXPECT_TRUE(t::append_line(p, "经济\txciy"));
  EXPECT_EQ(quvo_test::read_file(p), "工\ta\n经济\txciy\n");
  // A file left without a final LF gets its line ended first.
  dir.write("torn", "partial");
  EXPECT_TRUE(t::append_line(dir.file("torn"), "next"));
  EXPECT_EQ(quvo_test::read_file(dir.file("torn")), "partial\nnext\n");
  // A path below a regular file cannot be written.
  EXPECT_FALSE(t::append_line(p + "/x", "y"));
}

TEST(FileWrite, ReplaceIsAllOrNothing) {
  quvo_test::TempDir dir;
  const std::string p = dir.write("user.freq", "old\t1\n");
  EXPECT_TRUE(t::replace_file(p, "new\t2\n"));
  EXPECT_EQ(quvo_test::read_file(p), "new\t2\n");
  EXPECT_FALSE(quvo_test::file_exists(p + ".tmp"));
  EXPECT_FALSE(t::replace_file(dir.file("missing/user.freq"), "x"));
}
