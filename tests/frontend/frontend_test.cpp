// The addon inside a real Fcitx5: an in-process instance with Fcitx5's test
// frontend, test input method and test UI, the addon loaded from the build
// tree, HOME in a temporary directory. Keys go through the instance the way
// an application's keys do; the panel and the committed text are read back.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <fcitx-config/iniparser.h>
#include <fcitx-config/rawconfig.h>
#include <fcitx-utils/key.h>
#include <fcitx-utils/keysym.h>
#include <fcitx-utils/testing.h>
#include <fcitx/addonfactory.h>
#include <fcitx/addonmanager.h>
#include <fcitx/candidatelist.h>
#include <fcitx/event.h>
#include <fcitx/inputcontext.h>
#include <fcitx/inputcontextmanager.h>
#include <fcitx/inputmethodengine.h>
#include <fcitx/inputmethodentry.h>
#include <fcitx/inputmethodgroup.h>
#include <fcitx/inputmethodmanager.h>
#include <fcitx/inputpanel.h>
#include <fcitx/instance.h>
#include <testfrontend_public.h>

#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using fcitx::Key;
using fcitx::KeyState;
using fcitx::KeyStates;

constexpr const char* kWordHint = "连续单字上屏后按 = 造词";

// Everything one test process shares: the temporary home, the instance and
// the texts committed to the test application.
struct Harness {
  quvo_test::TempDir root;
  std::string home;
  std::string configHome;
  std::string dataDir;
  std::unique_ptr<fcitx::Instance> instance;
  std::unique_ptr<fcitx::HandlerTableEntry<fcitx::EventHandler>> commitWatcher;
  std::vector<std::string> commits;
  fcitx::AddonInstance* testFrontend = nullptr;
  fcitx::InputMethodEngine* quvo = nullptr;
};

Harness* harness = nullptr;

void writeFile(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::string configFile() {
  return harness->configHome + "/conf/quvo.conf";
}

class FcitxEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    harness = new Harness;
    harness->home = harness->root.file("home");
    harness->configHome = harness->home + "/.config/fcitx5";
    harness->dataDir = harness->home + "/.local/share/fcitx5/quvo";
    ::setenv("HOME", harness->home.c_str(), 1);
    fcitx::setupTestingEnvironment(QUVO_TEST_BINARY_DIR, {"addon"}, {"share/fcitx5"});
    // The addon reads and writes its configuration in the user's Fcitx5
    // configuration directory; keep it inside the temporary home, and let
    // Fcitx5 write there.
    ::unsetenv("SKIP_FCITX_USER_PATH");
    ::setenv("FCITX_CONFIG_HOME", harness->configHome.c_str(), 1);
    ::setenv("FCITX_DATA_HOME", (harness->home + "/.local/share/fcitx5").c_str(), 1);

    // The user's own files, and stale copies of base dictionaries, before
    // the first start.
    writeFile(harness->dataDir + "/user.dict", "厂房\tdgyn\n");
    writeFile(harness->dataDir + "/wubi86.dict", "旧 a 1\n");
    writeFile(harness->dataDir + "/polyphonic.dict", "# the user's own copy\n");

    static char arg0[] = "frontend_tests";
    static char arg1[] = "--disable=all";
    static char arg2[] = "--enable=testim,testfrontend,testui,quvo";
    static char* argv[] = {arg0, arg1, arg2};
    harness->instance = std::make_unique<fcitx::Instance>(3, argv);
    harness->instance->addonManager().registerDefaultLoader(nullptr);
    harness->instance->initialize();

    auto& imManager = harness->instance->inputMethodManager();
    fcitx::InputMethodGroup group = imManager.currentGroup();
    group.inputMethodList().clear();
    group.inputMethodList().push_back(fcitx::InputMethodGroupItem("keyboard-us"));
    group.inputMethodList().push_back(fcitx::InputMethodGroupItem("quvo"));
    group.setDefaultInputMethod("quvo");
    imManager.setGroup(std::move(group));

    harness->commitWatcher = harness->instance->watchEvent(
        fcitx::EventType::InputContextCommitString, fcitx::EventWatcherPhase::PreInputMethod,
        [](fcitx::Event& event) {
          harness->commits.push_back(static_cast<fcitx::CommitStringEvent&>(event).text());
        });
    harness->testFrontend = harness->instance->addonManager().addon("testfrontend");
    harness->quvo = harness->instance->inputMethodEngine("quvo");
  }

  void TearDown() override {
    harness->commitWatcher.reset();
    harness->instance.reset();
    delete harness;
    harness = nullptr;
  }
};

const testing::Environment* const kEnvironment =
    testing::AddGlobalTestEnvironment(new FcitxEnvironment);

