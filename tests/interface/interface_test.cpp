#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine_handle.h"
#include "interface/wubi_pinyin.h"
#include "support/engine_fixture.h"
#include "support/temp_dir.h"

using quvo_test::EngineHandle;

TEST(Interface, NullHandleGivesNeutralResults) {
  char buf[8] = "x";
  size_t count = 7;
  WPCandidate cands[2];
  EXPECT_EQ(wp_key_event(nullptr, 'a', 0, buf, 8, buf, 8, cands, 2, &count), 1);
  EXPECT_EQ(wp_select_candidate(nullptr, 0, buf, 8), 1);
  EXPECT_EQ(wp_click_candidate(nullptr, 0, buf, 8, buf, 8, cands, 2, &count), 1);
  EXPECT_EQ(count, 7u);
  EXPECT_EQ(wp_import_dict(nullptr, "/x"), -1);
  EXPECT_EQ(wp_get_mode(nullptr), 0);
  EXPECT_EQ(wp_get_page_size(nullptr), 10);
  EXPECT_EQ(wp_set_page_size(nullptr, 5), 10);
  EXPECT_EQ(wp_set_default_mode(nullptr, 1), -1);
  EXPECT_EQ(wp_set_wubi_scheme(nullptr, 1), -1);
  EXPECT_EQ(wp_toggle_mode(nullptr), 0);
  EXPECT_EQ(wp_toggle_halfwidth(nullptr), 0);
  EXPECT_EQ(wp_assoc_visible(nullptr), 0);
  wp_add_word(nullptr, "a", "b");
  wp_get_hint(nullptr, buf, 8);
  wp_destroy_engine(nullptr);
  EXPECT_STREQ(buf, "x");
}

TEST(Interface, SettersClampAndClear) {
  quvo_test::TempDir dir;
  quvo_test::write_fixture(dir);
  EngineHandle e(dir.str());
  struct {
    int in, out;
  } sizes[] = {{0, 3}, {1, 3}, {2, 3}, {3, 3}, {4, 4}, {7, 7}, {10, 10}, {11, 10}, {-1, 10}};
  for (auto s : sizes) {
    e.type("wq");
    EXPECT_EQ(wp_set_page_size(e.get(), s.in), s.out) << s.in;
    EXPECT_EQ(wp_get_page_size(e.get()), s.out);
    // The page resets but the typed code stays.
    EXPECT_EQ(e.key(quvo_test::kBackSpace).preedit, "w");
    e.key(quvo_test::kEscape);
  }
  EXPECT_EQ(wp_set_default_mode(e.get(), 2), 0);
  EXPECT_EQ(wp_set_default_mode(e.get(), 1), 1);
  EXPECT_EQ(wp_get_mode(e.get()), 1);
  EXPECT_EQ(wp_set_default_mode(e.get(), 0), 0);
  EXPECT_EQ(wp_set_wubi_scheme(e.get(), 1), 1);
  EXPECT_EQ(wp_set_wubi_scheme(e.get(), 2), 0);
  EXPECT_EQ(wp_set_wubi_scheme(e.get(), 0), 0);

  e.type("wq");
  EXPECT_EQ(wp_toggle_mode(e.get()), 1);
  EXPECT_EQ(wp_assoc_visible(e.get()), 0);
  EXPECT_EQ(e.key(quvo_test::kBackSpace).result, 1);  // nothing left to delete
  EXPECT_EQ(wp_toggle_mode(e.get()), 0);

  e.type("wq");
  EXPECT_EQ(wp_toggle_halfwidth(e.get()), 1);
  EXPECT_EQ(wp_toggle_halfwidth(e.get()), 0);
  EXPECT_EQ(e.key(quvo_test::kBackSpace).preedit, "w");
}

