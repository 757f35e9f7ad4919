// quvo-cli: the Quvo engine in a terminal, over the C interface only.
//
// Interactive mode puts the terminal in raw mode and sends every key to the
// engine as Fcitx5 would, redrawing the text, preedit, mode, hint and the
// candidate page after each key. Scripted mode (--keys) types a key script
// and prints every step in a fixed text form; see README.md.
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "data_dir.h"
#include "key_notation.h"
#include "session.h"
#include "terminal_input.h"

namespace quvo_cli {

namespace {

constexpr std::string_view kUsage =
    "usage: quvo-cli [options]                 type in the terminal (Ctrl+D quits)\n"
    "       quvo-cli [options] --keys KEYS     type a key script and print each step\n"
    "\n"
    "options:\n"
    "  --system-dir DIR   installed base dictionaries (default /usr/share/fcitx5/quvo)\n"
    "  --data-dir DIR     data directory; the base dictionaries are refreshed into it\n"
    "                     from the system directory, the user's own files are kept\n"
    "                     (default: the user's directory when interactive,\n"
    "                     a temporary directory removed at exit with --keys)\n"
    "  --mode wubi|pinyin starting mode (default wubi)\n"
    "  --scheme 86|98     Wubi scheme (default 86)\n"
    "  --page-size N      candidates per page, 3 to 10 (default 10)\n"
    "  --wait-ms N        with --keys: longest wait for the pinyin word data before\n"
    "                     the first key (default 10000; 0 does not wait)\n"
    "  --help             this text\n"
    "\n"
    "KEYS: printable ASCII characters are keys; {Return} {Escape} {BackSpace} {Tab}\n"
    "{Page_Up} {Page_Down} {space} {Left} {Right} {Up} {Down} {Home} {End} {Delete},\n"
    "{Ctrl+period} (punctuation width), {Alt+semicolon} (mode), {0xNNNN} a key\n"
    "symbol; {{ and }} are literal braces.\n"
    "\n"
    "Interactive keys: Ctrl+\\ stands for Ctrl+period (terminals cannot send it),\n"
    "Alt+; (or Esc then ; at once) switches 五笔/拼音, Ctrl+D or Ctrl+C quits.\n";

volatile std::sig_atomic_t g_stop_signal = 0;

extern "C" void on_stop_signal(int sig) {
  g_stop_signal = sig;
}

// SIGINT, SIGTERM and SIGHUP end the run through the normal path, so the
// frequencies are saved, the terminal restored and a scratch directory
// removed. No SA_RESTART: a blocked read returns with EINTR.
void install_stop_handlers() {
  struct sigaction sa {};
  sa.sa_handler = on_stop_signal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0;
  for (const int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &sa, nullptr);
}

struct Options {
  std::string system_dir = std::string(kSystemDictDir);
  std::optional<std::string> data_dir;
  int mode = 0;
  int scheme = 0;
  int page_size = 10;
  int wait_ms = 10000;
  std::optional<std::string> keys;
  bool help = false;
};

std::optional<int> parse_int(std::string_view s) {
  int value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return value;
}

// Returns an error message, empty on success.
std::string parse_options(int argc, char** argv, Options& opt) {
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    std::optional<std::string_view> inline_value;
    if (arg.starts_with("--")) {
      if (const size_t eq = arg.find('='); eq != std::string_view::npos) {
        inline_value = arg.substr(eq + 1);
        arg = arg.substr(0, eq);
      }
    }
    if (arg == "--help" || arg == "-h") {
      opt.help = true;
      continue;
    }
    const auto value = [&]() -> std::optional<std::string_view> {
      if (inline_value) return inline_value;
      if (i + 1 < argc) return std::string_view(argv[++i]);
      return std::nullopt;
    };
    if (arg == "--system-dir" || arg == "--data-dir" || arg == "--mode" || arg == "--scheme" ||
        arg == "--page-size" || arg == "--wait-ms" || arg == "--keys") {
      const std::optional<std::string_view> v = value();
      if (!v) return std::string(arg) + " needs a value";
      if (arg == "--system-dir") {
        opt.system_dir = std::string(*v);
      } else if (arg == "--data-dir") {
        if (v->empty()) return "--data-dir needs a directory";
        opt.data_dir = std::string(*v);
      } else if (arg == "--mode") {
        if (*v == "wubi")
          opt.mode = 0;
        else if (*v == "pinyin")
          opt.mode = 1;
        else
          return "--mode takes wubi or pinyin";
      } else if (arg == "--scheme") {
        if (*v == "86")
          opt.scheme = 0;
        else if (*v == "98")
          opt.scheme = 1;
        else
          return "--scheme takes 86 or 98";
      } else if (arg == "--page-size") {
        const auto n = parse_int(*v);
        if (!n) return "--page-size takes a number";
        opt.page_size = *n;
      } else if (arg == "--wait-ms") {
        const auto n = parse_int(*v);
        if (!n || *n < 0) return "--wait-ms takes a number of milliseconds";
        opt.wait_ms = *n;
      } else {
        opt.keys = std::string(*v);
      }
      continue;
    }
    if (inline_value) return "unknown option " + std::string(arg);
    return "unknown argument " + std::string(arg);
  }
  return {};
}

// A note on standard error when there are no installed dictionaries to
// refresh from; the engine then starts on what the data directory holds.
void warn_if_no_system_dir(const std::string& system_dir) {
  std::error_code ec;
  if (std::filesystem::is_directory(system_dir, ec)) return;
  std::fprintf(stderr,
               "quvo-cli: no dictionary directory %s (install Quvo, or give --system-dir)\n",
               system_dir.c_str());
}

// ---------------------------------------------------------------------------
// Scripted mode

void print_field(std::string& out, std::string_view label, std::string_view value) {
  out.append(label);
  out.append(": ");
  out.append(value);
  out.push_back('\n');
}

void print_step(std::string& out, const std::string& key_label, std::string_view result,
                const KeyOutput& o, const std::string& mode, const std::string& hint) {
  print_field(out, "key", key_label);
  print_field(out, "result", result);
  print_field(out, "commit", o.commit);
  print_field(out, "preedit", o.preedit);
  print_field(out, "mode", mode);
  print_field(out, "hint", hint);
  print_field(out, "candidates", std::to_string(o.candidates.size()));
  for (size_t i = 0; i < o.candidates.size(); ++i) {
    out.append("  ");
    out.append(std::to_string(i + 1));
    out.append(". ");
    out.append(o.candidates[i].text);
    if (!o.candidates[i].comment.empty()) {
      out.push_back(' ');
      out.append(o.candidates[i].comment);
    }
    out.push_back('\n');
  }
}

int run_script(const Options& opt, const KeyScript& script) {
  // A closed output must not kill the program before the scratch directory
  // is removed: writes fail instead.
  std::signal(SIGPIPE, SIG_IGN);
  std::optional<ScratchDir> scratch;
  std::string data_dir;
  if (opt.data_dir) {
    data_dir = *opt.data_dir;
  } else {
    scratch.emplace();
    if (scratch->path().empty()) {
      std::fprintf(stderr, "quvo-cli: cannot create a temporary data directory\n");
      return 1;
    }
    data_dir = scratch->path();
  }
  warn_if_no_system_dir(opt.system_dir);
  prepare_data_dir(data_dir, opt.system_dir);

  std::string committed;
  {
    Session session(data_dir);
    if (opt.wait_ms > 0) {
      const bool ready = session.wait_pinyin_words(data_dir, std::chrono::milliseconds(opt.wait_ms),
                                                   [] { return g_stop_signal != 0; });
      (void)ready;
    }
    session.configure(opt.page_size, opt.mode, opt.scheme);

    for (const Step& step : script.steps) {
      if (g_stop_signal != 0) break;
      std::string out;
      KeyOutput o;
      switch (step.kind) {
        case StepKind::toggle_halfwidth: {
          const bool half = session.toggle_halfwidth();
          print_step(out, step.label, "hotkey", o, session.mode_label(),
                     half ? kHalfWidthLabel : kFullWidthLabel);
          break;
        }
        case StepKind::toggle_mode: {
          const bool pinyin = session.toggle_mode();
          print_step(out, step.label, "hotkey", o, session.mode_label(),
                     pinyin ? kPinyinLabel : kWubiLabel);
          break;
        }
        case StepKind::key:
          o = session.key(step.keysym);
          committed += o.commit;
          print_step(out, step.label, o.consumed ? "consumed" : "not consumed", o,
                     session.mode_label(), session.hint());
          break;
      }
      // A reader that went away ends the run, through the normal path.
      if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size()) break;
    }
  }  // the engine saves its frequencies here, before a scratch directory goes
  std::printf("committed: %s\n", committed.c_str());
  // Output that could not be written is a failed run.
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) return 1;
  return g_stop_signal != 0 ? 130 : 0;
}