// The factory of the loaded addon library, for engines of its own that a
// test starts after preparing a configuration file or a home directory.
fcitx::AddonFactory* addonFactory() {
  void* library = ::dlopen(QUVO_TEST_ADDON_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
  if (library == nullptr) return nullptr;
  using FactoryFunction = fcitx::AddonFactory* (*)();
  auto function =
      reinterpret_cast<FactoryFunction>(::dlsym(library, "fcitx_addon_factory_instance"));
  ::dlclose(library);
  return function != nullptr ? function() : nullptr;
}

std::unique_ptr<fcitx::InputMethodEngine> startEngine() {
  fcitx::AddonFactory* factory = addonFactory();
  if (factory == nullptr) return nullptr;
  return std::unique_ptr<fcitx::InputMethodEngine>(
      static_cast<fcitx::InputMethodEngine*>(factory->create(&harness->instance->addonManager())));
}

// Drives one input context with Quvo as its input method.
class QuvoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(harness->quvo, nullptr) << "the addon did not load";
    uuid_ = harness->testFrontend->call<fcitx::ITestFrontend::createInputContext>("quvo-test");
    ic_ = harness->instance->inputContextManager().findByUUID(uuid_);
    ASSERT_NE(ic_, nullptr);
    ic_->focusIn();
    harness->instance->setCurrentInputMethod(ic_, "quvo", true);
    ASSERT_EQ(harness->instance->inputMethod(ic_), "quvo");
    // The settings of a new installation, applied as the dialog applies them.
    applySettings("Wubi", "Wubi86", "10");
    // Full-width punctuation, whatever an earlier test left.
    press(FcitxKey_period, KeyState::Ctrl);
    if (auxDown() == "[半角标点]") press(FcitxKey_period, KeyState::Ctrl);
    ic_->reset();
    harness->commits.clear();
  }

  void TearDown() override {
    if (ic_ != nullptr) {
      harness->testFrontend->call<fcitx::ITestFrontend::destroyInputContext>(uuid_);
    }
    harness->commits.clear();
  }

  void applySettings(const std::string& mode, const std::string& scheme,
                     const std::string& pageSize) {
    fcitx::RawConfig raw;
    raw.setValueByPath("DefaultMode", mode);
    raw.setValueByPath("WubiScheme", scheme);
    raw.setValueByPath("PageSize", pageSize);
    harness->quvo->setConfigForInputMethod(entry(), raw);
  }

  static const fcitx::InputMethodEntry& entry() {
    return *harness->instance->inputMethodManager().entry("quvo");
  }

  // Sends one key press the way a frontend does; true when it was taken.
  bool press(const Key& key) {
    fcitx::KeyEvent event(ic_, key);
    return ic_->keyEvent(event);
  }
  bool press(fcitx::KeySym sym, KeyStates states = KeyStates()) { return press(Key(sym, states)); }
  void type(const std::string& keys) {
    for (const char c : keys) press(static_cast<fcitx::KeySym>(static_cast<unsigned char>(c)));
  }

  std::vector<std::string> candidates() const { return candidatesOf(ic_); }
  static std::vector<std::string> candidatesOf(fcitx::InputContext* ic) {
    std::vector<std::string> texts;
    const auto list = ic->inputPanel().candidateList();
    if (!list) return texts;
    for (int i = 0; i < list->size(); ++i) {
      std::string shown = list->candidate(i).text().toString();
#ifdef QUVO_HAVE_CANDIDATE_COMMENT
      // Read the comment the way this Fcitx5 shows it: beside the text.
      const std::string comment = list->candidate(i).comment().toString();
      if (!comment.empty()) shown += " " + comment;
#endif
      texts.push_back(std::move(shown));
    }
    return texts;
  }
  std::string preedit() const {
    return ic_->inputPanel().preedit().toString();
  }
  std::string auxUp() const {
    return ic_->inputPanel().auxUp().toString();
  }
  std::string auxDown() const {
    return ic_->inputPanel().auxDown().toString();
  }
  bool panelEmpty() const {
    return candidates().empty() && preedit().empty() && auxUp().empty() && auxDown().empty();
  }

  // The word index that associations come from is built in the background;
  // commit a word until its association shows, then clear everything.
  void waitForWordData() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool ready = false;
    while (!ready && std::chrono::steady_clock::now() < deadline) {
      type("a");
      press(FcitxKey_space);
      ready = !candidates().empty();
      press(FcitxKey_Escape);
      if (!ready) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(ready) << "the background word data never arrived";
    harness->commits.clear();
  }

  // Clicks candidate `index` of the panel the way a panel UI does.
  void click(int index) {
    const auto list = ic_->inputPanel().candidateList();
    ASSERT_TRUE(list);
    ASSERT_LT(index, list->size());
    list->candidate(index).select(ic_);
  }

  fcitx::ICUUID uuid_{};
  fcitx::InputContext* ic_ = nullptr;
};

// Candidates as the panel shows them: number, ". ", text, then the comment
// after a space.
const std::vector<std::string> kCandidatesOfA = {"1. 工 gong", "2. 式 shi", "3. 工人 gong ren",
                                                 "4. 节 jie", "5. 戈 ge"};

