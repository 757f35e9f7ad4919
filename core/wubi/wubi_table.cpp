#include "wubi/wubi_table.h"

#include <algorithm>
#include <filesystem>
#include <iterator>

#include "text/ascii.h"
#include "text/line_reader.h"
#include "text/number.h"
#include "text/string_hash.h"
#include "text/utf8.h"
#include "text/white_space.h"

namespace wubi_pinyin::wubi {

namespace {

constexpr uint32_t kLoadMissingWeight = 0;
constexpr uint32_t kImportMissingWeight = 1000;
constexpr uint32_t kAddWeight = 1000;

// Orders entries by the bytes of their codes; also compares an entry with a
// bare code, both ways, for the binary searches. Nothing is allocated.
struct CodeLess {
  const text::StringArena& arena;

  bool operator()(const WubiTable::Entry& a, const WubiTable::Entry& b) const noexcept {
    return arena.view(a.code) < arena.view(b.code);
  }
  bool operator()(const WubiTable::Entry& a, std::string_view code) const noexcept {
    return arena.view(a.code) < code;
  }
  bool operator()(std::string_view code, const WubiTable::Entry& b) const noexcept {
    return code < arena.view(b.code);
  }
};

// Calls f(word, code, weight) for every record of a dictionary file, in file
// order: the code lowercased, a missing or unreadable weight given as
// `missing_weight`. Returns false when the file could not be opened.
template <class F>
bool for_each_record(const std::string& path, uint32_t missing_weight, F&& f) {
  return text::read_lines(path, text::InvalidLine::skip, [&](std::string_view line) {
    const std::string_view record = text::dictionary_record(line);
    if (record.empty()) return;
    const text::Fields fields = text::split_white_space(record);
    if (fields.size() < 2) return;
    const std::string code = text::ascii_lowered(fields[1]);
    const uint32_t weight =
        fields.size() >= 3 ? text::parse_u32(fields[2]).value_or(missing_weight) : missing_weight;
    f(fields[0], std::string_view(code), weight);
  });
}

// Tracks the code of the last gathered record, so a run of records under one
// code shares one stored code string, and notes whether the records arrive in
// code order.
class CodeRun {
 public:
  explicit CodeRun(text::StringArena& arena) : arena_(arena) {}

  // The handle of `code`: the one of the run when the code continues it, else
  // `known` when that is set, else a fresh copy. Empty when the arena is full.
  text::StrRef ref(std::string_view code, text::StrRef known = {}) {
    const int order = have_ ? code.compare(view_) : 1;
    if (order == 0) return ref_;
    const text::StrRef r = known.len != 0 ? known : arena_.store(code);
    if (r.len == 0) return r;
    if (order < 0) sorted_ = false;
    have_ = true;
    ref_ = r;
    view_ = arena_.view(r);
    return r;
  }

  [[nodiscard]] bool sorted() const noexcept { return sorted_; }

