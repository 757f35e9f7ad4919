#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/core.h"
#include "support/temp_dir.h"

using wubi_pinyin::engine::Core;

namespace {

using Results = std::vector<std::pair<std::string, std::string>>;

// A data directory of only the files sentence composition reads: readings,
// character frequencies, words, pairs. No Wubi table, so word weights are
// the word list's frequencies (or 0 when a line gives none).
struct Data {
  std::string readings;
  std::string char_freq;
  std::string words;
  std::string bigram;
  std::string polyphonic;
};

std::unique_ptr<Core> engine_for(const quvo_test::TempDir& dir, const Data& d) {
  dir.write("hanzi_pinyin.dict", d.readings);
  dir.write("char_freq.dict", d.char_freq);
  dir.write("pinyin_word.dict", d.words);
  dir.write("bigram.dict", d.bigram);
  dir.write("polyphonic.dict", d.polyphonic);
  return Core::new_sync(dir.str());
}

// Scores used below (log10 of a power of ten is exact):
//   character of frequency f: log10(f + 1) - 6, so 0 -> -6, 9 -> -5, 99 -> -4,
//     999 -> -3, 999999 -> 0;
//   word of weight f and n characters: log10(min(f, 5000000) + 1) - 9 + n,
//     so a two-character word of weight 9999 scores 4 - 9 + 2 = -3;
//   + 1 when (last character so far, next first character) is a known pair.
const Data kNihao = {
    "你 ni\n泥 ni\n好 hao\n号 hao\n",
    "你\t99\n泥\t9\n好\t99\n号\t99\n",
    "nihao 你好 - 9999\n",
    "泥好\t5\n",
    "",
};

}  // namespace

TEST(SentenceBest, HandComputedBeam) {
  // Beam 2 ("ni"): 你 -4, 泥 -5.
  // End 5, gathered in order:
  //   s=0 "nihao", word 你好:            -3
  //   s=2 "hao", character 好 (99, -4; before 号 by stored order at equal
  //   frequency): 你好 -4 - 4 = -8;  泥好 -5 - 4 + 1 (pair 泥好) = -8
  //   character 号 (-4):                你号 -8;  泥号 -5 - 4 = -9
  // Sorted: 你好(word) -3, 你好 -8, 泥好 -8, 你号 -8, 泥号 -9. The second
  // 你好 stands next to the first and is dropped; the beam keeps three.
  quvo_test::TempDir dir;
  auto core = engine_for(dir, kNihao);
  EXPECT_EQ(core->sentence_best("nihao", 3, true),
            (Results{{"你好", "nihao"}, {"泥好", "nihao"}, {"你号", "nihao"}}));
  // Without the pair 泥好 scores -9 and falls behind 你号, ahead of 泥号 by
  // gathering order (好 before 号).
  Data no_pairs = kNihao;
  no_pairs.bigram = "";
  core = engine_for(dir, no_pairs);
  EXPECT_EQ(core->sentence_best("nihao", 4, true),
            (Results{{"你好", "nihao"}, {"你号", "nihao"}, {"泥好", "nihao"}, {"泥号", "nihao"}}));
  // With `whole` false only the states that used a word are returned.
  EXPECT_EQ(core->sentence_best("nihao", 3, false), (Results{{"你好", "nihao"}}));
  // Keys shorter than four letters give nothing.
  EXPECT_TRUE(core->sentence_best("hao", 3, true).empty());
  EXPECT_TRUE(core->sentence_best("nihao", 0, true).empty());
}

TEST(SentenceBest, WithoutWholeTheResultEndsWhereAWordLastSurvived) {
  // Beam 2: 你 -4, 泥 -4.  Beam 5: 你好 -4 - 2 = -6, 泥好 -6, then the word
  // 拟好 (weight 0: log10(1) - 9 + 2 = -7).  End 7 ("ma", 吗 and 妈 at -4):
  // 你好吗 -10, 泥好吗 -10, 拟好吗 -11, 你好妈 -10, 泥好妈 -10, 拟好妈 -11;
  // the best three use no word.
  quvo_test::TempDir dir;
  auto core =
      engine_for(dir, {"你泥 ni\n好 hao\n吗妈 ma\n", "你\t99\n泥\t99\n好\t9999\n吗\t99\n妈\t99\n",
                       "nihao 拟好\n", "", ""});
  EXPECT_EQ(core->sentence_best("nihaoma", 3, true),
            (Results{{"你好吗", "nihaoma"}, {"泥好吗", "nihaoma"}, {"你好妈", "nihaoma"}}));
  EXPECT_EQ(core->sentence_best("nihaoma", 3, false), (Results{{"拟好", "nihao"}}));
  // No word anywhere: nothing without `whole`, characters with it.
  core = engine_for(dir, {"你 ni\n好 hao\n", "你\t99\n好\t99\n", "", "", ""});
  EXPECT_TRUE(core->sentence_best("nihao", 3, false).empty());
  EXPECT_EQ(core->sentence_best("nihao", 3, true), (Results{{"你好", "nihao"}}));
  // Nothing matches at all.
  EXPECT_TRUE(core->sentence_best("qqqq", 3, true).empty());
}

