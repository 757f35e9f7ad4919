#include "terminal_input.h"

#include <algorithm>
#include <vector>

namespace quvo_cli {

namespace {

constexpr uint32_t kBackSpace = 0xff08;
constexpr uint32_t kTab = 0xff09;
constexpr uint32_t kReturn = 0xff0d;
constexpr uint32_t kEscape = 0xff1b;
constexpr uint32_t kHome = 0xff50;
constexpr uint32_t kLeft = 0xff51;
constexpr uint32_t kUp = 0xff52;
constexpr uint32_t kRight = 0xff53;
constexpr uint32_t kDown = 0xff54;
constexpr uint32_t kPageUp = 0xff55;
constexpr uint32_t kPageDown = 0xff56;
constexpr uint32_t kEnd = 0xff57;
constexpr uint32_t kInsert = 0xff63;
constexpr uint32_t kDelete = 0xffff;

TermEvent key(uint32_t keysym) {
  return {TermAction::key, keysym, {}};
}
TermEvent action(TermAction a) {
  return {a, 0, {}};
}

// Numeric parameters of a CSI sequence, "27;5;46" -> {27, 5, 46}; an empty
// parameter counts as 1, its default.
std::vector<unsigned> csi_params(std::string_view text) {
  std::vector<unsigned> params;
  unsigned value = 0;
  bool any = false;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      if (value < 100000) value = value * 10 + static_cast<unsigned>(c - '0');
      any = true;
    } else if (c == ';' || c == ':') {
      params.push_back(any ? value : 1);
      value = 0;
      any = false;
    } else {
      return {};  // private markers and the like: not a key we know
    }
  }
  params.push_back(any ? value : 1);
  return params;
}

// A CSI sequence ESC [ params final.
TermEvent csi_event(std::string_view params_text, char final_byte) {
  const std::vector<unsigned> p = csi_params(params_text);
  if (p.empty()) return action(TermAction::ignore);
  // The second parameter is 1 + a modifier mask (Shift 1, Alt 2, Ctrl 4).
  const unsigned modifiers = p.size() >= 2 ? p[1] : 1;
  const bool plain = modifiers <= 1;
  switch (final_byte) {
    case 'A':
      return plain ? key(kUp) : action(TermAction::ignore);
    case 'B':
      return plain ? key(kDown) : action(TermAction::ignore);
    case 'C':
      return plain ? key(kRight) : action(TermAction::ignore);
    case 'D':
      return plain ? key(kLeft) : action(TermAction::ignore);
    case 'H':
      return plain ? key(kHome) : action(TermAction::ignore);
    case 'F':
      return plain ? key(kEnd) : action(TermAction::ignore);
    case 'u':
      // Extended reporting: code point ; modifiers.
      if (p.size() >= 2 && p[0] == '.' && p[1] == 5) return action(TermAction::toggle_halfwidth);
      if (p.size() >= 2 && p[0] == ';' && p[1] == 3) return action(TermAction::toggle_mode);
      return action(TermAction::ignore);
    case '~':
      if (p[0] == 27 && p.size() >= 3) {
        // xterm's modifyOtherKeys form: 27 ; modifiers ; code point.
        if (p[1] == 5 && p[2] == '.') return action(TermAction::toggle_halfwidth);
        if (p[1] == 3 && p[2] == ';') return action(TermAction::toggle_mode);
        return action(TermAction::ignore);
      }
      if (!plain) return action(TermAction::ignore);
      switch (p[0]) {
        case 1:
        case 7:
          return key(kHome);
        case 2:
          return key(kInsert);
        case 3:
          return key(kDelete);
        case 4:
        case 8:
          return key(kEnd);
        case 5:
          return key(kPageUp);
        case 6:
          return key(kPageDown);
        default:
          return action(TermAction::ignore);
      }
    default:
      return action(TermAction::ignore);
  }
}

// Length of the UTF-8 sequence a lead byte starts, 0 for a byte that cannot
// start one.
size_t utf8_length(unsigned char lead) {
  if (lead >= 0xc2 && lead <= 0xdf) return 2;
  if (lead >= 0xe0 && lead <= 0xef) return 3;
  if (lead >= 0xf0 && lead <= 0xf4) return 4;
  return 0;
}

}  // namespace

std::optional<TermEvent> decode_terminal_key(std::string_view bytes, size_t& used, bool complete) {
  used = 0;
  if (bytes.empty()) return std::nullopt;
  const auto first = static_cast<unsigned char>(bytes[0]);
  used = 1;
  switch (first) {
    case 0x03:  // Ctrl+C
    case 0x04:  // Ctrl+D
      return action(TermAction::quit);
    case 0x08:
    case 0x7f:
      return key(kBackSpace);
    case 0x09:
      return key(kTab);
    case 0x0a:
    case 0x0d:
      return key(kReturn);
    case 0x1c:
      return action(TermAction::toggle_halfwidth);  // Ctrl+backslash
    default:
      break;
  }
  if (first >= 0x20 && first <= 0x7e) return key(first);
  if (first < 0x20 && first != 0x1b) return action(TermAction::ignore);  // Ctrl+letter
  if (first >= 0x80) {
    const size_t n = utf8_length(first);
    if (n == 0) return action(TermAction::ignore);
    if (bytes.size() < n) {
      if (!complete) {
        used = 0;
        return std::nullopt;
      }
      used = bytes.size();
      return action(TermAction::ignore);
    }
    for (size_t i = 1; i < n; ++i) {
      if ((static_cast<unsigned char>(bytes[i]) & 0xc0) != 0x80) return action(TermAction::ignore);
    }
    used = n;
    return TermEvent{TermAction::text, 0, std::string(bytes.substr(0, n))};
  }

  // ESC: a key of its own, Alt with a key, or the start of a sequence.
  if (bytes.size() == 1) {
    if (!complete) {
      used = 0;
      return std::nullopt;
    }
    return key(kEscape);
  }
  const char second = bytes[1];
  if (second == ';') {
    used = 2;
    return action(TermAction::toggle_mode);
  }
  if (second == '[' || second == 'O') {
    // Parameters 0x30-0x3f, intermediates 0x20-0x2f, one final 0x40-0x7e.
    for (size_t i = 2; i < bytes.size(); ++i) {
      const auto b = static_cast<unsigned char>(bytes[i]);
      if (b >= 0x40 && b <= 0x7e) {
        used = i + 1;
        if (second == 'O') {
          // SS3: the cursor keys of application mode.
          return i == 2 ? csi_event("", static_cast<char>(b)) : action(TermAction::ignore);
        }
        return csi_event(bytes.substr(2, i - 2), static_cast<char>(b));
      }
      if (b < 0x20 || b > 0x3f) {
        // Not a sequence after all: ESC was Escape on its own.
        return key(kEscape);
      }
    }
    if (!complete) {
      used = 0;
      return std::nullopt;
    }
    // An unfinished sequence at the end of the input: drop it whole.
    used = bytes.size();
    return action(TermAction::ignore);
  }
  if (second == 0x1b) return key(kEscape);  // ESC ESC: the first is Escape
  // Alt with some other key: Fcitx5 hands keys with modifiers to the
  // application.
  used = 2;
  if (static_cast<unsigned char>(second) >= 0x80) {
    used = 1 + std::max<size_t>(1, utf8_length(static_cast<unsigned char>(second)));
    if (used > bytes.size()) used = bytes.size();
  }
  return action(TermAction::ignore);
}

}  // namespace quvo_cli
