#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "engine_handle.h"
#include "interface/wubi_pinyin.h"
#include "support/engine_fixture.h"
#include "support/temp_dir.h"

using quvo_test::EngineHandle;
using quvo_test::KeyOutcome;

namespace {

constexpr uint32_t kSpace = 0x20;

// An engine in Pinyin mode whose background word data have arrived: the
// word 你好 is offered with its code only once they are installed.
void wait_for_words(EngineHandle& e) {
  ASSERT_EQ(wp_set_default_mode(e.get(), 1), 1);
  ASSERT_EQ(wp_get_mode(e.get()), 1);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    const KeyOutcome o = e.type("nihao");
    (void)e.key(quvo_test::kEscape);
    if (!o.comments.empty() && o.comments[0] == "wqvb") return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  FAIL() << "the background word data never arrived";
}

}  // namespace

TEST(PinyinKeys, TypeAWordCommitItAndSeeItsAssociations) {
  quvo_test::TempDir dir;
  quvo_test::write_fixture(dir);
  dir.write("pinyin_word.dict", std::string(quvo_test::kPinyinWords) + "nihaoma 你好吗 - 50\n");
  EngineHandle e(dir.str());
  wait_for_words(e);

  const KeyOutcome typed = e.type("nihao");
  ASSERT_FALSE(typed.texts.empty());
  EXPECT_EQ(typed.texts[0], "你好");
  EXPECT_EQ(typed.preedit, "ni'hao");

  const KeyOutcome committed = e.key(kSpace);
  EXPECT_EQ(committed.commit, "你好");
  EXPECT_EQ(wp_assoc_visible(e.get()), 1);
  ASSERT_FALSE(committed.texts.empty());
  EXPECT_EQ(committed.texts[0], "吗");  // continuation of 你好吗
}

TEST(PinyinKeys, ACommittedSentenceIsLearnedAndOfferedAsAWord) {
  quvo_test::TempDir dir;
  quvo_test::write_fixture(dir);
  EngineHandle e(dir.str());
  wait_for_words(e);

  // haoni is no word: the first candidate is the composed sentence.
  KeyOutcome o = e.type("haoni");
  ASSERT_FALSE(o.texts.empty());
  EXPECT_EQ(o.texts[0], "好你");
  EXPECT_EQ(o.comments[0], "整句");
  o = e.key(kSpace);
  EXPECT_EQ(o.commit, "好你");
  EXPECT_EQ(quvo_test::read_file(dir.file("user_py.dict")), "haoni\t好你\n");

  // Typed again it is a word of the lexicon (no sentence comment), and
  // committing it again appends nothing.
  (void)e.key(quvo_test::kEscape);
  o = e.type("haoni");
  ASSERT_FALSE(o.texts.empty());
  EXPECT_EQ(o.texts[0], "好你");
  EXPECT_EQ(o.comments[0], "");
  EXPECT_EQ(e.key(kSpace).commit, "好你");
  EXPECT_EQ(quvo_test::read_file(dir.file("user_py.dict")), "haoni\t好你\n");
}