 private:
  text::StringArena& arena_;
  bool have_ = false;
  bool sorted_ = true;
  text::StrRef ref_{};
  std::string_view view_;
};

// A guess of the number of records of a file, from its size: real lines
// take 10 to 20 bytes. Only a reservation; capped so that a huge file does
// not reserve more than it will fill.
size_t expected_records(const std::string& path) {
  std::error_code ec;
  const uintmax_t bytes = std::filesystem::file_size(path, ec);
  if (ec) return 0;
  return static_cast<size_t>(std::min<uintmax_t>(bytes / 10, uintmax_t{1} << 20));
}

}  // namespace

void WubiTable::load(const std::string& path) {
  std::vector<Entry> pending;
  pending.reserve(expected_records(path));
  CodeRun run(arena_);
  for_each_record(path, kLoadMissingWeight,
                  [&](std::string_view word, std::string_view code, uint32_t weight) {
                    const text::StrRef code_ref = run.ref(code);
                    const text::StrRef word_ref = arena_.store(word);
                    if (code_ref.len == 0 || word_ref.len == 0) return;  // arena exhausted
                    if (text::is_single_char(word))
                      apply_full_code(text::first_char(word), code_ref, weight);
                    pending.push_back({code_ref, word_ref, weight});
                  });
  merge_pending(pending, run.sorted());
}

bool WubiTable::add(std::string_view word, std::string_view code) {
  // Neither field of a record can be empty; such an entry could never be
  // typed nor written back as a line.
  if (word.empty() || code.empty()) return false;
  const std::string lowered = text::ascii_lowered(code);
  const CodeLess less{arena_};
  const auto [lo, hi] =
      std::equal_range(entries_.begin(), entries_.end(), std::string_view(lowered), less);
  const text::StrRef code_ref = lo != hi ? lo->code : arena_.store(lowered);
  if (code_ref.len == 0) return false;
  if (text::is_single_char(word)) apply_full_code(text::first_char(word), code_ref, kAddWeight);
  for (auto it = lo; it != hi; ++it)
    if (arena_.view(it->word) == word) return false;
  const text::StrRef word_ref = arena_.store(word);
  if (word_ref.len == 0) return false;
  entries_.insert(hi, Entry{code_ref, word_ref, kAddWeight});
  return true;
}

std::vector<std::pair<std::string, std::string>> WubiTable::import_entries(
    const std::string& path) {
  std::vector<std::pair<std::string, std::string>> added;
  std::vector<Entry> pending;
  CodeRun run(arena_);
  // "code TAB word" of every record taken from this file; fields never hold
  // white space, so the joined key is unambiguous.
  text::StringSet taken;
  std::string key;
  const CodeLess less{arena_};
  for_each_record(
      path, kImportMissingWeight,
      [&](std::string_view word, std::string_view code, uint32_t weight) {
        const auto [lo, hi] = std::equal_range(entries_.begin(), entries_.end(), code, less);
        for (auto it = lo; it != hi; ++it)
          if (arena_.view(it->word) == word) return;
        key.assign(code);
        key.push_back('\t');
        key.append(word);
        if (taken.contains(key)) return;
        const text::StrRef code_ref = run.ref(code, lo != hi ? lo->code : text::StrRef{});
        const text::StrRef word_ref = arena_.store(word);
        if (code_ref.len == 0 || word_ref.len == 0) return;  // arena exhausted
        taken.insert(key);
        pending.push_back({code_ref, word_ref, weight});
        if (text::is_single_char(word)) apply_full_code(text::first_char(word), code_ref, weight);
        added.emplace_back(std::string(word), std::string(code));
      });
  merge_pending(pending, run.sorted());
  return added;
}

WubiTable::Range WubiTable::prefix(std::string_view code) const noexcept {
  if (code.empty()) return {this, nullptr, nullptr};
  const Entry* first = entries_.data();
  const Entry* last = first + entries_.size();
  const Entry* lo = std::lower_bound(first, last, code, CodeLess{arena_});
  // The keys that start with the code follow the lower bound without a gap.
  // Gallop to bracket the end, then search the bracket: a long code's short
  // run costs a few comparisons instead of a search of the whole rest.
  const auto starts = [&](const Entry& e) { return arena_.view(e.code).starts_with(code); };
  const size_t rest = static_cast<size_t>(last - lo);
  size_t bound = 1;
  while (bound < rest && starts(lo[bound])) bound *= 2;
  const Entry* hi = std::partition_point(lo + bound / 2, lo + std::min(bound, rest), starts);
  return {this, lo, hi};
}

WubiTable::Range WubiTable::by_code(std::string_view code) const noexcept {
  const Entry* first = entries_.data();
  const Entry* last = first + entries_.size();
  const auto [lo, hi] = std::equal_range(first, last, code, CodeLess{arena_});
  return {this, lo, hi};
}

WubiTable::Range WubiTable::all() const noexcept {
  return {this, entries_.data(), entries_.data() + entries_.size()};
}

std::optional<std::string_view> WubiTable::full_code(char32_t c) const noexcept {
  const FullCode* f = full_code_.find(c);
  if (!f) return std::nullopt;
  return arena_.view(f->code);
}

std::optional<uint32_t> WubiTable::full_code_weight(char32_t c) const noexcept {
  const FullCode* f = full_code_.find(c);
  if (!f) return std::nullopt;
  return f->weight;
}

void WubiTable::apply_full_code(char32_t c, text::StrRef code, uint32_t weight) {
  FullCode& f = full_code_.find_or_insert(c);
  if (f.code.len == 0) {
    f = FullCode{code, weight};
    return;
  }
  // The longest code wins; among codes of one length a strictly higher
  // weight wins, so on equal weight the earlier code stays.
  const size_t have = text::char_count(arena_.view(f.code));
  const size_t offered = text::char_count(arena_.view(code));
  if (have < offered || (have == offered && f.weight < weight)) f = FullCode{code, weight};
}

size_t WubiTable::FullCodeMap::home(char32_t c) const noexcept {
  // Fibonacci hashing: the high bits of the product spread neighbouring
  // characters (whole blocks of CJK ideographs) over the table.
  return static_cast<size_t>((uint64_t{c} * 0x9e3779b97f4a7c15ull) >> 32) & (slots_.size() - 1);
}

const WubiTable::FullCode* WubiTable::FullCodeMap::find(char32_t c) const noexcept {
  if (slots_.empty()) return nullptr;
  const size_t mask = slots_.size() - 1;
  for (size_t i = home(c);; i = (i + 1) & mask) {
    const Slot& s = slots_[i];
    if (s.value.code.len == 0) return nullptr;
    if (s.key == c) return &s.value;
  }
}

WubiTable::FullCode& WubiTable::FullCodeMap::find_or_insert(char32_t c) {
  // At most three quarters full, so every probe ends at a free slot.
  if ((count_ + 1) * 4 > slots_.size() * 3) grow();
  const size_t mask = slots_.size() - 1;
  for (size_t i = home(c);; i = (i + 1) & mask) {
    Slot& s = slots_[i];
    if (s.value.code.len == 0) {
      s.key = c;
      ++count_;
      return s.value;
    }
    if (s.key == c) return s.value;
  }
}

void WubiTable::FullCodeMap::grow() {
  std::vector<Slot> old(slots_.empty() ? 64 : slots_.size() * 2, Slot{0, FullCode{{}, 0}});
  old.swap(slots_);
  const size_t mask = slots_.size() - 1;
  for (const Slot& s : old) {
    if (s.value.code.len == 0) continue;
    size_t i = home(s.key);
    while (slots_[i].value.code.len != 0) i = (i + 1) & mask;
    slots_[i] = s;
  }
}

void WubiTable::merge_pending(std::vector<Entry>& pending, bool sorted) {
  if (pending.empty()) return;
  const CodeLess less{arena_};
  if (!sorted) std::stable_sort(pending.begin(), pending.end(), less);
  if (entries_.empty()) {
    entries_.swap(pending);
  } else {
    // Entries up to the last one not above the first new code stay in place;
    // only the tail behind them takes part in the merge. The merge keeps the
    // older entries of a code before the new ones.
    const auto keep = std::upper_bound(entries_.begin(), entries_.end(), pending.front(), less);
    const auto tail = keep - entries_.begin();
    const auto old_size = static_cast<std::ptrdiff_t>(entries_.size());
    entries_.insert(entries_.end(), pending.begin(), pending.end());
    if (tail != old_size)
      std::inplace_merge(entries_.begin() + tail, entries_.begin() + old_size, entries_.end(),
                         less);
  }
  pending = {};
  trim_capacity();
}

void WubiTable::trim_capacity() {
  // Capacity that was reserved but never written costs address space, not
  // memory, so only a reservation far above the need is given back.
  const size_t size = entries_.size();
  if (entries_.capacity() <= size + size / 2 + 1024) return;
  std::vector<Entry> compact;
  compact.reserve(size + size / 64 + 64);
  compact.assign(entries_.begin(), entries_.end());
  entries_.swap(compact);
}

}  // namespace wubi_pinyin::wubi
