#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "text/string_arena.h"

namespace wubi_pinyin::wubi {

// One Wubi code table: the words of every code, ordered by code bytes and by
// arrival within a code, and the full code of every character that occurs
// as a one-character entry.
class WubiTable {
 public:
  // A stored entry as the lookups see it; the views point into the table.
  struct Match {
    std::string_view code;
    std::string_view word;
    uint32_t weight;
  };

  // Compact record of one entry; the strings live in the table's arena.
  struct Entry {
    text::StrRef code;
    text::StrRef word;
    uint32_t weight;
  };

  // A contiguous run of entries (codes ascending, arrival order within one
  // code). Valid until the table next changes.
  class Range {
   public:
    class iterator {
     public:
      using value_type = Match;
      using difference_type = std::ptrdiff_t;
      iterator() = default;
      iterator(const WubiTable* t, const Entry* e) : table_(t), entry_(e) {}
      Match operator*() const noexcept { return table_->match(*entry_); }
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
      const WubiTable* table_ = nullptr;
      const Entry* entry_ = nullptr;
    };

    Range() = default;
    Range(const WubiTable* t, const Entry* b, const Entry* e) : table_(t), begin_(b), end_(e) {}
    [[nodiscard]] iterator begin() const noexcept { return {table_, begin_}; }
    [[nodiscard]] iterator end() const noexcept { return {table_, end_}; }
    [[nodiscard]] size_t size() const noexcept { return static_cast<size_t>(end_ - begin_); }
    [[nodiscard]] bool empty() const noexcept { return begin_ == end_; }
    [[nodiscard]] Match operator[](size_t i) const noexcept { return table_->match(begin_[i]); }

   private:
    const WubiTable* table_ = nullptr;
    const Entry* begin_ = nullptr;
    const Entry* end_ = nullptr;
  };

  WubiTable() = default;
  WubiTable(WubiTable&&) noexcept = default;
  WubiTable& operator=(WubiTable&&) noexcept = default;

  // Files every record of a dictionary file (word, code, optional weight;
  // a missing weight is 0). A file that cannot be opened changes nothing.
  void load(const std::string& path);

  // Files (word, code lowercased) with weight 1000. False when the word
  // already stood under that code; the full code of a one-character word is
  // updated in both cases.
  bool add(std::string_view word, std::string_view code);

  // Files the records of a word list that are new under their code (a
  // missing weight is 1000) and returns them, code lowercased, in file order.
  [[nodiscard]] std::vector<std::pair<std::string, std::string>> import_entries(
      const std::string& path);

  // Every entry whose code starts with `code` (byte comparison): codes in
  // ascending byte order, entries of one code in stored order. Empty for an
  // empty code. One range scan; nothing is copied.
  [[nodiscard]] Range prefix(std::string_view code) const noexcept;

  // The entries filed under exactly `code`, in stored order.
  [[nodiscard]] Range by_code(std::string_view code) const noexcept;

  // Every entry of the table, in the order of prefix().
  [[nodiscard]] Range all() const noexcept;

  // Full code of a character and the weight of the entry that set it.
  [[nodiscard]] std::optional<std::string_view> full_code(char32_t c) const noexcept;
  [[nodiscard]] std::optional<uint32_t> full_code_weight(char32_t c) const noexcept;

  [[nodiscard]] size_t size() const noexcept { return entries_.size(); }

  [[nodiscard]] Match match(const Entry& e) const noexcept {
    return {arena_.view(e.code), arena_.view(e.word), e.weight};
  }

 private:
  struct FullCode {
    text::StrRef code;  // never empty for a stored character
    uint32_t weight;
  };

  // Hash map from a character to its full code: open addressing with linear
  // probing over one array of 16-byte slots, so a lookup touches one or two
  // cache lines and a character costs no allocation of its own.
  class FullCodeMap {
   public:
    [[nodiscard]] const FullCode* find(char32_t c) const noexcept;
    // The value of `c`, inserted with an empty code when absent; the caller
    // sets a code at once.
    FullCode& find_or_insert(char32_t c);

   private:
    struct Slot {
      char32_t key;
      FullCode value;  // empty code: the slot is free
    };
    [[nodiscard]] size_t home(char32_t c) const noexcept;
    void grow();

    std::vector<Slot> slots_;  // size 0 or a power of two
    size_t count_ = 0;
  };

  void apply_full_code(char32_t c, text::StrRef code, uint32_t weight);
  // Files records gathered in arrival order into the sorted entries, behind
  // the entries of equal code already there. `sorted` tells that the records
  // already stand in code order, which spares the sort.
  void merge_pending(std::vector<Entry>& pending, bool sorted);
  // Gives spare capacity of the entries back when a load reserved far more
  // than the file held.
  void trim_capacity();

  text::StringArena arena_;
  std::vector<Entry> entries_;  // sorted by code bytes, stable in arrival order
  FullCodeMap full_code_;
};

}  // namespace wubi_pinyin::wubi
