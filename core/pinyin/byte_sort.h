#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace wubi_pinyin::pinyin::detail {

// The first 16 bytes of a string as two big-endian numbers, zero-padded:
// comparing (hi, lo) as numbers orders strings as their bytes do, except
// that strings equal in their first 16 bytes (zero bytes counted as padding)
// tie and need a full comparison.
struct BytePrefix {
  uint64_t hi = 0;
  uint64_t lo = 0;
};

[[nodiscard]] inline uint64_t load_big_endian(const char* p, size_t n) noexcept {
  unsigned char b[8] = {};
  std::memcpy(b, p, n < 8 ? n : 8);
  uint64_t v = 0;
  for (const unsigned char c : b) v = (v << 8) | c;
  return v;
}

[[nodiscard]] inline BytePrefix byte_prefix(std::string_view s) noexcept {
  BytePrefix p;
  p.hi = load_big_endian(s.data(), s.size());
  if (s.size() > 8) p.lo = load_big_endian(s.data() + 8, s.size() - 8);
  return p;
}

// Sorts ids by the bytes of text_of(id) (a std::string_view); ids of equal
// texts keep their order. Numbers decide almost every comparison, so this
// costs little more than sorting integers.
template <class TextOf>
void sort_ids_by_bytes(std::vector<uint32_t>& ids, TextOf&& text_of) {
  struct Item {
    BytePrefix prefix;
    uint32_t id;
  };
  std::vector<Item> items;
  items.reserve(ids.size());
  for (const uint32_t id : ids) items.push_back({byte_prefix(text_of(id)), id});
  std::sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
    if (a.prefix.hi != b.prefix.hi) return a.prefix.hi < b.prefix.hi;
    if (a.prefix.lo != b.prefix.lo) return a.prefix.lo < b.prefix.lo;
    const int c = text_of(a.id).compare(text_of(b.id));
    if (c != 0) return c < 0;
    return a.id < b.id;
  });
  for (size_t i = 0; i < items.size(); ++i) ids[i] = items[i].id;
}

}  // namespace wubi_pinyin::pinyin::detail