TEST(Interface, CopyOutCutsWholeCharactersAndRespectsSizes) {
  quvo_test::TempDir dir;
  quvo_test::write_fixture(dir);
  EngineHandle e(dir.str());
  // Return commits the typed letters raw: a 2000-letter input through a
  // 1024-byte buffer arrives as 1023 bytes and a NUL.
  e.type(std::string(2000, 'x'));
  EXPECT_EQ(e.key(quvo_test::kReturn).commit, std::string(1023, 'x'));

  e.type("abc");
  char tiny[4] = {'q', 'q', 'q', 'q'};
  size_t count = 0;
  EXPECT_EQ(wp_key_event(e.get(), 'd', 0, tiny, 1, tiny + 1, 0, nullptr, 64, &count), 0);
  EXPECT_EQ(tiny[0], '\0');  // size 1: just the NUL
  EXPECT_EQ(tiny[1], 'q');   // size 0: untouched

  // Multi-byte text is cut before the character that does not fit.
  e.key(quvo_test::kEscape);
  e.type("wqvb");
  char commit[5];
  EXPECT_EQ(wp_select_candidate(e.get(), 0, commit, sizeof commit), 0);
  EXPECT_STREQ(commit, "你");
}

TEST(Interface, CandidateRecordsAndCounts) {
  quvo_test::TempDir dir;
  dir.write("wubi86.dict", std::string(70, 'w') + " a\n工 aa\n");
  EngineHandle e(dir.str());
  WPCandidate cands[64];
  size_t count = 0;
  char commit[8], preedit[8];
  wp_key_event(e.get(), 'a', 0, commit, 8, preedit, 8, cands, 64, &count);
  ASSERT_EQ(count, 2u);
  EXPECT_EQ(std::string(cands[0].text), std::string(63, 'w'));
  count = 5;
  wp_key_event(e.get(), 0xff55, 0, commit, 8, preedit, 8, cands, 0, &count);
  EXPECT_EQ(count, 0u);
  wp_key_event(e.get(), 0xff55, 0, commit, 8, preedit, 8, nullptr, 64, &count);
  EXPECT_EQ(count, 2u);
}

TEST(Interface, ClickSelectsOnTheVisiblePageOrTheAssociationList) {
  quvo_test::TempDir dir;
  std::string table;
  for (int i = 0; i < 12; ++i) table += "词" + std::to_string(i) + " k" + char('a' + i) + "\n";
  table += "中 k 900\n";
  dir.write("wubi86.dict", table);
  dir.write("pinyin_word.dict", "zhongguo 中国\nzhongwen 中文\n");
  dir.write("hanzi_pinyin.dict", "中 zhong\n国 guo\n文 wen\n");
  EngineHandle e(dir.str());
  wp_set_page_size(e.get(), 5);
  e.type("k");
  e.key(quvo_test::kPageDown);
  char commit[64], input[64];
  WPCandidate cands[64];
  size_t count = 0;
  // Page 1, position 2: the eighth entry of the whole list (中, 词0..词11).
  EXPECT_EQ(wp_click_candidate(e.get(), 2, commit, 64, input, 64, cands, 64, &count), 0);
  EXPECT_STREQ(commit, "词6");
  EXPECT_STREQ(input, "");

  // Wait for the word data, then commit 中 to get an association list.
  EngineHandle f(dir.str());
  for (int tries = 0; tries < 2000 && wp_assoc_visible(f.get()) == 0; ++tries) {
    f.type("k");
    f.key(' ');
  }
  ASSERT_EQ(wp_assoc_visible(f.get()), 1);
  EXPECT_EQ(wp_click_candidate(f.get(), 0, commit, 64, input, 64, cands, 64, &count), 0);
  EXPECT_STREQ(commit, "国");
  EXPECT_EQ(count, 0u);  // nothing follows 国 in this lexicon
  EXPECT_EQ(wp_click_candidate(f.get(), 5, commit, 64, input, 64, cands, 64, &count), 1);
}

TEST(Interface, NullOrInvalidDirectoryGivesAWorkingEngine) {
  WPEngine* e = wp_create_engine("\xff\xfe");
  ASSERT_NE(e, nullptr);
  char commit[16];
  size_t count = 0;
  EXPECT_EQ(wp_key_event(e, 'a', 0, commit, 16, commit, 16, nullptr, 0, &count), 0);
  wp_destroy_engine(e);
}

TEST(Interface, DestroyWritesChangedFrequenciesOnce) {
  quvo_test::TempDir dir;
  quvo_test::write_fixture(dir);
  {
    EngineHandle e(dir.str());
    e.key(quvo_test::kEscape);
  }
  EXPECT_FALSE(quvo_test::file_exists(dir.file("user.freq")));
  {
    EngineHandle e(dir.str());
    e.type("wqvb ");
  }
  EXPECT_EQ(quvo_test::read_file(dir.file("user.freq")), "你好\t1\n");
}
