#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "engine/core.h"
#include "engine/favourites.h"
#include "support/engine_fixture.h"
#include "support/temp_dir.h"

using wubi_pinyin::engine::Core;
using wubi_pinyin::engine::kPinyinFavouriteTemplate;
using wubi_pinyin::engine::kWubiFavouriteTemplate;
using wubi_pinyin::engine::Mode;

namespace {

std::vector<std::string> texts(const wubi_pinyin::engine::CandidateList& list) {
  std::vector<std::string> out;
  for (const auto& c : list) out.push_back(c.text);
  return out;
}

}  // namespace

TEST(Construction, OnlyWubi86WorksAtOnceAndTemplatesAreWrittenOnce) {
  quvo_test::TempDir dir;
  dir.write("wubi86.dict", quvo_test::kWubi86);
  {
    auto core = Core::new_background(dir.str());
    core->input = "wqvb";
    EXPECT_EQ(texts(core->candidates()), (std::vector<std::string>{"你好"}));
  }
  EXPECT_EQ(quvo_test::read_file(dir.file("aihao_py.dict")), kPinyinFavouriteTemplate);
  EXPECT_EQ(quvo_test::read_file(dir.file("aihao_wb.dict")), kWubiFavouriteTemplate);
  EXPECT_EQ(kPinyinFavouriteTemplate.size(), 831u);
  EXPECT_EQ(kWubiFavouriteTemplate.size(), 762u);

  // The user's own edits are never overwritten.
  dir.write("aihao_wb.dict", "大家好 dtuj\n");
  { auto core = Core::new_sync(dir.str()); }
  EXPECT_EQ(quvo_test::read_file(dir.file("aihao_wb.dict")), "大家好 dtuj\n");
}

TEST(Construction, PathsAndMissingDirectory) {
  quvo_test::TempDir dir;
  const std::string missing = dir.file("nowhere");
  auto core = Core::new_sync(missing);
  EXPECT_EQ(core->user_dict_path, missing + "/user.dict");
  EXPECT_EQ(core->user_freq_path, missing + "/user.freq");
  EXPECT_EQ(core->user_py_path, missing + "/user_py.dict");
  core->input = "a";
  EXPECT_TRUE(core->candidates().empty());
  EXPECT_FALSE(quvo_test::file_exists(missing));
}

TEST(Construction, PinyinFavouritesTakeTheSecondField) {
  quvo_test::TempDir dir;
  dir.write("aihao_py.dict",
            "dalao 大佬\n"
            "  nihao 你好啊 xx 5  \n"
            "xiexie\u3000谢谢\n"
            "single\n"
            "\n"
            "# haha 哈哈\n");
  auto core = Core::new_sync(dir.str());
  EXPECT_EQ(core->favourite_words,
            (wubi_pinyin::text::StringSet{"大佬", "你好啊", "谢谢"}));
}

TEST(Construction, FavouriteReadersStopAtAnInvalidLine) {
  quvo_test::TempDir dir;
  dir.write("aihao_wb.dict", "大家好 dtuj\n\xff\n自定词 qtny\n");
  dir.write("aihao_py.dict", "dalao 大佬\n\xfe\nhaha 哈哈\n");
  auto core = Core::new_sync(dir.str());
  EXPECT_EQ(core->favourite_words, (wubi_pinyin::text::StringSet{"大家好", "大佬"}));
  EXPECT_EQ(core->wubi86.by_code("dtuj").size(), 1u);
  EXPECT_EQ(core->wubi98.by_code("dtuj").size(), 1u);
  EXPECT_TRUE(core->wubi86.by_code("qtny").empty());
  // Pinyin word lists skip the bad line and go on.
  EXPECT_FALSE(core->pinyin.words_by_pinyin("haha").empty());
}

