// The word maps: one sorted run of compact entries per map plus a queue of
// recent additions that is merged in by settle().
#include <algorithm>
#include <functional>

#include "pinyin/pinyin_data.h"

namespace wubi_pinyin::pinyin {

namespace {

using Entry = WordMap::Entry;

[[nodiscard]] size_t bytes_hash(std::string_view s) noexcept {
  return std::hash<std::string_view>{}(s);
}

// Keys are stored once each, so a key's position identifies it.
[[nodiscard]] size_t pair_hash(text::StrRef key, std::string_view word) noexcept {
  return detail::mix_bits(key.pos) ^ bytes_hash(word);
}

// Compares entries by the bytes of their keys.
struct KeyLess {
  const text::StringArena* arena;
  bool operator()(const Entry& a, const Entry& b) const noexcept {
    return arena->view(a.key) < arena->view(b.key);
  }
  bool operator()(const Entry& a, std::string_view k) const noexcept {
    return arena->view(a.key) < k;
  }
  bool operator()(std::string_view k, const Entry& b) const noexcept {
    return k < arena->view(b.key);
  }
};

// Grows a vector by an eighth instead of doubling, so a run that is already
// large keeps little unused room.
template <class T>
void reserve_for(std::vector<T>& v, size_t extra) {
  const size_t need = v.size() + extra;
  if (need > v.capacity()) v.reserve(need + need / 64);
}

}  // namespace

std::optional<text::StrRef> WordMap::find_key(const text::StringArena& arena,
                                              std::string_view key) const {
  const auto it = std::lower_bound(sorted_.begin(), sorted_.end(), key, KeyLess{&arena});
  if (it != sorted_.end() && arena.view(it->key) == key) return it->key;
  const uint32_t id = pending_keys_.find(
      bytes_hash(key), [&](uint32_t i) { return arena.view(pending_[i].key) == key; });
  if (id != detail::IdTable::kNone) return pending_[id].key;
  return std::nullopt;
}

uint32_t WordMap::add(text::StringArena& arena, std::string_view key, Entry e) {
  const std::optional<text::StrRef> known = find_key(arena, key);
  e.key = known ? *known : arena.store(key);
  const auto id = static_cast<uint32_t>(pending_.size());
  pending_.push_back(e);
  if (!known) {
    pending_keys_.insert(bytes_hash(key), id,
                         [&](uint32_t i) { return bytes_hash(arena.view(pending_[i].key)); });
  }
  return id;
}

void WordMap::index_pair(const text::StringArena& arena, uint32_t pending_index) {
  const auto hash_of = [&](uint32_t i) {
    return pair_hash(pending_[i].key, arena.view(pending_[i].word()));
  };
  pending_pairs_.insert(hash_of(pending_index), pending_index, hash_of);
}

bool WordMap::files(const text::StringArena& arena, std::string_view key,
                    std::string_view word) const {
  const std::optional<text::StrRef> key_ref = find_key(arena, key);
  if (!key_ref) return false;
  const auto [first, last] = std::equal_range(sorted_.begin(), sorted_.end(), key, KeyLess{&arena});
  for (auto it = first; it != last; ++it)
    if (arena.view(it->word()) == word) return true;
  const uint32_t id = pending_pairs_.find(pair_hash(*key_ref, word), [&](uint32_t i) {
    return pending_[i].key.pos == key_ref->pos && arena.view(pending_[i].word()) == word;
  });
  return id != detail::IdTable::kNone;
}

void WordMap::settle(const text::StringArena& arena) const {
  if (pending_.empty()) return;
  const KeyLess less{&arena};
  reserve_for(sorted_, pending_.size());
  if (pending_.size() <= 16) {
    // A few additions (a user phrase, the tail of a run of registrations):
    // insert each after the last entry of its key.
    for (const Entry& e : pending_) {
      const auto at = std::upper_bound(sorted_.begin(), sorted_.end(), e, less);
      sorted_.insert(at, e);
    }
  } else {
    std::stable_sort(pending_.begin(), pending_.end(), less);
    const auto old_size = static_cast<std::ptrdiff_t>(sorted_.size());
    sorted_.insert(sorted_.end(), pending_.begin(), pending_.end());
    // Stable: of equal keys, the entries already there stay first.
    std::inplace_merge(sorted_.begin(), sorted_.begin() + old_size, sorted_.end(), less);
  }
  std::vector<Entry>().swap(pending_);
  pending_keys_.release();
  pending_pairs_.release();
}

WordMap::Range WordMap::equal(const text::StringArena& arena, std::string_view key) const {
  settle(arena);
  const auto [first, last] = std::equal_range(sorted_.begin(), sorted_.end(), key, KeyLess{&arena});
  return {&arena, sorted_.data() + (first - sorted_.begin()),
          sorted_.data() + (last - sorted_.begin())};
}

WordMap::Range WordMap::prefixed(const text::StringArena& arena, std::string_view prefix) const {
  if (prefix.empty()) return {};
  settle(arena);
  const auto first = std::lower_bound(sorted_.begin(), sorted_.end(), prefix, KeyLess{&arena});
  // Keys that start with the prefix are the first ones from the lower bound.
  const auto last = std::partition_point(
      first, sorted_.end(), [&](const Entry& e) { return arena.view(e.key).starts_with(prefix); });
  return {&arena, sorted_.data() + (first - sorted_.begin()),
          sorted_.data() + (last - sorted_.begin())};
}

WordMap::Range WordMap::all(const text::StringArena& arena) const {
  settle(arena);
  return {&arena, sorted_.data(), sorted_.data() + sorted_.size()};
}

}  // namespace wubi_pinyin::pinyin
