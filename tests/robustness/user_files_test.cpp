// Fault injection for the user's files: an unusable, missing or read-only
// data directory, files replaced by directories, a disk that fills up during
// saves, and a process killed at random points while it saves. After each,
// "user.freq" holds the old or a new complete content, "user.dict" and
// "user_py.dict" hold whole lines only, and the next start loads all of it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/core.h"
#include "interface/engine_handle.h"
#include "robustness/user_files.h"
#include "support/engine_fixture.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;
using quvo_test::EngineHandle;
using quvo_test::TempDir;
using wubi_pinyin::engine::Core;
using wubi_pinyin::engine::Mode;

namespace {

// Commits a phrase the way a Pinyin list offers it, so that it is learned
// into "user_py.dict".
void learn_phrase(Core& core, const std::string& word, const std::string& pinyin) {
  const Mode before = core.mode;
  core.mode = Mode::pinyin;
  core.sentence_pinyin.clear();
  core.sentence_pinyin[word] = pinyin;
  core.commit_word(word);
  core.mode = before;
}

bool table_holds(const wubi_pinyin::wubi::WubiTable& t, std::string_view word,
                 std::string_view code) {
  for (const auto m : t.by_code(code))
    if (m.word == word) return true;
  return false;
}

bool lexicon_holds(const wubi_pinyin::pinyin::PinyinData& py, std::string_view word,
                   std::string_view pinyin) {
  for (const auto w : py.words_by_pinyin(pinyin))
    if (w.word == word) return true;
  return false;
}

std::string ascii_lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// What a fresh start loads from the files must be exactly what they hold.
void expect_next_start_loads(const TempDir& dir) {
  const auto freq = quvo_test::parse_freq_strict(quvo_test::read_file(dir.file("user.freq")));
  ASSERT_TRUE(freq.has_value());
  const auto words = quvo_test::parse_pairs_strict(quvo_test::read_file(dir.file("user.dict")));
  ASSERT_TRUE(words.has_value());
  const auto phrases =
      quvo_test::parse_pairs_strict(quvo_test::read_file(dir.file("user_py.dict")));
  ASSERT_TRUE(phrases.has_value());

  const auto core = Core::new_sync(dir.str());
  EXPECT_EQ(core->freq.size(), freq->size());
  for (const auto& [text, n] : *freq) EXPECT_EQ(core->freq.count(text), n) << text;
  for (const auto& [word, code] : *words) {
    EXPECT_TRUE(table_holds(core->wubi86, word, ascii_lower(code))) << word;
    EXPECT_TRUE(table_holds(core->wubi98, word, ascii_lower(code))) << word;
  }
  for (const auto& [pinyin, word] : *phrases)
    EXPECT_TRUE(lexicon_holds(core->pinyin, word, pinyin)) << word;
}

// Types a code and commits the first candidate through the C interface;
// returns the committed text (empty when nothing was offered).
std::string type_and_commit(EngineHandle& h, const std::string& code) {
  const auto shown = h.type(code);
  if (shown.texts.empty()) return {};
  const auto done = h.key(' ');
  return done.commit == shown.texts[0] ? done.commit : std::string("<mismatch>");
}

// Everything a session does that touches the user's files, on any
// directory: commits through both interfaces, added and imported words,
// learned phrases, mode and scheme changes.
void busy_session(const std::string& dir, const std::string& import_path) {
  {
    EngineHandle h(dir);
    for (const char* code : {"wq", "vb", "k", "khlg", "nihao"}) (void)type_and_commit(h, code);
    wp_add_word(h.get(), "测试", "imyi");
    (void)wp_import_dict(h.get(), import_path.c_str());
    wp_toggle_mode(h.get());
    (void)type_and_commit(h, "nihao");
    (void)type_and_commit(h, "zhongguo");
  }
  const auto core = Core::new_sync(dir);
  for (int i = 0; i < 30; ++i) core->commit_word("甲" + std::to_string(i % 7));
  learn_phrase(*core, "中国你好人", "zhongguonihaoren");
  (void)core->add_word("乙丙", "gggg");
  core->scheme98 = true;
  (void)core->import_dict(import_path);
}

std::vector<std::string> listing(const fs::path& dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::recursive_directory_iterator(dir, ec))
    names.push_back(e.path().lexically_relative(dir).string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

// A data directory that cannot be used at all: missing, or a path below a
// regular file (every open fails, whoever runs the engine). The engine
// works with empty tables and creates nothing.
TEST(UnusableDataDirectory, EngineRunsAndCreatesNothing) {
  TempDir root;
  const std::string import = root.write("import.dict", "新词 abcd\n");
  root.write("plain", "just a file\n");
  struct Case {
    const char* name;
    std::string dir;
  };
  const std::vector<Case> cases = {
      {"missing", root.file("missing/data")},
      {"below a regular file", root.file("plain") + "/data"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    busy_session(c.dir, import);
    EXPECT_FALSE(fs::exists(root.file("missing")));
    EXPECT_EQ(quvo_test::read_file(root.file("plain")), "just a file\n");
  }
}

// A read-only data directory: the dictionaries and the user's words load,
// commits and additions work in memory, and no file changes. As root the
// permission bits do not stop writes, so the child makes the directory
// read-only by a read-only bind mount in a mount namespace of its own, or
// else gives up root before it starts the engine.
TEST(ReadOnlyDataDirectory, LoadsEverythingAndChangesNothing) {
  TempDir dir;
  quvo_test::write_fixture(dir);
  dir.write("user.dict", "测试\timyi\n");
  dir.write("user.freq", "中国\t3\n你\t2\n");
  dir.write("user_py.dict", "ceshi\t测试\n");
  dir.write("aihao_py.dict", "# none\n");
  dir.write("aihao_wb.dict", "# none\n");
  const std::string import = dir.write("import.dict", "新词 abcd\n");
  ASSERT_EQ(::chmod(dir.str().c_str(), 0755), 0);
  for (const auto& e : fs::directory_iterator(dir.path()))
    ASSERT_EQ(::chmod(e.path().c_str(), 0644), 0);
  const auto before = listing(dir.path());
  std::vector<std::string> contents;
  for (const auto& name : before) contents.push_back(quvo_test::read_file(dir.file(name)));

  const std::string path = dir.str();
  const int status = quvo_test::run_in_child([&]() -> int {
    bool read_only = false;
    if (::geteuid() != 0) {
      read_only = ::chmod(path.c_str(), 0555) == 0;
    } else if (::unshare(CLONE_NEWNS) == 0 &&
               ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
               ::mount(path.c_str(), path.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
               ::mount(nullptr, path.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) ==
                   0) {
      read_only = true;
    } else {
      // Another user: the directory is root's and not writable for others.
      read_only = ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
    }
    if (!read_only) return 77;
    const int probe = ::open((path + "/probe").c_str(), O_WRONLY | O_CREAT, 0644);
    if (probe >= 0) return 77;

    {
      EngineHandle h(path);
      if (type_and_commit(h, "imyi") != "测试") return 10;
      if (type_and_commit(h, "wqvb") != "你好") return 11;
    }
    const auto core = Core::new_sync(path);
    if (core->freq.count("中国") != 3) return 12;
    if (!lexicon_holds(core->pinyin, "测试", "ceshi")) return 13;
    busy_session(path, import);
    return 0;
  });
  if (quvo_test::exited_with(status, 77))
    GTEST_SKIP() << "no way to make a directory read-only here: no mount namespace and no "
                    "other user to run as";
  ASSERT_TRUE(quvo_test::exited_with(status, 0)) << "child status " << status;
  EXPECT_EQ(listing(dir.path()), before);
  for (size_t i = 0; i < before.size(); ++i)
    EXPECT_EQ(quvo_test::read_file(dir.file(before[i])), contents[i]) << before[i];
}

// One file of the data directory replaced by a directory (with something
// in it, so that nothing can be renamed over it): the engine runs, that
// name stays a directory, no temporary file is left, the other user files
// are written as usual and load at the next start.
TEST(FileReplacedByDirectory, OtherFilesKeepWorking) {
  const std::vector<std::string> names = {
      "user.freq",         "user.dict",        "user_py.dict",   "user.freq.tmp", "wubi86.dict",
      "hanzi_pinyin.dict", "pinyin_word.dict", "aihao_wb.dict",  "aihao_py.dict", "emoji.dict",
      "char_freq.dict",    "bigram.dict",      "polyphonic.dict"};
  for (const auto& name : names) {
    SCOPED_TRACE(name);
    TempDir dir;
    quvo_test::write_fixture(dir);
    const std::string import = dir.write("import.dict", "新词 abcd\n");
    if (name != "user.freq") dir.write("user.freq", "中国\t3\n");
    fs::remove(dir.file(name));
    fs::create_directories(dir.path() / name / "inside");

    busy_session(dir.str(), import);

    EXPECT_TRUE(fs::is_directory(dir.path() / name / "inside"));
    if (name != "user.freq.tmp") {
      EXPECT_FALSE(fs::exists(dir.file("user.freq.tmp")));
    }
    if (name != "user.freq") {
      const auto freq = quvo_test::parse_freq_strict(quvo_test::read_file(dir.file("user.freq")));
      ASSERT_TRUE(freq.has_value());
      if (name != "user.freq.tmp") {
        EXPECT_EQ(freq->at("甲0"), 5u);
        EXPECT_GE(freq->at("中国"), 3u);
      }
    }
    if (name != "user.dict") {
      const auto words = quvo_test::parse_pairs_strict(quvo_test::read_file(dir.file("user.dict")));
      ASSERT_TRUE(words.has_value());
      EXPECT_NE(std::find(words->begin(), words->end(),
                          std::pair<std::string, std::string>("乙丙", "gggg")),
                words->end());
    }
    if (name != "user_py.dict") {
      const auto phrases =
          quvo_test::parse_pairs_strict(quvo_test::read_file(dir.file("user_py.dict")));
      ASSERT_TRUE(phrases.has_value());
      EXPECT_NE(std::find(phrases->begin(), phrases->end(),
                          std::pair<std::string, std::string>("zhongguonihaoren", "中国你好人")),
                phrases->end());
    }
    if (name != "user.freq" && name != "user.dict" && name != "user_py.dict" &&
        name != "user.freq.tmp")
      expect_next_start_loads(dir);
  }
}