TEST(SentenceBest, WordAndCharactersOfOnePieceAndNeighbourDeduplication) {
  // "xian" is a word key and a reading; "xi" and "an" are readings too.
  //   s=0 word 西安 (999): 3 - 9 + 2 = -4;  characters 先 (999999) 0, 线 (0) -6
  //   s=2 "an": 安 (9) after 西 (99): -4 - 5 = -9
  // Sorted: 先 0, 西安 -4, 线 -6, 西安 -9: the two 西安 are not neighbours,
  // so both stay.
  const Data with_xian = {"先线 xian\n西 xi\n安 an\n", "先\t999999\n线\t0\n西\t99\n安\t9\n",
                          "xian 西安 - 999\n", "", ""};
  quvo_test::TempDir dir;
  auto core = engine_for(dir, with_xian);
  EXPECT_EQ(core->sentence_best("xian", 4, true),
            (Results{{"先", "xian"}, {"西安", "xian"}, {"线", "xian"}, {"西安", "xian"}}));
  // Without 线 they are neighbours and the lower one goes.
  Data no_xian2 = with_xian;
  no_xian2.readings = "先 xian\n西 xi\n安 an\n";
  core = engine_for(dir, no_xian2);
  EXPECT_EQ(core->sentence_best("xian", 4, true), (Results{{"先", "xian"}, {"西安", "xian"}}));
}

TEST(SentenceBest, WordChoiceAndWeightCap) {
  struct Case {
    const char* name;
    std::string words;
    Results expected;
  };
  // 先 scores log10(999999 + 1) - 6 = 0. A word of weight 9999999 would
  // score log10(10^7) - 9 + 2 = 0 and come first (a word is gathered before
  // the characters of its piece), but the cap makes it log10(5000001) - 7,
  // about -0.3, like weights of five and of ten million.
  const std::vector<Case> cases = {
      {"cap at ten million", "xian 西安 - 10000000\n", {{"先", "xian"}, {"西安", "xian"}}},
      {"cap just below", "xian 西安 - 9999999\n", {{"先", "xian"}, {"西安", "xian"}}},
      {"cap itself", "xian 西安 - 5000000\n", {{"先", "xian"}, {"西安", "xian"}}},
      // Of equal weights the last stored entry is the piece's word; a higher
      // weight wins wherever it stands.
      {"last of equals", "xian 西安 - 50\nxian 仙安 - 50\n", {{"先", "xian"}, {"仙安", "xian"}}},
      {"highest weight", "xian 西安 - 70\nxian 仙安 - 50\n", {{"先", "xian"}, {"西安", "xian"}}},
  };
  quvo_test::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto core = engine_for(dir, {"先 xian\n", "先\t999999\n", c.words, "", ""});
    EXPECT_EQ(core->sentence_best("xian", 3, true), c.expected);
  }
}

TEST(SentenceBest, PiecesCoverAtMostTwentyFourLetters) {
  const std::string k24 = "zhongguorenminjiefangjun";  // 24 letters
  ASSERT_EQ(k24.size(), 24u);
  quvo_test::TempDir dir;
  auto core = engine_for(dir, {"", "", k24 + " 中国人民解放军\n" + k24 + "x 长词\n", "", ""});
  EXPECT_EQ(core->sentence_best(k24, 3, false), (Results{{"中国人民解放军", k24}}));
  // The 25-letter word is never a piece; its 24-letter start still is.
  EXPECT_EQ(core->sentence_best(k24 + "x", 3, false), (Results{{"中国人民解放军", k24}}));
}

TEST(SentenceBest, KeysWithMultiByteCharactersAreCutOnlyAtCharacterBoundaries) {
  quvo_test::TempDir dir;
  auto core = engine_for(dir, kNihao);
  const std::vector<std::string> keys = {"你nihao", "nihao你", "ni\xc3\xa9hao",
                                         std::string("ni\0hao", 6)};
  for (const std::string& key : keys) {
    SCOPED_TRACE(key);
    for (const auto& [text, covered] : core->sentence_best(key, 3, true)) {
      EXPECT_EQ(key.compare(0, covered.size(), covered), 0);
      EXPECT_FALSE(text.empty());
    }
  }
  EXPECT_EQ(core->sentence_best("nihao你", 3, false), (Results{{"你好", "nihao"}}));
}
