#include "text/white_space.h"

#include "text/utf8.h"

namespace wubi_pinyin::text {

std::string_view trim_white_space(std::string_view s) noexcept {
  size_t begin = 0;
  while (begin < s.size()) {
    size_t next = begin;
    if (!is_white_space(decode_utf8(s, next))) break;
    begin = next;
  }
  size_t end = s.size();
  while (end > begin) {
    const std::string_view last = last_char_bytes(s.substr(begin, end - begin));
    size_t pos = 0;
    if (!is_white_space(decode_utf8(last, pos))) break;
    end -= last.size();
  }
  return s.substr(begin, end - begin);
}

Fields split_white_space(std::string_view line) noexcept {
  Fields f;
  size_t pos = 0;
  size_t field_start = std::string_view::npos;
  while (pos < line.size()) {
    const size_t here = pos;
    const bool ws = is_white_space(decode_utf8(line, pos));
    if (ws) {
      if (field_start != std::string_view::npos) {
        if (f.count == Fields::kCapacity) return f;
        f.items[f.count++] = line.substr(field_start, here - field_start);
        field_start = std::string_view::npos;
      }
    } else if (field_start == std::string_view::npos) {
      field_start = here;
    }
  }
  if (field_start != std::string_view::npos && f.count < Fields::kCapacity)
    f.items[f.count++] = line.substr(field_start);
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
