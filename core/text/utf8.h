#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace wubi_pinyin::text {

// True when the bytes are well-formed UTF-8: no overlong forms, no surrogates,
// nothing above U+10FFFF, no truncated sequence.
[[nodiscard]] bool is_valid_utf8(std::string_view s) noexcept;

// Decodes the character starting at byte `pos` of a valid UTF-8 string and
// advances `pos` past it. On malformed bytes (never the case for strings that
// passed is_valid_utf8) it consumes one byte and yields U+FFFD.
[[nodiscard]] char32_t decode_utf8(std::string_view s, size_t& pos) noexcept;

// Appends the UTF-8 encoding of a scalar value.
void append_utf8(std::string& out, char32_t c);
[[nodiscard]] std::string encode_utf8(char32_t c);
// Writes the encoding into a buffer of at least 4 bytes; returns its length.
size_t encode_utf8(char32_t c, char* out) noexcept;

// Number of characters of a valid UTF-8 string.
[[nodiscard]] size_t char_count(std::string_view s) noexcept;

// True when the string is exactly one character.
[[nodiscard]] bool is_single_char(std::string_view s) noexcept;

// First character as a scalar value (0 for the empty string).
[[nodiscard]] char32_t first_char(std::string_view s) noexcept;

// The bytes of the first / last character (empty for the empty string).
[[nodiscard]] std::string_view first_char_bytes(std::string_view s) noexcept;
[[nodiscard]] std::string_view last_char_bytes(std::string_view s) noexcept;

// The longest prefix of at most `max_bytes` bytes that ends on a character
// boundary, so a cut never splits a multi-byte sequence.
[[nodiscard]] std::string_view utf8_prefix(std::string_view s, size_t max_bytes) noexcept;

// Calls f(char32_t) for every character of a valid UTF-8 string.
template <class F>
void for_each_char(std::string_view s, F&& f) {
  size_t pos = 0;
  while (pos < s.size()) f(decode_utf8(s, pos));
}

}  // namespace wubi_pinyin::text
