// The word maps: one sorted run of compact entries per map plus a queue of
// recent additions that is merged in by settle().
//
// Bulk additions (the word lists, the derived Wubi words) go through a key
// index: every distinct key gets a number on arrival, found again through a
// hash of its bytes. Settling sorts only the keys that are new since the
// last settle, finds their places among the settled keys, and then lays out
// the entries key by key in one pass (the settled entries of a key, then its
// queued ones in arrival order). Entries are never compared by bytes; a key
// is compared only when it is new.
#include <algorithm>

#include "pinyin/byte_sort.h"
#include "pinyin/pinyin_data.h"

namespace wubi_pinyin::pinyin {

namespace {

using Entry = WordMap::Entry;
using detail::IdTable;

// Without the key index at most this many entries are queued; the next
// addition builds the index.
constexpr size_t kFewAdditions = 16;

// Keys are stored once each, so a key's position identifies it.
[[nodiscard]] size_t pair_hash(text::StrRef key, std::string_view word) noexcept {
  return detail::mix_bits(key.pos) ^ detail::hash_bytes(word);
}

[[nodiscard]] bool same_key(text::StrRef a, text::StrRef b) noexcept {
  return a.pos == b.pos && a.len == b.len;
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

// Grows a vector by a little instead of doubling, so a run that is already
// large keeps little unused room.
template <class T>
void reserve_for(std::vector<T>& v, size_t extra) {
  const size_t need = v.size() + extra;
  if (need > v.capacity()) v.reserve(need + need / 64);
}

template <class T>
void release(std::vector<T>& v) noexcept {
  std::vector<T>().swap(v);
}

}  // namespace

// ---- Key index ----

uint32_t WordMap::find_key_id(const text::StringArena& arena, std::string_view key) const {
  return key_ids_.find(detail::hash_bytes(key),
                       [&](uint32_t id) { return arena.view(keys_[id].key) == key; });
}

void WordMap::build_index(const text::StringArena& arena) {
  // The settled keys, already in byte order: one number per run of entries.
  for (size_t i = 0; i < sorted_.size();) {
    const auto id = static_cast<uint32_t>(keys_.size());
    size_t j = i + 1;
    while (j < sorted_.size() && same_key(sorted_[j].key, sorted_[i].key)) ++j;
    keys_.push_back({sorted_[i].key, static_cast<uint32_t>(i), static_cast<uint32_t>(j - i)});
    key_ids_.insert(detail::hash_bytes(arena.view(sorted_[i].key)), id);
    order_.push_back(id);
    i = j;
  }
  indexed_ = true;
  // The few entries queued so far get their key numbers, and their pairs
  // become visible to files() like those of index_pair().
  for (uint32_t i = 0; i < pending_.size(); ++i) {
    const std::string_view key = arena.view(pending_[i].key);
    pending_key_.push_back(number_key(arena, key, detail::hash_bytes(key), pending_[i].key));
    index_pair(arena, i);
  }
}

uint32_t WordMap::number_key(const text::StringArena& arena, std::string_view key, size_t hash,
                             text::StrRef stored) {
  const auto fresh = static_cast<uint32_t>(keys_.size());
  const uint32_t id = key_ids_.find_or_insert(
      hash, fresh, [&](uint32_t i) { return arena.view(keys_[i].key) == key; });
  if (id == fresh) keys_.push_back({stored, 0, 0});
  return id;
}

void WordMap::release_index(const text::StringArena& arena) {
  settle(arena);
  indexed_ = false;
  release(keys_);
  key_ids_.release();
  release(order_);
  release(pending_key_);
}

// ---- Additions ----

std::optional<text::StrRef> WordMap::find_key(const text::StringArena& arena,
                                              std::string_view key) const {
  if (indexed_) {
    const uint32_t id = find_key_id(arena, key);
    if (id == IdTable::kNone) return std::nullopt;
    return keys_[id].key;
  }
  const auto it = std::lower_bound(sorted_.begin(), sorted_.end(), key, KeyLess{&arena});
  if (it != sorted_.end() && arena.view(it->key) == key) return it->key;
  for (const Entry& e : pending_)
    if (arena.view(e.key) == key) return e.key;
  return std::nullopt;
}

uint32_t WordMap::add(text::StringArena& arena, std::string_view key, Entry e) {
  return add(arena, key, detail::hash_bytes(key), e);
}

uint32_t WordMap::add(text::StringArena& arena, std::string_view key, size_t hash, Entry e) {
  if (!indexed_ && pending_.size() >= kFewAdditions) build_index(arena);
  const auto index = static_cast<uint32_t>(pending_.size());
  if (indexed_) {
    const uint32_t id = number_key(arena, key, hash, text::StrRef{});
    // A new key is stored once, here.
    if (keys_[id].key.len == 0) keys_[id].key = arena.store(key);
    e.key = keys_[id].key;
    pending_key_.push_back(id);
  } else {
    const std::optional<text::StrRef> known = find_key(arena, key);
    e.key = known ? *known : arena.store(key);
  }
  pending_.push_back(e);
  return index;
}

void WordMap::reserve(size_t n) {
  pending_.reserve(pending_.size() + n);
  pending_key_.reserve(pending_key_.size() + n);
  keys_.reserve(keys_.size() + n);
}

void WordMap::prefetch(size_t hash) const noexcept {
  if (indexed_) key_ids_.prefetch(hash);
}

void WordMap::index_pair(const text::StringArena& arena, uint32_t pending_index) {
  // Without the key index the queue is short and files() scans it whole.
  if (!indexed_) return;
  const Entry& e = pending_[pending_index];
  pending_pairs_.insert(pair_hash(e.key, arena.view(e.word())), pending_index);
}

bool WordMap::files(const text::StringArena& arena, std::string_view key,
                    std::string_view word) const {
  const auto word_at = [&](const Entry& e) { return arena.view(e.word()) == word; };
  if (indexed_) {
    const uint32_t id = find_key_id(arena, key);
    if (id == IdTable::kNone) return false;
    const KeyRecord& k = keys_[id];
    if (id < order_.size()) {  // a settled key
      if (std::any_of(sorted_.begin() + k.first, sorted_.begin() + k.first + k.size, word_at))
        return true;
    }
    const text::StrRef key_ref = k.key;
    return pending_pairs_.find(pair_hash(key_ref, word), [&](uint32_t i) {
      return same_key(pending_[i].key, key_ref) && word_at(pending_[i]);
    }) != IdTable::kNone;
  }
  const auto [first, last] = std::equal_range(sorted_.begin(), sorted_.end(), key, KeyLess{&arena});
  if (std::any_of(first, last, word_at)) return true;
  return std::any_of(pending_.begin(), pending_.end(),
                     [&](const Entry& e) { return arena.view(e.key) == key && word_at(e); });
}

// ---- Settling ----

void WordMap::settle(const text::StringArena& arena) const {
  if (pending_.empty()) return;
  if (!indexed_) {
    // A few additions (a user phrase): insert each after the last entry of
    // its key.
    const KeyLess less{&arena};
    reserve_for(sorted_, pending_.size());
    for (const Entry& e : pending_) {
      const auto at = std::upper_bound(sorted_.begin(), sorted_.end(), e, less);
      sorted_.insert(at, e);
    }
    release(pending_);
    return;
  }

  const auto key_count = static_cast<uint32_t>(keys_.size());
  const auto settled = static_cast<uint32_t>(order_.size());
  const auto key_text = [&](uint32_t id) { return arena.view(keys_[id].key); };

  // The keys new since the last settle are the numbers from `settled` on.
  std::vector<uint32_t> fresh(key_count - settled);
  for (uint32_t i = 0; i < fresh.size(); ++i) fresh[i] = settled + i;
  detail::sort_ids_by_bytes(fresh, key_text);

  // Queued entries grouped by key number, arrival order kept: after this,
  // those of key k are queued[start[k - 1] .. start[k]) (from 0 for k = 0).
  std::vector<uint32_t> start(size_t{key_count} + 1, 0);
  for (const uint32_t id : pending_key_) ++start[id + 1];
  for (uint32_t k = 0; k < key_count; ++k) start[k + 1] += start[k];
  std::vector<uint32_t> queued(pending_.size());
  for (uint32_t i = 0; i < pending_.size(); ++i) queued[start[pending_key_[i]]++] = i;
  release(pending_key_);

  std::vector<Entry> out;
  out.reserve(sorted_.size() + pending_.size());
  std::vector<uint32_t> order;
  order.reserve(key_count);
  const auto emit = [&](uint32_t id, bool has_settled) {
    const auto first = static_cast<uint32_t>(out.size());
    if (has_settled) {
      const KeyRecord& g = keys_[id];
      out.insert(out.end(), sorted_.begin() + g.first, sorted_.begin() + g.first + g.size);
    }
    for (uint32_t q = id == 0 ? 0 : start[id - 1]; q < start[id]; ++q)
      out.push_back(pending_[queued[q]]);
    keys_[id].first = first;
    keys_[id].size = static_cast<uint32_t>(out.size()) - first;
    order.push_back(id);
  };
  // Merge the new keys into the settled ones by bytes. Few new keys among
  // many: find each one's place by bisection; otherwise walk both.
  const bool bisect = fresh.size() * 16 < settled;
  size_t i = 0;
  for (const uint32_t id : fresh) {
    const std::string_view key = key_text(id);
    size_t stop;
    if (bisect) {
      stop = static_cast<size_t>(
          std::lower_bound(order_.begin() + static_cast<std::ptrdiff_t>(i), order_.end(), key,
                           [&](uint32_t a, std::string_view k) { return key_text(a) < k; }) -
          order_.begin());
    } else {
      stop = i;
      while (stop < order_.size() && key_text(order_[stop]) < key) ++stop;
    }
    for (; i < stop; ++i) emit(order_[i], true);
    emit(id, false);
  }
  for (; i < order_.size(); ++i) emit(order_[i], true);

  sorted_ = std::move(out);
  order_ = std::move(order);
  release(pending_);
  pending_pairs_.release();
}

// ---- Lookups ----

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
