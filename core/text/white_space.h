#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace wubi_pinyin::text {

// Unicode White_Space property: TAB, LF, VT, FF, CR, space, U+0085, U+00A0,
// U+1680, U+2000..U+200A, U+2028, U+2029, U+202F, U+205F, U+3000.
[[nodiscard]] constexpr bool is_white_space(char32_t c) noexcept {
  return (c >= 0x09 && c <= 0x0d) || c == 0x20 || c == 0x85 || c == 0xa0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200a) || c == 0x2028 || c == 0x2029 || c == 0x202f ||
         c == 0x205f || c == 0x3000;
}

// Removes leading and trailing White_Space characters of a valid UTF-8 string.
[[nodiscard]] std::string_view trim_white_space(std::string_view s) noexcept;

// The first fields of a line, as views into it. Lines never need more than a
// handful of fields; those beyond the capacity are not stored.
struct Fields {
  static constexpr size_t kCapacity = 8;
  std::array<std::string_view, kCapacity> items{};
  size_t count = 0;  // number of fields stored, at most kCapacity

  [[nodiscard]] size_t size() const noexcept { return count; }
  [[nodiscard]] std::string_view operator[](size_t i) const noexcept { return items[i]; }
};

// Fields are the maximal runs of non-White_Space characters.
[[nodiscard]] Fields split_white_space(std::string_view line) noexcept;

// Fields are separated by every occurrence of one of the separator bytes
// (ASCII only); two separators in a row delimit an empty field. A line
// without a separator is one field.
[[nodiscard]] Fields split_at_bytes(std::string_view line, std::string_view separators) noexcept;

// The record of a dictionary line: the line trimmed of White_Space, or an
// empty view when the line is empty or a comment (first character "#").
[[nodiscard]] std::string_view dictionary_record(std::string_view line) noexcept;

}  // namespace wubi_pinyin::text
