// Spot checks of what a user sees from an engine built on the shipped base
// dictionaries: common Wubi codes, common pinyin, readings, whole sentences,
// and emoji keys that never push ordinary typing off the first place.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core.h"
#include "support/temp_dir.h"
#include "text/line_reader.h"
#include "text/utf8.h"
#include "text/white_space.h"

using wubi_pinyin::engine::CandidateList;
using wubi_pinyin::engine::Core;
using wubi_pinyin::engine::Mode;
namespace text = wubi_pinyin::text;

namespace {

constexpr std::string_view kBaseDicts[] = {
    "wubi86.dict", "wubi98.dict",    "hanzi_pinyin.dict", "pinyin_word.dict",
    "emoji.dict",  "char_freq.dict", "bigram.dict",       "polyphonic.dict"};

constexpr std::string_view kSentence = "整句";

// One engine on a copy of the base dictionaries (the engine writes its own
// files into its data directory; the source tree stays untouched).
class ShippedEngine : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = std::make_unique<quvo_test::TempDir>();
    for (std::string_view name : kBaseDicts)
      std::filesystem::copy_file(std::string(QUVO_DICT_DIR) + "/" + std::string(name),
                                 dir_->path() / name);
    core_ = Core::new_sync(dir_->str());
  }
  static void TearDownTestSuite() {
    core_.reset();
    dir_.reset();
  }

  static CandidateList candidates(Mode mode, bool scheme98, std::string_view input) {
    core_->mode = mode;
    core_->scheme98 = scheme98;
    core_->input = std::string(input);
    CandidateList list = core_->candidates();
    core_->input.clear();
    return list;
  }

  static std::string texts(const CandidateList& list, size_t n = 8) {
    std::string out;
    for (size_t i = 0; i < list.size() && i < n; ++i) out += list[i].text + " ";
    return out;
  }

  static std::unique_ptr<quvo_test::TempDir> dir_;
  static std::unique_ptr<Core> core_;
};

std::unique_ptr<quvo_test::TempDir> ShippedEngine::dir_;
std::unique_ptr<Core> ShippedEngine::core_;

struct TypingCase {
  std::string_view what;
  Mode mode;
  bool scheme98;
  std::string_view input;
  std::string_view expected;
  size_t within;  // the expected text stands among the first `within`
};

}  // namespace

TEST_F(ShippedEngine, CommonTypingGivesTheExpectedWordNearTheTop) {
  const TypingCase cases[] = {
      {"Wubi 86 word", Mode::wubi, false, "wqvb", "你好", 1},
      {"Wubi 86 word", Mode::wubi, false, "khlg", "中国", 1},
      {"Wubi 86 one-letter code", Mode::wubi, false, "r", "的", 1},
      {"Wubi 86 one-letter code", Mode::wubi, false, "q", "我", 1},
      {"Wubi 86 one-letter code", Mode::wubi, false, "k", "中", 1},
      {"Wubi 86 one-letter code", Mode::wubi, false, "g", "一", 1},
      {"Wubi 98 one-letter code", Mode::wubi, true, "q", "我", 1},
      {"Wubi 98 word", Mode::wubi, true, "wqvb", "你好", 1},
      {"Pinyin word", Mode::pinyin, false, "nihao", "你好", 1},
      {"Pinyin word", Mode::pinyin, false, "women", "我们", 1},
      {"Pinyin word", Mode::pinyin, false, "zhongguo", "中国", 1},
      {"Pinyin word with an override reading", Mode::pinyin, false, "yinhang", "银行", 3},
      {"Pinyin word with an override reading", Mode::pinyin, false, "changcheng", "长城", 3},
      {"Pinyin syllable", Mode::pinyin, false, "de", "的", 1},
      {"Pinyin syllable", Mode::pinyin, false, "shi", "是", 1},
      {"Pinyin syllable", Mode::pinyin, false, "wo", "我", 1},
      {"Pinyin initials", Mode::pinyin, false, "nh", "你好", 5},
      {"Pinyin syllable in the v spelling", Mode::pinyin, false, "lv", "绿", 3},
  };
  for (const TypingCase& c : cases) {
    SCOPED_TRACE(std::string(c.what) + ": " + std::string(c.input));
    const CandidateList list = candidates(c.mode, c.scheme98, c.input);
    const auto it = std::find_if(list.begin(), list.end(),
                                 [&](const auto& cand) { return cand.text == c.expected; });
    const auto pos = static_cast<size_t>(it - list.begin());
    EXPECT_LT(pos, c.within) << "wanted " << c.expected << ", got " << texts(list);
  }
}

