// Word maps filled in bulk (hundreds of lines, runs of registrations) against
// a plain model of the rules: every key in byte order, every pair under its
// key in arrival order, duplicates checked only where the rules check them.
// Small fixtures take a different path through the maps than large ones, so
// these cases are large on purpose.
#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "pinyin/pinyin_data.h"
#include "pinyin_test_util.h"
#include "text/utf8.h"

using quvo_test::Pair;
using quvo_test::pairs_of;
using wubi_pinyin::pinyin::PinyinData;

namespace {

using Pairs = std::vector<Pair>;

// Characters U+4E00 onwards; the last two have no reading.
constexpr int kChars = 24;
const char* const kReadings[] = {"a", "ab", "abc", "b", "ba", "zhong", "zh", "ni", "hao", "e"};

std::string char_at(int i) {
  std::string s;
  const char32_t c = 0x4e00 + static_cast<char32_t>(i);
  s += static_cast<char>(0xe0 | (c >> 12));
  s += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
  s += static_cast<char>(0x80 | (c & 0x3f));
  return s;
}

// The rules, on ordinary containers.
struct Model {
  std::map<std::string, std::string> reading;  // character -> first reading
  std::map<std::string, std::pair<std::string, std::string>> overrides;
  std::map<std::string, std::vector<std::pair<std::string, std::string>>> by_pinyin, by_initials;

  // Full pinyin and initials from the readings; false when one is missing.
  bool from_readings(const std::string& word, std::string* pinyin, std::string* initials) const {
    pinyin->clear();
    initials->clear();
    for (size_t i = 0; i < word.size(); i += 3) {
      const auto it = reading.find(word.substr(i, 3));
      if (it == reading.end()) return false;
      *pinyin += it->second;
      *initials += it->second.substr(0, 1);
    }
    return true;
  }
  bool files(const std::string& key, const std::string& word) const {
    const auto it = by_pinyin.find(key);
    if (it == by_pinyin.end()) return false;
    for (const auto& p : it->second)
      if (p.first == word) return true;
    return false;
  }
  void load_line(const std::string& pinyin, const std::string& word, const std::string& code) {
    std::string full, initials;
    bool has_initials;
    if (const auto o = overrides.find(word); o != overrides.end()) {
      initials = o->second.second;
      has_initials = true;
    } else {
      has_initials = from_readings(word, &full, &initials);
    }
    if (has_initials) by_initials[initials].emplace_back(word, code);
    by_pinyin[pinyin].emplace_back(word, code);
  }
  bool register_word(const std::string& word, const std::string& code) {
    std::string pinyin, initials;
    if (const auto o = overrides.find(word); o != overrides.end()) {
      pinyin = o->second.first;
      initials = o->second.second;
    } else if (!from_readings(word, &pinyin, &initials)) {
      return false;
    }
    if (files(pinyin, word)) return false;
    by_initials[initials].emplace_back(word, code);
    by_pinyin[pinyin].emplace_back(word, code);
    return true;
  }
  bool add_user_phrase(const std::string& word, const std::string& pinyin) {
    if (word.empty() || pinyin.empty() || files(pinyin, word)) return false;
    std::string full, initials;
    if (from_readings(word, &full, &initials)) by_initials[initials].emplace_back(word, "");
    by_pinyin[pinyin].emplace_back(word, "");
    return true;
  }

