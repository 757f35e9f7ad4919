#include "pinyin/fuzzy_canonical.h"

#include <gtest/gtest.h>

using wubi_pinyin::pinyin::fuzzy_canonical;

TEST(FuzzyCanonical, FoldsRetroflexInitialsAndBackNasalFinals) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"zhang", "zan"},
      {"sheng", "sen"},
      {"chuang", "cuan"},
      {"ying", "yin"},
      {"ming", "min"},
      {"zhong", "zong"},
      {"cheng", "cen"},
      {"shi", "si"},
      {"zh", "z"},
      {"ch", "c"},
      {"sh", "s"},
      {"ang", "an"},
      {"eng", "en"},
      {"ing", "in"},
      {"hang", "han"},
      {"zhng", "zng"},
      // Unchanged: other initials and finals, too short for a fold.
      {"zong", "zong"},
      {"ong", "ong"},
      {"an", "an"},
      {"ng", "ng"},
      {"z", "z"},
      {"h", "h"},
      {"", ""},
      {"hzh", "hzh"},
      {"zhng1", "zng1"},
      {"ZHANG", "ZHANG"},
      {"xiong", "xiong"},
      {"ung", "ung"},
  };
  for (const auto& c : cases) EXPECT_EQ(fuzzy_canonical(c.in), c.out) << c.in;
}