TEST_F(ShippedEngine, FirstReadingsAreTheCommonOnes) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"的", "de"},   {"了", "le"},    {"是", "shi"}, {"和", "he"},
      {"行", "xing"}, {"中", "zhong"}, {"都", "dou"}, {"还", "hai"},
  };
  for (const auto& [ch, reading] : cases) {
    const std::optional<std::string_view> got = core_->pinyin.char_reading(text::first_char(ch));
    EXPECT_EQ(got.value_or("(none)"), reading) << ch;
  }
}

TEST_F(ShippedEngine, TypedSentencesComposeTheRightWholeSentence) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"jintiantianqihenhao", "今天天气很好"},
      {"womenyiqiquchifan", "我们一起去吃饭"},
      {"woxiangqubeijing", "我想去北京"},
  };
  for (const auto& [input, sentence] : cases) {
    const CandidateList list = candidates(Mode::pinyin, false, input);
    const auto it = std::find_if(list.begin(), list.end(),
                                 [](const auto& cand) { return cand.comment == kSentence; });
    ASSERT_NE(it, list.end()) << input << ": no sentence among " << texts(list, 20);
    EXPECT_EQ(it->text, sentence) << input;
  }
}

TEST_F(ShippedEngine, EmojiNeverTakesTheFirstPlaceFromCommonTyping) {
  const std::string_view wubi_keys[] = {"a", "g", "r", "wq", "wqvb", "khlg", "gg", "ok", "ai"};
  const std::string_view pinyin_keys[] = {
      "a",  "ai", "o",  "ok", "hao", "xiao", "mao",   "gou",    "xin",    "hua",  "cha",
      "he", "ma", "ni", "wo", "shi", "tian", "nihao", "xihuan", "xiexie", "haha", "heihei"};
  const auto first_is_emoji = [](const CandidateList& list, std::string_view key) {
    const std::optional<std::string_view> emoji = core_->emoji.lookup(key);
    return emoji && !list.empty() && list.front().text == *emoji;
  };
  for (bool scheme98 : {false, true})
    for (std::string_view key : wubi_keys)
      EXPECT_FALSE(first_is_emoji(candidates(Mode::wubi, scheme98, key), key))
          << key << (scheme98 ? " (Wubi 98)" : " (Wubi 86)");
  for (std::string_view key : pinyin_keys)
    EXPECT_FALSE(first_is_emoji(candidates(Mode::pinyin, false, key), key)) << key << " (Pinyin)";
}

// An emoji stands first whenever its key is typed, so no key may be
// something a user types on the way to ordinary words: the start of a Wubi
// code in either scheme, pinyin that cuts into syllables, the start of a
// word's pinyin, or a word's initials.
TEST_F(ShippedEngine, NoEmojiKeyIsOnTheWayToOrdinaryWords) {
  const std::string path = (dir_->path() / "emoji.dict").string();
  size_t keys = 0;
  std::vector<std::string> clashes;
  text::LineReader reader(path, text::InvalidLine::skip);
  std::string_view line;
  while (reader.next(line)) {
    const text::Fields f = text::split_white_space(text::dictionary_record(line));
    if (f.size() < 2) continue;
    const std::string_view key = f[0];
    ++keys;
    std::string why;
    if (!core_->wubi86.prefix(key).empty()) why += " Wubi-86-code-start";
    if (!core_->wubi98.prefix(key).empty()) why += " Wubi-98-code-start";
    if (core_->pinyin.split_longest(key) == key) why += " syllables";
    if (!core_->pinyin.words_with_prefix(key).empty()) why += " word-pinyin-start";
    if (!core_->pinyin.words_by_initials(key).empty()) why += " word-initials";
    if (!why.empty()) clashes.push_back(std::string(key) + ":" + why);
  }
  EXPECT_GT(keys, 0u);
  std::string shown;
  for (size_t i = 0; i < clashes.size() && i < 100; ++i) shown += "  " + clashes[i] + "\n";
  EXPECT_TRUE(clashes.empty()) << clashes.size() << " emoji keys clash, first ones:\n" << shown;
}
