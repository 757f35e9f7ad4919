// Engines created and destroyed while their background builds run, and
// processes that exit while a build is running. Run under ThreadSanitizer
// and LeakSanitizer by scripts/tsan; here they must not crash or hang.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "engine/core.h"
#include "interface/engine_handle.h"
#include "robustness/user_files.h"
#include "support/engine_fixture.h"
#include "support/temp_dir.h"

using quvo_test::EngineHandle;
using quvo_test::TempDir;
using wubi_pinyin::engine::Core;

namespace {

// The fixture plus a word list long enough that a build is still running
// when the engine that started it is already gone.
void write_slow_fixture(const TempDir& dir) {
  quvo_test::write_fixture(dir);
  constexpr std::string_view kSyllables[][2] = {
      {"zhong", "中"}, {"guo", "国"}, {"ni", "你"},   {"hao", "好"}, {"ren", "人"},
      {"wen", "文"},   {"jia", "家"}, {"jing", "经"}, {"ji", "济"},  {"gong", "工"},
  };
  std::string words(quvo_test::kPinyinWords);
  for (int i = 0; i < 30000; ++i) {
    std::string pinyin, word;
    for (int k = 0, n = i; k < 4; ++k, n /= 10) {
      pinyin += kSyllables[n % 10][0];
      word += kSyllables[n % 10][1];
    }
    words += pinyin + " " + word + " " + std::to_string(i % 997) + "\n";
  }
  dir.write("pinyin_word.dict", words);
}

}  // namespace

TEST(EngineLifetime, CreatedAndDestroyedWhileBuilding) {
  TempDir dir;
  write_slow_fixture(dir);
  for (int i = 0; i < 40; ++i) {
    EngineHandle h(dir.str());
    if (i % 2 == 1) {
      EXPECT_FALSE(h.type("wq").texts.empty());
    }
    if (i % 4 == 3) {
      wp_toggle_mode(h.get());
      (void)h.type("nihao");
      (void)h.key(' ');
    }
  }
  for (int i = 0; i < 20; ++i) {
    auto core = Core::new_background(dir.str());
    if (i % 5 == 0) {
      core->wait_pinyin_ready();
      EXPECT_FALSE(core->word_index.empty());
    }
    if (i % 5 == 1) core->commit_word("中");
  }
  // Engines on separate threads at once, each owned by one thread.
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&dir, t] {
      for (int i = 0; i < 5; ++i) {
        EngineHandle h(dir.str());
        (void)h.type(t % 2 ? "nihao" : "wqvb");
      }
    });
  for (auto& th : threads) th.join();
  // The data are complete for an engine that waits.
  const auto core = Core::new_background(dir.str());
  core->wait_pinyin_ready();
  EXPECT_FALSE(core->pinyin_pending());
  EXPECT_FALSE(core->word_index.empty());
}

// exit() runs the static destructors and the atexit handlers while the
// detached build thread is still loading; the process must still end
// cleanly, with or without destroying its engine first.
TEST(EngineLifetime, ProcessExitsWhileBuilding) {
  TempDir dir;
  write_slow_fixture(dir);
  const std::string path = dir.str();
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const int status = quvo_test::run_in_child([&]() -> int {
      WPEngine* e = wp_create_engine(path.c_str());
      if (round % 3 == 1) {
        char commit[64], preedit[64];
        size_t count = 0;
        (void)wp_key_event(e, 'w', 0, commit, sizeof commit, preedit, sizeof preedit, nullptr, 0,
                           &count);
      }
      if (round % 3 == 2) wp_destroy_engine(e);
      std::exit(0);
    });
    EXPECT_TRUE(quvo_test::exited_with(status, 0)) << "child status " << status;
  }
}
