#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "key_notation.h"
#include "support/engine_fixture.h"
#include "support/temp_dir.h"
#include "terminal_input.h"

namespace {

using quvo_cli::StepKind;
using quvo_cli::TermAction;
using quvo_test::read_file;
using quvo_test::TempDir;

// ---------------------------------------------------------------------------
// Key notation

TEST(QuvoCliKeyNotation, ReadsKeysNamesHotkeysAndBraces) {
  struct Case {
    std::string keys;
    std::vector<uint32_t> keysyms;  // 0 for a hotkey step
    std::vector<std::string> labels;
  };
  const std::vector<Case> cases = {
      {"ni ", {'n', 'i', ' '}, {"n", "i", "{space}"}},
      {"{Return}{Escape}{BackSpace}{Tab}",
       {0xff0d, 0xff1b, 0xff08, 0xff09},
       {"{Return}", "{Escape}", "{BackSpace}", "{Tab}"}},
      {"{Page_Up}{Page_Down}{space}",
       {0xff55, 0xff56, 0x20},
       {"{Page_Up}", "{Page_Down}", "{space}"}},
      {"{{a}}", {'{', 'a', '}'}, {"{{", "a", "}}"}},
      {"{0xff51}", {0xff51}, {"{0xff51}"}},
      {"{Ctrl+period}{Alt+semicolon}", {0, 0}, {"{Ctrl+period}", "{Alt+semicolon}"}},
      {"", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    const quvo_cli::KeyScript script = quvo_cli::parse_key_notation(c.keys);
    ASSERT_TRUE(script.error.empty()) << script.error;
    ASSERT_EQ(script.steps.size(), c.keysyms.size());
    for (size_t i = 0; i < c.keysyms.size(); ++i) {
      EXPECT_EQ(script.steps[i].keysym, c.keysyms[i]);
      EXPECT_EQ(script.steps[i].label, c.labels[i]);
    }
  }
  const quvo_cli::KeyScript hotkeys = quvo_cli::parse_key_notation("{Ctrl+period}{Alt+semicolon}");
  ASSERT_EQ(hotkeys.steps.size(), 2u);
  EXPECT_EQ(hotkeys.steps[0].kind, StepKind::toggle_halfwidth);
  EXPECT_EQ(hotkeys.steps[1].kind, StepKind::toggle_mode);
}

TEST(QuvoCliKeyNotation, RejectsWhatItCannotType) {
  for (const std::string keys : {"{Retrun}", "{return}", "ab{Return", "a}b", "{}", "ni\xe4\xbd\xa0",
                                 "a\tb", "{0x}", "{0xzz}"}) {
    const quvo_cli::KeyScript script = quvo_cli::parse_key_notation(keys);
    EXPECT_FALSE(script.error.empty()) << keys;
    EXPECT_TRUE(script.steps.empty()) << keys;
  }
}

// ---------------------------------------------------------------------------
// Terminal decoding

TEST(QuvoCliTerminal, DecodesKeysAsFcitx5WouldSendThem) {
  struct Case {
    std::string bytes;
    TermAction action;
    uint32_t keysym;
    size_t used;
  };
  const std::vector<Case> cases = {
      {"a", TermAction::key, 'a', 1},
      {"Zx", TermAction::key, 'Z', 1},
      {" ", TermAction::key, ' ', 1},
      {"\x7f", TermAction::key, 0xff08, 1},
      {"\x08", TermAction::key, 0xff08, 1},
      {"\r", TermAction::key, 0xff0d, 1},
      {"\n", TermAction::key, 0xff0d, 1},
      {"\t", TermAction::key, 0xff09, 1},
      {"\x1b[5~", TermAction::key, 0xff55, 4},
      {"\x1b[6~x", TermAction::key, 0xff56, 4},
      {"\x1b[A", TermAction::key, 0xff52, 3},
      {"\x1bOD", TermAction::key, 0xff51, 3},
      {"\x1b[3~", TermAction::key, 0xffff, 4},
      {"\x1b;", TermAction::toggle_mode, 0, 2},
      {"\x1b[59;3u", TermAction::toggle_mode, 0, 7},
      {"\x1c", TermAction::toggle_halfwidth, 0, 1},
      {"\x1b[46;5u", TermAction::toggle_halfwidth, 0, 7},
      {"\x1b[27;5;46~", TermAction::toggle_halfwidth, 0, 10},
      {"\x04", TermAction::quit, 0, 1},
      {"\x03", TermAction::quit, 0, 1},
      // Keys with modifiers go to the application, never to the engine.
      {"\x1b[1;5C", TermAction::ignore, 0, 6},
      {"\x1b[5;5~", TermAction::ignore, 0, 6},
      {"\x01", TermAction::ignore, 0, 1},
      {"\x1bx", TermAction::ignore, 0, 2},
      // ESC followed by something that is no sequence: Escape, then the rest.
      {"\x1b\x1b", TermAction::key, 0xff1b, 1},
      {"\x1b[\x01", TermAction::key, 0xff1b, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    size_t used = 0;
    const auto ev = quvo_cli::decode_terminal_key(c.bytes, used, false);
    ASSERT_TRUE(ev.has_value());
    EXPECT_EQ(ev->action, c.action);
    if (c.action == TermAction::key) {
      EXPECT_EQ(ev->keysym, c.keysym);
    }
    EXPECT_EQ(used, c.used);
  }
}

TEST(QuvoCliTerminal, WaitsForTheRestOfASequenceThenTakesWhatCame) {
  size_t used = 9;
  EXPECT_FALSE(quvo_cli::decode_terminal_key("", used, true).has_value());
  for (const std::string partial : {"\x1b", "\x1b[", "\x1b[5", "\xe4\xbd"}) {
    SCOPED_TRACE(testing::PrintToString(partial));
    EXPECT_FALSE(quvo_cli::decode_terminal_key(partial, used, false).has_value());
    EXPECT_EQ(used, 0u);
    const auto ev = quvo_cli::decode_terminal_key(partial, used, true);
    ASSERT_TRUE(ev.has_value());
    EXPECT_EQ(used, partial.size());
  }
  // A lone ESC, once no more bytes come, is the Escape key.
  const auto esc = quvo_cli::decode_terminal_key("\x1b", used, true);
  ASSERT_TRUE(esc.has_value());
  EXPECT_EQ(esc->action, TermAction::key);
  EXPECT_EQ(esc->keysym, 0xff1bu);
  // Text the terminal composed itself passes through whole.
  const auto ni = quvo_cli::decode_terminal_key("\xe4\xbd\xa0x", used, false);
  ASSERT_TRUE(ni.has_value());
  EXPECT_EQ(ni->action, TermAction::text);
  EXPECT_EQ(ni->text, "\xe4\xbd\xa0");
  EXPECT_EQ(used, 3u);
}

// ---------------------------------------------------------------------------
// The program, scripted

struct CliRun {
  int status = -1;  // exit code, or -1 when it did not exit normally
  std::string out;
  std::string err;
};

// Runs quvo-cli with the arguments and extra environment variables, stdin
// from /dev/null, and collects what it printed; with `closed_output` its
// standard output is a pipe that nobody reads.
CliRun run_cli(const std::vector<std::string>& args,
               const std::map<std::string, std::string>& env = {}, bool closed_output = false) {
  TempDir capture;
  const std::string out_path = capture.file("out");
  const std::string err_path = capture.file("err");
  int closed_pipe[2] = {-1, -1};
  if (closed_output && pipe(closed_pipe) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
    const int in = open("/dev/null", O_RDONLY);
    int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (closed_output) {
      close(closed_pipe[0]);  // nobody reads: every write fails
      out = closed_pipe[1];
    }
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(QUVO_CLI_PATH));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(QUVO_CLI_PATH, argv.data());
    _exit(127);
  }
  if (closed_output) {
    close(closed_pipe[0]);
    close(closed_pipe[1]);
  }
  CliRun run;
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
  run.out = read_file(out_path);
  run.err = read_file(err_path);
  return run;
}

std::string last_line(const std::string& text) {
  if (text.empty() || text.back() != '\n') return "<no final newline>";
  const size_t start = text.rfind('\n', text.size() - 2);
  return text.substr(start == std::string::npos ? 0 : start + 1,
                     text.size() - (start == std::string::npos ? 0 : start + 1) - 1);
}

// The block that a step printed: from its "key: " line up to the next one.
std::vector<std::string> steps_of(const std::string& out) {
  std::vector<std::string> steps;
  size_t pos = 0;
  while ((pos = out.find("key: ", pos)) != std::string::npos) {
    if (pos != 0 && out[pos - 1] != '\n') {
      ++pos;
      continue;
    }
    size_t next = out.find("\nkey: ", pos);
    const size_t end = next == std::string::npos ? out.rfind("\ncommitted: ") : next;
    steps.push_back(out.substr(pos, end - pos + 1));
    pos = end + 1;
  }
  return steps;
}

class QuvoCliScripted : public testing::Test {
 protected:
  void SetUp() override {
    quvo_test::write_fixture(system_);
    env_ = {{"TMPDIR", tmp_.str()}, {"HOME", home_.str()}};
  }
  CliRun script(std::vector<std::string> args) {
    std::vector<std::string> all = {"--system-dir", system_.str()};
    all.insert(all.end(), args.begin(), args.end());
    return run_cli(all, env_);
  }
  TempDir system_;
  TempDir tmp_;
  TempDir home_;
  std::map<std::string, std::string> env_;
};

TEST_F(QuvoCliScripted, TypesWubiAndPinyinAndPrintsEveryStep) {
  struct Case {
    std::vector<std::string> args;
    std::string committed;  // the last line
    std::vector<std::string> in_output;
  };
  const std::vector<Case> cases = {
      // A Wubi code shows its word with the readings as comment; space
      // commits the first candidate.
      {{"--keys", "wqvb "},
       "committed: 你好",
       {"key: b\nresult: consumed\ncommit: \npreedit: wqvb\nmode: [五笔]\nhint: \ncandidates: 1\n"
        "  1. 你好 ni hao\n",
        "key: {space}\nresult: consumed\ncommit: 你好\n"}},
      // Return commits the typed letters themselves.
      {{"--keys", "wq{Return}"},
       "committed: wq",
       {"key: {Return}\nresult: consumed\ncommit: wq\n"}},
      // Escape drops the code.
      {{"--keys", "wq{Escape}"}, "committed: ", {"key: {Escape}\nresult: consumed\n"}},
      // The mode hotkey, then Pinyin.
      {{"--keys", "{Alt+semicolon}nihao "},
       "committed: 你好",
       {"key: {Alt+semicolon}\nresult: hotkey\ncommit: \npreedit: \nmode: [拼音]\nhint: [拼音]\n"
        "candidates: 0\n",
        "preedit: ni'hao\nmode: [拼音]\n"}},
      {{"--mode", "pinyin", "--keys", "zhongguo "}, "committed: 中国", {"mode: [拼音]\n"}},
      // Each scheme types with its own table: aa is a word in 86 only.
      {{"--scheme", "86", "--keys", "aa "}, "committed: 式", {"  1. 式 shi\n"}},
      {{"--scheme", "98", "--keys", "aa "}, "committed: aa", {}},
      {{"--scheme", "98", "--keys", "agnt "}, "committed: 戈", {}},
      // The punctuation hotkey: full width first, then ASCII.
      {{"--keys", ",{Ctrl+period},"},
       "committed: ，,",
       {"key: {Ctrl+period}\nresult: hotkey\ncommit: \npreedit: \nmode: [五笔]\nhint: "
        "[半角标点]\n"}},
      // An empty script still ends with the committed line.
      {{"--keys", ""}, "committed: ", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    const CliRun run = script(c.args);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(last_line(run.out), c.committed) << run.out;
    for (const std::string& piece : c.in_output)
      EXPECT_NE(run.out.find(piece), std::string::npos) << piece << "\nin\n" << run.out;
  }
}

TEST_F(QuvoCliScripted, OneBlockPerKeyAndTheCommittedLineLast) {
  const CliRun run = script({"--keys", "wq{BackSpace}{Page_Down}{Tab}{{"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> steps = steps_of(run.out);
  ASSERT_EQ(steps.size(), 6u) << run.out;
  const std::vector<std::string> labels = {"w", "q", "{BackSpace}", "{Page_Down}", "{Tab}", "{{"};
  for (size_t i = 0; i < labels.size(); ++i) {
    EXPECT_EQ(steps[i].rfind("key: " + labels[i] + "\nresult: ", 0), 0u) << steps[i];
    for (const char* field :
         {"\ncommit: ", "\npreedit: ", "\nmode: ", "\nhint: ", "\ncandidates: "})
      EXPECT_NE(steps[i].find(field), std::string::npos) << field << " in " << steps[i];
  }
  EXPECT_NE(steps[2].find("preedit: w\n"), std::string::npos) << steps[2];
  EXPECT_EQ(last_line(run.out).rfind("committed: ", 0), 0u);
}

TEST_F(QuvoCliScripted, BadArgumentsAreRefusedBeforeAnythingIsTouched) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"--keys", "{Nope}"},
                                             {"--keys", "a}"},
                                             {"--mode", "latin", "--keys", "a"},
                                             {"--scheme", "87", "--keys", "a"},
                                             {"--wait-ms", "-5", "--keys", "a"},
                                             {"--keys"},
                                             {"--frobnicate"}}) {
    SCOPED_TRACE(testing::PrintToString(args));
    const CliRun run = script(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_NE(run.err.find("quvo-cli: "), std::string::npos);
  }
  EXPECT_TRUE(std::filesystem::is_empty(tmp_.path()));
  EXPECT_TRUE(std::filesystem::is_empty(home_.path()));
}

TEST_F(QuvoCliScripted, ByDefaultAThrowAwayDataDirectoryLeavesNoTrace) {
  const CliRun run = script({"--keys", "wqvb wqvb "});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(last_line(run.out), "committed: 你好你好");
  // The temporary directory (under TMPDIR) is gone, and nothing was written
  // to the user's home or the system directory.
  EXPECT_TRUE(std::filesystem::is_empty(tmp_.path()));
  EXPECT_TRUE(std::filesystem::is_empty(home_.path()));
  EXPECT_FALSE(quvo_test::file_exists(system_.file("user.freq")));
  EXPECT_FALSE(quvo_test::file_exists(system_.file("aihao_py.dict")));
}

TEST_F(QuvoCliScripted, AnOutputThatGoesAwayStillRemovesTheDataDirectory) {
  const CliRun run = run_cli({"--system-dir", system_.str(), "--keys", "wqvb wqvb "}, env_, true);
  // Ended normally, not by SIGPIPE, and said that it failed.
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(std::filesystem::is_empty(tmp_.path()));
}

TEST_F(QuvoCliScripted, PreparesAGivenDataDirectoryAsTheAddonDoes) {
  TempDir data;
  // Stale copies of base dictionaries, and the user's own files.
  data.write("wubi86.dict", "旧 wq 1\n");
  data.write("pinyin_word.dict", "jiu 旧\n");
  data.write("polyphonic.dict", "行长 hang zhang\n");  // absent from the system directory
  const std::map<std::string, std::string> own = {
      {"user.dict", "桐键 smvn\n"},        {"user.freq", "桐\t3\n"},
      {"user_py.dict", "tongjian 桐键\n"}, {"aihao_py.dict", "# mine\n"},
      {"aihao_wb.dict", "# mine too\n"},
  };
  for (const auto& [name, content] : own) data.write(name, content);

  const CliRun run = script({"--data-dir", data.str(), "--keys", "wq{Escape}"});
  ASSERT_EQ(run.status, 0) << run.err;
  for (const std::string_view name :
       {"wubi86.dict", "wubi98.dict", "hanzi_pinyin.dict", "pinyin_word.dict", "emoji.dict",
        "char_freq.dict", "bigram.dict"}) {
    EXPECT_EQ(read_file(data.file(name)), read_file(system_.file(name))) << name;
  }
  EXPECT_EQ(read_file(data.file("polyphonic.dict")), "行长 hang zhang\n");
  for (const auto& [name, content] : own) EXPECT_EQ(read_file(data.file(name)), content) << name;
  // The stale table is gone: wq now gives the system's 你.
  EXPECT_NE(run.out.find("  1. 你 "), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("旧"), std::string::npos) << run.out;

  // A directory that does not exist yet is created with its parents.
  const std::string fresh = data.file("a/b/quvo");
  const CliRun again = script({"--data-dir", fresh, "--keys", "wqvb "});
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(read_file(fresh + "/wubi86.dict"), read_file(system_.file("wubi86.dict")));
}

TEST_F(QuvoCliScripted, LearnedFrequenciesAreSavedInAGivenDataDirectory) {
  TempDir data;
  const CliRun run = script({"--data-dir", data.str(), "--keys", "wqvb "});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(read_file(data.file("user.freq")).find("你好"), std::string::npos);
}

TEST_F(QuvoCliScripted, AMissingSystemDirectoryLeavesTheDataDirectoryAsItIs) {
  TempDir data;
  data.write("wubi86.dict", "旧 wq 1\n");
  const CliRun run = run_cli(
      {"--system-dir", system_.file("absent"), "--data-dir", data.str(), "--keys", "wq "}, env_);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(last_line(run.out), "committed: 旧");
  EXPECT_EQ(read_file(data.file("wubi86.dict")), "旧 wq 1\n");
}

TEST_F(QuvoCliScripted, WaitsForThePinyinWordsBeforeTheFirstKey) {
  // A word list long enough that its background build takes a while; the
  // fixture's words stay at its end.
  std::string words;
  const char* syllables[] = {"ba", "ma", "da", "ta", "na", "la", "ga", "ka"};
  for (int i = 0; i < 200000; ++i) {
    const std::string py = std::string(syllables[i % 8]) + syllables[(i / 8) % 8] +
                           syllables[(i / 64) % 8] + syllables[(i / 512) % 8];
    char32_t c1 = 0x4e00 + static_cast<char32_t>(i % 2000);
    char32_t c2 = 0x5000 + static_cast<char32_t>((i / 2000) % 2000);
    std::string w;
    for (char32_t c : {c1, c2}) {
      w += static_cast<char>(0xe0 | (c >> 12));
      w += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
      w += static_cast<char>(0x80 | (c & 0x3f));
    }
    words += py + " " + w + " " + std::to_string(1 + i % 997) + "\n";
  }
  words += std::string(quvo_test::kPinyinWords);
  system_.write("pinyin_word.dict", words);
  for (int attempt = 0; attempt < 3; ++attempt) {
    const CliRun run = script({"--mode", "pinyin", "--keys", "nihao"});
    ASSERT_EQ(run.status, 0) << run.err;
    // The word itself, with its Wubi code, not a sentence composed of
    // characters.
    EXPECT_NE(run.out.find("  1. 你好 wqvb\n"), std::string::npos) << run.out;
  }
}

// ---------------------------------------------------------------------------
// The program, interactive, through a pseudo-terminal

class Pty {
 public:
  Pty(const std::vector<std::string>& args, const std::map<std::string, std::string>& env) {
    winsize ws{};
    ws.ws_row = 40;
    ws.ws_col = 120;
    pid_ = forkpty(&master_, nullptr, nullptr, &ws);
    if (pid_ == 0) {
      for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
      std::vector<char*> argv;
      argv.push_back(const_cast<char*>(QUVO_CLI_PATH));
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(QUVO_CLI_PATH, argv.data());
      _exit(127);
    }
  }
  ~Pty() {
    if (pid_ > 0 && !reaped_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) close(master_);
  }
  [[nodiscard]] bool started() const { return pid_ > 0 && master_ >= 0; }

  void type(std::string_view bytes) { (void)!write(master_, bytes.data(), bytes.size()); }

  // Reads until the output since the last mark holds `text`, for at most ten
  // seconds. The mark then moves past it.
  bool wait_for(std::string_view text) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (true) {
      if (const size_t at = seen_.find(text, mark_); at != std::string::npos) {
        mark_ = at + text.size();
        return true;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      pollfd pfd{master_, POLLIN, 0};
      if (poll(&pfd, 1, static_cast<int>(left.count())) <= 0) continue;
      char buf[4096];
      const ssize_t n = read(master_, buf, sizeof buf);
      if (n <= 0) return seen_.find(text, mark_) != std::string::npos;
      append(buf, static_cast<size_t>(n));
    }
  }
  // Waits for the program to end; its exit code, or -1.
  int wait_exit() {
    // Drain the output so the program never blocks on a full terminal.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      const pid_t r = waitpid(pid_, &status, WNOHANG);
      if (r == pid_) {
        reaped_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      pollfd pfd{master_, POLLIN, 0};
      if (poll(&pfd, 1, 50) > 0) {
        char buf[4096];
        const ssize_t n = read(master_, buf, sizeof buf);
        if (n > 0) append(buf, static_cast<size_t>(n));
      }
    }
    return -1;
  }
  [[nodiscard]] const std::string& seen() const { return seen_; }

 private:
  // The terminal turns every newline into CR LF; the screen text is kept
  // with plain newlines.
  void append(const char* bytes, size_t n) {
    for (size_t i = 0; i < n; ++i)
      if (bytes[i] != '\r') seen_.push_back(bytes[i]);
  }

  pid_t pid_ = -1;
  int master_ = -1;
  bool reaped_ = false;
  std::string seen_;
  size_t mark_ = 0;
};

TEST(QuvoCliInteractive, TypesInARawTerminalAndSavesOnCtrlD) {
  TempDir system;
  quvo_test::write_fixture(system);
  TempDir home;
  Pty pty({"--system-dir", system.str()}, {{"HOME", home.str()}, {"TERM", "xterm"}});
  ASSERT_TRUE(pty.started());
  ASSERT_TRUE(pty.wait_for("preedit: ")) << pty.seen();

  // Keys arrive unechoed and one by one; the page is redrawn after each.
  pty.type("wqvb");
  ASSERT_TRUE(pty.wait_for("preedit: wqvb\n1. 你好 ni hao")) << pty.seen();
  pty.type(" ");
  ASSERT_TRUE(pty.wait_for("text: 你好\n")) << pty.seen();

  // Alt+semicolon as the terminal sends it, then Pinyin.
  pty.type("\x1b;");
  ASSERT_TRUE(pty.wait_for("[拼音] [拼音]")) << pty.seen();
  pty.type("zhongguo");
  ASSERT_TRUE(pty.wait_for("1. 中国")) << pty.seen();
  pty.type("\r");
  ASSERT_TRUE(pty.wait_for("text: 你好zhongguo\n")) << pty.seen();

  // Ctrl+\ stands for Ctrl+period; a lone Escape is the Escape key.
  pty.type("\x1c");
  ASSERT_TRUE(pty.wait_for("[半角标点]")) << pty.seen();
  pty.type("ni");
  ASSERT_TRUE(pty.wait_for("preedit: ni\n")) << pty.seen();
  pty.type("\x1b");
  ASSERT_TRUE(pty.wait_for("preedit: \n")) << pty.seen();
  // Keys the engine passes on reach the text, as an application gets them.
  pty.type("\x1c,");
  ASSERT_TRUE(pty.wait_for("text: 你好zhongguo，\n")) << pty.seen();

  pty.type("\x04");
  EXPECT_EQ(pty.wait_exit(), 0) << pty.seen();
  // The user's data directory was prepared under HOME, and the commits were
  // learned and saved there when the engine was released.
  const std::string data = home.str() + "/.local/share/fcitx5/quvo";
  EXPECT_EQ(read_file(data + "/wubi86.dict"), read_file(system.file("wubi86.dict")));
  EXPECT_NE(read_file(data + "/user.freq").find("你好"), std::string::npos);
}

TEST(QuvoCliInteractive, RefusesToRunWithoutATerminal) {
  TempDir home;
  const CliRun run = run_cli({}, {{"HOME", home.str()}});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("--keys"), std::string::npos);
}

}  // namespace