// ---------------------------------------------------------------------------
// Interactive mode

class RawTerminal {
 public:
  RawTerminal() {
    if (tcgetattr(STDIN_FILENO, &saved_) != 0) return;
    termios raw = saved_;
    // Bytes arrive one by one, unechoed; Ctrl+C, Ctrl+\, Ctrl+Z, Ctrl+S and
    // Ctrl+V reach the program as bytes. Output processing stays on.
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR | IGNCR | ISTRIP | BRKINT);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    active_ = tcsetattr(STDIN_FILENO, TCSAFLUSH, &raw) == 0;
  }
  ~RawTerminal() {
    if (active_) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
  }
  RawTerminal(const RawTerminal&) = delete;
  RawTerminal& operator=(const RawTerminal&) = delete;
  [[nodiscard]] bool active() const noexcept { return active_; }

 private:
  termios saved_{};
  bool active_ = false;
};

void write_all(std::string_view s) {
  while (!s.empty()) {
    const ssize_t n = ::write(STDOUT_FILENO, s.data(), s.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return;
    }
    s.remove_prefix(static_cast<size_t>(n));
  }
}

// Removes the last UTF-8 character of a text.
void erase_last_char(std::string& text) {
  while (!text.empty()) {
    const auto c = static_cast<unsigned char>(text.back());
    text.pop_back();
    if ((c & 0xc0) != 0x80) break;
  }
}