TEST_F(QuvoTest, ListsOneConfigurableInputMethod) {
  const fcitx::InputMethodEntry* listed = harness->instance->inputMethodManager().entry("quvo");
  ASSERT_NE(listed, nullptr);
  EXPECT_EQ(listed->languageCode(), "zh_CN");
  EXPECT_EQ(listed->addon(), "quvo");
  EXPECT_EQ(listed->icon(), "quvo");
  EXPECT_EQ(listed->label(), "桐键");
  EXPECT_TRUE(listed->isConfigurable());

  const auto entries = harness->quvo->listInputMethods();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].uniqueName(), "quvo");
  EXPECT_EQ(entries[0].name(), "Quvo");
  EXPECT_EQ(entries[0].nativeName(), "桐键");
  EXPECT_EQ(entries[0].languageCode(), "zh_CN");
  EXPECT_EQ(entries[0].addon(), "quvo");
  EXPECT_EQ(entries[0].icon(), "quvo");
  EXPECT_EQ(entries[0].label(), "桐键");
}

TEST_F(QuvoTest, CodeShowsNumberedCandidatesWithComments) {
  EXPECT_TRUE(press(FcitxKey_a));
  EXPECT_EQ(candidates(), kCandidatesOfA);
  EXPECT_EQ(preedit(), "a");
  EXPECT_EQ(auxUp(), "[五笔]");
  EXPECT_EQ(auxDown(), "");
  EXPECT_TRUE(harness->commits.empty());

  EXPECT_TRUE(press(FcitxKey_a));
  EXPECT_EQ(candidates(), std::vector<std::string>{"1. 式 shi"});
  EXPECT_EQ(preedit(), "aa");

  // BackSpace goes back to the shorter code; Escape clears the panel.
  EXPECT_TRUE(press(FcitxKey_BackSpace));
  EXPECT_EQ(candidates(), kCandidatesOfA);
  EXPECT_TRUE(press(FcitxKey_Escape));
  EXPECT_TRUE(panelEmpty());
  EXPECT_TRUE(harness->commits.empty());

  // Digit strings give the three number candidates, with their comments.
  type("19");
  EXPECT_EQ(candidates(),
            (std::vector<std::string>{"1. 19 数字", "2. 壹玖 大写", "3. 一九 中文数字"}));
  press(FcitxKey_Escape);
}

TEST_F(QuvoTest, SpaceCommitsFirstCandidateAndShowsAssociations) {
  waitForWordData();
  type("a");
  EXPECT_TRUE(press(FcitxKey_space));
  EXPECT_EQ(harness->commits, std::vector<std::string>{"工"});
  // 工人 is a word: the panel offers its continuation.
  EXPECT_EQ(candidates(), std::vector<std::string>{"1. 人"});
  EXPECT_EQ(preedit(), "");
  EXPECT_EQ(auxUp(), "[五笔]");

  EXPECT_TRUE(press(FcitxKey_1));
  EXPECT_EQ(harness->commits, (std::vector<std::string>{"工", "人"}));

  // A key the core does not take while associations show clears the panel
  // and goes on to the application.
  type("a");
  press(FcitxKey_space);
  ASSERT_FALSE(candidates().empty());
  EXPECT_FALSE(press(FcitxKey_Tab));
  EXPECT_TRUE(panelEmpty());
}

TEST_F(QuvoTest, DigitsSelectByNumberOnThePage) {
  type("a");
  EXPECT_TRUE(press(FcitxKey_2));
  EXPECT_EQ(harness->commits, std::vector<std::string>{"式"});
  // A number beyond the page is taken and selects nothing.
  type("a");
  EXPECT_TRUE(press(FcitxKey_7));
  EXPECT_EQ(harness->commits, std::vector<std::string>{"式"});
  EXPECT_EQ(candidates(), kCandidatesOfA);
  press(FcitxKey_Escape);
}

TEST_F(QuvoTest, SpaceWithNothingTypedGoesToTheApplication) {
  EXPECT_FALSE(press(FcitxKey_space));
  EXPECT_FALSE(press(FcitxKey_Return));
  EXPECT_FALSE(press(FcitxKey_BackSpace));
  EXPECT_TRUE(harness->commits.empty());
  // Return with letters typed commits them as typed.
  type("agx");
  EXPECT_TRUE(press(FcitxKey_Return));
  EXPECT_EQ(harness->commits, std::vector<std::string>{"agx"});
  EXPECT_TRUE(panelEmpty());
}

TEST_F(QuvoTest, KeysWithModifiersReachTheApplication) {
  const std::vector<Key> keys = {
      Key(FcitxKey_c, KeyState::Ctrl),         Key(FcitxKey_v, KeyState::Ctrl),
      Key(FcitxKey_x, KeyState::Alt),          Key(FcitxKey_a, KeyState::Super),
      Key(FcitxKey_s, KeyState::Ctrl_Shift),   Key(FcitxKey_Tab, KeyState::Shift),
      Key(FcitxKey_comma, KeyState::Ctrl),     Key(FcitxKey_period, KeyState::Alt),
      Key(FcitxKey_semicolon, KeyState::Ctrl),
  };
  type("a");
  for (const Key& key : keys) {
    SCOPED_TRACE(key.toString());
    EXPECT_FALSE(press(key));
    // The composition is left as it was.
    EXPECT_EQ(candidates(), kCandidatesOfA);
    EXPECT_EQ(preedit(), "a");
  }
  EXPECT_TRUE(harness->commits.empty());
  press(FcitxKey_Escape);
}

