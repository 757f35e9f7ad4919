#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>
#include <vector>

#include "pinyin/pinyin_data.h"
#include "wubi/wubi_table.h"

namespace wubi_pinyin::engine {

// One record of the word index: a word, the full pinyin it is filed under
// and its code. The views point into the PinyinData the index was built
// from, which always travels with it.
struct WordIndexEntry {
  std::string_view word;
  std::string_view pinyin;
  std::string_view code;
};

// The word index: records sorted by the bytes of the word, one per distinct
// word. A record is kept as 16 bytes of positions in the lexicon's byte
// chunks (which never move) and read as a WordIndexEntry of views; the
// index stays valid as long as the PinyinData it was built from, also when
// either is moved.
class WordIndex {
 public:
  class iterator {
   public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = WordIndexEntry;
    using difference_type = std::ptrdiff_t;
    using reference = WordIndexEntry;
    // What operator-> gives: the record, held by value.
    struct pointer {
      WordIndexEntry entry;
      const WordIndexEntry* operator->() const noexcept { return &entry; }
    };

    iterator() = default;
    iterator(const WordIndex* index, size_t i) : index_(index), i_(i) {}

    WordIndexEntry operator*() const noexcept { return (*index_)[i_]; }
    pointer operator->() const noexcept { return {(*index_)[i_]}; }
    WordIndexEntry operator[](difference_type n) const noexcept {
      return (*index_)[static_cast<size_t>(static_cast<difference_type>(i_) + n)];
    }
    iterator& operator++() noexcept {
      ++i_;
      return *this;
    }
    iterator operator++(int) noexcept {
      iterator old = *this;
      ++i_;
      return old;
    }
    iterator& operator--() noexcept {
      --i_;
      return *this;
    }
    iterator operator--(int) noexcept {
      iterator old = *this;
      --i_;
      return old;
    }
    iterator& operator+=(difference_type n) noexcept {
      i_ = static_cast<size_t>(static_cast<difference_type>(i_) + n);
      return *this;
    }
    iterator& operator-=(difference_type n) noexcept { return *this += -n; }
    friend iterator operator+(iterator it, difference_type n) noexcept { return it += n; }
    friend iterator operator+(difference_type n, iterator it) noexcept { return it += n; }
    friend iterator operator-(iterator it, difference_type n) noexcept { return it -= n; }
    friend difference_type operator-(const iterator& a, const iterator& b) noexcept {
      return static_cast<difference_type>(a.i_) - static_cast<difference_type>(b.i_);
    }
    friend bool operator==(const iterator& a, const iterator& b) noexcept { return a.i_ == b.i_; }
    friend auto operator<=>(const iterator& a, const iterator& b) noexcept { return a.i_ <=> b.i_; }

   private:
    const WordIndex* index_ = nullptr;
    size_t i_ = 0;
  };

  WordIndex() = default;

  [[nodiscard]] size_t size() const noexcept { return records_.size(); }
  [[nodiscard]] bool empty() const noexcept { return records_.empty(); }
  [[nodiscard]] iterator begin() const noexcept { return {this, 0}; }
  [[nodiscard]] iterator end() const noexcept { return {this, records_.size()}; }
  [[nodiscard]] WordIndexEntry operator[](size_t i) const noexcept {
    const Record& r = records_[i];
    const char* word = at(r.text);
    return {{word, r.word_len}, {at(r.pinyin), r.pinyin_len}, {word + r.word_len, r.code_len}};
  }

 private:
  friend WordIndex build_word_index(const pinyin::PinyinData& data);

  struct Record {
    uint32_t text = 0;  // the word's bytes, then the code's
    uint16_t word_len = 0;
    uint16_t code_len = 0;
    uint32_t pinyin = 0;
    uint32_t pinyin_len = 0;
  };

  // A position is a chunk number in the upper 16 bits and an offset in the
  // lower 16, as in the lexicon's handles.
  [[nodiscard]] const char* at(uint32_t pos) const noexcept {
    return chunks_[pos >> 16] + (pos & 0xffff);
  }

  std::vector<Record> records_;
  std::vector<const char*> chunks_;  // start of each byte chunk the records use
};

// Files every multi-character word of the tables under its pinyin, each word
// once, with the first code met (tables in order, codes ascending).
void derive_pinyin(pinyin::PinyinData& data, const std::vector<const wubi::WubiTable*>& tables);

// The word index of a lexicon: its full-pinyin pairs sorted by word (stable),
// the first record of each word kept.
[[nodiscard]] WordIndex build_word_index(const pinyin::PinyinData& data);

}  // namespace wubi_pinyin::engine
