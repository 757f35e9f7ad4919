#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pinyin/id_table.h"
#include "text/string_arena.h"
#include "text/string_hash.h"

namespace wubi_pinyin::pinyin {

// One (word, code) pair filed under a key of a word map, as views into the
// PinyinData that holds it. The views stay valid for the life of that
// PinyinData (also across later additions and moves).
struct WordView {
  std::string_view key;
  std::string_view word;
  std::string_view code;
};

// Reading override of a word: its full pinyin and its initials.
struct Polyphonic {
  std::string pinyin;
  std::string initials;
};

// Ordered map from a key (full pinyin or initials) to (word, code) pairs in
// arrival order; keys compare by bytes.
class WordMap {
 public:
  // The word's bytes and then the code's are one string in the arena, so an
  // entry is 16 bytes. A pair whose word and code together exceed 65535
  // bytes cannot be filed.
  struct Entry {
    text::StrRef key;
    uint32_t text = 0;  // arena position of the word; the code follows it
    uint16_t word_len = 0;
    uint16_t code_len = 0;
    [[nodiscard]] text::StrRef word() const noexcept { return {text, word_len}; }
    [[nodiscard]] text::StrRef code() const noexcept {
      return {static_cast<uint32_t>(text + word_len), code_len};
    }
  };

  // A contiguous run of entries in key order (arrival order within a key).
  // A range is valid until the next addition to its PinyinData; the views it
  // yields stay valid for the life of the PinyinData.
  class Range {
   public:
    class iterator {
     public:
      using value_type = WordView;
      using difference_type = std::ptrdiff_t;
      iterator() = default;
      iterator(const text::StringArena* a, const Entry* e) : arena_(a), entry_(e) {}
      WordView operator*() const noexcept {
        return {arena_->view(entry_->key), arena_->view(entry_->word()),
                arena_->view(entry_->code())};
      }
      iterator& operator++() noexcept {
        ++entry_;
        return *this;
      }
      iterator operator++(int) noexcept {
        iterator old = *this;
        ++entry_;
        return old;
      }
      bool operator==(const iterator& o) const noexcept { return entry_ == o.entry_; }

     private:
      const text::StringArena* arena_ = nullptr;
      const Entry* entry_ = nullptr;
    };

    Range() = default;
    Range(const text::StringArena* a, const Entry* b, const Entry* e)
        : arena_(a), begin_(b), end_(e) {}
    [[nodiscard]] iterator begin() const noexcept { return {arena_, begin_}; }
    [[nodiscard]] iterator end() const noexcept { return {arena_, end_}; }
    [[nodiscard]] size_t size() const noexcept { return static_cast<size_t>(end_ - begin_); }
    [[nodiscard]] bool empty() const noexcept { return begin_ == end_; }
    [[nodiscard]] WordView operator[](size_t i) const noexcept {
      return *iterator(arena_, begin_ + i);
    }

   private:
    const text::StringArena* arena_ = nullptr;
    const Entry* begin_ = nullptr;
    const Entry* end_ = nullptr;
  };

 private:
  friend class PinyinData;

  // Handle of the stored key with these bytes, or nothing when no entry has
  // this key yet. Every distinct key is stored once and shared by its entries.
  [[nodiscard]] std::optional<text::StrRef> find_key(const text::StringArena& arena,
                                                     std::string_view key) const;
  // Queues the pair of `e` under the key (storing the key when it is new;
  // e.key is ignored) and returns the index of the queued entry.
  uint32_t add(text::StringArena& arena, std::string_view key, Entry e);
  // The same, given detail::hash_bytes(key).
  uint32_t add(text::StringArena& arena, std::string_view key, size_t hash, Entry e);
  // Makes room for `n` more additions in one allocation per queue.
  void reserve(size_t n);
  // Starts loading what add() will probe for a key of this hash.
  void prefetch(size_t hash) const noexcept;
  // Remembers the queued entry for files(); used for pairs that later
  // additions check against before settle() runs.
  void index_pair(const text::StringArena& arena, uint32_t pending_index);
  // True when a pair with this word is filed under the key, looking at
  // merged entries and at the pairs given to index_pair().
  [[nodiscard]] bool files(const text::StringArena& arena, std::string_view key,
                           std::string_view word) const;
  // Merges the queued entries into the sorted run (stable: queued pairs go
  // after the pairs already under their key, in queue order). Const because
  // lookups settle lazily; see pinyin_data.cpp.
  void settle(const text::StringArena& arena) const;
  // Settles, then drops the key index (below) that bulk additions use.
  void release_index(const text::StringArena& arena);

