#include "text/utf8.h"

#include <cstdint>
#include <cstring>

namespace wubi_pinyin::text {

namespace {

// Length of the sequence announced by a lead byte, 0 for a byte that cannot
// start one.
size_t sequence_length(unsigned char b) noexcept {
  if (b < 0x80) return 1;
  if (b >= 0xc2 && b <= 0xdf) return 2;
  if (b >= 0xe0 && b <= 0xef) return 3;
  if (b >= 0xf0 && b <= 0xf4) return 4;
  return 0;
}

bool is_continuation(unsigned char b) noexcept { return (b & 0xc0) == 0x80; }

}  // namespace

bool is_valid_utf8(std::string_view s) noexcept {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const size_t n = s.size();
  size_t i = 0;
  while (i < n) {
    // Runs of ASCII, eight bytes at a time.
    while (i + 8 <= n) {
      uint64_t word;
      std::memcpy(&word, p + i, 8);
      if (word & 0x8080808080808080ull) break;
      i += 8;
    }
    if (i >= n) break;
    const unsigned char b = p[i];
    if (b < 0x80) {
      ++i;
      continue;
    }
    const size_t len = sequence_length(b);
    if (len == 0 || i + len > n) return false;
    for (size_t k = 1; k < len; ++k)
      if (!is_continuation(p[i + k])) return false;
    const unsigned char b1 = p[i + 1];
    if (b == 0xe0 && b1 < 0xa0) return false;   // overlong
    if (b == 0xed && b1 > 0x9f) return false;   // surrogates
    if (b == 0xf0 && b1 < 0x90) return false;   // overlong
    if (b == 0xf4 && b1 > 0x8f) return false;   // above U+10FFFF
    i += len;
  }
  return true;
}

char32_t decode_utf8(std::string_view s, size_t& pos) noexcept {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const unsigned char b = p[pos];
  const size_t len = sequence_length(b);
  if (len == 1) {
    ++pos;
    return b;
  }
  if (len == 0 || pos + len > s.size()) {
    ++pos;
    return 0xfffd;
  }
  char32_t c = b & (0x7f >> len);
  for (size_t k = 1; k < len; ++k) {
    if (!is_continuation(p[pos + k])) {
      ++pos;
      return 0xfffd;
    }
    c = (c << 6) | (p[pos + k] & 0x3f);
  }
  pos += len;
  return c;
}

void append_utf8(std::string& out, char32_t c) {
  char buf[4];
  out.append(buf, encode_utf8(c, buf));
}

size_t encode_utf8(char32_t c, char* out) noexcept {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xc0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3f));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<char>(0xe0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3f));
    out[2] = static_cast<char>(0x80 | (c & 0x3f));
    return 3;
  }
  out[0] = static_cast<char>(0xf0 | (c >> 18));
  out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3f));
  out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3f));
  out[3] = static_cast<char>(0x80 | (c & 0x3f));
  return 4;
}

std::string encode_utf8(char32_t c) {
  std::string s;
  append_utf8(s, c);
  return s;
}

size_t char_count(std::string_view s) noexcept {
  size_t n = 0;
  for (unsigned char b : s)
    if (!is_continuation(b)) ++n;
  return n;
}

bool is_single_char(std::string_view s) noexcept {
  if (s.empty()) return false;
  size_t pos = 0;
  (void)decode_utf8(s, pos);
  return pos == s.size();
}

char32_t first_char(std::string_view s) noexcept {
  if (s.empty()) return 0;
  size_t pos = 0;
  return decode_utf8(s, pos);
}

std::string_view first_char_bytes(std::string_view s) noexcept {
  if (s.empty()) return {};
  size_t pos = 0;
  (void)decode_utf8(s, pos);
  return s.substr(0, pos);
}

std::string_view last_char_bytes(std::string_view s) noexcept {
  if (s.empty()) return {};
  size_t start = s.size() - 1;
  while (start > 0 && is_continuation(static_cast<unsigned char>(s[start]))) --start;
  return s.substr(start);
}

std::string_view utf8_prefix(std::string_view s, size_t max_bytes) noexcept {
  if (s.size() <= max_bytes) return s;
  size_t cut = max_bytes;
  // Step back over continuation bytes so the cut lands before a lead byte.
  while (cut > 0 && is_continuation(static_cast<unsigned char>(s[cut]))) --cut;
  return s.substr(0, cut);
}

}  // namespace wubi_pinyin::text
