#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pinyin/pinyin_data.h"
#include "pinyin_test_util.h"

using wubi_pinyin::pinyin::PinyinData;

namespace {

std::u32string chars_of(const PinyinData& d, std::string_view reading) {
  const auto span = d.reading_chars(reading);
  return {span.begin(), span.end()};
}

PinyinData load_readings(const quvo_test::TempDir& dir, std::string_view bytes) {
  PinyinData d;
  d.load(dir.write("hanzi_pinyin.dict", bytes));
  return d;
}

}  // namespace

TEST(PinyinReadings, FieldRulesAndFirstReadingWins) {
  quvo_test::TempDir dir;
  const PinyinData d = load_readings(dir,
                                     "# comment 注 zhu\n"
                                     "\n"
                                     "中钟忠 zhong\n"
                                     "重 ZHONG\n"
                                     "重\tchong\n"
                                     "行 xing 1\n"
                                     "只\n"
                                     "  嗯 ng  \n"
                                     "书\xe3\x80\x80shu\n"      // U+3000 is no separator here
                                     "丁\xe3\x80\x80丙 ding\n"  // ...but part of field 1
                                     "听 ting\n");
  EXPECT_EQ(d.char_reading(U'中'), "zhong");
  EXPECT_EQ(d.char_reading(U'重'), "zhong");  // first reading kept
  EXPECT_EQ(chars_of(d, "zhong"), U"中钟忠重");
  EXPECT_EQ(chars_of(d, "chong"), U"重");
  EXPECT_EQ(d.char_reading(U'行'), "xing");  // third field ignored
  EXPECT_FALSE(d.char_reading(U'只'));       // no separator
  EXPECT_FALSE(d.char_reading(U'书'));
  EXPECT_FALSE(d.char_reading(U'注'));
  EXPECT_EQ(chars_of(d, "ding"), U"丁\u3000丙");
  EXPECT_EQ(d.char_reading(U'嗯'), "ng");
  EXPECT_TRUE(d.has_reading("zhong"));
  EXPECT_FALSE(d.has_reading("zong"));  // a canonical form is no reading
  EXPECT_TRUE(chars_of(d, "zong").empty());

  for (const char* s : {"zhong", "zong", "chong", "cong", "xing", "xin", "ng", "ting", "tin"})
    EXPECT_TRUE(d.is_syllable(s)) << s;
  for (const char* s : {"zhu", "zu", "shu", "zho", "zhongg", "1", "Zhong", "z"})
    EXPECT_FALSE(d.is_syllable(s)) << s;
}

TEST(PinyinReadings, DoubleSeparatorGivesEmptyReading) {
  quvo_test::TempDir dir;
  const PinyinData d = load_readings(dir, "中  zhong\n中 zhong\n");
  ASSERT_TRUE(d.char_reading(U'中'));
  EXPECT_EQ(*d.char_reading(U'中'), "");
  EXPECT_TRUE(d.is_syllable(""));
  EXPECT_EQ(chars_of(d, ""), U"中");
  EXPECT_EQ(chars_of(d, "zhong"), U"中");
}

TEST(PinyinReadings, HostileFiles) {
  quvo_test::TempDir dir;
  const std::string huge(size_t{2} << 20, 'a');
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"invalid utf-8", "\xff\xfe 坏 huai\n好 hao\n\xe4\xb8 ba\n"},
      {"crlf", "好 hao\r\n"},
      {"huge line", "好 " + huge + "\n好 hao\n"},
      {"long reading", "坏 " + std::string(100000, 'x') + "\n好 hao"},
      {"no final lf", "好 hao"},
  };
  for (const auto& c : cases) {
    const PinyinData d = load_readings(dir, c.bytes);
    EXPECT_EQ(d.char_reading(U'好'), "hao") << c.name;
    EXPECT_EQ(chars_of(d, "hao"), U"好") << c.name;
    EXPECT_FALSE(d.is_syllable("hao\r")) << c.name;
    EXPECT_FALSE(d.is_syllable("huai")) << c.name;
    EXPECT_FALSE(d.is_syllable("ba")) << c.name;
  }

  // A byte-order mark stays part of the first field: the mark itself gets
  // the reading too, and the real character still loads.
  const PinyinData bom = load_readings(dir, "\xef\xbb\xbf好 hao\n");
  EXPECT_EQ(bom.char_reading(U'好'), "hao");
  EXPECT_EQ(chars_of(bom, "hao"), U"\ufeff好");

  PinyinData none;
  none.load(dir.file("missing.dict"));
  none.load(dir.str());  // a directory: every read fails, the load ends
  none.load(dir.write("empty.dict", ""));
  EXPECT_FALSE(none.char_reading(U'好'));
  EXPECT_FALSE(none.is_syllable("hao"));
  EXPECT_FALSE(none.is_syllable(""));
  EXPECT_TRUE(none.reading_chars("hao").empty());
}