TEST_F(QuvoTest, CapsLockLettersCommitCapitalsAndDropTheCode) {
  struct Case {
    Key key;
    const char* committed;
  };
  const std::vector<Case> cases = {
      {Key(FcitxKey_d, KeyState::CapsLock), "D"},
      {Key(FcitxKey_D, KeyState::CapsLock), "D"},
      {Key(FcitxKey_d, KeyStates({KeyState::CapsLock, KeyState::Ctrl})), "D"},
      {Key(FcitxKey_q, KeyStates({KeyState::CapsLock, KeyState::Alt})), "Q"},
      {Key(FcitxKey_z, KeyStates({KeyState::CapsLock, KeyState::Shift})), "Z"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key.toString());
    harness->commits.clear();
    type("a");
    ASSERT_FALSE(candidates().empty());
    EXPECT_TRUE(press(c.key));
    EXPECT_EQ(harness->commits, std::vector<std::string>{c.committed});
    EXPECT_TRUE(panelEmpty());
    // The code typed before is gone: a new letter starts a new code.
    type("a");
    EXPECT_EQ(preedit(), "a");
    press(FcitxKey_Escape);
  }
  // Caps Lock with a key that is not a letter changes nothing.
  harness->commits.clear();
  type("a");
  EXPECT_FALSE(press(Key(FcitxKey_Left, KeyState::CapsLock)));
  EXPECT_EQ(preedit(), "a");
  EXPECT_TRUE(harness->commits.empty());
  press(FcitxKey_Escape);
}

TEST_F(QuvoTest, CtrlPeriodTogglesPunctuationWidth) {
  type("a");
  EXPECT_TRUE(press(FcitxKey_period, KeyState::Ctrl));
  EXPECT_EQ(auxDown(), "[半角标点]");
  EXPECT_TRUE(candidates().empty());
  EXPECT_EQ(preedit(), "");
  EXPECT_EQ(auxUp(), "");
  // The typed code is kept and shows again with the next key.
  type("a");
  EXPECT_EQ(preedit(), "aa");
  EXPECT_EQ(candidates(), std::vector<std::string>{"1. 式 shi"});
  press(FcitxKey_Escape);

  type(",");
  EXPECT_EQ(harness->commits, std::vector<std::string>{","});
  EXPECT_TRUE(press(FcitxKey_period, KeyState::Ctrl));
  EXPECT_EQ(auxDown(), "[全角标点]");
  type(",");
  EXPECT_EQ(harness->commits, (std::vector<std::string>{",", "，"}));
}

TEST_F(QuvoTest, AltSemicolonTogglesTheMode) {
  waitForWordData();
  type("a");
  EXPECT_TRUE(press(FcitxKey_semicolon, KeyState::Alt));
  EXPECT_EQ(auxDown(), "[拼音]");
  EXPECT_TRUE(candidates().empty());
  EXPECT_EQ(auxUp(), "");
  // The toggle emptied the composition; the next panel carries the mode.
  type("ni");
  EXPECT_EQ(auxUp(), "[拼音]");
  EXPECT_EQ(preedit().find("ni") != std::string::npos, true) << preedit();
  const auto pinyin = candidates();
  ASSERT_FALSE(pinyin.empty());
  EXPECT_EQ(pinyin[0].rfind("1. ", 0), 0u);
  EXPECT_TRUE(std::any_of(pinyin.begin(), pinyin.end(),
                          [](const std::string& t) { return t.find("你") != std::string::npos; }));
  EXPECT_TRUE(harness->commits.empty());

  EXPECT_TRUE(press(FcitxKey_semicolon, KeyState::Alt));
  EXPECT_EQ(auxDown(), "[五笔]");
  type("a");
  EXPECT_EQ(auxUp(), "[五笔]");
  EXPECT_EQ(preedit(), "a");
  EXPECT_EQ(candidates(), kCandidatesOfA);
  press(FcitxKey_Escape);
  EXPECT_TRUE(harness->commits.empty());
}

TEST_F(QuvoTest, ResetDropsTheCompositionWithoutCommitting) {
  type("ag");
  ASSERT_FALSE(panelEmpty());
  ic_->reset();
  EXPECT_TRUE(panelEmpty());
  EXPECT_TRUE(harness->commits.empty());
  // Nothing is left to commit: space goes to the application.
  EXPECT_FALSE(press(FcitxKey_space));

  // Switching to another input method with the trigger key resets as well.
  type("a");
  EXPECT_TRUE(press(Key("Control+space")));
  ASSERT_EQ(harness->instance->inputMethod(ic_), "keyboard-us");
  // Fcitx5 itself may name the new input method on the panel.
  EXPECT_TRUE(candidates().empty());
  EXPECT_EQ(preedit(), "");
  EXPECT_TRUE(press(Key("Control+space")));
  ASSERT_EQ(harness->instance->inputMethod(ic_), "quvo");
  EXPECT_FALSE(press(FcitxKey_space));
  EXPECT_TRUE(harness->commits.empty());

  // Resets with nothing typed, twice in a row, are harmless.
  ic_->reset();
  ic_->reset();
  EXPECT_TRUE(panelEmpty());
}

