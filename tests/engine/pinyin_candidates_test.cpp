#include <gtest/gtest.h>

#include <map>
#include <memory>
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

using Texts = std::vector<std::string>;

Texts texts(const CandidateList& list) {
  Texts out;
  for (const auto& c : list) out.push_back(c.text);
  return out;
}

CandidateList pinyin_list(Core& core, std::string input) {
  core.mode = Mode::pinyin;
  core.input = std::move(input);
  return core.candidates();
}

// Texts recorded in sentence_pinyin, with their pinyin.
std::map<std::string, std::string> recorded(const Core& core) {
  return {core.sentence_pinyin.begin(), core.sentence_pinyin.end()};
}

// Writes a data directory of just the pinyin files (no Wubi tables).
std::unique_ptr<Core> pinyin_engine(const quvo_test::TempDir& dir, const std::string& readings,
                                    const std::string& char_freq, const std::string& words,
                                    const std::string& emoji = "") {
  dir.write("hanzi_pinyin.dict", readings);
  dir.write("char_freq.dict", char_freq);
  dir.write("pinyin_word.dict", words);
  dir.write("emoji.dict", emoji);
  return Core::new_sync(dir.str());
}

// Characters of a string, one string each.
Texts chars_of(const std::string& s) {
  Texts out;
  for (size_t i = 0; i < s.size(); i += 3) out.push_back(s.substr(i, 3));  // CJK: 3 bytes each
  return out;
}

}  // namespace

TEST(PinyinCandidates, ExactSyllableAndExactWordsAreCappedAndIgnoreTheLength) {
  // Fourteen characters read shi, stored in the order below with rising
  // frequency: the character ordering lists them backwards and keeps 12.
  const Texts shi = chars_of("是时事十使世市式师视试室实石");
  std::string readings, freqs;
  for (size_t i = 0; i < shi.size(); ++i) {
    readings += shi[i] + " shi\n";
    freqs += shi[i] + "\t" + std::to_string(100 + 10 * i) + "\n";
  }
  // Seventeen entries under shi: the best one is the character 实, already
  // listed, which is skipped but still counts among the first 15.
  const Texts suffix = chars_of("甲乙丙丁戊己庚辛壬癸子丑寅卯辰巳");
  std::string words = "shi 实 q 100000\n";
  for (size_t i = 0; i < suffix.size(); ++i)
    words +=
        "shi 试" + suffix[i] + " q" + std::to_string(i) + " " + std::to_string(1000 - i) + "\n";
  quvo_test::TempDir dir;
  // The emoji is not a taken text: the same character is listed again.
  auto core = pinyin_engine(dir, readings, freqs, words, "shi 石\n");

  CandidateList expected = {{"石", "shi"}};
  for (size_t i = 0; i < 12; ++i) expected.push_back({shi[13 - i], ""});
  for (size_t i = 0; i < 14; ++i) expected.push_back({"试" + suffix[i], "q" + std::to_string(i)});
  const CandidateList list = pinyin_list(*core, "shi");
  EXPECT_EQ(list, expected);  // 27 candidates: steps 1, 3 and 4 only

  // Every character and word of steps 3 and 4 is recorded under the key.
  const auto rec = recorded(*core);
  EXPECT_EQ(rec.size(), 26u);
  for (size_t i = 1; i < list.size(); ++i) EXPECT_EQ(rec.at(list[i].text), "shi");
}

TEST(PinyinCandidates, SentencesFollowTheWordsAndAWordIsListedOnce) {
  // The composed sentences for nihao are 你好 (the word), 泥好 and 你号
  // (see the sentence composition tests for the arithmetic): the word is
  // already listed, the other two follow as sentences.
  quvo_test::TempDir dir;
  dir.write("bigram.dict", "泥好\t5\n");
  auto core = pinyin_engine(dir, "你 ni\n泥 ni\n好 hao\n号 hao\n",
                            "你\t99\n泥\t9\n好\t99\n号\t99\n", "nihao 你好 wqvb 9999\n");
  EXPECT_EQ(pinyin_list(*core, "nihao"),
            (CandidateList{{"你好", "wqvb"}, {"泥好", "整句"}, {"你号", "整句"}}));
  EXPECT_EQ(recorded(*core), (std::map<std::string, std::string>{
                                 {"你好", "nihao"}, {"泥好", "nihao"}, {"你号", "nihao"}}));

  // Initials: the word is found once, not recorded.
  EXPECT_EQ(pinyin_list(*core, "nh"), (CandidateList{{"你好", "wqvb"}}));
  EXPECT_TRUE(core->sentence_pinyin.empty());

  // Favourites come first, whatever step listed them.
  dir.write("aihao_py.dict", "nihao 你号\n");
  core = Core::new_sync(dir.str());
  EXPECT_EQ(texts(pinyin_list(*core, "nihao")), (Texts{"你号", "你好", "泥好"}));
}

TEST(PinyinCandidates, OneCharacterSentencesAreNeverListed) {
  // 仲 has the highest frequency of the 13 characters read zhong, so the
  // sentence search offers it alone; learned counts push it out of the 12
  // exact-syllable characters, and the one-character sentence is dropped.
  const Texts zhong = chars_of("仲中钟忠终种肿众重衷盅冢锺");
  std::string readings, freqs;
  for (size_t i = 0; i < zhong.size(); ++i) {
    readings += zhong[i] + " zhong\n";
    freqs += zhong[i] + "\t" + std::to_string(i == 0 ? 1000 : 995) + "\n";
  }
  quvo_test::TempDir dir;
  auto core = pinyin_engine(dir, readings, freqs, "");
  for (size_t i = 1; i < zhong.size(); ++i) core->freq.bump(zhong[i]);  // 995 + 10 > 1000
  EXPECT_EQ(texts(pinyin_list(*core, "zhong")), Texts(zhong.begin() + 1, zhong.begin() + 13));
}

