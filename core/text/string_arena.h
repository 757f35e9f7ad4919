#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace wubi_pinyin::text {

// A compact handle to bytes kept in a StringArena: 8 bytes instead of the 16
// of a view or the 32 of a std::string.
struct StrRef {
  uint32_t pos = 0;  // chunk index in the upper 16 bits, offset in the lower 16
  uint32_t len = 0;
};

// Append-only storage for many short strings loaded once. Bytes live in
// fixed chunks that never move, so views returned by view() stay valid for
// the life of the arena, also when the arena itself is moved.
class StringArena {
 public:
  static constexpr size_t kChunkSize = size_t{1} << 16;
  static constexpr size_t kMaxChunks = size_t{1} << 16;

  StringArena() = default;
  StringArena(StringArena&&) noexcept = default;
  StringArena& operator=(StringArena&&) noexcept = default;
  StringArena(const StringArena&) = delete;
  StringArena& operator=(const StringArena&) = delete;

  // Copies the bytes in and returns their handle. When the arena is full
  // (4 GiB) the empty handle is returned.
  [[nodiscard]] StrRef store(std::string_view s);

  [[nodiscard]] std::string_view view(StrRef r) const noexcept {
    if (r.len == 0) return {};
    return {chunks_[r.pos >> 16].get() + (r.pos & 0xffff), r.len};
  }

  // Bytes reserved by the chunks, for memory accounting.
  [[nodiscard]] size_t capacity_bytes() const noexcept { return reserved_; }

 private:
  std::vector<std::unique_ptr<char[]>> chunks_;
  size_t used_ = kChunkSize;  // bytes used in the last shared chunk
  size_t shared_chunk_ = 0;   // index of the chunk small strings go to
  size_t reserved_ = 0;
};

}  // namespace wubi_pinyin::text