TEST_F(QuvoTest, ClickingACandidateCommitsIt) {
  type("a");
  click(1);
  EXPECT_EQ(harness->commits, std::vector<std::string>{"式"});
  // 式 has no continuation: the panel is cleared.
  EXPECT_TRUE(panelEmpty());

  // The second candidate of the second page is the fifth of the list.
  applySettings("Wubi", "Wubi86", "3");
  harness->commits.clear();
  type("a");
  EXPECT_EQ(candidates(),
            (std::vector<std::string>{"1. 工 gong", "2. 式 shi", "3. 工人 gong ren"}));
  EXPECT_TRUE(press(FcitxKey_equal));
  EXPECT_EQ(candidates(), (std::vector<std::string>{"1. 节 jie", "2. 戈 ge"}));
  click(1);
  EXPECT_EQ(harness->commits, std::vector<std::string>{"戈"});
}

TEST_F(QuvoTest, ClickingWhileThePanelHoldsTheOnlyReference) {
  // A panel UI may keep just the word; the click replaces the list that
  // owns it, which must not touch the word afterwards.
  type("a");
  const fcitx::CandidateWord* word = &ic_->inputPanel().candidateList()->candidate(0);
  word->select(ic_);
  EXPECT_EQ(harness->commits, std::vector<std::string>{"工"});
  press(FcitxKey_Escape);
}

TEST_F(QuvoTest, ClickingAnAssociationCommitsIt) {
  waitForWordData();
  type("a");
  press(FcitxKey_space);
  ASSERT_EQ(candidates(), std::vector<std::string>{"1. 人"});
  click(0);
  EXPECT_EQ(harness->commits, (std::vector<std::string>{"工", "人"}));
}

TEST_F(QuvoTest, UnconsumedEqualShowsTheWordCreationHint) {
  ic_->reset();
  EXPECT_FALSE(press(FcitxKey_equal));
  EXPECT_EQ(auxDown(), kWordHint);
  EXPECT_TRUE(harness->commits.empty());
  // The hint lives until the next key.
  type("a");
  EXPECT_EQ(auxDown(), "");
  press(FcitxKey_Escape);
}

TEST_F(QuvoTest, EqualAfterTwoCharactersCreatesAWord) {
  ic_->reset();
  type("k");
  press(FcitxKey_space);
  type("l");
  press(FcitxKey_space);
  ASSERT_EQ(harness->commits, (std::vector<std::string>{"中", "国"}));
  // A consumed key: the hint about the new word shows on the panel.
  EXPECT_TRUE(press(FcitxKey_equal));
  EXPECT_NE(auxDown(), "");
  EXPECT_NE(auxDown(), kWordHint);
  press(FcitxKey_Escape);
}

TEST_F(QuvoTest, DescriptionShowsChineseLabelsAndTheFileKeepsNames) {
  fcitx::RawConfig description;
  harness->quvo->getConfig()->dumpDescription(description);
  const auto root = description.get("QuvoConfig");
  ASSERT_NE(root, nullptr);
  struct Field {
    const char* path;
    const char* value;
  };
  const std::vector<Field> fields = {
      {"PageSize/Type", "Integer"},
      {"PageSize/DefaultValue", "10"},
      {"PageSize/Description", "候选窗每页条数（3-10，数字键 1-9/0 最多对应 10 条）"},
      {"DefaultMode/Type", "Enum"},
      {"DefaultMode/DefaultValue", "Wubi"},
      {"DefaultMode/Description", "默认启动模式（启动输入法后的初始模式）"},
      {"DefaultMode/EnumI18n/0", "五笔"},
      {"DefaultMode/EnumI18n/1", "拼音"},
      {"DefaultMode/Enum/0", "Wubi"},
      {"DefaultMode/Enum/1", "Pinyin"},
      {"WubiScheme/Type", "Enum"},
      {"WubiScheme/DefaultValue", "Wubi86"},
      {"WubiScheme/Description", "五笔方案（86 版 / 98 版）"},
      {"WubiScheme/EnumI18n/0", "86版五笔"},
      {"WubiScheme/EnumI18n/1", "98版五笔"},
      {"WubiScheme/Enum/0", "Wubi86"},
      {"WubiScheme/Enum/1", "Wubi98"},
      {"OpenPyDict/Type", "External"},
      {"OpenPyDict/Description", "编辑拼音爱好词典 aihao_py.dict（打开词典目录，重启输入法生效）"},
      {"OpenWbDict/Type", "External"},
      {"OpenWbDict/Description", "编辑五笔爱好词典 aihao_wb.dict（打开词典目录，重启输入法生效）"},
  };
  for (const Field& field : fields) {
    SCOPED_TRACE(field.path);
    const auto node = root->get(field.path);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->value(), field.value);
  }
  const std::string command = "xdg-open " + harness->dataDir;
  ASSERT_NE(root->valueByPath("OpenPyDict/External"), nullptr);
  EXPECT_EQ(*root->valueByPath("OpenPyDict/External"), command);
  ASSERT_NE(root->valueByPath("OpenWbDict/External"), nullptr);
  EXPECT_EQ(*root->valueByPath("OpenWbDict/External"), command);

  // Saved, the enumerations are written by name.
  applySettings("Pinyin", "Wubi98", "7");
  const std::string saved = quvo_test::read_file(configFile());
  EXPECT_NE(saved.find("DefaultMode=Pinyin"), std::string::npos) << saved;
  EXPECT_NE(saved.find("WubiScheme=Wubi98"), std::string::npos) << saved;
  EXPECT_NE(saved.find("PageSize=7"), std::string::npos) << saved;
}

