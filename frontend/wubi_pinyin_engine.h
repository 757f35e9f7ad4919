// The Fcitx5 addon of Quvo: the factory, the input-method engine, its
// configuration and the candidate words shown on the panel. Everything the
// addon knows about input comes from the core behind wubi_pinyin.h.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <fcitx-config/configuration.h>
#include <fcitx-config/enum.h>
#include <fcitx-config/option.h>
#include <fcitx-config/rawconfig.h>
#include <fcitx/addonfactory.h>
#include <fcitx/candidatelist.h>
#include <fcitx/event.h>
#include <fcitx/inputmethodengine.h>
#include <fcitx/inputmethodentry.h>

#include "wubi_pinyin.h"

namespace fcitx {
class AddonManager;
class InputContext;
class Instance;
}  // namespace fcitx

// Starting mode of the engine; the values are what wp_set_default_mode takes.
enum class QuvoDefaultMode { Wubi, Pinyin };
FCITX_CONFIG_ENUM_NAME(QuvoDefaultMode, "Wubi", "Pinyin");

// Wubi code scheme; the values are what wp_set_wubi_scheme takes.
enum class WubiScheme { Wubi86, Wubi98 };
FCITX_CONFIG_ENUM_NAME(WubiScheme, "Wubi86", "Wubi98");

// The settings dialog shows these labels; the configuration file keeps the
// names above.
struct QuvoDefaultModeI18N {
  bool skipDescription() const { return false; }
  bool skipSave() const { return false; }
  void dumpDescription(fcitx::RawConfig& config) const;
};

struct WubiSchemeI18N {
  bool skipDescription() const { return false; }
  bool skipSave() const { return false; }
  void dumpDescription(fcitx::RawConfig& config) const;
};

// Command line that opens the user's dictionary directory in the desktop's
// file manager; the target of the two external options.
std::string quvoDictDir();

FCITX_CONFIGURATION(
    QuvoConfig,
    fcitx::Option<int> pageSize{this, "PageSize",
                                "候选窗每页条数（3-10，数字键 1-9/0 最多对应 10 条）", 10};
    fcitx::OptionWithAnnotation<QuvoDefaultMode, QuvoDefaultModeI18N> defaultMode{
        this, "DefaultMode", "默认启动模式（启动输入法后的初始模式）", QuvoDefaultMode::Wubi};
    fcitx::OptionWithAnnotation<WubiScheme, WubiSchemeI18N> wubiScheme{
        this, "WubiScheme", "五笔方案（86 版 / 98 版）", WubiScheme::Wubi86};
    fcitx::ExternalOption openPyDict{
        this, "OpenPyDict", "编辑拼音爱好词典 aihao_py.dict（打开词典目录，重启输入法生效）",
        quvoDictDir()};
    fcitx::ExternalOption openWbDict{
        this, "OpenWbDict", "编辑五笔爱好词典 aihao_wb.dict（打开词典目录，重启输入法生效）",
        quvoDictDir()};);

// One candidate on the panel: a position in the array the core returned.
// The comment is shown beside the text where Fcitx5 has candidate comments;
// elsewhere the caller has already put it into the text.
class QuvoCandidateWord : public fcitx::CandidateWord {
 public:
  QuvoCandidateWord(WPEngine* engine, size_t index, fcitx::Text text, fcitx::Text comment);
  ~QuvoCandidateWord() override;

  // Commits the candidate through the core and redraws the panel.
  void select(fcitx::InputContext* inputContext) const override;

 private:
  WPEngine* engine_;
  size_t index_;
};

class QuvoEngine : public fcitx::InputMethodEngine {
 public:
  explicit QuvoEngine(fcitx::Instance* instance);
  ~QuvoEngine() override;
  QuvoEngine(const QuvoEngine&) = delete;
  QuvoEngine& operator=(const QuvoEngine&) = delete;

  const fcitx::Configuration* getConfig() const override;
  void setConfig(const fcitx::RawConfig& rawConfig) override;
  std::vector<fcitx::InputMethodEntry> listInputMethods() override;
  void keyEvent(const fcitx::InputMethodEntry& entry, fcitx::KeyEvent& keyEvent) override;
  void reset(const fcitx::InputMethodEntry& entry, fcitx::InputContextEvent& event) override;

 private:
  // Pushes page size, starting mode and scheme into the core, in that order.
  void applyConfig();

  fcitx::Instance* instance_;
  WPEngine* engine_ = nullptr;
  QuvoConfig config_;
};

class QuvoEngineFactory : public fcitx::AddonFactory {
 public:
  fcitx::AddonInstance* create(fcitx::AddonManager* manager) override;
};

// Commits what the core returned and shows its preedit, mode, hint and
// numbered candidates on the input panel of `inputContext`.
void applyEnginePanel(fcitx::InputContext* inputContext, WPEngine* engine, const char* commit,
                      const char* preedit, const WPCandidate* candidates, size_t count);