// What the screen shows: the panel as the addon would draw it, below the
// text the application has received.
struct Screen {
  std::string text;
  std::string preedit;
  std::string aux_down;  // the hint, or a hotkey's notice
  std::vector<Candidate> candidates;
  void clear_panel() {
    preedit.clear();
    aux_down.clear();
    candidates.clear();
  }
};

void redraw(const Screen& s, const Session& session, const std::string& data_dir) {
  std::string out = "\x1b[H\x1b[2J";
  out += "quvo-cli  Ctrl+D/Ctrl+C: quit   Alt+; : 五笔/拼音   Ctrl+\\ : 半角/全角标点\n";
  out += "data: " + data_dir + "\n\n";
  out += "text: " + s.text + "\n";
  out += "\n";
  out += session.mode_label();
  if (!s.aux_down.empty()) out += " " + s.aux_down;
  out += "\n";
  out += "preedit: " + s.preedit + "\n";
  for (size_t i = 0; i < s.candidates.size(); ++i) {
    out += std::to_string(i + 1) + ". " + s.candidates[i].text;
    if (!s.candidates[i].comment.empty()) out += " " + s.candidates[i].comment;
    out += "\n";
  }
  write_all(out);
}

// The text an application would get for a key the engine passed on.
void pass_to_application(Screen& s, uint32_t keysym) {
  if (keysym >= 0x20 && keysym <= 0x7e)
    s.text.push_back(static_cast<char>(keysym));
  else if (keysym == 0xff0d)
    s.text.push_back('\n');
  else if (keysym == 0xff08)
    erase_last_char(s.text);
}