TEST(PinyinCandidates, UnfinishedKeyListsPrefixCharactersThenCompletions) {
  // zhongg: the greedy cut sticks at g, the longest cut prefix is zhong.
  quvo_test::TempDir dir;
  quvo_test::write_fixture(dir);
  auto core = Core::new_sync(dir.str());
  const auto hint = [&](char32_t c) { return std::string(*core->active_table().full_code(c)); };
  // Prefix characters by frequency (中 900, 钟 and 重 100 in stored order),
  // then completions: words under keys starting with zhongg first (中国
  // 500, 中国人 200 by their Wubi weights, each found twice), then the rest
  // (中文 300 despite its higher weight). Initials (zg) find only 中国 again.
  EXPECT_EQ(pinyin_list(*core, "zhongg"), (CandidateList{{"中", hint(U'中')},
                                                         {"钟", ""},
                                                         {"重", ""},
                                                         {"中国", "khlg"},
                                                         {"中国人", "kllw"},
                                                         {"中文", "khyy"}}));
  // Completions are recorded under the typed key; prefix characters are not.
  EXPECT_EQ(recorded(*core), (std::map<std::string, std::string>{
                                 {"中国", "zhongg"}, {"中国人", "zhongg"}, {"中文", "zhongg"}}));
  // A key the greedy cut splits gets none of these steps.
  EXPECT_EQ(texts(pinyin_list(*core, "zhong")), (Texts{"中", "钟", "重"}));
}

TEST(PinyinCandidates, PoolCapsAndListLength) {
  // Twenty-five words with the initials nh, weights rising with their
  // place, and 你好 filed 60 times above them all.
  const Texts ni = chars_of("你泥尼拟逆"), hao = chars_of("好号豪毫耗");
  std::string readings = "你泥尼拟逆 ni\n好号豪毫耗 hao\n", words;
  Texts by_weight;  // best first
  for (int k = 0; k < 60; ++k) words += "nihao 你好 q 99999\n";
  for (size_t i = 0; i < 25; ++i) {
    const std::string w = ni[i / 5] + hao[i % 5];
    if (w == "你好") continue;
    words += "nihao " + w + " q " + std::to_string(1000 + i) + "\n";
    by_weight.insert(by_weight.begin(), w);
  }
  quvo_test::TempDir dir;
  auto core = pinyin_engine(dir, readings, "", words);

  // Exact initials: the whole pool is sorted and walked until 20 texts.
  {
    Texts expected = {"你好"};
    expected.insert(expected.end(), by_weight.begin(), by_weight.begin() + 19);
    EXPECT_EQ(texts(pinyin_list(*core, "nh")), expected);
  }
  // Initials prefixes (n) and completions (nihaox): only the best 60 views
  // are kept, and they are all copies of 你好.
  EXPECT_EQ(pinyin_list(*core, "n"), (CandidateList{{"你好", "q"}}));
  EXPECT_EQ(pinyin_list(*core, "nihaox"), (CandidateList{{"你好", "整句"}}));
  EXPECT_EQ(recorded(*core), (std::map<std::string, std::string>{{"你好", "nihao"}}));
}

TEST(PinyinCandidates, PrefixCharactersAndCompletionsStopAboveNineteen) {
  // Typing mab: the greedy cut sticks at b, the longest cut prefix is ma.
  // Fifteen characters read ma, thirty words under maba.
  const Texts ma = chars_of("马吗妈码骂麻玛蚂嘛犸杩唛傌蟆溤");
  std::string readings;
  for (const auto& c : ma) readings += c + " ma\n";
  std::string words;
  for (int i = 0; i < 30; ++i)
    words += "maba 马" + std::to_string(i) + " q " + std::to_string(100 + i) + "\n";
  quvo_test::TempDir dir;
  auto core = pinyin_engine(dir, readings, "", words);
  // Twelve prefix characters (all of weight 0, so in stored order), then
  // completions up to the twentieth candidate: the pool holds every word
  // twice (completions of mab, then of ma), so 马29 to 马22 fill it.
  Texts expected(ma.begin(), ma.begin() + 12);
  for (int i = 29; i > 21; --i) expected.push_back("马" + std::to_string(i));
  EXPECT_EQ(texts(pinyin_list(*core, "mab")), expected);
}

TEST(PinyinCandidates, WorksWithCharactersBeforeTheBackgroundDataAndKeepsLearnedPhrases) {
  quvo_test::TempDir dir;
  quvo_test::write_fixture(dir);
  auto core = Core::new_background(dir.str());
  core->mode = Mode::pinyin;
  // Before the package is installed (candidates_uncached does not poll for
  // it) only characters are known: 你好 comes as a composed sentence.
  core->input = "nihao";
  CandidateList before = core->candidates_uncached();
  ASSERT_FALSE(before.empty());
  EXPECT_EQ(before[0], (Candidate{"你好", "整句"}));

  // A phrase committed now is learned and outlives the installation.
  core->input = "haoni";
  before = core->candidates_uncached();
  ASSERT_FALSE(before.empty());
  EXPECT_EQ(before[0], (Candidate{"好你", "整句"}));
  core->commit_word("好你");
  EXPECT_EQ(quvo_test::read_file(dir.file("user_py.dict")), "haoni\t好你\n");

  core->wait_pinyin_ready();
  EXPECT_EQ(pinyin_list(*core, "nihao")[0], (Candidate{"你好", "wqvb"}));
  EXPECT_EQ(pinyin_list(*core, "haoni")[0], (Candidate{"好你", ""}));
}
