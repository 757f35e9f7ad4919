#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "text/string_hash.h"

namespace wubi_pinyin::emoji {

// Keyword to emoji text, read once from "emoji.dict" and then only read.
class EmojiMap {
 public:
  // Adds the entries of a file: each dictionary line (trimmed; empty lines and
  // lines starting with "#" are comments) holds a keyword and an emoji text
  // separated by white space; further tokens are ignored, a line with one
  // token is skipped, a later keyword replaces the earlier value. Lines that
  // are not valid UTF-8 are skipped. A missing file leaves the map unchanged.
  void load(const std::string& path);

  // The emoji text stored under the query with ASCII A..Z lowered (nothing
  // else changes), or nothing. The view stays valid for the life of the map.
  [[nodiscard]] std::optional<std::string_view> lookup(std::string_view query) const;

  [[nodiscard]] size_t size() const noexcept { return map_.size(); }

 private:
  text::StringMap<std::string> map_;
};

}  // namespace wubi_pinyin::emoji
