// A client of Fcitx5's D-Bus input-context interface, the path that real
// applications' input modules use: it creates an input context, focuses it,
// sends key presses and collects the text that Fcitx5 commits to it.
// Run by dbus_test.sh against a Fcitx5 on a private session bus.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <fcitx-utils/dbus/bus.h>
#include <fcitx-utils/dbus/message.h>
#include <fcitx-utils/event.h>
#include <fcitx-utils/keysym.h>

namespace {

namespace dbus = fcitx::dbus;

constexpr const char* kService = "org.fcitx.Fcitx5";
constexpr const char* kInputMethodPath = "/org/freedesktop/portal/inputmethod";
constexpr const char* kInputMethodInterface = "org.fcitx.Fcitx.InputMethod1";
constexpr const char* kInputContextInterface = "org.fcitx.Fcitx.InputContext1";
constexpr uint64_t kCallTimeout = 5'000'000;  // microseconds
constexpr uint32_t kControlMask = 1u << 2;

int failures = 0;
int passes = 0;

void check(bool ok, const std::string& what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
  ok ? ++passes : ++failures;
}

bool waitForService(dbus::Bus& bus) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < deadline) {
    auto call = bus.createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                     "org.freedesktop.DBus", "NameHasOwner");
    call << kService;
    auto reply = call.call(kCallTimeout);
    bool hasOwner = false;
    if (reply.type() == dbus::MessageType::Reply) reply >> hasOwner;
    if (hasOwner) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

class Client {
 public:
  explicit Client(dbus::Bus& bus) : bus_(bus) {
    // Fcitx5 sends its signals to the input context's owner directly.
    filter_ = bus_.addFilter([this](dbus::Message& message) {
      if (message.type() == dbus::MessageType::Signal &&
          message.interface() == kInputContextInterface && message.member() == "CommitString" &&
          message.path() == path_) {
        std::string text;
        message >> text;
        committed_ += text;
      }
      return false;
    });
  }

  bool create() {
    auto call = bus_.createMethodCall(kService, kInputMethodPath, kInputMethodInterface,
                                      "CreateInputContext");
    call << std::vector<dbus::DBusStruct<std::string, std::string>>{{"program", "quvo-dbus-test"},
                                                                    {"display", "quvo"}};
    auto reply = call.call(kCallTimeout);
    if (reply.type() != dbus::MessageType::Reply) {
      std::printf("CreateInputContext failed: %s\n", reply.errorMessage().c_str());
      return false;
    }
    dbus::ObjectPath path;
    std::vector<uint8_t> uuid;
    reply >> path >> uuid;
    path_ = path.path();
    return !path_.empty();
  }

  bool callContext(const char* method) {
    auto call = bus_.createMethodCall(kService, path_.c_str(), kInputContextInterface, method);
    return call.call(kCallTimeout).type() == dbus::MessageType::Reply;
  }

  // Sends one key press and its release; returns whether Fcitx5 took the press.
  bool key(uint32_t sym, uint32_t state = 0) {
    bool taken = false;
    for (const bool release : {false, true}) {
      auto call =
          bus_.createMethodCall(kService, path_.c_str(), kInputContextInterface, "ProcessKeyEvent");
      call << sym << uint32_t{0} << state << release << uint32_t{0};
      auto reply = call.call(kCallTimeout);
      bool handled = false;
      if (reply.type() == dbus::MessageType::Reply) {
        reply >> handled;
      } else {
        std::printf("ProcessKeyEvent failed: %s\n", reply.errorMessage().c_str());
      }
      if (!release) taken = handled;
    }
    return taken;
  }

  // Runs an event loop until `expected` has been committed or time is up.
  // A loop cannot run again once it has exited, so each wait has its own;
  // the bus leaves the loop before it exits, since an exiting loop closes
  // the connections attached to it.
  std::string waitForCommit(const std::string& expected) {
    fcitx::EventLoop loop;
    bus_.attachEventLoop(&loop);
    const uint64_t deadline = fcitx::now(CLOCK_MONOTONIC) + 5'000'000;
    auto timer = loop.addTimeEvent(
        CLOCK_MONOTONIC, fcitx::now(CLOCK_MONOTONIC), 0,
        [this, &loop, &expected, deadline](fcitx::EventSourceTime* source, uint64_t time) {
          if (committed_.find(expected) != std::string::npos || time >= deadline) {
            bus_.detachEventLoop();
            loop.exit();
            return true;
          }
          source->setNextInterval(20'000);
          source->setOneShot();
          return true;
        });
    loop.exec();
    timer.reset();
    return committed_;
  }

  void clear() { committed_.clear(); }

 private:
  dbus::Bus& bus_;
  std::unique_ptr<dbus::Slot> filter_;
  std::string path_;
  std::string committed_;
};

}  // namespace

int main() {
  dbus::Bus bus(dbus::BusType::Session);
  if (!bus.isOpen()) {
    std::printf("no session bus\n");
    return 1;
  }
  check(waitForService(bus), "Fcitx5 owns its D-Bus name");
  if (failures > 0) return 1;

  Client client(bus);
  check(client.create(), "an input context was created");
  if (failures > 0) return 1;
  check(client.callContext("FocusIn"), "the input context has the focus");

  // A Wubi code and space: the first candidate reaches the application.
  check(client.key(FcitxKey_a), "the letter a is taken by the input method");
  check(client.key(FcitxKey_space), "space is taken while a code is typed");
  std::string committed = client.waitForCommit("工");
  check(committed == "工", "space commits 工 (got \"" + committed + "\")");

  // A second word typed and selected by its number.
  client.clear();
  check(client.key(FcitxKey_Escape), "Escape is taken");
  check(client.key(FcitxKey_a), "the letter a is taken again");
  check(client.key(FcitxKey_2), "the digit 2 selects while a code is typed");
  committed = client.waitForCommit("式");
  check(committed == "式", "the digit 2 commits 式 (got \"" + committed + "\")");

  // Keys with a modifier go back to the application untouched.
  client.key(FcitxKey_Escape);
  check(!client.key(FcitxKey_c, kControlMask), "Ctrl+C is passed on to the application");

  client.callContext("FocusOut");
  client.callContext("DestroyIC");
  std::printf("%d passed, %d failed\n", passes, failures);
  return failures == 0 ? 0 : 1;
}
