#include "key_notation.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <utility>

namespace quvo_cli {

namespace {

struct NamedKey {
  std::string_view name;
  uint32_t keysym;
};

// X11 key symbols, the values Fcitx5 passes to the engine.
constexpr std::array<NamedKey, 15> kNamedKeys = {{
    {"Return", 0xff0d},
    {"Enter", 0xff0d},
    {"Escape", 0xff1b},
    {"BackSpace", 0xff08},
    {"Tab", 0xff09},
    {"Page_Up", 0xff55},
    {"Page_Down", 0xff56},
    {"Home", 0xff50},
    {"Left", 0xff51},
    {"Up", 0xff52},
    {"Right", 0xff53},
    {"Down", 0xff54},
    {"End", 0xff57},
    {"Delete", 0xffff},
    {"space", 0x20},
}};

std::optional<uint32_t> hex_keysym(std::string_view text) {
  if (text.size() < 3 || text.size() > 10 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
    return std::nullopt;
  uint32_t value = 0;
  const char* first = text.data() + 2;
  const char* last = text.data() + text.size();
  const auto [end, ec] = std::from_chars(first, last, value, 16);
  if (ec != std::errc() || end != last) return std::nullopt;
  return value;
}

}  // namespace

std::optional<uint32_t> named_keysym(std::string_view name) {
  for (const NamedKey& key : kNamedKeys)
    if (key.name == name) return key.keysym;
  return std::nullopt;
}

std::string printable_label(char c) {
  if (c == ' ') return "{space}";
  if (c == '{') return "{{";
  if (c == '}') return "}}";
  return std::string(1, c);
}

KeyScript parse_key_notation(std::string_view keys) {
  KeyScript script;
  const auto fail = [&](std::string message) {
    script.steps.clear();
    script.error = std::move(message);
    return script;
  };
  size_t i = 0;
  while (i < keys.size()) {
    const char c = keys[i];
    if (c == '{' && i + 1 < keys.size() && keys[i + 1] == '{') {
      script.steps.push_back({StepKind::key, '{', "{{"});
      i += 2;
      continue;
    }
    if (c == '}') {
      if (i + 1 < keys.size() && keys[i + 1] == '}') {
        script.steps.push_back({StepKind::key, '}', "}}"});
        i += 2;
        continue;
      }
      return fail("a lone '}' at offset " + std::to_string(i) + " (write }} for the key)");
    }
    if (c == '{') {
      const size_t close = keys.find('}', i + 1);
      if (close == std::string_view::npos)
        return fail("'{' at offset " + std::to_string(i) + " is never closed");
      const std::string_view name = keys.substr(i + 1, close - i - 1);
      std::string label = "{" + std::string(name) + "}";
      if (name == "Ctrl+period") {
        script.steps.push_back({StepKind::toggle_halfwidth, 0, std::move(label)});
      } else if (name == "Alt+semicolon") {
        script.steps.push_back({StepKind::toggle_mode, 0, std::move(label)});
      } else if (const auto sym = named_keysym(name)) {
        script.steps.push_back({StepKind::key, *sym, std::move(label)});
      } else if (const auto raw = hex_keysym(name)) {
        script.steps.push_back({StepKind::key, *raw, std::move(label)});
      } else {
        return fail("unknown key name {" + std::string(name) + "}");
      }
      i = close + 1;
      continue;
    }
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte > 0x7e) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "0x%02x", byte);
      return fail(std::string("byte ") + hex + " at offset " + std::to_string(i) +
                  " is not printable ASCII (use a {Name} for special keys)");
    }
    script.steps.push_back({StepKind::key, byte, printable_label(c)});
    ++i;
  }
  return script;
}

}  // namespace quvo_cli