TEST_F(QuvoTest, SetConfigWritesTheFileAndAppliesAtOnce) {
  struct Case {
    const char* pageSize;
    const char* savedPageSize;
    int shownPageSize;
  };
  // Any integer is stored as given; the engine keeps it within 3..10.
  const std::vector<Case> cases = {
      {"20", "PageSize=20", 10}, {"1", "PageSize=1", 3},    {"5", "PageSize=5", 5},
      {"-4", "PageSize=-4", 10}, {"10", "PageSize=10", 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pageSize);
    applySettings("Wubi", "Wubi86", c.pageSize);
    const std::string saved = quvo_test::read_file(configFile());
    EXPECT_NE(saved.find(c.savedPageSize), std::string::npos) << saved;
    type("a");
    const auto list = ic_->inputPanel().candidateList();
    ASSERT_TRUE(list);
    EXPECT_EQ(std::dynamic_pointer_cast<fcitx::CommonCandidateList>(list)->pageSize(),
              c.shownPageSize);
    EXPECT_EQ(list->size(), std::min<int>(c.shownPageSize, 5));
    press(FcitxKey_Escape);
  }

  // The 98 table takes over at once.
  applySettings("Wubi", "Wubi98", "10");
  type("a");
  EXPECT_EQ(candidates(), (std::vector<std::string>{"1. 工 gong", "2. 七 qi", "3. 戈 ge"}));
  press(FcitxKey_Escape);

  // Saving puts the engine in the configured mode and empties what was
  // typed, even after the user toggled the mode meanwhile.
  applySettings("Wubi", "Wubi86", "10");
  press(FcitxKey_semicolon, KeyState::Alt);
  type("ni");
  ASSERT_EQ(auxUp(), "[拼音]");
  applySettings("Wubi", "Wubi86", "10");
  type("a");
  EXPECT_EQ(auxUp(), "[五笔]");
  EXPECT_EQ(preedit(), "a");
  press(FcitxKey_Escape);

  applySettings("Pinyin", "Wubi86", "10");
  type("ni");
  EXPECT_EQ(auxUp(), "[拼音]");
  press(FcitxKey_Escape);
}

TEST_F(QuvoTest, SetConfigKeepsValuesOfAbsentKeysAndUnknownNames) {
  applySettings("Wubi", "Wubi98", "4");
  // Only one key: the others keep their values.
  fcitx::RawConfig partial;
  partial.setValueByPath("PageSize", "6");
  harness->quvo->setConfigForInputMethod(entry(), partial);
  std::string saved = quvo_test::read_file(configFile());
  EXPECT_NE(saved.find("PageSize=6"), std::string::npos) << saved;
  EXPECT_NE(saved.find("WubiScheme=Wubi98"), std::string::npos) << saved;

  // Names are matched exactly: a lower-case name is not recognised.
  fcitx::RawConfig unknown;
  unknown.setValueByPath("WubiScheme", "wubi86");
  unknown.setValueByPath("DefaultMode", "pinyin");
  harness->quvo->setConfigForInputMethod(entry(), unknown);
  saved = quvo_test::read_file(configFile());
  EXPECT_NE(saved.find("PageSize=6"), std::string::npos) << saved;
  EXPECT_NE(saved.find("WubiScheme=Wubi98"), std::string::npos) << saved;
  EXPECT_NE(saved.find("DefaultMode=Wubi"), std::string::npos) << saved;
  type("a");
  EXPECT_EQ(auxUp(), "[五笔]");
  EXPECT_EQ(candidates(), (std::vector<std::string>{"1. 工 gong", "2. 七 qi", "3. 戈 ge"}));
  press(FcitxKey_Escape);
}

// An engine started on its own after the configuration file was written,
// driven with the same input context.
class FreshEngineTest : public QuvoTest {
 protected:
  bool pressOn(fcitx::InputMethodEngine& engine, const Key& key) {
    fcitx::KeyEvent event(ic_, key);
    engine.keyEvent(entry(), event);
    return event.accepted();
  }
  void typeOn(fcitx::InputMethodEngine& engine, const std::string& keys) {
    for (const char c : keys) pressOn(engine, Key(static_cast<fcitx::KeySym>(c)));
  }
};

