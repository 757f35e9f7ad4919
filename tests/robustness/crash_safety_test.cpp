// Saves interrupted from outside: a disk that fills up while the engine
// saves (a child with a small file size limit) and a process killed at
// random points while it commits and saves (a child killed with SIGKILL,
// many times over). The child reports each commit, added word and learned
// phrase through a pipe before it makes it; the files must then hold a
// state the child passed through, in whole lines, and load at the next
// start.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
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
using quvo_test::FreqContent;
using quvo_test::TempDir;
using wubi_pinyin::engine::Core;
using wubi_pinyin::engine::Mode;

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

constexpr std::string_view kPhraseChars[][2] = {
    {"工", "gong"},  {"式", "shi"}, {"戈", "ge"}, {"节", "jie"}, {"芭", "ba"},
    {"中", "zhong"}, {"国", "guo"}, {"你", "ni"}, {"好", "hao"}, {"人", "ren"},
};

std::pair<std::string, std::string> phrase_of(uint32_t serial) {
  std::string word, pinyin;
  for (int i = 0; i < 5; ++i, serial /= 10) {
    word += kPhraseChars[serial % 10][0];
    pinyin += kPhraseChars[serial % 10][1];
  }
  return {word, pinyin};
}

// What a child announced before doing it, one line each: "C text" for a
// commit, "W word code" for an added word, "P pinyin word" for a phrase.
class Journal {
 public:
  explicit Journal(int fd) : fd_(fd) {}
  void line(char kind, const std::string& a, const std::string& b = {}) const {
    std::string s(1, kind);
    s += '\t';
    s += a;
    if (!b.empty()) {
      s += '\t';
      s += b;
    }
    s += '\n';
    const char* p = s.data();
    size_t left = s.size();
    while (left > 0) {
      const ssize_t n = ::write(fd_, p, left);
      if (n <= 0) ::_exit(70);
      p += n;
      left -= static_cast<size_t>(n);
    }
  }

 private:
  int fd_;
};

struct Announced {
  std::vector<std::string> commits;
  Pairs words;    // (word, code)
  Pairs phrases;  // (pinyin, word)
};

Announced parse_journal(const std::string& bytes) {
  Announced out;
  size_t pos = 0;
  while (true) {
    const size_t end = bytes.find('\n', pos);
    if (end == std::string::npos) break;  // a line cut by the kill
    const std::string line = bytes.substr(pos, end - pos);
    pos = end + 1;
    const size_t t1 = line.find('\t', 2);
    const std::string first = line.substr(2, t1 == std::string::npos ? std::string::npos : t1 - 2);
    const std::string second = t1 == std::string::npos ? std::string() : line.substr(t1 + 1);
    if (line[0] == 'C') out.commits.push_back(first);
    if (line[0] == 'W') out.words.emplace_back(first, second);
    if (line[0] == 'P') out.phrases.emplace_back(first, second);
  }
  return out;
}

std::string drain(int fd) {
  std::string out;
  char buf[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n > 0) {
      out.append(buf, static_cast<size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      return out;
    }
  }
}

// The counts of `now` are those of `old` plus the first n announced commits
// for some n. Returns n, or -1 when no prefix explains the file.
long explained_by_prefix(const FreqContent& old, const FreqContent& now,
                         const std::vector<std::string>& commits) {
  uint64_t added = 0;
  for (const auto& [text, n] : now) {
    const auto it = old.find(text);
    const uint32_t before = it == old.end() ? 0 : it->second;
    if (n < before) return -1;
    added += n - before;
  }
  for (const auto& [text, n] : old)
    if (!now.count(text)) return -1;
  if (added > commits.size()) return -1;
  FreqContent expect = old;
  for (size_t i = 0; i < added; ++i) ++expect[commits[i]];
  return expect == now ? static_cast<long>(added) : -1;
}

// `lines` = `before` followed by the first k of `announced`, for k at least
// announced.size() - 1 (the last one may have been cut off by the kill)
// or for any k when `any_prefix`.
bool whole_lines_appended(const Pairs& before, const Pairs& lines, const Pairs& announced,
                          bool any_prefix) {
  if (lines.size() < before.size()) return false;
  if (!std::equal(before.begin(), before.end(), lines.begin())) return false;
  const size_t k = lines.size() - before.size();
  if (k > announced.size()) return false;
  if (!any_prefix && k + 1 < announced.size()) return false;
  return std::equal(lines.begin() + static_cast<long>(before.size()), lines.end(),
                    announced.begin());
}

struct Files {
  FreqContent freq;
  Pairs words;
  Pairs phrases;
};

