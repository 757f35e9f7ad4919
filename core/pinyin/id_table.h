#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace wubi_pinyin::pinyin::detail {

// Spreads the bits of a number over the whole word (the splitmix64 finisher),
// so integer keys hash well with a power-of-two mask.
[[nodiscard]] constexpr size_t mix_bits(uint64_t x) noexcept {
  x ^= x >> 30;
  x *= 0xbf58476d1ce4e5b9ULL;
  x ^= x >> 27;
  x *= 0x94d049bb133111ebULL;
  x ^= x >> 31;
  return static_cast<size_t>(x);
}

// An open-addressing index of 32-bit ids (linear probing, at most 80 % full).
// It stores only the ids: the owner keeps the records they number and supplies
// the hash and the equality test, so an index costs 4 to 8 bytes per record.
class IdTable {
 public:
  static constexpr uint32_t kNone = UINT32_MAX;

  // The first id in the probe sequence of `hash` for which eq(id) holds, or
  // kNone.
  template <class Eq>
  [[nodiscard]] uint32_t find(size_t hash, Eq&& eq) const {
    if (slots_.empty()) return kNone;
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
      const uint32_t id = slots_[i];
      if (id == kNone || eq(id)) return id;
    }
  }

  // Adds an id under `hash`; hash_of(id) recomputes the hash of a stored id
  // when the index grows.
  template <class HashOf>
  void insert(size_t hash, uint32_t id, HashOf&& hash_of) {
    if ((count_ + 1) * 5 > slots_.size() * 4) grow(hash_of);
    place(hash, id);
    ++count_;
  }

  [[nodiscard]] size_t size() const noexcept { return count_; }
  [[nodiscard]] size_t capacity_bytes() const noexcept { return slots_.capacity() * 4; }

  // Empties the index and gives its memory back.
  void release() noexcept {
    std::vector<uint32_t>().swap(slots_);
    count_ = 0;
  }

 private:
  void place(size_t hash, uint32_t id) noexcept {
    const size_t mask = slots_.size() - 1;
    size_t i = hash & mask;
    while (slots_[i] != kNone) i = (i + 1) & mask;
    slots_[i] = id;
  }

  template <class HashOf>
  void grow(HashOf& hash_of) {
    std::vector<uint32_t> old;
    old.swap(slots_);
    slots_.assign(old.empty() ? 16 : old.size() * 2, kNone);
    for (const uint32_t id : old)
      if (id != kNone) place(hash_of(id), id);
  }

  std::vector<uint32_t> slots_;
  size_t count_ = 0;
};

}  // namespace wubi_pinyin::pinyin::detail
