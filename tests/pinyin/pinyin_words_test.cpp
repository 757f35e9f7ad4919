#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "pinyin/pinyin_data.h"
#include "pinyin_test_util.h"
#include "text/utf8.h"

using quvo_test::make_lexicon;
using quvo_test::Pair;
using quvo_test::pairs_of;
using quvo_test::words_of;
using wubi_pinyin::pinyin::PinyinData;
using Words = std::vector<std::string>;
using Pairs = std::vector<Pair>;

namespace {

// 㐀 has no reading; 空 has the empty one.
constexpr std::string_view kReadings =
    "你拟 ni\n好 hao\n们 men\n中钟 zhong\n国 guo\n华 hua\n行 xing\n行 hang\n长 chang\n"
    "长 zhang\n银 yin\n马 ma\n年 nian\n女 nv\n空  kong\n";

}  // namespace

TEST(PinyinWords, WordListLineRules) {
  quvo_test::TempDir dir;
  const PinyinData d = make_lexicon(dir, kReadings, {},
                                    {"# nihao 你好 comment\n"
                                     "nihao 你好\n"
                                     "NiHao 你好 wqvb 500\n"
                                     "nihao 你好 500\n"
                                     "nihao\n"
                                     "\n"
                                     "zhongguo\xe3\x80\x80中国\xe3\x80\x80khlg\n"
                                     "  ma 马 cn 7 extra  \n"
                                     "abc ABC\n"
                                     "nixx 你㐀 c\n"
                                     "kongguo 空国\n"});
  EXPECT_EQ(pairs_of(d.words_by_pinyin("nihao")),
            (Pairs{{"nihao", "你好", ""}, {"nihao", "你好", "wqvb"}, {"nihao", "你好", "500"}}));
  EXPECT_EQ(pairs_of(d.words_by_initials("nh")),
            (Pairs{{"nh", "你好", ""}, {"nh", "你好", "wqvb"}, {"nh", "你好", "500"}}));
  EXPECT_EQ(d.word_freq("你好"), 500u);  // "500" in field 3 is a code
  EXPECT_EQ(pairs_of(d.words_by_pinyin("zhongguo")), (Pairs{{"zhongguo", "中国", "khlg"}}));
  EXPECT_EQ(words_of(d.words_by_initials("zg")), (Words{"中国"}));
  EXPECT_EQ(pairs_of(d.words_by_pinyin("ma")), (Pairs{{"ma", "马", "cn"}}));
  EXPECT_EQ(d.word_freq("马"), 7u);
  EXPECT_EQ(words_of(d.words_by_pinyin("abc")), (Words{"ABC"}));  // words stay as written
  EXPECT_TRUE(d.words_by_pinyin("NiHao").empty());
  // Characters without a reading, or with the empty one: no initials entry.
  EXPECT_EQ(words_of(d.words_by_pinyin("nixx")), (Words{"你㐀"}));
  EXPECT_EQ(words_of(d.words_by_pinyin("kongguo")), (Words{"空国"}));
  EXPECT_EQ(pairs_of(d.all_words_by_initials()), (Pairs{{"m", "马", "cn"},
                                                        {"nh", "你好", ""},
                                                        {"nh", "你好", "wqvb"},
                                                        {"nh", "你好", "500"},
                                                        {"zg", "中国", "khlg"}}));
  EXPECT_FALSE(d.word_freq("中国"));
  EXPECT_FALSE(d.word_freq("nihao"));
}