  static Pairs flat(
      const std::map<std::string, std::vector<std::pair<std::string, std::string>>>& m,
      const std::string& prefix = {}) {
    Pairs out;
    for (const auto& [key, pairs] : m)
      if (key.starts_with(prefix))
        for (const auto& [word, code] : pairs) out.emplace_back(key, word, code);
    return out;
  }
};

class BulkWords : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string readings;
    for (int i = 0; i < kChars - 2; ++i) {
      const std::string r = kReadings[static_cast<size_t>(i) % std::size(kReadings)];
      readings += char_at(i) + " " + r + "\n";
      model.reading.emplace(char_at(i), r);
    }
    readings += char_at(3) + " zzz\n";  // a second reading changes nothing here
    std::string overrides;
    for (int i = 0; i < 4; ++i) {
      const std::string word = char_at(i) + char_at(i + 5);
      overrides += word + " Hang Zhang\n";
      model.overrides[word] = {"hangzhang", "hz"};
    }
    data.load(dir.write("hanzi_pinyin.dict", readings));
    data.load_polyphonic(dir.write("polyphonic.dict", overrides));
  }

  std::string random_word() {
    std::string w;
    const int n = 1 + static_cast<int>(rng() % 3);
    for (int k = 0; k < n; ++k) w += char_at(static_cast<int>(rng() % kChars));
    return w;
  }
  // Keys share long prefixes, some longer than 16 bytes, and come in upper
  // case sometimes; words repeat under one key and across keys.
  std::string random_key() {
    static const char* const stems[] = {"a",     "ab", "abc", "b",  "aaaaaaaaaaaaaaaa",
                                        "nihao", "zh", "e",   "ba", "aaaaaaaaaaaaaaaaab"};
    std::string k = stems[rng() % std::size(stems)];
    if (rng() % 3 == 0) k += static_cast<char>('a' + rng() % 4);
    if (rng() % 2 == 0) k += stems[rng() % std::size(stems)];
    return k;
  }
  // A word list of n lines, written to a file and fed to the model.
  std::string word_list(int n) {
    std::string text;
    for (int i = 0; i < n; ++i) {
      std::string key = random_key();
      const std::string word = random_word();
      const std::string code = rng() % 2 ? std::string(1, static_cast<char>('a' + rng() % 26)) : "";
      std::string lowered = key;
      if (rng() % 5 == 0) key[0] = static_cast<char>(key[0] - 'a' + 'A');
      text += key + " " + word + (code.empty() ? "" : " " + code) + "\n";
      model.load_line(lowered, word, code);
    }
    return dir.write("words" + std::to_string(files_++) + ".dict", text);
  }
  void expect_same(const char* when) {
    SCOPED_TRACE(when);
    EXPECT_EQ(pairs_of(data.all_words_by_pinyin()), Model::flat(model.by_pinyin));
    EXPECT_EQ(pairs_of(data.all_words_by_initials()), Model::flat(model.by_initials));
    for (const char* prefix : {"a", "aaaaaaaaaaaaaaaa", "ab", "z"}) {
      EXPECT_EQ(pairs_of(data.words_with_prefix(prefix)), Model::flat(model.by_pinyin, prefix));
      EXPECT_EQ(pairs_of(data.initials_with_prefix(prefix)),
                Model::flat(model.by_initials, prefix));
    }
    for (const auto& [key, pairs] : model.by_pinyin)
      ASSERT_EQ(data.words_by_pinyin(key).size(), pairs.size()) << key;
  }
  void register_some(int n) {
    for (int i = 0; i < n; ++i) {
      const std::string word = random_word();
      const std::string code = std::string(1, static_cast<char>('a' + rng() % 26));
      ASSERT_EQ(data.register_word(word, code), model.register_word(word, code)) << word;
    }
  }

  quvo_test::TempDir dir;
  PinyinData data;
  Model model;
  std::mt19937 rng{7};
  int files_ = 0;
};

}  // namespace

TEST_F(BulkWords, LoadsRegistrationsAndPhrasesKeepKeyAndArrivalOrder) {
  data.load_words(word_list(600));
  expect_same("one large list");
  data.load_words(word_list(40));  // new keys among many settled ones
  data.load_words(word_list(3));
  data.load_words(word_list(400));  // as many new keys as settled ones
  expect_same("more lists");

  // Registrations stay queued until a lookup; duplicates among the queued
  // ones are found too.
  register_some(300);
  expect_same("registrations");

  data.compact();
  expect_same("after compact");
  for (int i = 0; i < 6; ++i) {
    const std::string word = random_word();
    const std::string key = random_key();
    EXPECT_EQ(data.add_user_phrase(word, key), model.add_user_phrase(word, key));
  }
  EXPECT_FALSE(data.add_user_phrase(model.by_pinyin.begin()->second.front().first,
                                    model.by_pinyin.begin()->first));
  expect_same("user phrases");

  // A run of registrations after compact() builds the loading index again.
  register_some(80);
  data.load_words(word_list(50));
  expect_same("late additions");
}

TEST_F(BulkWords, MergeFromOlderDataAfterBulkLoading) {
  data.load_words(word_list(300));
  register_some(100);
  PinyinData older;
  {
    quvo_test::TempDir other;
    older.load(dir.file("hanzi_pinyin.dict"));
    older.load_words(other.write("w.dict", "a 一\nzzzz 丁丁\nab " + char_at(7) + "\n"));
  }
  data.merge_words_from(older);
  // Older pairs whose word is not under the key yet go after the new ones.
  for (const auto& [key, word] : std::vector<std::pair<std::string, std::string>>{
           {"a", "一"}, {"zzzz", "丁丁"}, {"ab", char_at(7)}}) {
    if (!model.files(key, word)) model.by_pinyin[key].emplace_back(word, "");
  }
  EXPECT_EQ(pairs_of(data.all_words_by_pinyin()), Model::flat(model.by_pinyin));
}
