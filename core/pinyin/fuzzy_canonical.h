#pragma once

#include <string>
#include <string_view>

namespace wubi_pinyin::pinyin {

// Canonical form of a syllable: a leading zh/ch/sh becomes z/c/s (strings of
// two bytes or more), then a trailing ang/eng/ing becomes an/en/in (results
// of three bytes or more). zhang -> zan, ying -> yin, zong stays zong.
[[nodiscard]] std::string fuzzy_canonical(std::string_view syllable);

}  // namespace wubi_pinyin::pinyin
