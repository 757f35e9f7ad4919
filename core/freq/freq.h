#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/string_hash.h"

namespace wubi_pinyin::freq {

// How often the user committed each text, kept across sessions in
// "user.freq": one line per text, the text, a TAB, the count in decimal.
// The store only grows; nothing is evicted or decays.
class Freq {
 public:
  // Adds the entries of a file to the store; a later line for a text replaces
  // the earlier count. A missing or unreadable file leaves the store as it
  // was. Each line is cut at every TAB: the first field is the text exactly as
  // written (possibly empty), the second the count; a count that is missing
  // or not a plain unsigned 32-bit decimal number reads as 0. Lines that are
  // not valid UTF-8 are skipped.
  void load(const std::string& path);

  // Counts one more commit of the text (copied only when it is new). The count
  // stops at 4294967295 instead of wrapping to 0.
  void bump(std::string_view text);

  // base + 10 × count, saturating at 4294967295. Called from sort
  // comparators: one hash lookup, no allocation.
  [[nodiscard]] uint32_t rank(uint32_t base, std::string_view text) const noexcept;

  // The learned count of the text, 0 when it was never committed.
  [[nodiscard]] uint32_t count(std::string_view text) const noexcept;

  // Rewrites the file whole through "path.tmp" and a rename, so the file
  // holds either the old or the complete new content. Returns whether the
  // file was replaced; on failure the old file and the store are unchanged.
  bool save(const std::string& path) const;

  [[nodiscard]] size_t size() const noexcept { return counts_.size(); }

 private:
  text::StringMap<uint32_t> counts_;
};

}  // namespace wubi_pinyin::freq