TEST(Construction, WubiFavouritesInEitherColumnOrder) {
  quvo_test::TempDir dir;
  dir.write("hanzi_pinyin.dict", "大 da\n家 jia\n好 hao\n");
  dir.write("aihao_wb.dict", "DTUJ 大家好\nabc xyz\n大家 好\n");
  auto core = Core::new_sync(dir.str());
  ASSERT_EQ(core->wubi86.by_code("dtuj").size(), 1u);
  EXPECT_EQ(core->wubi86.by_code("dtuj")[0].word, "大家好");
  EXPECT_EQ(core->wubi86.by_code("dtuj")[0].weight, 1000u);
  EXPECT_EQ(core->wubi98.by_code("xyz")[0].word, "abc");
  EXPECT_EQ(core->wubi86.by_code("好")[0].word, "大家");
  // A three-character favourite gets derived pinyin and initials.
  EXPECT_EQ(core->pinyin.words_by_pinyin("dajiahao").size(), 1u);
  EXPECT_EQ(core->pinyin.words_by_initials("djh").size(), 1u);
}

TEST(Construction, SyncAndBackgroundGiveTheSameWordData) {
  quvo_test::TempDir dir;
  quvo_test::write_fixture(dir);
  auto sync = Core::new_sync(dir.str());
  EXPECT_FALSE(sync->pinyin_pending());
  EXPECT_FALSE(sync->word_index.empty());
  sync->wait_pinyin_ready();  // returns at once

  auto bg = Core::new_background(dir.str());
  EXPECT_TRUE(bg->word_index.empty());
  bg->wait_pinyin_ready();
  EXPECT_FALSE(bg->pinyin_pending());
  bg->wait_pinyin_ready();  // a second wait returns at once
  ASSERT_EQ(bg->word_index.size(), sync->word_index.size());
  for (size_t i = 0; i < bg->word_index.size(); ++i) {
    EXPECT_EQ(bg->word_index[i].word, sync->word_index[i].word);
    EXPECT_EQ(bg->word_index[i].pinyin, sync->word_index[i].pinyin);
  }
  EXPECT_EQ(bg->char_freq_table, sync->char_freq_table);
  EXPECT_EQ(bg->bigram, sync->bigram);
}

TEST(Construction, PollInstallsThePackageOnceAndDropsTheCache) {
  quvo_test::TempDir dir;
  quvo_test::write_fixture(dir);
  auto core = Core::new_background(dir.str());
  core->mode = Mode::pinyin;
  // A phrase learned before the package arrives survives its installation.
  ASSERT_TRUE(core->pinyin.add_user_phrase("你好", "nihaoma"));
  // A list cached before the package arrives is dropped with the old data.
  core->cand_cache = Core::CandCache{"ni", Mode::pinyin, false, {{"你", ""}}};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (core->pinyin_pending() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    core->poll_pinyin_build();
  }
  ASSERT_FALSE(core->pinyin_pending());
  EXPECT_FALSE(core->cand_cache.has_value());
  EXPECT_FALSE(core->word_index.empty());
  EXPECT_EQ(core->pinyin.words_by_pinyin("nihaoma").size(), 1u);
  EXPECT_EQ(core->pinyin.words_by_pinyin("nihao").size(), 1u);
  core->poll_pinyin_build();  // nothing pending: a no-op
  EXPECT_FALSE(core->word_index.empty());
}

TEST(Construction, DestroyWhileBuildingNeitherBlocksNorCrashes) {
  quvo_test::TempDir dir;
  quvo_test::write_fixture(dir);
  for (int i = 0; i < 50; ++i) {
    auto core = Core::new_background(dir.str());
    core->input = "k";
    (void)core->candidates();
  }
}

TEST(Construction, FrequencyFileWrittenAtDestructionOnlyWhenChanged) {
  quvo_test::TempDir dir;
  quvo_test::write_fixture(dir);
  { auto core = Core::new_sync(dir.str()); }
  EXPECT_FALSE(quvo_test::file_exists(dir.file("user.freq")));
  {
    auto core = Core::new_sync(dir.str());
    core->freq.bump("工");
    core->freq_dirty = true;
  }
  EXPECT_EQ(quvo_test::read_file(dir.file("user.freq")), "工\t1\n");
}
