#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quvo_cli {

// What one step of a key script does. Plain keys go to the engine as the
// key symbols Fcitx5 delivers; the two hotkeys are handled before the engine
// sees them, as the addon does.
enum class StepKind { key, toggle_halfwidth, toggle_mode };

struct Step {
  StepKind kind = StepKind::key;
  uint32_t keysym = 0;  // for StepKind::key
  std::string label;    // how the step is printed: "n", "{space}", "{Return}", ...
};

struct KeyScript {
  std::vector<Step> steps;
  std::string error;  // empty when the whole text was understood
};

// Key symbol of a named key ("Return", "BackSpace", "Page_Down", ...), or
// nothing for an unknown name. Names are case-sensitive, as in Fcitx5.
[[nodiscard]] std::optional<uint32_t> named_keysym(std::string_view name);

// Reads the --keys notation: every printable ASCII character is one key;
// {Name} is a named key, {Ctrl+period} and {Alt+semicolon} the two hotkeys,
// {0xNNNN} a raw key symbol; "{{" and "}}" stand for literal braces.
[[nodiscard]] KeyScript parse_key_notation(std::string_view keys);

// The label of a printable ASCII key in the notation ("{space}", "{{", "}}").
[[nodiscard]] std::string printable_label(char c);

}  // namespace quvo_cli