  [[nodiscard]] Range equal(const text::StringArena& arena, std::string_view key) const;
  [[nodiscard]] Range prefixed(const text::StringArena& arena, std::string_view prefix) const;
  [[nodiscard]] Range all(const text::StringArena& arena) const;

  // Numbers every distinct key, from the entries there are now.
  void build_index(const text::StringArena& arena);
  [[nodiscard]] uint32_t find_key_id(const text::StringArena& arena, std::string_view key) const;
  // The number of a key, numbering it (with the handle `stored`) when new.
  uint32_t number_key(const text::StringArena& arena, std::string_view key, size_t hash,
                      text::StrRef stored);

  // Entries in key order, arrival order within a key. Mutable with the
  // queue below: settle() runs inside const lookups.
  mutable std::vector<Entry> sorted_;
  // Entries added since the last settle(), in arrival order.
  mutable std::vector<Entry> pending_;
  // Queued entries given to index_pair(), by (key, word) handles.
  mutable detail::IdTable pending_pairs_;

  // The key index, kept while words are loaded in bulk (from the first run
  // of more than a few additions until release_index()). Keys are numbered
  // in order of arrival; settling then orders only the new keys and places
  // every entry by its key's number, so no entry is ever compared by bytes.
  // Without the index, additions are few and are placed one by one.
  struct KeyRecord {
    text::StrRef key;
    uint32_t first = 0;  // entries of a settled key in sorted_
    uint32_t size = 0;
  };
  bool indexed_ = false;
  mutable std::vector<KeyRecord> keys_;        // by key number; settle() updates the entries
  detail::IdTable key_ids_;                    // key numbers, by the keys' bytes
  mutable std::vector<uint32_t> order_;        // numbers of the settled keys, in byte order
  mutable std::vector<uint32_t> pending_key_;  // key number of each queued entry
};

// The pinyin lexicon: character readings, the syllable inventory, the word
// maps by full pinyin and by initials, word frequencies and reading
// overrides.
//
// Words filed by register_word() are queued and merged into the word maps by
// the next lookup, so a long run of registrations costs no more than one bulk
// load. Lookups are therefore const but not safe to call from two threads at
// once on one instance; an instance belongs to one thread at a time.
class PinyinData {
 public:
  PinyinData() = default;
  PinyinData(PinyinData&&) noexcept = default;
  PinyinData& operator=(PinyinData&&) noexcept = default;

  // ---- Loaders, in the order they run on a fresh instance ----

  // "hanzi_pinyin.dict": characters and their reading.
  void load(const std::string& path);
  // "polyphonic.dict": word and its syllables.
  void load_polyphonic(const std::string& path);
  // A word list: full pinyin, word, optional code, optional frequency.
  void load_words(const std::string& path);

  // Files a Wubi word under its pinyin and initials (from the override or
  // the character readings). False when its pinyin cannot be formed or it is
  // already filed under that pinyin.
  bool register_word(std::string_view word, std::string_view code);

  // A phrase the user committed: filed with an empty code. False for an
  // empty word or pinyin, or when already filed under that pinyin.
  bool add_user_phrase(std::string_view word, std::string_view pinyin);

  // Carries the word-map entries of an older instance into this one: for
  // every key of each word map, in key order, the older pairs whose word is
  // not yet under that key are appended after this instance's pairs.
  void merge_words_from(const PinyinData& older);

  // Ends bulk loading: merges what is queued and drops the indexes that
  // only loading needs (the word maps' key indexes). Nothing observable
  // changes; later additions are just placed one by one. derive_pinyin
  // calls it once the derived words are filed.
  void compact();

  // ---- Character readings and syllables ----

  [[nodiscard]] std::optional<std::string_view> char_reading(char32_t c) const noexcept;
  // Characters listed with a reading, in file order (empty when none).
  [[nodiscard]] std::span<const char32_t> reading_chars(std::string_view reading) const noexcept;
  [[nodiscard]] bool has_reading(std::string_view reading) const noexcept;
  // Membership in the syllable inventory (readings and their canonical forms).
  [[nodiscard]] bool is_syllable(std::string_view piece) const noexcept;

  // ---- Words ----

  [[nodiscard]] std::optional<uint32_t> word_freq(std::string_view word) const noexcept;
  [[nodiscard]] const Polyphonic* polyphonic(std::string_view word) const noexcept;
  // Full pinyin of a word: the override, "" for the empty word, or the
  // readings of its characters joined; nothing when a reading is missing.
  [[nodiscard]] std::optional<std::string> word_pinyin_of(std::string_view word) const;

