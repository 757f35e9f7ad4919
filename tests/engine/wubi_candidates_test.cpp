#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core.h"
#include "support/engine_fixture.h"
#include "support/temp_dir.h"

using wubi_pinyin::engine::Candidate;
using wubi_pinyin::engine::CandidateList;
using wubi_pinyin::engine::Core;
using wubi_pinyin::engine::Mode;

namespace {

std::vector<std::string> texts(const CandidateList& list) {
  std::vector<std::string> out;
  for (const auto& c : list) out.push_back(c.text);
  return out;
}

class WubiCandidates : public ::testing::Test {
 protected:
  void SetUp() override {
    quvo_test::write_fixture(dir);
    core = Core::new_sync(dir.str());
  }
  CandidateList for_input(std::string in) {
    core->input = std::move(in);
    return core->candidates();
  }
  quvo_test::TempDir dir;
  std::unique_ptr<Core> core;
};

}  // namespace

TEST_F(WubiCandidates, ExactCodesFirstThenCompletionsByRank) {
  // a (exact), then two-letter codes by weight across codes (ac 90 before
  // aa 50 before ab 40), then the four-letter code.
  EXPECT_EQ(texts(for_input("a")), (std::vector<std::string>{"工", "芭", "式", "节", "戈"}));
  EXPECT_EQ(for_input("a")[0].comment, "gong");
}

TEST_F(WubiCandidates, ReadingHintsJoinTheCharactersThatHaveOne) {
  const CandidateList list = for_input("wqvb");
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0], (Candidate{"你好", "ni hao"}));
  dir.write("wubi86.dict", "你X wqvx\nXY wqvy\n");
  core = Core::new_sync(dir.str());
  EXPECT_EQ(for_input("wqv"), (CandidateList{{"你X", "ni"}, {"XY", ""}}));
}

TEST_F(WubiCandidates, LookupKeyIgnoresCaseAndBlanksAndIsCached) {
  const CandidateList lower = for_input("wq");
  const CandidateList upper = for_input("  WQ\u3000");
  EXPECT_EQ(lower, upper);
  ASSERT_TRUE(core->cand_cache.has_value());
  EXPECT_EQ(core->cand_cache->key, "wq");
}

TEST_F(WubiCandidates, ModeAndSchemeArePartOfTheCacheKey) {
  EXPECT_EQ(texts(for_input("aa")), (std::vector<std::string>{"式", "戈"}));
  core->scheme98 = true;
  EXPECT_EQ(texts(for_input("a")), (std::vector<std::string>{"工", "戈"}));
  core->scheme98 = false;
  EXPECT_EQ(texts(for_input("a")).size(), 5u);
}

TEST_F(WubiCandidates, DigitStringsBecomeNumeralsInBothModes) {
  for (Mode m : {Mode::wubi, Mode::pinyin}) {
    core->mode = m;
    EXPECT_EQ(for_input("0"), (CandidateList{{"0", "数字"}, {"零", "大写"}, {"零", "中文数字"}}));
    EXPECT_EQ(for_input("19"),
              (CandidateList{{"19", "数字"}, {"壹玖", "大写"}, {"一九", "中文数字"}}));
    EXPECT_EQ(for_input("2024")[2].text, "二零二四");
  }
  core->mode = Mode::wubi;
  EXPECT_TRUE(for_input("1a").empty());  // not a number: the Wubi path finds nothing
  EXPECT_TRUE(for_input("   ").empty());
}

TEST_F(WubiCandidates, EmojiComesFirstUnlessAFavouriteOutranksIt) {
  dir.write("wubi86.dict", "一 smi 10\n");
  dir.write("emoji.dict", "smi 😄\n");
  core = Core::new_sync(dir.str());
  EXPECT_EQ(for_input("smi"), (CandidateList{{"😄", "smi"}, {"一", ""}}));

  // A favourite filed under a longer code beats the exact match and the
  // emoji.
  dir.write("aihao_wb.dict", "收藏 smiz\n");
  core = Core::new_sync(dir.str());
  EXPECT_EQ(texts(for_input("smi")), (std::vector<std::string>{"收藏", "😄", "一"}));
}

TEST_F(WubiCandidates, AWordUnderSeveralCodesIsListedOnceAtItsBestPlace) {
  dir.write("wubi86.dict", "乙 x 1\n丙 xa 50\n乙 xab 99\n");
  core = Core::new_sync(dir.str());
  EXPECT_EQ(texts(for_input("x")), (std::vector<std::string>{"乙", "丙"}));
}

TEST_F(WubiCandidates, EqualEntriesKeepTableOrder) {
  dir.write("wubi86.dict", "丁 ya 5\n丙 yb 5\n乙 ya 5\n");
  core = Core::new_sync(dir.str());
  EXPECT_EQ(texts(for_input("y")), (std::vector<std::string>{"丁", "乙", "丙"}));
}

TEST_F(WubiCandidates, ManyMatchesYieldAtMostTwentyWordsOfTheBestRank) {
  std::string table;
  for (int i = 0; i < 300; ++i) {
    // Words of one letter code "q" plus three letters; weight grows with i.
    const char a = static_cast<char>('a' + i % 26), b = static_cast<char>('a' + (i / 26) % 26);
    table += "词" + std::to_string(i) + " q" + a + b + " " + std::to_string(i) + "\n";
  }
  dir.write("wubi86.dict", table);
  core = Core::new_sync(dir.str());
  const CandidateList list = for_input("q");
  ASSERT_EQ(list.size(), 20u);
  EXPECT_EQ(list[0].text, "词299");
  EXPECT_EQ(list[19].text, "词280");
}

TEST_F(WubiCandidates, LearnedCountsReorderButNotACachedList) {
  EXPECT_EQ(texts(for_input("a"))[1], "芭");
  for (int i = 0; i < 5; ++i) core->freq.bump("式");  // 50 + 10 * 5 = 100 > 90
  EXPECT_EQ(texts(for_input("a"))[1], "芭");           // served from the cache
  core->cand_cache.reset();
  EXPECT_EQ(texts(for_input("a"))[1], "式");
}

TEST_F(WubiCandidates, WeightsAndTheirDefaults) {
  // Loaded character frequencies: 100 for a character missing from them.
  EXPECT_EQ(core->char_freq(U'中'), 900u);
  EXPECT_EQ(core->char_freq(U'工'), 100u);
  // A Wubi weight under the stored code wins over the word frequency.
  EXPECT_EQ(core->wfreq_of("你好", "wqvb"), 800u);
  EXPECT_EQ(core->wfreq_of("你好", ""), 1000u);
  EXPECT_EQ(core->wfreq_of("你好", "zzzz"), 1000u);
  EXPECT_EQ(core->wfreq_of("无此词", ""), 0u);

  // Without character frequencies, a character's own entry under its full
  // code stands in; other characters weigh 0.
  dir.write("char_freq.dict", "");
  dir.write("wubi86.dict", "工 a 100\n工 aaaa 7\n式 aa 0\n");
  core = Core::new_sync(dir.str());
  EXPECT_EQ(core->char_freq(U'工'), 7u);
  EXPECT_EQ(core->char_freq(U'式'), 0u);
  EXPECT_EQ(core->char_freq(U'中'), 0u);
  dir.write("wubi86.dict", "你好 wqvb 0\n");
  core = Core::new_sync(dir.str());
  EXPECT_EQ(core->wfreq_of("你好", "wqvb"), 0u);
}
