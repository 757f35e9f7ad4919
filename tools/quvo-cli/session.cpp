#include "session.h"

#include <array>
#include <fstream>
#include <string_view>
#include <thread>

namespace quvo_cli {

namespace {

constexpr size_t kTextBufferSize = 1024;
constexpr size_t kCandidateMax = 64;
constexpr size_t kHintBufferSize = 512;
constexpr uint32_t kEscape = 0xff1b;

// Sentence candidates carry this comment; words from the lexicon never do.
constexpr std::string_view kSentenceComment = "整句";

struct ProbeWord {
  std::string pinyin;
  std::string word;
};

size_t utf8_chars(std::string_view s) {
  size_t n = 0;
  for (const char c : s)
    if ((static_cast<unsigned char>(c) & 0xc0) != 0x80) ++n;
  return n;
}

bool all_lower_letters(std::string_view s) {
  if (s.empty()) return false;
  for (const char c : s)
    if (c < 'a' || c > 'z') return false;
  return true;
}

// A few words of several characters from the head of the pinyin word list
// (full pinyin, then the word). Before the background build has been
// installed, typing such a pinyin offers its characters and composed
// sentences only; afterwards the word itself is offered as a word.
std::vector<ProbeWord> probe_words(const std::string& path) {
  constexpr size_t kWanted = 3;
  constexpr size_t kLinesRead = 500;
  std::vector<ProbeWord> probes;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  for (size_t n = 0; n < kLinesRead && probes.size() < kWanted && std::getline(in, line); ++n) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t a = line.find_first_not_of(" \t");
    if (a == std::string::npos || line[a] == '#') continue;
    const size_t a_end = line.find_first_of(" \t", a);
    if (a_end == std::string::npos) continue;
    const size_t b = line.find_first_not_of(" \t", a_end);
    if (b == std::string::npos) continue;
    const size_t b_end = std::min(line.find_first_of(" \t", b), line.size());
    ProbeWord p{line.substr(a, a_end - a), line.substr(b, b_end - b)};
    for (char& c : p.pinyin)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (!all_lower_letters(p.pinyin) || p.pinyin.size() > 30 || utf8_chars(p.word) < 2) continue;
    bool seen = false;
    for (const ProbeWord& q : probes) seen = seen || q.pinyin == p.pinyin;
    if (!seen) probes.push_back(std::move(p));
  }
  return probes;
}

}  // namespace

Session::Session(const std::string& data_dir) : engine_(wp_create_engine(data_dir.c_str())) {}

Session::~Session() {
  wp_destroy_engine(engine_);
}

void Session::configure(int page_size, int mode, int scheme) {
  wp_set_page_size(engine_, page_size);
  wp_set_default_mode(engine_, mode);
  wp_set_wubi_scheme(engine_, scheme);
}

KeyOutput Session::key(uint32_t keysym) {
  std::array<char, kTextBufferSize> commit{};
  std::array<char, kTextBufferSize> preedit{};
  std::array<WPCandidate, kCandidateMax> cands{};
  size_t count = 0;
  const int result = wp_key_event(engine_, keysym, 0, commit.data(), commit.size(), preedit.data(),
                                  preedit.size(), cands.data(), cands.size(), &count);
  KeyOutput out;
  out.consumed = result != 1;
  out.commit = commit.data();
  out.preedit = preedit.data();
  for (size_t i = 0; i < count && i < cands.size(); ++i)
    out.candidates.push_back({cands[i].text, cands[i].comment});
  return out;
}

bool Session::toggle_halfwidth() {
  return wp_toggle_halfwidth(engine_) == 1;
}
bool Session::toggle_mode() {
  return wp_toggle_mode(engine_) == 1;
}
bool Session::pinyin_mode() const {
  return wp_get_mode(engine_) == 1;
}
bool Session::assoc_visible() const {
  return wp_assoc_visible(engine_) == 1;
}

std::string Session::hint() const {
  std::array<char, kHintBufferSize> buf{};
  wp_get_hint(engine_, buf.data(), buf.size());
  return buf.data();
}

std::string Session::mode_label() const {
  return pinyin_mode() ? kPinyinLabel : kWubiLabel;
}

bool Session::wait_pinyin_words(const std::string& data_dir, std::chrono::milliseconds limit,
                                const std::function<bool()>& stop) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + limit;
  const std::vector<ProbeWord> probes = probe_words(data_dir + "/pinyin_word.dict");
  if (probes.empty()) {
    // Nothing to recognise the data by: give the build a moment instead.
    const auto settle = std::min(limit, std::chrono::milliseconds(250));
    std::this_thread::sleep_for(settle);
    return false;
  }
  const int mode = wp_get_mode(engine_);
  wp_set_default_mode(engine_, 1);
  bool ready = false;
  while (!ready) {
    for (const ProbeWord& probe : probes) {
      KeyOutput out;
      for (const char c : probe.pinyin) out = key(static_cast<unsigned char>(c));
      (void)key(kEscape);
      for (const Candidate& cand : out.candidates)
        ready = ready || (cand.text == probe.word && cand.comment != kSentenceComment);
      if (ready) break;
    }
    if (ready || Clock::now() >= deadline || stop()) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  // Leaves the composition empty, as a new engine has it.
  wp_set_default_mode(engine_, mode);
  return ready;
}

}  // namespace quvo_cli
