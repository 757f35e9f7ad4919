// Whole compositions typed through the C interface, checked against what it
// copies out and against the files the commits write.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "engine_handle.h"
#include "support/engine_fixture.h"
#include "support/temp_dir.h"

using quvo_test::EngineHandle;
using quvo_test::KeyOutcome;
using V = std::vector<std::string>;

namespace {

class WubiKeys : public ::testing::Test {
 protected:
  void SetUp() override { quvo_test::write_fixture(dir); }
  // An engine whose background word data have been installed (the
  // association lists need them).
  std::unique_ptr<EngineHandle> ready_engine() {
    auto e = std::make_unique<EngineHandle>(dir.str());
    for (int i = 0; i < 2000; ++i) {
      e->type("k ");
      const bool ready = wp_assoc_visible(e->get()) == 1;
      e->key(quvo_test::kEscape);
      if (ready) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return e;
  }
  quvo_test::TempDir dir;
};

}  // namespace

TEST_F(WubiKeys, IdleKeys) {
  EngineHandle e(dir.str());
  struct {
    uint32_t key;
    int result;
  } cases[] = {{' ', 1},         {quvo_test::kBackSpace, 1}, {quvo_test::kReturn, 1},
               {quvo_test::kEscape, 0}, {quvo_test::kPageUp, 0}, {quvo_test::kPageDown, 0},
               {quvo_test::kF1, 1}};
  for (auto c : cases) {
    const KeyOutcome o = e.key(c.key);
    EXPECT_EQ(o.result, c.result) << c.key;
    EXPECT_EQ(o.commit, "");
    EXPECT_TRUE(o.texts.empty());
  }
  EXPECT_EQ(e.key('=').result, 1);
  EXPECT_EQ(e.hint(), "连续单字上屏后按 = 造词");
  EXPECT_EQ(e.key(quvo_test::kEscape).result, 0);
  EXPECT_EQ(e.hint(), "");
}

TEST_F(WubiKeys, TypeCommitBySpaceAndSeeTheAssociationList) {
  auto e = ready_engine();
  KeyOutcome o = e->type("khl");
  EXPECT_EQ(o.preedit, "khl");
  o = e->key('g');
  EXPECT_EQ(o.texts, V{"中国"});
  EXPECT_EQ(o.comments, V{"zhong guo"});
  o = e->key(' ');
  EXPECT_EQ(o.commit, "中国");
  EXPECT_EQ(o.preedit, "");
  // The continuation 人 (from 中国人, weight 200) and the word 国家 that
  // starts with the last character (weight 400), by weight.
  EXPECT_EQ(o.texts, (V{"国家", "人"}));
  EXPECT_EQ(wp_assoc_visible(e->get()), 1);
  // A digit on the association list commits that entry and shows its own.
  o = e->key('2');
  EXPECT_EQ(o.commit, "人");
  // Another key drops the list and is handled as if none was showing.
  o = e->key('w');
  EXPECT_EQ(o.commit, "");
  EXPECT_EQ(o.preedit, "w");
  EXPECT_EQ(wp_assoc_visible(e->get()), 0);
}

TEST_F(WubiKeys, AssociationDigitBeyondTheListStartsANumber) {
  auto e = ready_engine();
  e->type("k ");
  ASSERT_EQ(wp_assoc_visible(e->get()), 1);  // 国 and 文 after 中
  const KeyOutcome o = e->key('5');
  EXPECT_EQ(o.commit, "");
  EXPECT_EQ(o.preedit, "5");
  EXPECT_EQ(o.texts, (V{"5", "伍", "五"}));
}

TEST_F(WubiKeys, PagingSelectionByDigitAndSpaceTakesTheFirstOfTheWholeList) {
  std::string table;
  for (int i = 0; i < 23; ++i) table += "词" + std::to_string(i) + " m" + char('a' + i) + " " +
                                       std::to_string(100 - i) + "\n";
  dir.write("wubi86.dict", table);
  EngineHandle e(dir.str());
  // Space takes entry 0 of the whole list, not of the page shown. (Done
  // first: later commits reorder the list once it is rebuilt.)
  e.type("m");
  e.key(quvo_test::kPageDown);
  EXPECT_EQ(e.key(' ').commit, "词0");

  // A Wubi list stops at 20 words: pages of 7 hold 7, 7 and 6.
  wp_set_page_size(e.get(), 7);
  KeyOutcome o = e.key('m');
  EXPECT_EQ(o.texts.size(), 7u);
  EXPECT_EQ(e.key(quvo_test::kPageDown).texts.front(), "词7");
  EXPECT_EQ(e.key('=').texts.front(), "词14");
  EXPECT_EQ(e.key('=').texts.size(), 6u);  // last page: no further move
  EXPECT_EQ(e.key('-').texts.front(), "词7");
  EXPECT_EQ(e.key(quvo_test::kPageUp).texts.front(), "词0");
  EXPECT_EQ(e.key('-').texts.front(), "词0");  // page 0: consumed, nothing moves
  e.key(quvo_test::kPageDown);
  o = e.key('3');  // third entry of the page shown
  EXPECT_EQ(o.commit, "词9");
  wp_set_page_size(e.get(), 10);
  e.type("m");
  e.key(quvo_test::kPageDown);
  EXPECT_EQ(e.key('0').commit, "词19");  // 0 is the tenth entry of the page

  wp_set_page_size(e.get(), 5);
  e.type("m");
  o = e.key('7');  // beyond a page of five: consumed, nothing selected
  EXPECT_EQ(o.result, 0);
  EXPECT_EQ(o.commit, "");
  EXPECT_EQ(o.texts.size(), 5u);
}

TEST_F(WubiKeys, EditingCancellingAndRawCommits) {
  EngineHandle e(dir.str());
  EXPECT_EQ(e.type("abcde").preedit, "abcde");  // no automatic commit
  EXPECT_EQ(e.key(quvo_test::kBackSpace).preedit, "abcd");
  EXPECT_EQ(e.key(quvo_test::kEscape).preedit, "");
  e.type("WQ");
  EXPECT_EQ(e.key(quvo_test::kReturn).commit, "WQ");  // case as typed, nothing learned
  e.type("zz");
  EXPECT_EQ(e.key(' ').commit, "zz");  // no candidates: the letters go raw
  e.type("zz");
  const KeyOutcome eq = e.key('=');
  EXPECT_EQ(eq.result, 1);
  EXPECT_EQ(eq.preedit, "zz");
  EXPECT_EQ(e.key('-').commit, "zz－");
  e.type("wq");
  EXPECT_EQ(e.key(';').commit, "；");
  wp_toggle_halfwidth(e.get());
  e.type("wq");
  EXPECT_EQ(e.key(';').commit, "；");
  e.type("zz");
  EXPECT_EQ(e.key('-').commit, "zz-");
  e.type("wq");
  EXPECT_EQ(e.key('`').commit, "`");
  EXPECT_FALSE(quvo_test::file_exists(dir.file("user.freq")));
}

TEST_F(WubiKeys, DigitsBuildNumbersUntilALetterFollows) {
  EngineHandle e(dir.str());
  KeyOutcome o = e.type("123");
  EXPECT_EQ(o.texts, (V{"123", "壹贰叁", "一二三"}));
  EXPECT_EQ(o.comments, (V{"数字", "大写", "中文数字"}));
  EXPECT_EQ(e.key('4').preedit, "1234");
  e.key(quvo_test::kEscape);
  EXPECT_EQ(e.type("12a").preedit, "12a");
  o = e.key('3');  // selection now: the list for 12a is empty
  EXPECT_EQ(o.preedit, "12a");
  EXPECT_EQ(o.commit, "");
  e.key(quvo_test::kEscape);
  e.type("19");
  EXPECT_EQ(e.key(' ').commit, "19");
}

TEST_F(WubiKeys, PunctuationCommitsTheFirstCandidateAndAlternatesQuotes) {
  EngineHandle e(dir.str());
  e.type("wqvb");
  KeyOutcome o = e.key(',');
  EXPECT_EQ(o.commit, "你好，");
  EXPECT_TRUE(o.texts.empty());
  EXPECT_EQ(wp_assoc_visible(e.get()), 0);
  const char* quotes[] = {"“", "”", "“"};
  for (const char* q : quotes) EXPECT_EQ(e.key('"').commit, q);
  EXPECT_EQ(e.key('\'').commit, "‘");
  EXPECT_EQ(e.key('.').commit, "。");
  EXPECT_EQ(e.key('\\').commit, "、");
  EXPECT_EQ(e.key('!').commit, "！");
  wp_toggle_halfwidth(e.get());
  EXPECT_EQ(e.key('"').commit, "\"");  // the alternation still advances
  wp_toggle_halfwidth(e.get());
  EXPECT_EQ(e.key('"').commit, "“");
  EXPECT_EQ(e.key('\'').commit, "’");
}

TEST_F(WubiKeys, WordCreationFromRecentCharacters) {
  EngineHandle e(dir.str());
  e.type("wq ");  // 你
  e.type("vb ");  // 好
  e.key(quvo_test::kEscape);  // Escape drops the recent characters
  EXPECT_EQ(e.key('=').result, 1);
  e.type("wq ");  // 你, full code wqiy
  e.type("w ");   // 人, full code w
  EXPECT_EQ(e.key('=').result, 0);
  // Two characters: the first two letters of each full code.
  EXPECT_EQ(e.hint(), "已造词：你人（wqw）——下次直接打码即可");
  EXPECT_EQ(quvo_test::read_file(dir.file("user.dict")), "你人\twqw\n");
  EXPECT_EQ(quvo_test::read_file(dir.file("user_py.dict")), "niren\t你人\n");
  EXPECT_EQ(e.type("wqw").texts.front(), "你人");
  e.key(quvo_test::kEscape);
  e.type("wq ");
  e.type("w ");
  e.key('=');
  EXPECT_EQ(e.hint(), "「你人」词库已有，无需再造");
  EXPECT_EQ(quvo_test::read_file(dir.file("user.dict")), "你人\twqw\n");

  // An emoji has no full code.
  e.type("k ");
  e.type("smile ");
  e.key('=');
  EXPECT_EQ(e.hint(), "造词失败：「中😄」含码表外字符");
  EXPECT_EQ(e.key('=').result, 1);  // the recent characters are gone
}

TEST_F(WubiKeys, AddAndImportAppendToTheUserDictionary) {
  EngineHandle e(dir.str());
  wp_add_word(e.get(), "测试", "IMYI");
  EXPECT_EQ(e.type("imyi").texts, V{"测试"});
  e.key(quvo_test::kEscape);
  wp_add_word(e.get(), "测试", "imyi");  // already there: nothing written
  EXPECT_EQ(quvo_test::read_file(dir.file("user.dict")), "测试\tIMYI\n");

  dir.write("import.txt", "经济 xciy\n新词 abcd 7\n二词 ABCE\n");
  EXPECT_EQ(wp_import_dict(e.get(), dir.file("import.txt").c_str()), 2);
  EXPECT_EQ(quvo_test::read_file(dir.file("user.dict")), "测试\tIMYI\n新词\tabcd\n二词\tabce\n");
  EXPECT_EQ(wp_import_dict(e.get(), dir.file("missing.txt").c_str()), 0);

  // The next start loads the added words into both schemes.
  EngineHandle g(dir.str());
  wp_set_wubi_scheme(g.get(), 1);
  EXPECT_EQ(g.type("abcd").texts, V{"新词"});
}

TEST_F(WubiKeys, LearningIsSavedAndReorders) {
  dir.write("wubi86.dict", "甲 ya 45\n乙 yb 40\n");
  {
    EngineHandle e(dir.str());
    EXPECT_EQ(e.type("y").texts, (V{"甲", "乙"}));
    e.key('2');
    // A small store is saved at every commit.
    EXPECT_EQ(quvo_test::read_file(dir.file("user.freq")), "乙\t1\n");
  }
  EngineHandle e(dir.str());
  EXPECT_EQ(e.type("y").texts, (V{"乙", "甲"}));  // 40 + 10 > 45
}

TEST_F(WubiKeys, AnUnwritableDataDirectoryCostsOnlyPersistence) {
  // A directory below a regular file cannot be created or written, not even
  // by root.
  dir.write("file", "x");
  const std::string bad = dir.file("file") + "/data";
  EngineHandle e(bad);
  wp_add_word(e.get(), "测试", "imyi");
  EXPECT_EQ(e.type("imyi").texts, V{"测试"});
  EXPECT_EQ(e.key(' ').commit, "测试");
  e.type("k l =");
  EXPECT_EQ(e.key(quvo_test::kEscape).result, 0);
}
