#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "pinyin/pinyin_data.h"
#include "pinyin_test_util.h"

using quvo_test::make_lexicon;
using wubi_pinyin::pinyin::PinyinData;
using Cut = std::vector<std::string>;

namespace {

// Syllables: ni hao ha o xi an xian ang zhong guo ting qwertyui, and the
// canonical forms zong tin (and an from ang).
constexpr std::string_view kReadings =
    "你 ni\n好 hao\n哈 ha\n哦 o\n西 xi\n安 an\n先 xian\n昂 ang\n中 zhong\n国 guo\n听 ting\n"
    "龘 qwertyui\n";

std::optional<Cut> copied(const std::optional<std::vector<std::string_view>>& v) {
  if (!v) return std::nullopt;
  return Cut(v->begin(), v->end());
}

Cut copied(const std::vector<std::string_view>& v) {
  return Cut(v.begin(), v.end());
}

// The initials patterns computed literally with ordered sets; `cap` 0 keeps
// every pattern at every position.
Cut reference_patterns(const PinyinData& d, std::string_view in, size_t cap) {
  std::vector<std::set<std::string>> at(in.size() + 1);
  at[0].insert("");
  for (size_t p = 0; p < in.size(); ++p) {
    if (at[p].empty()) continue;
    if (cap && at[p].size() > cap) at[p].erase(std::next(at[p].begin(), cap), at[p].end());
    bool any = false;
    for (size_t e = p + 1; e <= std::min(in.size(), p + 6); ++e) {
      if (!d.is_syllable(in.substr(p, e - p))) continue;
      any = true;
      for (const auto& s : at[p]) at[e].insert(s + in[p]);
    }
    if (!any)
      for (const auto& s : at[p]) at[p + 1].insert(s + in[p]);
  }
  Cut out(at.back().begin(), at.back().end());
  if (out.size() > 16) out.resize(16);
  return out;
}

}  // namespace