// Reads the three user files strictly; fails the test when one is torn.
testing::AssertionResult read_user_files(const TempDir& dir, Files& out) {
  const auto freq = quvo_test::parse_freq_strict(quvo_test::read_file(dir.file("user.freq")));
  if (!freq) return testing::AssertionFailure() << "user.freq is not well-formed";
  const auto words = quvo_test::parse_pairs_strict(quvo_test::read_file(dir.file("user.dict")));
  if (!words) return testing::AssertionFailure() << "user.dict holds a partial line";
  const auto phrases =
      quvo_test::parse_pairs_strict(quvo_test::read_file(dir.file("user_py.dict")));
  if (!phrases) return testing::AssertionFailure() << "user_py.dict holds a partial line";
  out = {*freq, *words, *phrases};
  return testing::AssertionSuccess();
}

bool table_holds(const wubi_pinyin::wubi::WubiTable& t, std::string_view word,
                 std::string_view code) {
  for (const auto m : t.by_code(code))
    if (m.word == word) return true;
  return false;
}

void expect_next_start_loads(const TempDir& dir, const Files& files) {
  const auto core = Core::new_sync(dir.str());
  EXPECT_EQ(core->freq.size(), files.freq.size());
  for (const auto& [text, n] : files.freq) EXPECT_EQ(core->freq.count(text), n) << text;
  for (const auto& [word, code] : files.words) {
    EXPECT_TRUE(table_holds(core->wubi86, word, code)) << word;
    EXPECT_TRUE(table_holds(core->wubi98, word, code)) << word;
  }
  for (const auto& [pinyin, word] : files.phrases) {
    bool found = false;
    for (const auto w : core->pinyin.words_by_pinyin(pinyin)) found = found || w.word == word;
    EXPECT_TRUE(found) << word;
  }
}

// The child's endless work: commits through the C interface (typing a code
// and a space) with added words, then commits and learned phrases through
// Core::commit_word, each engine destroyed (and so saved) before the next
// one starts. Serial numbers start at `first` and stay below `first` +
// 400; past that the child just waits to be killed.
[[noreturn]] void save_forever(const std::string& dir, uint32_t first, const Journal& journal) {
  uint32_t serial = first;
  const auto next = [&] {
    if (serial >= first + 400) {
      for (;;) ::pause();
    }
    return serial++;
  };
  for (;;) {
    {
      EngineHandle h(dir);
      for (const char* code : {"wq", "vb", "khlg", "k"}) {
        const auto shown = h.type(code);
        if (shown.texts.empty()) ::_exit(71);
        journal.line('C', shown.texts[0]);
        if (h.key(' ').commit != shown.texts[0]) ::_exit(72);
        const uint32_t s = next();
        const std::string word = "加" + std::to_string(s);
        const std::string code2 = "zz" + std::string(1, static_cast<char>('a' + s % 26));
        journal.line('W', word, code2);
        wp_add_word(h.get(), word.c_str(), code2.c_str());
      }
    }
    {
      const auto core = Core::new_sync(dir);
      for (int i = 0; i < 12; ++i) {
        const std::string text = "词" + std::to_string(next());
        journal.line('C', text);
        core->commit_word(text);
        const auto [word, pinyin] = phrase_of(next());
        core->mode = Mode::pinyin;
        core->sentence_pinyin.clear();
        core->sentence_pinyin[word] = pinyin;
        journal.line('C', word);
        journal.line('P', pinyin, word);
        core->commit_word(word);
        core->mode = Mode::wubi;
      }
    }
  }
}

}  // namespace