TEST(PinyinWords, FrequencyField) {
  quvo_test::TempDir dir;
  const PinyinData d = make_lexicon(dir, kReadings, {},
                                    {"a 甲 c 4294967295\n"
                                     "a 乙 c 4294967296\n"
                                     "a 丙 c +12\n"
                                     "a 丁 c -1\n"
                                     "a 戊 c 12a\n"
                                     "a 己 c 007\n"
                                     "a 庚 c 5\n"
                                     "a 庚 c 9\n"
                                     "a 辛 c 5\n"
                                     "a 辛 c x\n"
                                     "a 壬 c 99999999999999999999999\n",
                                     "b 庚 c 11\n"});
  const struct {
    const char* word;
    std::optional<uint32_t> freq;
  } cases[] = {
      {"甲", 4294967295u},  {"乙", std::nullopt}, {"丙", 12u},
      {"丁", std::nullopt}, {"戊", std::nullopt}, {"己", 7u},
      {"庚", 11u},          {"辛", 5u},           {"壬", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(d.word_freq(c.word), c.freq) << c.word;
  // Unparsable frequencies still file the word.
  EXPECT_EQ(d.words_by_pinyin("a").size(), 11u);
}

TEST(PinyinWords, SameLineInTwoFilesFilesTwice) {
  quvo_test::TempDir dir;
  const PinyinData d = make_lexicon(dir, kReadings, {}, {"nihao 你好\n", "nihao 你好\n"});
  EXPECT_EQ(words_of(d.words_by_pinyin("nihao")), (Words{"你好", "你好"}));
  EXPECT_EQ(words_of(d.words_by_initials("nh")), (Words{"你好", "你好"}));
}

TEST(PinyinWords, OverrideFile) {
  quvo_test::TempDir dir;
  const PinyinData d = make_lexicon(dir, kReadings,
                                    "行长 hang zhang\n"
                                    "银行 YIN hang\n"
                                    "单\n"
                                    "长大 zhang da\n"
                                    "长大 ZHANG DA ren\n"
                                    "银河\xe3\x80\x80yin\xe3\x80\x80he\n"
                                    "一二三四五六七八九十 yi er san si wu liu qi ba jiu shi\n"
                                    "绿色 lǜ se\n",
                                    {"hangzhang 行长\nxingchang 长行\n"});
  const struct {
    const char* word;
    const char* pinyin;
    const char* initials;
  } cases[] = {
      {"行长", "hangzhang", "hz"},
      {"银行", "yinhang", "yh"},
      {"长大", "zhangdaren", "zdr"},  // a later line replaces the pair
      {"银河", "yinhe", "yh"},
      {"一二三四五六七八九十", "yiersansiwuliuqibajiushi", "yesswlqbjs"},
      {"绿色", "lǜse", "ls"},
  };
  for (const auto& c : cases) {
    const auto* p = d.polyphonic(c.word);
    ASSERT_NE(p, nullptr) << c.word;
    EXPECT_EQ(p->pinyin, c.pinyin);
    EXPECT_EQ(p->initials, c.initials);
    EXPECT_EQ(d.word_pinyin_of(c.word), c.pinyin);
  }
  EXPECT_EQ(d.polyphonic("单"), nullptr);
  EXPECT_EQ(d.polyphonic("行"), nullptr);
  // The override gives the initials; without one they come from the first
  // readings, whatever the word list's pinyin says.
  EXPECT_EQ(words_of(d.words_by_initials("hz")), (Words{"行长"}));
  EXPECT_EQ(words_of(d.words_by_initials("cx")), (Words{"长行"}));
  EXPECT_EQ(words_of(d.words_by_pinyin("xingchang")), (Words{"长行"}));
}

TEST(PinyinWords, WordPinyinOf) {
  quvo_test::TempDir dir;
  const PinyinData d = make_lexicon(dir, kReadings, "银行 yin hang\n");
  EXPECT_EQ(d.word_pinyin_of("中国"), "zhongguo");
  EXPECT_EQ(d.word_pinyin_of("行长"), "xingchang");  // first readings
  EXPECT_EQ(d.word_pinyin_of("银行"), "yinhang");
  EXPECT_EQ(d.word_pinyin_of(""), "");
  EXPECT_FALSE(d.word_pinyin_of("中㐀"));
  EXPECT_FALSE(d.word_pinyin_of("空国"));  // empty reading
  EXPECT_FALSE(d.word_pinyin_of("\xff"));
}

TEST(PinyinWords, RegisterWord) {
  quvo_test::TempDir dir;
  PinyinData d = make_lexicon(dir, kReadings, "银行 yin hang\n", {"nihao 你好\nhangzhang 行长\n"});
  EXPECT_FALSE(d.register_word("你好", "wqvb"));  // already filed by the word list
  EXPECT_TRUE(d.register_word("中国", "khlg"));
  EXPECT_FALSE(d.register_word("中国", "khlx"));  // already registered
  EXPECT_FALSE(d.register_word("中㐀", "x"));
  EXPECT_FALSE(d.register_word("空国", "x"));
  EXPECT_FALSE(d.register_word("", "x"));
  EXPECT_TRUE(d.register_word("银行", "qvtf"));
  EXPECT_TRUE(d.register_word("行长", "tfta"));  // filed under another pinyin only
  EXPECT_TRUE(d.register_word("钟国", ""));
  EXPECT_EQ(pairs_of(d.words_by_pinyin("nihao")), (Pairs{{"nihao", "你好", ""}}));
  EXPECT_EQ(words_of(d.words_by_initials("nh")), (Words{"你好"}));
  EXPECT_EQ(pairs_of(d.words_by_pinyin("zhongguo")),
            (Pairs{{"zhongguo", "中国", "khlg"}, {"zhongguo", "钟国", ""}}));
  EXPECT_EQ(pairs_of(d.words_by_initials("zg")),
            (Pairs{{"zg", "中国", "khlg"}, {"zg", "钟国", ""}}));
  EXPECT_EQ(pairs_of(d.words_by_pinyin("yinhang")), (Pairs{{"yinhang", "银行", "qvtf"}}));
  EXPECT_EQ(words_of(d.words_by_initials("yh")), (Words{"银行"}));
  EXPECT_EQ(words_of(d.words_by_pinyin("xingchang")), (Words{"行长"}));
  EXPECT_EQ(words_of(d.words_by_pinyin("hangzhang")), (Words{"行长"}));
  EXPECT_EQ(words_of(d.words_by_initials("xc")), (Words{"行长", "行长"}));
  // After the lookups merged the queue, the checks still see every pair.
  EXPECT_FALSE(d.register_word("中国", "khlg"));
  EXPECT_FALSE(d.register_word("银行", ""));
  EXPECT_FALSE(d.word_freq("中国"));
}

TEST(PinyinWords, LongRunOfRegistrations) {
  quvo_test::TempDir dir;
  // 24 characters on 12 readings, two per reading.
  const char32_t chars[] = U"一二三四五六七八九十百千天地人和山水日月风云春秋";
  const char* readings[] = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l"};
  std::string file;
  for (size_t i = 0; i < 24; ++i) {
    std::string ch;
    wubi_pinyin::text::append_utf8(ch, chars[i]);
    file += ch + " " + readings[i % 12] + "\n";
  }
  PinyinData d = make_lexicon(dir, file, {}, {"aa 一一 x\n"});
  struct Word {
    std::string text, pinyin, initials;
  };
  std::vector<Word> words;
  for (size_t i = 0; i < 24; ++i)
    for (size_t j = 0; j < 24; ++j)
      for (size_t k = 0; k < 24; k += 5) {
        Word w;
        for (size_t c : {i, j, k}) {
          wubi_pinyin::text::append_utf8(w.text, chars[c]);
          w.pinyin += readings[c % 12];
          w.initials += readings[c % 12];
        }
        words.push_back(w);
      }
  EXPECT_FALSE(d.register_word("一一", ""));
  for (const Word& w : words) ASSERT_TRUE(d.register_word(w.text, w.pinyin)) << w.text;
  for (const Word& w : words) ASSERT_FALSE(d.register_word(w.text, "again")) << w.text;
  // Every word under its pinyin, in registration order within one key.
  for (const Word& w : words) {
    Words expected;
    for (const Word& o : words)
      if (o.pinyin == w.pinyin) expected.push_back(o.text);
    ASSERT_EQ(words_of(d.words_by_pinyin(w.pinyin)), expected) << w.pinyin;
    ASSERT_EQ(words_of(d.words_by_initials(w.initials)), expected) << w.initials;
  }
  const auto all = pairs_of(d.all_words_by_pinyin());
  EXPECT_EQ(all.size(), words.size() + 1);
  EXPECT_TRUE(std::is_sorted(all.begin(), all.end(), [](const Pair& a, const Pair& b) {
    return std::get<0>(a) < std::get<0>(b);
  }));
  for (const auto& [key, word, code] : all) {
    if (word != "一一") {
      EXPECT_EQ(key, code);  // the code given was the pinyin
    }
  }
}

TEST(PinyinWords, AddUserPhrase) {
  quvo_test::TempDir dir;
  PinyinData d = make_lexicon(dir, kReadings, "行长 hang zhang\n", {"nihao 你好 wqvb\n"});
  EXPECT_FALSE(d.add_user_phrase("你们", ""));
  EXPECT_FALSE(d.add_user_phrase("", "nimen"));
  EXPECT_FALSE(d.add_user_phrase("你好", "nihao"));  // filed by the word list
  EXPECT_TRUE(d.add_user_phrase("你们", "nimen"));
  EXPECT_FALSE(d.add_user_phrase("你们", "nimen"));
  EXPECT_EQ(pairs_of(d.words_by_pinyin("nimen")), (Pairs{{"nimen", "你们", ""}}));
  EXPECT_EQ(pairs_of(d.words_by_initials("nm")), (Pairs{{"nm", "你们", ""}}));
  // Initials from the first readings: the override is not consulted here.
  EXPECT_TRUE(d.add_user_phrase("行长", "hangzhang"));
  EXPECT_EQ(words_of(d.words_by_initials("xc")), (Words{"行长"}));
  EXPECT_TRUE(d.words_by_initials("hz").empty());
  // Pinyin only when a character has no reading.
  EXPECT_TRUE(d.add_user_phrase("你㐀", "nixx"));
  EXPECT_EQ(words_of(d.words_by_pinyin("nixx")), (Words{"你㐀"}));
  EXPECT_EQ(d.all_words_by_initials().size(), 3u);
  // A queued registration counts, and a phrase is seen by registration.
  EXPECT_TRUE(d.register_word("中国", "khlg"));
  EXPECT_FALSE(d.add_user_phrase("中国", "zhongguo"));
  EXPECT_TRUE(d.add_user_phrase("中国", "zhonguo"));
  EXPECT_TRUE(d.add_user_phrase("中华", "zhonghua"));
  EXPECT_FALSE(d.register_word("中华", "khwx"));
  EXPECT_EQ(pairs_of(d.words_by_pinyin("nihao")), (Pairs{{"nihao", "你好", "wqvb"}}));
  EXPECT_TRUE(d.add_user_phrase("拟好", "nihao"));  // another word under a known key
  EXPECT_EQ(words_of(d.words_by_pinyin("nihao")), (Words{"你好", "拟好"}));
  EXPECT_EQ(words_of(d.words_by_initials("nh")), (Words{"你好", "拟好"}));
  EXPECT_FALSE(d.word_freq("你们"));
}

TEST(PinyinWords, PrefixWalksAndByteOrder) {
  quvo_test::TempDir dir;
  PinyinData d = make_lexicon(dir, kReadings, {},
                              {"nihao 你好\nma 马\nnian 年\nni 你\nnv 女\nni 拟\n"
                               "lü 绿\nlv 率\nlz 了\nn 嗯\nniu 牛\n"});
  EXPECT_EQ(pairs_of(d.words_with_prefix("ni")), (Pairs{{"ni", "你", ""},
                                                        {"ni", "拟", ""},
                                                        {"nian", "年", ""},
                                                        {"nihao", "你好", ""},
                                                        {"niu", "牛", ""}}));
  EXPECT_EQ(words_of(d.words_with_prefix("n")),
            (Words{"嗯", "你", "拟", "年", "你好", "牛", "女"}));
  EXPECT_EQ(words_of(d.words_with_prefix("nihao")), (Words{"你好"}));
  EXPECT_TRUE(d.words_with_prefix("").empty());
  EXPECT_TRUE(d.words_with_prefix("nihaoma").empty());
  EXPECT_TRUE(d.words_with_prefix("nz").empty());
  EXPECT_TRUE(d.words_with_prefix("zz").empty());
  // Keys order by unsigned bytes: "ü" (0xc3 0xbc) after every ASCII letter.
  EXPECT_EQ(words_of(d.words_with_prefix("l")), (Words{"率", "了", "绿"}));
  EXPECT_EQ(words_of(d.initials_with_prefix("n")), (Words{"年", "你", "女", "拟", "你好"}));
  EXPECT_TRUE(d.initials_with_prefix("").empty());
  EXPECT_TRUE(d.words_by_pinyin("").empty());
  EXPECT_TRUE(d.words_by_pinyin("nih").empty());
  // A queued registration is seen by the prefix walks.
  EXPECT_TRUE(d.register_word("你年", "wqrh"));
  EXPECT_EQ(words_of(d.words_with_prefix("nin")), (Words{"你年"}));
  EXPECT_EQ(words_of(d.initials_with_prefix("nn")), (Words{"你年"}));
}

TEST(PinyinWords, MergeFromOlderInstance) {
  quvo_test::TempDir dir;
  PinyinData fresh = make_lexicon(dir, kReadings, {}, {"nihao 你好 wqvb\nzhongguo 中国 khlg\n"});
  {
    PinyinData older = make_lexicon(dir, kReadings, {}, {"nimen 你们\nnimen 你们 x\n"});
    EXPECT_TRUE(older.add_user_phrase("你好", "nihao"));     // word already there: dropped
    EXPECT_TRUE(older.add_user_phrase("拟好", "nihao"));     // appended after 你好
    EXPECT_TRUE(older.add_user_phrase("中华", "zhonghua"));  // a new key, in key order
    EXPECT_TRUE(older.register_word("钟国", "qqqq"));        // still queued in the older one
    fresh.merge_words_from(older);
  }
  EXPECT_EQ(pairs_of(fresh.all_words_by_pinyin()), (Pairs{{"nihao", "你好", "wqvb"},
                                                          {"nihao", "拟好", ""},
                                                          {"nimen", "你们", ""},
                                                          {"zhongguo", "中国", "khlg"},
                                                          {"zhongguo", "钟国", "qqqq"},
                                                          {"zhonghua", "中华", ""}}));
  EXPECT_EQ(pairs_of(fresh.all_words_by_initials()), (Pairs{{"nh", "你好", "wqvb"},
                                                            {"nh", "拟好", ""},
                                                            {"nm", "你们", ""},
                                                            {"zg", "中国", "khlg"},
                                                            {"zg", "钟国", "qqqq"},
                                                            {"zh", "中华", ""}}));
  // The merged words are this instance's own: the checks see them.
  EXPECT_FALSE(fresh.add_user_phrase("拟好", "nihao"));
  EXPECT_FALSE(fresh.register_word("钟国", ""));
  const auto before = pairs_of(fresh.all_words_by_pinyin());
  fresh.merge_words_from(fresh);
  fresh.merge_words_from(PinyinData{});
  EXPECT_EQ(pairs_of(fresh.all_words_by_pinyin()), before);

  PinyinData empty;
  empty.merge_words_from(fresh);
  EXPECT_EQ(pairs_of(empty.all_words_by_pinyin()), before);
  EXPECT_FALSE(empty.add_user_phrase("你好", "nihao"));
}

TEST(PinyinWords, MergeLongGroup) {
  quvo_test::TempDir dir;
  std::string mine;
  std::string theirs;
  for (int i = 0; i < 40; ++i) mine += "shi w" + std::to_string(i) + "\n";
  for (int i = 59; i >= 20; --i) theirs += "shi w" + std::to_string(i) + "\nshi w45\n";
  PinyinData fresh = make_lexicon(dir, kReadings, {}, {mine});
  const PinyinData older = make_lexicon(dir, kReadings, {}, {theirs});
  fresh.merge_words_from(older);
  // Mine first; then theirs in their order, each word once, none of mine.
  Words expected;
  for (int i = 0; i < 40; ++i) expected.push_back("w" + std::to_string(i));
  expected.push_back("w59");
  expected.push_back("w45");
  for (int i = 58; i >= 40; --i)
    if (i != 45) expected.push_back("w" + std::to_string(i));
  EXPECT_EQ(words_of(fresh.words_by_pinyin("shi")), expected);
}

TEST(PinyinWords, ViewsOutliveLaterAdditionsAndMoves) {
  quvo_test::TempDir dir;
  auto d = std::make_unique<PinyinData>(
      make_lexicon(dir, kReadings, {}, {"nihao 你好 wqvb\nzhongguo 中国 khlg\n"}));
  const auto first = d->words_by_pinyin("nihao")[0];
  const auto prefix = *d->words_with_prefix("zh").begin();
  const std::string_view reading = *d->char_reading(U'中');
  std::vector<wubi_pinyin::pinyin::WordView> added;
  const char* parts[] = {"你", "好", "们", "中", "国", "华", "马", "年", "女"};
  for (int i = 0; i < 300; ++i) {
    const std::string pinyin = "p" + std::to_string(i);
    ASSERT_TRUE(d->add_user_phrase("词" + std::to_string(i), pinyin));
    added.push_back(d->words_by_pinyin(pinyin)[0]);
    const std::string word = std::string(parts[i / 81]) + parts[i / 9 % 9] + parts[i % 9] + "国";
    ASSERT_TRUE(d->register_word(word, "c")) << word;
  }
  PinyinData older = make_lexicon(dir, kReadings, {}, {"zzz 中中\n"});
  d->merge_words_from(older);
  PinyinData moved = std::move(*d);
  d.reset();
  EXPECT_EQ(first.key, "nihao");
  EXPECT_EQ(first.word, "你好");
  EXPECT_EQ(first.code, "wqvb");
  EXPECT_EQ(prefix.word, "中国");
  EXPECT_EQ(reading, "zhong");
  for (int i = 0; i < 300; ++i) {
    EXPECT_EQ(added[i].key, "p" + std::to_string(i));
    EXPECT_EQ(added[i].word, "词" + std::to_string(i));
  }
  EXPECT_EQ(moved.words_by_pinyin("nihao")[0].word.data(), first.word.data());
  EXPECT_EQ(words_of(moved.words_by_pinyin("zzz")), (Words{"中中"}));
}

TEST(PinyinWords, HostileWordFiles) {
  quvo_test::TempDir dir;
  const std::string huge(size_t{2} << 20, 'a');
  const struct {
    const char* name;
    std::string list;
    std::string overrides;
  } cases[] = {
      {"invalid utf-8", "nihao \xff\xfe\nnihao 你好 wqvb\nnih\xc3 x\n",
       "银行 \xed\xa0\x80 x\n银行 yin hang\n"},
      {"crlf", "nihao 你好 wqvb\r\n", "银行 yin hang\r\n"},
      {"huge line", "nihao " + huge + "\nnihao 你好 wqvb", huge + " a\n银行 yin hang"},
      {"bom", "\xef\xbb\xbfnihao 你们\nnihao 你好 wqvb\n",
       "\xef\xbb\xbf银行 yin hang\n银行 yin hang\n"},
  };
  for (const auto& c : cases) {
    const PinyinData d = make_lexicon(dir, kReadings, c.overrides, {c.list});
    EXPECT_EQ(pairs_of(d.words_by_pinyin("nihao")), (Pairs{{"nihao", "你好", "wqvb"}})) << c.name;
    ASSERT_NE(d.polyphonic("银行"), nullptr) << c.name;
    EXPECT_EQ(d.polyphonic("银行")->pinyin, "yinhang") << c.name;
  }
  // A word and code of more than 65535 bytes together cannot be filed; no
  // real record comes near that.
  const std::string long_word(40000, 'w');
  PinyinData big = make_lexicon(
      dir, kReadings, {},
      {"a " + long_word + " " + long_word + " 5\nb " + long_word + " c 6\nnihao 你好\n"});
  EXPECT_TRUE(big.words_by_pinyin("a").empty());
  EXPECT_EQ(words_of(big.words_by_pinyin("b")), (Words{long_word}));
  EXPECT_EQ(big.word_freq(long_word), 6u);
  EXPECT_FALSE(big.add_user_phrase(std::string(70000, 'x'), "x"));
  std::string long_han;
  for (int i = 0; i < 25000; ++i) long_han += "你";  // 75000 bytes, every one read ni
  EXPECT_FALSE(big.register_word(long_han, ""));
  EXPECT_EQ(big.word_pinyin_of(long_han)->size(), 50000u);
  EXPECT_TRUE(big.add_user_phrase(long_word + "x", "b"));
  EXPECT_EQ(words_of(big.words_with_prefix("b")), (Words{long_word, long_word + "x"}));

  // The byte-order mark stays part of the first field.
  const PinyinData bom = make_lexicon(dir, kReadings, {}, {"\xef\xbb\xbfnihao 你们\n"});
  EXPECT_EQ(words_of(bom.words_by_pinyin("\xef\xbb\xbfnihao")), (Words{"你们"}));

  PinyinData none;
  none.load(dir.write("hanzi_pinyin.dict", kReadings));
  for (const std::string& path : {dir.file("missing"), dir.str(), dir.write("empty", "")}) {
    none.load_polyphonic(path);
    none.load_words(path);
  }
  EXPECT_TRUE(none.all_words_by_pinyin().empty());
  EXPECT_TRUE(none.all_words_by_initials().empty());
  EXPECT_EQ(none.polyphonic("银行"), nullptr);
  EXPECT_EQ(none.word_pinyin_of("中国"), "zhongguo");
}