void handle_key(Screen& s, Session& session, uint32_t keysym) {
  const bool assoc_before = session.assoc_visible();
  const KeyOutput o = session.key(keysym);
  if (!o.consumed) {
    if (assoc_before) s.clear_panel();
    pass_to_application(s, keysym);
    return;
  }
  // The addon's rendering: a commit without candidates clears the panel.
  s.text += o.commit;
  if (!o.commit.empty() && o.candidates.empty()) {
    s.clear_panel();
    return;
  }
  s.preedit = o.preedit;
  s.aux_down = session.hint();
  s.candidates = o.candidates;
}

int run_interactive(const Options& opt) {
  if (!::isatty(STDIN_FILENO)) {
    std::fprintf(stderr, "quvo-cli: interactive mode needs a terminal; use --keys for scripts\n");
    return 2;
  }
  const std::string data_dir = opt.data_dir ? *opt.data_dir : user_data_dir(opt.system_dir);
  warn_if_no_system_dir(opt.system_dir);
  prepare_data_dir(data_dir, opt.system_dir);

  Session session(data_dir);
  session.configure(opt.page_size, opt.mode, opt.scheme);
  Screen screen;
  {
    RawTerminal terminal;
    if (!terminal.active()) {
      std::fprintf(stderr, "quvo-cli: cannot put the terminal in raw mode\n");
      return 1;
    }
    redraw(screen, session, data_dir);
    std::string pending;
    bool quit = false;
    while (!quit && g_stop_signal == 0) {
      // Waits for bytes; after a byte that may start a longer sequence,
      // waits briefly for the rest.
      const bool waiting_for_rest = !pending.empty();
      pollfd pfd{STDIN_FILENO, POLLIN, 0};
      const int ready = ::poll(&pfd, 1, waiting_for_rest ? 50 : -1);
      if (ready < 0) {
        if (errno == EINTR) continue;
        break;
      }
      if (ready > 0) {
        char buf[256];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // the terminal went away
        pending.append(buf, static_cast<size_t>(n));
      }
      const bool complete = ready == 0;
      bool changed = false;
      while (!pending.empty() && !quit) {
        size_t used = 0;
        const std::optional<TermEvent> ev = decode_terminal_key(pending, used, complete);
        if (!ev) break;
        pending.erase(0, used);
        changed = true;
        switch (ev->action) {
          case TermAction::quit:
            quit = true;
            break;
          case TermAction::toggle_halfwidth:
            screen.clear_panel();
            screen.aux_down = session.toggle_halfwidth() ? kHalfWidthLabel : kFullWidthLabel;
            break;
          case TermAction::toggle_mode:
            screen.clear_panel();
            screen.aux_down = session.toggle_mode() ? kPinyinLabel : kWubiLabel;
            break;
          case TermAction::key:
            handle_key(screen, session, ev->keysym);
            break;
          case TermAction::text:
            screen.text += ev->text;
            break;
          case TermAction::ignore:
            break;
        }
      }
      if (changed && !quit) redraw(screen, session, data_dir);
    }
  }
  write_all("\ntext: " + screen.text + "\n");
  return 0;  // the session saves the frequencies as it goes
}

}  // namespace

}  // namespace quvo_cli

int main(int argc, char** argv) {
  using namespace quvo_cli;
  Options opt;
  if (const std::string error = parse_options(argc, argv, opt); !error.empty()) {
    std::fprintf(stderr, "quvo-cli: %s\n\n%.*s", error.c_str(), static_cast<int>(kUsage.size()),
                 kUsage.data());
    return 2;
  }
  if (opt.help) {
    std::fwrite(kUsage.data(), 1, kUsage.size(), stdout);
    return 0;
  }
  install_stop_handlers();
  if (opt.keys) {
    const KeyScript script = parse_key_notation(*opt.keys);
    if (!script.error.empty()) {
      std::fprintf(stderr, "quvo-cli: --keys: %s\n", script.error.c_str());
      return 2;
    }
    return run_script(opt, script);
  }
  return run_interactive(opt);
}
