#pragma once

#include <string>
#include <string_view>

namespace wubi_pinyin::text {

[[nodiscard]] constexpr char ascii_lower(char c) noexcept {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Copy with A..Z turned into a..z; every other byte unchanged.
[[nodiscard]] inline std::string ascii_lowered(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = ascii_lower(c);
  return out;
}

[[nodiscard]] constexpr bool is_ascii_digit(char c) noexcept { return c >= '0' && c <= '9'; }

[[nodiscard]] constexpr bool is_ascii_letter(char c) noexcept {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// True when every byte is below 0x80 (also for the empty string).
[[nodiscard]] constexpr bool is_ascii(std::string_view s) noexcept {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// True for a non-empty string of ASCII digits only.
[[nodiscard]] constexpr bool is_all_digits(std::string_view s) noexcept {
  if (s.empty()) return false;
  for (char c : s)
    if (!is_ascii_digit(c)) return false;
  return true;
}

}  // namespace wubi_pinyin::text