TEST_F(FreshEngineTest, ConfigurationFileIsReadAtStart) {
  struct Case {
    const char* name;
    const char* file;  // nullptr: no file
    int pageSize;
    const char* mode;
    std::vector<std::string> candidatesOfA;  // in Wubi mode
  };
  const std::vector<std::string> of86 = kCandidatesOfA;
  const std::vector<std::string> of98 = {"1. 工 gong", "2. 七 qi", "3. 戈 ge"};
  const std::vector<Case> cases = {
      {"no file", nullptr, 10, "[五笔]", of86},
      {"all three", "PageSize=4\nWubiScheme=Wubi98\nDefaultMode=Pinyin\n", 4, "[拼音]", of98},
      {"98 table", "WubiScheme=Wubi98\n", 10, "[五笔]", of98},
      {"small page", "PageSize=3\n", 3, "[五笔]", {"1. 工 gong", "2. 式 shi", "3. 工人 gong ren"}},
      {"lower-case names", "WubiScheme=wubi98\nDefaultMode=pinyin\n", 10, "[五笔]", of86},
      {"unknown names", "WubiScheme=Wubi99\nDefaultMode=Both\nPageSize=x\n", 10, "[五笔]", of86},
      {"out of range", "PageSize=42\n", 10, "[五笔]", of86},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::error_code ec;
    fs::remove(configFile(), ec);
    if (c.file != nullptr) writeFile(configFile(), c.file);
    auto engine = startEngine();
    ASSERT_NE(engine, nullptr);
    ic_->inputPanel().reset();
    EXPECT_TRUE(pressOn(*engine, Key(FcitxKey_a)));
    EXPECT_EQ(auxUp(), c.mode);
    if (auxUp() == "[拼音]") {
      // Page size and table show in Wubi mode.
      pressOn(*engine, Key(FcitxKey_semicolon, KeyState::Alt));
      pressOn(*engine, Key(FcitxKey_a));
    }
    const auto list =
        std::dynamic_pointer_cast<fcitx::CommonCandidateList>(ic_->inputPanel().candidateList());
    ASSERT_TRUE(list);
    EXPECT_EQ(list->pageSize(), c.pageSize);
    if (!c.candidatesOfA.empty()) {
      EXPECT_EQ(candidatesOf(ic_), c.candidatesOfA);
    }
    // The file is read, not written, at start.
    if (c.file != nullptr) {
      EXPECT_EQ(quvo_test::read_file(configFile()), c.file);
    }
  }
  std::error_code ec;
  fs::remove(configFile(), ec);
}