TEST(PinyinSegmentation, FourCuts) {
  quvo_test::TempDir dir;
  const PinyinData d = make_lexicon(dir, kReadings);
  const struct {
    const char* in;
    const char* longest;
    std::optional<Cut> greedy;
    Cut display;
    Cut patterns;
  } cases[] = {
      {"", "", Cut{}, {}, {""}},
      {"nihao", "nihao", Cut{"ni", "hao"}, {"ni", "hao"}, {"nh", "nho"}},
      {"nihaox", "nihao", std::nullopt, {"ni", "hao", "x"}, {"nhox", "nhx"}},
      {"xnihao", "", std::nullopt, {"x", "ni", "hao"}, {"xnh", "xnho"}},
      {"nh", "", std::nullopt, {"n", "h"}, {"nh"}},
      {"nih", "ni", std::nullopt, {"ni", "h"}, {"nh"}},
      {"zhg", "", std::nullopt, {"z", "h", "g"}, {"zhg"}},
      {"xian", "xian", Cut{"xian"}, {"xian"}, {"x", "xa"}},
      // Greedy takes xian and is stuck at g; xi ang covers the whole input.
      {"xiang", "xiang", std::nullopt, {"xian", "g"}, {"xa", "xag", "xg"}},
      {"zhongguo", "zhongguo", Cut{"zhong", "guo"}, {"zhong", "guo"}, {"zg"}},
      // Canonical forms count as syllables.
      {"zongtin", "zongtin", Cut{"zong", "tin"}, {"zong", "tin"}, {"zt"}},
      // Pieces longer than 6 bytes: only split_longest sees them.
      {"qwertyui",
       "qwertyui",
       std::nullopt,
       {"q", "w", "e", "r", "t", "y", "u", "i"},
       {"qwertyui"}},
      {"niqwertyuio",
       "niqwertyuio",
       std::nullopt,
       {"ni", "q", "w", "e", "r", "t", "y", "u", "i", "o"},
       {"nqwertyuio"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(d.split_longest(c.in), c.longest) << c.in;
    EXPECT_EQ(copied(d.greedy_seq(c.in)), c.greedy) << c.in;
    EXPECT_EQ(copied(d.display_segments(c.in)), c.display) << c.in;
    EXPECT_EQ(d.initials_patterns(c.in), c.patterns) << c.in;
  }
}

TEST(PinyinSegmentation, EmptyInventory) {
  const PinyinData d;
  EXPECT_EQ(d.split_longest("nihao"), "");
  EXPECT_FALSE(d.greedy_seq("nihao"));
  EXPECT_EQ(copied(d.greedy_seq("")), Cut{});
  EXPECT_EQ(copied(d.display_segments("ni")), (Cut{"n", "i"}));
  EXPECT_EQ(d.initials_patterns("ni"), (Cut{"ni"}));
}

TEST(PinyinSegmentation, LongInputs) {
  quvo_test::TempDir dir;
  const PinyinData d = make_lexicon(dir, kReadings);
  std::string in;
  for (int i = 0; i < 80; ++i) in += "nihaoxiang";  // 800 letters
  EXPECT_EQ(d.split_longest(in), in);
  EXPECT_FALSE(d.greedy_seq(in));
  const Cut shown = copied(d.display_segments(in));
  std::string joined;
  for (const auto& s : shown) joined += s;
  EXPECT_EQ(joined, in);
  EXPECT_EQ(shown.size(), 80u * 4);  // ni hao xian g
  const Cut patterns = d.initials_patterns(in);
  ASSERT_EQ(patterns.size(), 16u);
  EXPECT_TRUE(std::is_sorted(patterns.begin(), patterns.end()));
  EXPECT_EQ(patterns, reference_patterns(d, in, 64));

  std::string tail = in + "zzzz";
  EXPECT_EQ(d.split_longest(tail), in);
  tail = "z" + in;
  EXPECT_EQ(d.split_longest(tail), "");
}

TEST(PinyinSegmentation, PatternCapsOnAmbiguousInput) {
  quvo_test::TempDir dir;
  // Every string of one to three letters over a and b is a syllable, so the
  // number of cuts grows exponentially with the input length.
  std::string readings;
  const char* chars[] = {"一", "二", "三", "四", "五", "六", "七",
                         "八", "九", "十", "百", "千", "万", "亿"};
  size_t next = 0;
  for (size_t len = 1; len <= 3; ++len)
    for (size_t bits = 0; bits < (size_t{1} << len); ++bits) {
      std::string syllable;
      for (size_t i = 0; i < len; ++i) syllable += (bits >> i & 1) ? 'b' : 'a';
      readings += std::string(chars[next++]) + " " + syllable + "\n";
    }
  const PinyinData d = make_lexicon(dir, readings);
  std::string in;
  for (size_t i = 0; i < 40; ++i) in += "abbab"[i * 7 % 5];
  const Cut patterns = d.initials_patterns(in);
  ASSERT_EQ(patterns.size(), 16u);
  EXPECT_EQ(patterns, reference_patterns(d, in, 64));

  // On a short input where no position holds more than 64 patterns, the cap
  // changes nothing.
  const std::string short_in = in.substr(0, 12);
  EXPECT_EQ(d.initials_patterns(short_in), reference_patterns(d, short_in, 0));
}

TEST(PinyinSegmentation, PatternCapKeepsSmallestOfEachPosition) {
  quvo_test::TempDir dir;
  const PinyinData d = make_lexicon(dir, "一 a\n二 aa\n三 b\n");
  // After p letters a, the patterns are a^k for k from p/2 to p. The 64
  // smallest are the shortest, so the all-single cut a^140 b, the smallest
  // pattern without the cap, is dropped on the way; what comes back is the
  // 16 longest runs that survived.
  const std::string in = std::string(140, 'a') + "b";
  Cut expected;
  for (size_t k = 133; k > 117; --k) expected.push_back(std::string(k, 'a') + "b");
  EXPECT_EQ(d.initials_patterns(in), expected);
  EXPECT_NE(reference_patterns(d, in, 0), expected);
}
