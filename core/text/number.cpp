#include "text/number.h"

namespace wubi_pinyin::text {

std::optional<uint32_t> parse_u32(std::string_view s) noexcept {
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty()) return std::nullopt;
  uint64_t value = 0;
  for (char ch : s) {
    if (ch < '0' || ch > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(ch - '0');
    if (value > UINT32_MAX) return std::nullopt;
  }
  return static_cast<uint32_t>(value);
}

}  // namespace wubi_pinyin::text