TEST_F(FreshEngineTest, BaseDictionariesAreRefreshedAtEveryStart) {
  const std::string systemDir = QUVO_TEST_SYSTEM_DICT_DIR;
  // The start of the instance already replaced the stale copy and kept the
  // user's own files and the base file the system directory lacks.
  EXPECT_EQ(quvo_test::read_file(harness->dataDir + "/wubi86.dict"),
            quvo_test::read_file(systemDir + "/wubi86.dict"));
  EXPECT_EQ(quvo_test::read_file(harness->dataDir + "/user.dict").rfind("厂房\tdgyn\n", 0), 0u);
  EXPECT_EQ(quvo_test::read_file(harness->dataDir + "/polyphonic.dict"), "# the user's own copy\n");
  for (const char* name :
       {"wubi86.dict", "wubi98.dict", "hanzi_pinyin.dict", "pinyin_word.dict", "emoji.dict"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(quvo_test::read_file(harness->dataDir + "/" + name),
              quvo_test::read_file(systemDir + "/" + name));
  }
  EXPECT_FALSE(fs::exists(harness->dataDir + "/char_freq.dict"));

  // A local edit of a base dictionary does not survive the next start.
  writeFile(harness->dataDir + "/wubi98.dict", "旧 a 1\n");
  writeFile(harness->dataDir + "/aihao_wb.dict", "# mine\n");
  auto engine = startEngine();
  ASSERT_NE(engine, nullptr);
  EXPECT_EQ(quvo_test::read_file(harness->dataDir + "/wubi98.dict"),
            quvo_test::read_file(systemDir + "/wubi98.dict"));
  EXPECT_EQ(quvo_test::read_file(harness->dataDir + "/aihao_wb.dict"), "# mine\n");
}

TEST_F(FreshEngineTest, DictionaryCommandQuotesAHomeWithSpaces) {
  const std::string oldHome = harness->home;
  const std::string spaced = harness->root.file("my home");
  ::setenv("HOME", spaced.c_str(), 1);
  auto engine = startEngine();
  ::setenv("HOME", oldHome.c_str(), 1);
  ASSERT_NE(engine, nullptr);
  fcitx::RawConfig description;
  engine->getConfig()->dumpDescription(description);
  const std::string* command = description.valueByPath("QuvoConfig/OpenWbDict/External");
  ASSERT_NE(command, nullptr);
  const std::string dataDir = spaced + "/.local/share/fcitx5/quvo";
  EXPECT_EQ(*command, "xdg-open \"" + dataDir + "\"");
  EXPECT_TRUE(fs::is_directory(dataDir));

  // Split the way a shell splits it: two words, the second the directory.
  const std::string script = "set -- " + *command + "; echo \"$#|$1|$2\"";
  const std::string shell = "/bin/sh -c '" + script + "'";
  // The script itself has no single quote, so it can be wrapped in them.
  ASSERT_EQ(script.find('\''), std::string::npos);
  std::FILE* pipe = ::popen(shell.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char buffer[1024] = {};
  const size_t n = std::fread(buffer, 1, sizeof buffer - 1, pipe);
  ::pclose(pipe);
  EXPECT_EQ(std::string(buffer, n), "2|xdg-open|" + dataDir + "\n");

  // The engine works on the directory under that home.
  ic_->inputPanel().reset();
  EXPECT_TRUE(pressOn(*engine, Key(FcitxKey_a)));
  EXPECT_EQ(candidatesOf(ic_), kCandidatesOfA);
}

TEST_F(FreshEngineTest, NewEngineShowsHalfWidthFirst) {
  auto engine = startEngine();
  ASSERT_NE(engine, nullptr);
  EXPECT_TRUE(pressOn(*engine, Key(FcitxKey_period, KeyState::Ctrl)));
  EXPECT_EQ(auxDown(), "[半角标点]");
  EXPECT_TRUE(pressOn(*engine, Key(FcitxKey_period, KeyState::Ctrl)));
  EXPECT_EQ(auxDown(), "[全角标点]");
  EXPECT_TRUE(pressOn(*engine, Key(FcitxKey_semicolon, KeyState::Alt)));
  EXPECT_EQ(auxDown(), "[拼音]");
}

TEST_F(FreshEngineTest, KeysWithoutAnInputContext) {
  auto engine = startEngine();
  ASSERT_NE(engine, nullptr);
  struct Case {
    Key key;
    bool accepted;
  };
  // Hot keys and the Caps Lock rule still take the key; keys for the core
  // are passed to it but nothing is drawn and the key is not taken.
  const std::vector<Case> cases = {
      {Key(FcitxKey_period, KeyState::Ctrl), true},
      {Key(FcitxKey_semicolon, KeyState::Alt), true},
      {Key(FcitxKey_d, KeyState::CapsLock), true},
      {Key(FcitxKey_a), false},
      {Key(FcitxKey_space), false},
      {Key(FcitxKey_c, KeyState::Ctrl), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key.toString());
    fcitx::KeyEvent event(nullptr, c.key);
    engine->keyEvent(entry(), event);
    EXPECT_EQ(event.accepted(), c.accepted);
  }
  fcitx::InputContextEvent resetEvent(nullptr, fcitx::EventType::InputContextReset);
  engine->reset(entry(), resetEvent);
  EXPECT_TRUE(harness->commits.empty());
}

TEST_F(QuvoTest, NoKeyClickOrResetSequenceCrashes) {
  std::mt19937 random(20240611);
  const std::vector<Key> keys = {
      Key(FcitxKey_a),
      Key(FcitxKey_g),
      Key(FcitxKey_k),
      Key(FcitxKey_n),
      Key(FcitxKey_i),
      Key(FcitxKey_w),
      Key(FcitxKey_q),
      Key(FcitxKey_A),
      Key(FcitxKey_1),
      Key(FcitxKey_2),
      Key(FcitxKey_0),
      Key(FcitxKey_9),
      Key(FcitxKey_space),
      Key(FcitxKey_equal),
      Key(FcitxKey_minus),
      Key(FcitxKey_BackSpace),
      Key(FcitxKey_Return),
      Key(FcitxKey_Escape),
      Key(FcitxKey_Page_Up),
      Key(FcitxKey_Page_Down),
      Key(FcitxKey_comma),
      Key(FcitxKey_quotedbl),
      Key(FcitxKey_apostrophe),
      Key(FcitxKey_semicolon),
      Key(FcitxKey_grave),
      Key(FcitxKey_F1),
      Key(FcitxKey_Left),
      Key(FcitxKey_period, KeyState::Ctrl),
      Key(FcitxKey_semicolon, KeyState::Alt),
      Key(FcitxKey_x, KeyState::CapsLock),
      Key(FcitxKey_c, KeyState::Ctrl),
  };
  for (int step = 0; step < 3000; ++step) {
    const unsigned action = random() % 20;
    if (action == 0) {
      ic_->reset();
    } else if (action == 1) {
      const auto list = ic_->inputPanel().candidateList();
      if (list && list->size() > 0) list->candidate(random() % list->size()).select(ic_);
    } else if (action == 2) {
      fcitx::KeyEvent release(ic_, keys[random() % keys.size()], true);
      ic_->keyEvent(release);
    } else {
      press(keys[random() % keys.size()]);
    }
    const auto list = ic_->inputPanel().candidateList();
    if (list) {
      ASSERT_LE(list->size(), 10);
      for (int i = 0; i < list->size(); ++i) {
        EXPECT_EQ(list->candidate(i).text().toString().rfind(std::to_string(i + 1) + ". ", 0), 0u);
      }
    }
  }
  ic_->reset();
  EXPECT_TRUE(panelEmpty());
}

}  // namespace
