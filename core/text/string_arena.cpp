#include "text/string_arena.h"

#include <cstring>

namespace wubi_pinyin::text {

StrRef StringArena::store(std::string_view s) {
  if (s.empty()) return {};
  if (s.size() > UINT32_MAX || chunks_.size() >= kMaxChunks) return {};
  if (s.size() > kChunkSize / 4) {
    // A long string gets a chunk of its own so it wastes no shared space.
    chunks_.emplace_back(new char[s.size()]);
    reserved_ += s.size();
    std::memcpy(chunks_.back().get(), s.data(), s.size());
    return {static_cast<uint32_t>((chunks_.size() - 1) << 16), static_cast<uint32_t>(s.size())};
  }
  if (used_ + s.size() > kChunkSize) {
    chunks_.emplace_back(new char[kChunkSize]);
    reserved_ += kChunkSize;
    shared_chunk_ = chunks_.size() - 1;
    used_ = 0;
  }
  std::memcpy(chunks_[shared_chunk_].get() + used_, s.data(), s.size());
  const StrRef ref{static_cast<uint32_t>((shared_chunk_ << 16) | used_),
                   static_cast<uint32_t>(s.size())};
  used_ += s.size();
  return ref;
}

}  // namespace wubi_pinyin::text
