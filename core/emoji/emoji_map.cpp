#include "emoji/emoji_map.h"

#include <algorithm>

#include "text/ascii.h"
#include "text/line_reader.h"
#include "text/white_space.h"

namespace wubi_pinyin::emoji {

void EmojiMap::load(const std::string& path) {
  text::read_lines(path, text::InvalidLine::skip, [this](std::string_view line) {
    const std::string_view record = text::dictionary_record(line);
    if (record.empty()) return;
    const text::Fields fields = text::split_white_space(record);
    if (fields.size() < 2) return;
    const std::string_view keyword = fields[0];
    if (const auto it = map_.find(keyword); it != map_.end()) {
      it->second.assign(fields[1]);
    } else {
      map_.emplace(std::string(keyword), std::string(fields[1]));
    }
  });
}

std::optional<std::string_view> EmojiMap::lookup(std::string_view query) const {
  if (map_.empty()) return std::nullopt;
  const bool has_upper =
      std::any_of(query.begin(), query.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
  const auto it = has_upper ? map_.find(text::ascii_lowered(query)) : map_.find(query);
  if (it == map_.end()) return std::nullopt;
  return std::string_view(it->second);
}

}  // namespace wubi_pinyin::emoji
