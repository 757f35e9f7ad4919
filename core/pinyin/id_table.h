#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
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

// Hash of a short string: eight bytes at a time, then mixed. Much cheaper
// than the library's hash for the keys and words of the lexicon (a few
// bytes to a few dozen).
[[nodiscard]] inline size_t hash_bytes(std::string_view s) noexcept {
  const auto load64 = [](const char* p) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
  };
  const auto load32 = [](const char* p) {
    uint32_t w;
    std::memcpy(&w, p, 4);
    return uint64_t{w};
  };
  const char* p = s.data();
  const size_t n = s.size();
  uint64_t h = 0x9e3779b97f4a7c15ULL ^ n;
  uint64_t tail;
  if (n >= 8) {
    size_t i = 0;
    for (; i + 8 < n; i += 8) {
      h = (h ^ load64(p + i)) * 0xff51afd7ed558ccdULL;
      h ^= h >> 32;
    }
    tail = load64(p + n - 8);  // the last eight bytes, overlapping when n is no multiple of 8
  } else if (n >= 4) {
    tail = (load32(p) << 32) | load32(p + n - 4);
  } else if (n > 0) {
    tail = (uint64_t{static_cast<unsigned char>(p[0])} << 16) |
           (uint64_t{static_cast<unsigned char>(p[n / 2])} << 8) |
           static_cast<unsigned char>(p[n - 1]);
  } else {
    tail = 0;
  }
  return mix_bits((h ^ tail) * 0xc4ceb9fe1a85ec53ULL);
}

// An open-addressing index of 32-bit ids (linear probing, at most 80 % full).
// The owner keeps the records the ids number and supplies the equality test;
// each slot keeps 32 bits of the id's hash beside the id, so a probe compares
// a record only when those bits match, and growing needs no record at all.
class IdTable {
 public:
  static constexpr uint32_t kNone = UINT32_MAX;

  // The first id in the probe sequence of `hash` for which eq(id) holds, or
  // kNone.
  template <class Eq>
  [[nodiscard]] uint32_t find(size_t hash, Eq&& eq) const {
    if (slots_.empty()) return kNone;
    const auto h = static_cast<uint32_t>(hash);
    const size_t mask = slots_.size() - 1;
    for (size_t i = h & mask;; i = (i + 1) & mask) {
      const Slot s = slots_[i];
      if (s.id == kNone) return kNone;
      if (s.hash == h && eq(s.id)) return s.id;
    }
  }

  // Starts loading the first slot that find(hash) probes, so that several
  // lookups can wait for memory at once.
  void prefetch(size_t hash) const noexcept {
#if defined(__GNUC__)
    if (!slots_.empty())
      __builtin_prefetch(&slots_[static_cast<uint32_t>(hash) & (slots_.size() - 1)]);
#else
    (void)hash;
#endif
  }

  // Adds an id under `hash`.
  void insert(size_t hash, uint32_t id) {
    if ((count_ + 1) * 5 > slots_.size() * 4) regrow(slots_.empty() ? 16 : slots_.size() * 2);
    place(static_cast<uint32_t>(hash), id);
    ++count_;
  }

  // The id for which eq(id) holds, found as by find(); when there is none,
  // `fresh` is added under `hash` and returned.
  template <class Eq>
  uint32_t find_or_insert(size_t hash, uint32_t fresh, Eq&& eq) {
    if ((count_ + 1) * 5 > slots_.size() * 4) regrow(slots_.empty() ? 16 : slots_.size() * 2);
    const auto h = static_cast<uint32_t>(hash);
    const size_t mask = slots_.size() - 1;
    for (size_t i = h & mask;; i = (i + 1) & mask) {
      Slot& s = slots_[i];
      if (s.id == kNone) {
        s = {h, fresh};
        ++count_;
        return fresh;
      }
      if (s.hash == h && eq(s.id)) return s.id;
    }
  }

  // Makes room for `n` ids in all, so that adding them never grows the index.
  void reserve(size_t n) {
    size_t want = 16;
    while (n * 5 > want * 4) want *= 2;
    if (want > slots_.size()) regrow(want);
  }

  [[nodiscard]] size_t size() const noexcept {
    return count_;
  }
  [[nodiscard]] size_t capacity_bytes() const noexcept {
    return slots_.capacity() * sizeof(Slot);
  }

  // Empties the index and gives its memory back.
  void release() noexcept {
    std::vector<Slot>().swap(slots_);
    count_ = 0;
  }

 private:
  struct Slot {
    uint32_t hash = 0;
    uint32_t id = kNone;
  };

  void place(uint32_t h, uint32_t id) noexcept {
    const size_t mask = slots_.size() - 1;
    size_t i = h & mask;
    while (slots_[i].id != kNone) i = (i + 1) & mask;
    slots_[i] = {h, id};
  }

  void regrow(size_t slots) {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(slots, Slot{});
    for (const Slot s : old)
      if (s.id != kNone) place(s.hash, s.id);
  }

  std::vector<Slot> slots_;
  size_t count_ = 0;
};

}  // namespace wubi_pinyin::pinyin::detail
