#include "freq/freq.h"

#include <limits>

#include "text/file_write.h"
#include "text/line_reader.h"
#include "text/number.h"
#include "text/white_space.h"

namespace wubi_pinyin::freq {

namespace {

constexpr uint32_t kMaxCount = std::numeric_limits<uint32_t>::max();

}  // namespace

void Freq::load(const std::string& path) {
  text::read_lines(path, text::InvalidLine::skip, [this](std::string_view line) {
    const text::Fields fields = text::split_at_bytes(line, "\t");
    const std::string_view key = fields[0];
    const uint32_t n = fields.size() >= 2 ? text::parse_u32(fields[1]).value_or(0) : 0;
    if (const auto it = counts_.find(key); it != counts_.end()) {
      it->second = n;
    } else {
      counts_.emplace(std::string(key), n);
    }
  });
}

void Freq::bump(std::string_view text) {
  if (const auto it = counts_.find(text); it != counts_.end()) {
    if (it->second < kMaxCount) ++it->second;
  } else {
    counts_.emplace(std::string(text), 1);
  }
}

uint32_t Freq::count(std::string_view text) const noexcept {
  const auto it = counts_.find(text);
  return it == counts_.end() ? 0 : it->second;
}

uint32_t Freq::rank(uint32_t base, std::string_view text) const noexcept {
  // At most (2^32 - 1) × 11, well inside 64 bits.
  const uint64_t score = uint64_t{base} + uint64_t{10} * count(text);
  return score > kMaxCount ? kMaxCount : static_cast<uint32_t>(score);
}

bool Freq::save(const std::string& path) const {
  std::string content;
  for (const auto& [text, n] : counts_) {
    // An LF would split the entry into two lines, and a TAB would move the
    // rest of the text into the count field when the file is read back: such
    // a text cannot be written faithfully, so it is kept in memory only.
    // Commit texts never contain either.
    if (text.find_first_of("\t\n") != std::string::npos) continue;
    content.append(text);
    content.push_back('\t');
    content.append(std::to_string(n));
    content.push_back('\n');
  }
  return text::replace_file(path, content);
}

}  // namespace wubi_pinyin::freq
