#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace wubi_pinyin::text {

// Reads an unsigned 32-bit decimal number: an optional "+", then one or more
// ASCII digits, value at most 4294967295, nothing else (no blanks, no sign
// "-"). Anything else gives nothing.
[[nodiscard]] std::optional<uint32_t> parse_u32(std::string_view s) noexcept;

}  // namespace wubi_pinyin::text
