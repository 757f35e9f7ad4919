#pragma once

#include <optional>
#include <string_view>

namespace wubi_pinyin::engine {

// Full-width form of an ASCII punctuation character ("，" for ","), or
// nothing for characters without one (space, ";", "`", digits, letters).
[[nodiscard]] std::optional<std::string_view> fullwidth_punct(char c) noexcept;

}  // namespace wubi_pinyin::engine
