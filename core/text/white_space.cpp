#include "text/white_space.h"

#include <algorithm>

namespace wubi_pinyin::text {

namespace {

// Byte length of the White_Space character at `pos` of a valid UTF-8
// string, or 0 when the character there is not white space. Works on the
// bytes directly: only four lead bytes can start a non-ASCII space.
inline size_t white_space_at(std::string_view s, size_t pos) noexcept {
  const auto b = static_cast<unsigned char>(s[pos]);
  if (b < 0x80) return (b == ' ' || (b >= 0x09 && b <= 0x0d)) ? 1 : 0;
  const size_t rest = s.size() - pos;
  const auto at = [&](size_t k) { return static_cast<unsigned char>(s[pos + k]); };
  switch (b) {
    case 0xc2:  // U+0085, U+00A0
      return rest >= 2 && (at(1) == 0x85 || at(1) == 0xa0) ? 2 : 0;
    case 0xe1:  // U+1680
      return rest >= 3 && at(1) == 0x9a && at(2) == 0x80 ? 3 : 0;
    case 0xe2:
      if (rest < 3) return 0;
      if (at(1) == 0x80)  // U+2000..U+200A, U+2028, U+2029, U+202F
        return (at(2) <= 0x8a || at(2) == 0xa8 || at(2) == 0xa9 || at(2) == 0xaf) ? 3 : 0;
      return at(1) == 0x81 && at(2) == 0x9f ? 3 : 0;  // U+205F
    case 0xe3:  // U+3000
      return rest >= 3 && at(1) == 0x80 && at(2) == 0x80 ? 3 : 0;
    default:
      return 0;
  }
}

// Byte length of the character starting with lead byte b.
inline size_t char_length(unsigned char b) noexcept {
  if (b < 0xc0) return 1;
  if (b < 0xe0) return 2;
  if (b < 0xf0) return 3;
  return 4;
}

}  // namespace

std::string_view trim_white_space(std::string_view s) noexcept {
  size_t begin = 0;
  while (begin < s.size()) {
    const size_t n = white_space_at(s, begin);
    if (n == 0) break;
    begin += n;
  }
  size_t end = s.size();
  while (end > begin) {
    // Step back to the start of the last character.
    size_t start = end - 1;
    while (start > begin && (static_cast<unsigned char>(s[start]) & 0xc0) == 0x80) --start;
    if (white_space_at(s.substr(0, end), start) != end - start) break;
    end = start;
  }
  return s.substr(begin, end - begin);
}

Fields split_white_space(std::string_view line) noexcept {
  Fields f;
  size_t pos = 0;
  size_t field_start = std::string_view::npos;
  while (pos < line.size()) {
    const size_t ws = white_space_at(line, pos);
    if (ws) {
      if (field_start != std::string_view::npos) {
        if (f.count == Fields::kCapacity) return f;
        f.items[f.count++] = line.substr(field_start, pos - field_start);
        field_start = std::string_view::npos;
      }
      pos += ws;
    } else {
      if (field_start == std::string_view::npos) field_start = pos;
      pos += char_length(static_cast<unsigned char>(line[pos]));
    }
  }
  if (field_start != std::string_view::npos && f.count < Fields::kCapacity)
    f.items[f.count++] = line.substr(field_start, std::min(pos, line.size()) - field_start);
  return f;
}

Fields split_at_bytes(std::string_view line, std::string_view separators) noexcept {
  Fields f;
  size_t start = 0;
  while (f.count < Fields::kCapacity) {
    const size_t sep = line.find_first_of(separators, start);
    if (sep == std::string_view::npos) {
      f.items[f.count++] = line.substr(start);
      break;
    }
    f.items[f.count++] = line.substr(start, sep - start);
    start = sep + 1;
  }
  return f;
}

std::string_view dictionary_record(std::string_view line) noexcept {
  const std::string_view t = trim_white_space(line);
  if (t.empty() || t.front() == '#') return {};
  return t;
}

}  // namespace wubi_pinyin::text