  [[nodiscard]] WordMap::Range words_by_pinyin(std::string_view key) const noexcept;
  [[nodiscard]] WordMap::Range words_by_initials(std::string_view key) const noexcept;
  // Pairs of every full-pinyin key that starts with the prefix, keys in byte
  // order; empty for an empty prefix.
  [[nodiscard]] WordMap::Range words_with_prefix(std::string_view prefix) const noexcept;
  // The same walk over the initials map.
  [[nodiscard]] WordMap::Range initials_with_prefix(std::string_view prefix) const noexcept;
  // Every pair of the full-pinyin map, keys in byte order.
  [[nodiscard]] WordMap::Range all_words_by_pinyin() const noexcept;
  [[nodiscard]] WordMap::Range all_words_by_initials() const noexcept;

  // ---- Segmentation of typed ASCII pinyin ----

  // Longest prefix that cuts completely into syllables ("" when none).
  [[nodiscard]] std::string split_longest(std::string_view input) const;
  // Greedy longest-match cut (pieces of at most 6 bytes); nothing when stuck.
  [[nodiscard]] std::optional<std::vector<std::string_view>> greedy_seq(
      std::string_view input) const;
  // Greedy cut where a stuck letter becomes a segment of its own.
  [[nodiscard]] std::vector<std::string_view> display_segments(std::string_view input) const;
  // Up to 16 initials patterns, ascending.
  [[nodiscard]] std::vector<std::string> initials_patterns(std::string_view input) const;

  // Resolves a handle stored by this instance (the word index keeps them).
  [[nodiscard]] std::string_view text_of(text::StrRef r) const noexcept { return arena_.view(r); }
  // The handles behind all_words_by_pinyin(), in the same order.
  [[nodiscard]] std::span<const WordMap::Entry> pinyin_entries() const noexcept;
  // Start of the byte chunk numbered `chunk` (the upper 16 bits of a
  // handle's position); the chunk must exist, as it does for any handle the
  // instance gave out. Chunks never move, so a compact index can keep these
  // and resolve handles without the instance.
  [[nodiscard]] const char* chunk_start(uint32_t chunk) const noexcept {
    return arena_.view(text::StrRef{chunk << 16, 1}).data();
  }

 private:
  // A word with a frequency from a word list; its bytes are those of the
  // pair that first gave it one.
  struct WordRecord {
    text::StrRef word;
    uint32_t freq = 0;
  };
  struct CharRecord {
    char32_t c = 0;
    text::StrRef reading;
  };
  struct ReadingRecord {
    text::StrRef text;
    std::vector<char32_t> chars;
  };
  struct PolyphonicRecord {
    text::StrRef word;
    Polyphonic reading;
  };

  [[nodiscard]] uint32_t find_word(std::string_view word) const;
  // The entry of a (word, code) pair, key not set, storing the bytes as
  // needed; nothing when the pair is empty or too long to file. With a
  // frequency, also sets the word's record to it (making the record).
  std::optional<WordMap::Entry> make_entry(std::string_view word, std::string_view code,
                                           std::optional<uint32_t> freq, std::string& scratch);
  // The same, given bytes_hash(word).
  std::optional<WordMap::Entry> make_entry(std::string_view word, size_t hash,
                                           std::string_view code, std::optional<uint32_t> freq,
                                           std::string& scratch);
  [[nodiscard]] const Polyphonic* polyphonic(std::string_view word, size_t hash) const noexcept;
  [[nodiscard]] const CharRecord* find_char(char32_t c) const;
  [[nodiscard]] uint32_t find_reading(std::string_view reading) const noexcept;
  void add_syllable(std::string_view s);
  // Full pinyin and initials from the characters' first readings; false when
  // a character has none or an empty one.
  bool pinyin_from_readings(std::string_view word, std::string* pinyin,
                            std::string* initials) const;
  void merge_map(WordMap& mine, const WordMap& theirs, const text::StringArena& their_arena);

  text::StringArena arena_;
  // Characters of the Basic Multilingual Plane (all but the rarest) are
  // found by their value in direct_chars_, the others through char_ids_.
  static constexpr char32_t kDirectChars = 0x10000;
  std::vector<CharRecord> chars_;
  std::vector<uint32_t> direct_chars_;  // record of each character below kDirectChars
  detail::IdTable char_ids_;
  // reading_chars: the readings and their characters, found by bytes.
  std::vector<ReadingRecord> readings_;
  detail::IdTable reading_ids_;
  // syllable_keys: every reading and its canonical form, once each.
  std::vector<text::StrRef> syllables_;
  detail::IdTable syllable_ids_;
  size_t longest_syllable_ = 0;
  std::vector<WordRecord> words_;
  detail::IdTable word_ids_;
  std::vector<PolyphonicRecord> polyphonic_;
  detail::IdTable polyphonic_ids_;
  WordMap by_pinyin_;
  WordMap by_initials_;
};

}  // namespace wubi_pinyin::pinyin
