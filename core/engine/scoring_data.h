#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

namespace wubi_pinyin::engine {

// Frequency of single characters ("char_freq.dict").
using CharFreqMap = std::unordered_map<char32_t, uint32_t>;

// Counts of ordered character pairs ("bigram.dict"), keyed by bigram_key.
using BigramMap = std::unordered_map<uint64_t, uint32_t>;

[[nodiscard]] constexpr uint64_t bigram_key(char32_t first, char32_t second) noexcept {
  return (uint64_t{first} << 32) | uint64_t{second};
}

// Both files hold one entry per line: a first field, a TAB, a count; fields
// after a second TAB are ignored. The count is trimmed of white space and
// must be an unsigned 32-bit decimal number, or the line is ignored. A later
// line for the same key replaces the earlier one. Reading stops at the first
// line that is not valid UTF-8 (or at a read error), keeping what was read.
// A missing file gives an empty map.

// The key is the first character of the first field; an empty first field
// makes the line ignored.
[[nodiscard]] CharFreqMap load_char_freq(const std::string& path);

// The key is the first two characters of the first field; a field of fewer
// than two characters makes the line ignored.
[[nodiscard]] BigramMap load_bigram(const std::string& path);

}  // namespace wubi_pinyin::engine