TEST(KilledDuringSaves, FilesHoldAStateThatWasReached) {
  TempDir dir;
  quvo_test::write_fixture(dir);
  // More than 100 texts: the store is saved every 20 commits and when an
  // engine is destroyed, so kills land both between and inside saves.
  std::string freq = "中国\t3\n";
  for (int i = 0; i < 120; ++i) freq += "旧" + std::to_string(i) + "\t1\n";
  dir.write("user.freq", freq);
  Files files;
  ASSERT_TRUE(read_user_files(dir, files));

  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> delay_us(0, 8000);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  int rounds = 0, partial_rounds = 0, inside_save = 0;
  for (; rounds < 200 && std::chrono::steady_clock::now() < deadline; ++rounds) {
    SCOPED_TRACE("round " + std::to_string(rounds));
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::close(fds[0]);
      save_forever(dir.str(), static_cast<uint32_t>(rounds) * 400, Journal(fds[1]));
    }
    ::close(fds[1]);
    // The delay counts from the child's first announcement, so that the
    // kill lands while it works rather than while it starts.
    char first = 0;
    const bool started = ::read(fds[0], &first, 1) == 1;
    std::this_thread::sleep_for(std::chrono::microseconds(delay_us(random)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    const Announced announced =
        parse_journal((started ? std::string(1, first) : std::string()) + drain(fds[0]));
    ::close(fds[0]);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "child status " << status;

    Files now;
    ASSERT_TRUE(read_user_files(dir, now));
    const long n = explained_by_prefix(files.freq, now.freq, announced.commits);
    ASSERT_GE(n, 0) << "user.freq holds counts no sequence of saves reached";
    if (static_cast<size_t>(n) < announced.commits.size()) ++partial_rounds;
    if (fs::exists(dir.file("user.freq.tmp"))) ++inside_save;
    ASSERT_TRUE(whole_lines_appended(files.words, now.words, announced.words, false));
    ASSERT_TRUE(whole_lines_appended(files.phrases, now.phrases, announced.phrases, false));
    files = std::move(now);
  }
  EXPECT_GE(rounds, 20);
  // Most kills land before the latest commits were saved.
  EXPECT_GT(partial_rounds, 0);
  expect_next_start_loads(dir, files);
  RecordProperty("rounds", rounds);
  RecordProperty("partial_rounds", partial_rounds);
  RecordProperty("inside_save", inside_save);
  std::printf("%d kills: %d before the latest commits were saved, %d inside a save\n", rounds,
              partial_rounds, inside_save);
}

// A disk that fills up: the child may write files of at most 4096 bytes
// (SIGXFSZ ignored, so writes past that fail with EFBIG). Saves that no
// longer fit leave the previous complete "user.freq", appends that do not
// fit leave no partial line, and the next start loads what was saved.
TEST(DiskFullDuringSave, OldContentOrNewCompleteContent) {
  TempDir dir;
  quvo_test::write_fixture(dir);
  std::string old_freq;
  for (int i = 0; i < 40; ++i)
    old_freq += "旧" + std::to_string(i) + "\t" + std::to_string(i + 1) + "\n";
  dir.write("user.freq", old_freq);
  dir.write("user.dict", "测试\timyi\n");
  Files before;
  ASSERT_TRUE(read_user_files(dir, before));

  constexpr rlim_t kLimit = 4096;
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const std::string path = dir.str();
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::close(fds[0]);
    const Journal journal(fds[1]);
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{kLimit, kLimit};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(80);
    {
      const auto core = Core::new_sync(path);
      for (uint32_t i = 0; i < 300; ++i) {
        const std::string text = "满" + std::to_string(i) + std::string(24, 'x');
        journal.line('C', text);
        core->commit_word(text);
        const std::string word = "盘" + std::to_string(1000 + i) + std::string(10, 'y');
        journal.line('W', word, "zzzz");
        (void)core->add_word(word, "zzzz");
        if (i % 10 == 0) {
          const auto [phrase, pinyin] = phrase_of(i);
          core->mode = Mode::pinyin;
          core->sentence_pinyin.clear();
          core->sentence_pinyin[phrase] = pinyin;
          journal.line('C', phrase);
          journal.line('P', pinyin, phrase);
          core->commit_word(phrase);
          core->mode = Mode::wubi;
        }
      }
    }  // destroyed: the last save, which does not fit either
    ::_exit(0);
  }
  ::close(fds[1]);
  const Announced announced = parse_journal(drain(fds[0]));
  ::close(fds[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(quvo_test::exited_with(status, 0)) << "child status " << status;

  Files now;
  ASSERT_TRUE(read_user_files(dir, now));
  EXPECT_FALSE(fs::exists(dir.file("user.freq.tmp")));
  const long n = explained_by_prefix(before.freq, now.freq, announced.commits);
  ASSERT_GE(n, 0) << "user.freq holds counts no save produced";
  // The limit did cut the saves short, and the file is within it.
  EXPECT_LT(static_cast<size_t>(n), announced.commits.size());
  EXPECT_LE(fs::file_size(dir.file("user.freq")), kLimit);
  EXPECT_LE(fs::file_size(dir.file("user.dict")), kLimit);
  ASSERT_TRUE(whole_lines_appended(before.words, now.words, announced.words, true));
  EXPECT_LT(now.words.size(), before.words.size() + announced.words.size());
  ASSERT_TRUE(whole_lines_appended(before.phrases, now.phrases, announced.phrases, true));
  expect_next_start_loads(dir, now);
}
