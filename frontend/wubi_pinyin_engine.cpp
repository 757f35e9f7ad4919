// The Fcitx5 addon of Quvo. The front owns the configuration and draws the
// panel; all input logic lives in the core, reached through wubi_pinyin.h.
#include "wubi_pinyin_engine.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include <fcitx-config/iniparser.h>
#include <fcitx-utils/key.h>
#include <fcitx-utils/keysym.h>
#include <fcitx-utils/standardpath.h>
#include <fcitx/addonmanager.h>
#include <fcitx/inputcontext.h>
#include <fcitx/inputpanel.h>
#include <fcitx/instance.h>
#include <fcitx/text.h>
#include <fcitx/userinterface.h>

// The directory the base dictionaries are installed in. Test builds of the
// addon point it into their build tree so that an installed copy never
// leaks into them.
#ifndef QUVO_SYSTEM_DICT_DIR
#define QUVO_SYSTEM_DICT_DIR "/usr/share/fcitx5/quvo"
#endif

namespace {

constexpr std::string_view kSystemDictDir = QUVO_SYSTEM_DICT_DIR;
constexpr std::string_view kUserDictSuffix = "/.local/share/fcitx5/quvo";
constexpr const char* kConfigPath = "conf/quvo.conf";

// Refreshed from the system directory at every start. The user's own files
// (user.dict, user.freq, user_py.dict, aihao_py.dict, aihao_wb.dict) are not
// in the list and are never touched.
constexpr std::array<std::string_view, 8> kBaseDicts = {
    "wubi86.dict", "wubi98.dict",    "hanzi_pinyin.dict", "pinyin_word.dict",
    "emoji.dict",  "char_freq.dict", "bigram.dict",       "polyphonic.dict",
};

constexpr uint32_t kKeyEscape = 0xff1b;
constexpr size_t kTextBufferSize = 1024;
constexpr size_t kCandidateMax = 64;
constexpr size_t kHintBufferSize = 512;
constexpr size_t kSmallBufferSize = 64;

constexpr const char* kHalfWidthText = "[半角标点]";
constexpr const char* kFullWidthText = "[全角标点]";
constexpr const char* kPinyinText = "[拼音]";
constexpr const char* kWubiText = "[五笔]";
constexpr const char* kNumberSeparator = ". ";

// The per-user data directory, or the system directory itself when HOME is
// unset or empty.
std::string quvoDataDir() {
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') return std::string(kSystemDictDir);
  std::string dir = home;
  dir += kUserDictSuffix;
  return dir;
}

// Quotes a path for a command line when it holds characters that a command
// splitter would treat specially (white space, quotes, backslashes, $, `).
// Double quotes with backslash escapes are understood by the shell-style
// splitters that settings dialogs use to run external commands.
std::string quoteForCommandLine(const std::string& path) {
  constexpr std::string_view kSpecial = " \t\n\v\f\r\"'\\$`;&|<>()*?[]#~!{}";
  if (!path.empty() && path.find_first_of(kSpecial) == std::string::npos) return path;
  std::string quoted = "\"";
  for (const char c : path) {
    if (c == '"' || c == '\\' || c == '$' || c == '`') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

// Copies the base dictionaries from the system directory over the user's
// copies. Every failure is ignored: a missing source leaves the user's copy.
void refreshBaseDicts(const std::string& dataDir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(dataDir, ec);
  const fs::path systemDir{std::string(kSystemDictDir)};
  ec.clear();
  if (!fs::exists(systemDir, ec) || ec) return;
  for (const std::string_view name : kBaseDicts) {
    std::error_code copyError;
    fs::copy_file(systemDir / name, fs::path(dataDir) / name, fs::copy_options::overwrite_existing,
                  copyError);
  }
}

void resetPanel(fcitx::InputContext* inputContext) {
  inputContext->inputPanel().reset();
  inputContext->updateUserInterface(fcitx::UserInterfaceComponent::InputPanel);
}

// Shows one auxiliary-down text on an otherwise empty panel.
void showNotice(fcitx::InputContext* inputContext, const char* text) {
  inputContext->inputPanel().reset();
  inputContext->inputPanel().setAuxDown(fcitx::Text(text));
  inputContext->updateUserInterface(fcitx::UserInterfaceComponent::InputPanel);
}

std::string fetchHint(WPEngine* engine) {
  std::array<char, kHintBufferSize> hint{};
  wp_get_hint(engine, hint.data(), hint.size());
  return std::string(hint.data());
}

bool isAsciiLetter(fcitx::KeySym sym) {
  return (sym >= FcitxKey_a && sym <= FcitxKey_z) || (sym >= FcitxKey_A && sym <= FcitxKey_Z);
}

// The buffers of one call into the core, zero-filled.
struct CoreOutput {
  std::array<char, kTextBufferSize> commit{};
  std::array<char, kTextBufferSize> preedit{};
  std::array<WPCandidate, kCandidateMax> candidates{};
  size_t count = 0;
};

// True when `key` is present in the stored configuration with a text that is
// none of the enumeration's names (compared exactly, as reading them does).
template <size_t N>
bool isUnknownName(const fcitx::RawConfig& rawConfig, const char* key,
                   const char* const (&names)[N]) {
  const std::string* value = rawConfig.valueByPath(key);
  if (value == nullptr) return false;
  for (const char* name : names) {
    if (*value == name) return false;
  }
  return true;
}

}  // namespace

void QuvoDefaultModeI18N::dumpDescription(fcitx::RawConfig& config) const {
  config.setValueByPath("EnumI18n/0", "五笔");
  config.setValueByPath("EnumI18n/1", "拼音");
}

void WubiSchemeI18N::dumpDescription(fcitx::RawConfig& config) const {
  config.setValueByPath("EnumI18n/0", "86版五笔");
  config.setValueByPath("EnumI18n/1", "98版五笔");
}

std::string quvoDictDir() {
  return "xdg-open " + quoteForCommandLine(quvoDataDir());
}

// ---------------------------------------------------------------------------
// Candidate words and rendering

QuvoCandidateWord::QuvoCandidateWord(WPEngine* engine, size_t index, fcitx::Text text,
                                     fcitx::Text comment)
    : fcitx::CandidateWord(std::move(text)), engine_(engine), index_(index) {
#ifdef QUVO_HAVE_CANDIDATE_COMMENT
  setComment(std::move(comment));
#else
  (void)comment;
#endif
}

QuvoCandidateWord::~QuvoCandidateWord() = default;

void QuvoCandidateWord::select(fcitx::InputContext* inputContext) const {
  if (inputContext == nullptr) return;
  // Rendering replaces the candidate list that owns this word, so nothing of
  // the word may be used once applyEnginePanel has started.
  WPEngine* const engine = engine_;
  const size_t index = index_;
  CoreOutput out;
  if (engine != nullptr) {
    wp_click_candidate(engine, index, out.commit.data(), out.commit.size(), out.preedit.data(),
                       out.preedit.size(), out.candidates.data(), out.candidates.size(),
                       &out.count);
  }
  applyEnginePanel(inputContext, engine, out.commit.data(), out.preedit.data(),
                   out.candidates.data(), out.count);
}

void applyEnginePanel(fcitx::InputContext* inputContext, WPEngine* engine, const char* commit,
                      const char* preedit, const WPCandidate* candidates, size_t count) {
  if (inputContext == nullptr) return;
  const std::string_view commitText = commit != nullptr ? commit : "";
  const std::string_view preeditText = preedit != nullptr ? preedit : "";
  if (candidates == nullptr) count = 0;
  auto& panel = inputContext->inputPanel();

  if (!commitText.empty()) {
    inputContext->commitString(std::string(commitText));
    if (count == 0) {
      resetPanel(inputContext);
      return;
    }
  }

  const std::string hint = fetchHint(engine);

  if (count > 0) {
    auto list = std::make_unique<fcitx::CommonCandidateList>();
    list->setPageSize(wp_get_page_size(engine));
    for (size_t i = 0; i < count; ++i) {
      const WPCandidate& candidate = candidates[i];
      // The fields are NUL-terminated within their 64 bytes; never read past.
      const std::string_view text(candidate.text, strnlen(candidate.text, sizeof candidate.text));
      const std::string_view comment(candidate.comment,
                                     strnlen(candidate.comment, sizeof candidate.comment));
      std::string shown = std::to_string(i + 1);
      shown += kNumberSeparator;
      shown += text;
#ifndef QUVO_HAVE_CANDIDATE_COMMENT
      // Without a comment field on candidates, the comment follows the text.
      if (!comment.empty()) {
        shown += ' ';
        shown += comment;
      }
#endif
      auto word = std::make_unique<QuvoCandidateWord>(engine, i, fcitx::Text(std::move(shown)),
                                                      fcitx::Text(std::string(comment)));
      list->append(std::move(word));
    }
    panel.setCandidateList(std::move(list));
  } else {
    if (preeditText.empty() && hint.empty()) {
      resetPanel(inputContext);
      return;
    }
    panel.setCandidateList(nullptr);
  }

  panel.setPreedit(fcitx::Text(std::string(preeditText)));
  panel.setAuxUp(fcitx::Text(wp_get_mode(engine) == 1 ? kPinyinText : kWubiText));
  panel.setAuxDown(fcitx::Text(hint));
  inputContext->updateUserInterface(fcitx::UserInterfaceComponent::InputPanel);
}

// ---------------------------------------------------------------------------
// The engine

QuvoEngine::QuvoEngine(fcitx::Instance* instance) : instance_(instance) {
  const std::string dataDir = quvoDataDir();
  if (dataDir != kSystemDictDir) refreshBaseDicts(dataDir);
  engine_ = wp_create_engine(dataDir.c_str());
  fcitx::readAsIni(config_, fcitx::StandardPath::Type::PkgConfig, kConfigPath);
  applyConfig();
}

QuvoEngine::~QuvoEngine() {
  wp_destroy_engine(engine_);
  engine_ = nullptr;
}

const fcitx::Configuration* QuvoEngine::getConfig() const {
  return &config_;
}

void QuvoEngine::setConfig(const fcitx::RawConfig& rawConfig) {
  // The framework resets an option whose stored text it cannot read; an
  // unrecognised enumeration name keeps the value in force instead.
  const QuvoDefaultMode previousMode = *config_.defaultMode;
  const WubiScheme previousScheme = *config_.wubiScheme;
  config_.load(rawConfig, true);
  if (isUnknownName(rawConfig, "DefaultMode", _QuvoDefaultMode_Names)) {
    config_.defaultMode.setValue(previousMode);
  }
  if (isUnknownName(rawConfig, "WubiScheme", _WubiScheme_Names)) {
    config_.wubiScheme.setValue(previousScheme);
  }
  fcitx::safeSaveAsIni(config_, fcitx::StandardPath::Type::PkgConfig, kConfigPath);
  applyConfig();
}

void QuvoEngine::applyConfig() {
  if (engine_ == nullptr) return;
  wp_set_page_size(engine_, *config_.pageSize);
  wp_set_default_mode(engine_, static_cast<int>(*config_.defaultMode));
  wp_set_wubi_scheme(engine_, static_cast<int>(*config_.wubiScheme));
}

std::vector<fcitx::InputMethodEntry> QuvoEngine::listInputMethods() {
  std::vector<fcitx::InputMethodEntry> entries;
  entries.emplace_back("quvo", "Quvo", "zh_CN", "quvo");
  // Configurable like the description file says, so the settings dialog
  // offers the page whichever of the two the framework takes.
  entries.back().setNativeName("桐键").setIcon("quvo").setLabel("桐键").setConfigurable(true);
  return entries;
}

void QuvoEngine::keyEvent(const fcitx::InputMethodEntry& /*entry*/, fcitx::KeyEvent& keyEvent) {
  if (keyEvent.isRelease()) return;
  fcitx::InputContext* const inputContext = keyEvent.inputContext();
  const fcitx::Key key = keyEvent.key();

  if (key.check(fcitx::Key(FcitxKey_period, fcitx::KeyState::Ctrl))) {
    const int halfWidth = wp_toggle_halfwidth(engine_);
    if (inputContext != nullptr) {
      showNotice(inputContext, halfWidth == 1 ? kHalfWidthText : kFullWidthText);
    }
    keyEvent.filterAndAccept();
    return;
  }

  if (key.check(fcitx::Key(FcitxKey_semicolon, fcitx::KeyState::Alt))) {
    const int mode = wp_toggle_mode(engine_);
    if (inputContext != nullptr) showNotice(inputContext, mode == 1 ? kPinyinText : kWubiText);
    keyEvent.filterAndAccept();
    return;
  }

  // The normalised key drops the Caps Lock state; the raw key keeps it.
  if (keyEvent.rawKey().states().test(fcitx::KeyState::CapsLock) && isAsciiLetter(key.sym())) {
    if (inputContext != nullptr) {
      std::array<char, kSmallBufferSize> commit{};
      std::array<char, kSmallBufferSize> preedit{};
      size_t count = 0;
      wp_key_event(engine_, kKeyEscape, 0, commit.data(), commit.size(), preedit.data(),
                   preedit.size(), nullptr, 0, &count);
      fcitx::KeySym sym = key.sym();
      if (sym >= FcitxKey_a && sym <= FcitxKey_z) {
        sym = static_cast<fcitx::KeySym>(sym - FcitxKey_a + FcitxKey_A);
      }
      inputContext->commitString(std::string(1, static_cast<char>(sym)));
      resetPanel(inputContext);
    }
    keyEvent.filterAndAccept();
    return;
  }

  if (key.hasModifier()) return;

  const bool assocBefore = wp_assoc_visible(engine_) == 1;
  CoreOutput out;
  const int result =
      wp_key_event(engine_, key.sym(), 0, out.commit.data(), out.commit.size(), out.preedit.data(),
                   out.preedit.size(), out.candidates.data(), out.candidates.size(), &out.count);
  if (result != 1) {
    if (inputContext != nullptr) {
      applyEnginePanel(inputContext, engine_, out.commit.data(), out.preedit.data(),
                       out.candidates.data(), out.count);
      keyEvent.accept();
    }
    return;
  }

  // Not consumed: the key goes on to the application. A hint the core set
  // for it (such as how to create a word) is still shown.
  if (inputContext == nullptr) return;
  const std::string hint = fetchHint(engine_);
  if (assocBefore) inputContext->inputPanel().reset();
  if (!hint.empty()) inputContext->inputPanel().setAuxDown(fcitx::Text(hint));
  if (assocBefore || !hint.empty()) {
    inputContext->updateUserInterface(fcitx::UserInterfaceComponent::InputPanel);
  }
}

void QuvoEngine::reset(const fcitx::InputMethodEntry& /*entry*/, fcitx::InputContextEvent& event) {
  CoreOutput out;
  wp_key_event(engine_, kKeyEscape, 0, out.commit.data(), out.commit.size(), out.preedit.data(),
               out.preedit.size(), out.candidates.data(), out.candidates.size(), &out.count);
  if (fcitx::InputContext* inputContext = event.inputContext()) resetPanel(inputContext);
}

// ---------------------------------------------------------------------------
// The factory

fcitx::AddonInstance* QuvoEngineFactory::create(fcitx::AddonManager* manager) {
  return new QuvoEngine(manager->instance());
}

FCITX_ADDON_FACTORY(QuvoEngineFactory);
