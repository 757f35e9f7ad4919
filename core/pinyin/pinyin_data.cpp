// Character readings, the syllable inventory and the word lexicon.
//
// Storage: every string lives in the instance's arena, so the views handed
// out stay valid for the life of the instance, also after moves and later
// additions. Keys are stored once per distinct key (see WordMap); a pair's
// word and code once per pair, unless the word alone is already stored.
// word_freq is words_ with the open-addressing index word_ids_.
// A word-map entry is 16 bytes: the key's handle and the position of its
// word and code, stored together.
//
// Additions to the word maps are queued and merged in key order in one pass:
// the loaders and the phrase and merge operations settle the queue before they
// return, register_word() leaves it for the next lookup (derive_pinyin calls it
// for every Wubi word in a row). The lookups are const and merge the queue
// through mutable members of WordMap.
#include "pinyin/pinyin_data.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <unordered_set>

#include "pinyin/fuzzy_canonical.h"
#include "text/ascii.h"
#include "text/line_reader.h"
#include "text/number.h"
#include "text/utf8.h"
#include "text/white_space.h"

namespace wubi_pinyin::pinyin {

namespace {

[[nodiscard]] size_t bytes_hash(std::string_view s) noexcept {
  return detail::hash_bytes(s);
}

// Grows a vector that lives as long as the instance by an eighth at a time,
// so a large one keeps little unused room.
template <class T>
void grow_for_one(std::vector<T>& v) {
  if (v.size() == v.capacity()) v.reserve(v.size() + v.size() / 8 + 16);
}

// Calls f(field) for every run of non-white-space characters of a line, also
// past the first text::Fields::kCapacity runs.
template <class F>
void for_each_field(std::string_view line, F&& f) {
  for (;;) {
    const text::Fields fields = text::split_white_space(line);
    for (size_t i = 0; i < fields.size(); ++i) f(fields[i]);
    if (fields.size() < text::Fields::kCapacity) return;
    const std::string_view last = fields[fields.size() - 1];
    line = line.substr(static_cast<size_t>(last.data() + last.size() - line.data()));
  }
}

// Bytes of a short real word-list line ("nihao 你好\n" is 13), and the most
// lines room is made for in advance.
constexpr uintmax_t kShortestLine = 12;
constexpr uintmax_t kMaxReserve = uintmax_t{1} << 20;

}  // namespace

// ---- Words ----

uint32_t PinyinData::find_word(std::string_view word) const {
  return word_ids_.find(bytes_hash(word),
                        [&](uint32_t id) { return arena_.view(words_[id].word) == word; });
}

std::optional<WordMap::Entry> PinyinData::make_entry(std::string_view word, std::string_view code,
                                                     std::optional<uint32_t> freq,
                                                     std::string& scratch) {
  return make_entry(word, bytes_hash(word), code, freq, scratch);
}

std::optional<WordMap::Entry> PinyinData::make_entry(std::string_view word, size_t hash,
                                                     std::string_view code,
                                                     std::optional<uint32_t> freq,
                                                     std::string& scratch) {
  if (word.empty() || word.size() + code.size() > UINT16_MAX) return std::nullopt;
  WordMap::Entry e;
  e.word_len = static_cast<uint16_t>(word.size());
  e.code_len = static_cast<uint16_t>(code.size());
  const auto same_word = [&](uint32_t id) { return arena_.view(words_[id].word) == word; };
  if (!code.empty()) {
    scratch.assign(word).append(code);
    e.text = arena_.store(scratch).pos;
  }
  if (!freq) {
    if (code.empty()) {
      // The bytes a record already holds serve the pair too.
      const uint32_t id = word_ids_.find(hash, same_word);
      e.text = id != detail::IdTable::kNone ? words_[id].word.pos : arena_.store(word).pos;
    }
    return e;
  }
  // One probe finds the word's record or makes room for a new one.
  grow_for_one(words_);
  const auto fresh = static_cast<uint32_t>(words_.size());
  const uint32_t id = word_ids_.find_or_insert(hash, fresh, same_word);
  if (id == fresh) {
    if (code.empty()) e.text = arena_.store(word).pos;
    words_.push_back({e.word(), *freq});
  } else {
    if (code.empty()) e.text = words_[id].word.pos;
    words_[id].freq = *freq;
  }
  return e;
}

std::optional<uint32_t> PinyinData::word_freq(std::string_view word) const noexcept {
  const uint32_t id = find_word(word);
  if (id == detail::IdTable::kNone) return std::nullopt;
  return words_[id].freq;
}

// ---- Character readings ----

const PinyinData::CharRecord* PinyinData::find_char(char32_t c) const {
  uint32_t id;
  if (c < kDirectChars)
    id = direct_chars_.empty() ? detail::IdTable::kNone : direct_chars_[c];
  else
    id = char_ids_.find(detail::mix_bits(c), [&](uint32_t i) { return chars_[i].c == c; });
  return id == detail::IdTable::kNone ? nullptr : &chars_[id];
}

uint32_t PinyinData::find_reading(std::string_view reading) const noexcept {
  return reading_ids_.find(bytes_hash(reading),
                           [&](uint32_t i) { return arena_.view(readings_[i].text) == reading; });
}

void PinyinData::add_syllable(std::string_view s) {
  const size_t hash = bytes_hash(s);
  const auto fresh = static_cast<uint32_t>(syllables_.size());
  if (syllable_ids_.find_or_insert(
          hash, fresh, [&](uint32_t i) { return arena_.view(syllables_[i]) == s; }) == fresh)
    syllables_.push_back(arena_.store(s));
  longest_syllable_ = std::max(longest_syllable_, s.size());
}

void PinyinData::load(const std::string& path) {
  std::string reading;
  text::read_lines(path, text::InvalidLine::skip, [&](std::string_view line) {
    const std::string_view record = text::dictionary_record(line);
    if (record.empty()) return;
    // Only single spaces and tabs separate fields here; two in a row give an
    // empty field, and other white space belongs to the field.
    const text::Fields fields = text::split_at_bytes(record, " \t");
    if (fields.size() < 2) return;
    reading.assign(fields[1]);
    for (char& c : reading) c = text::ascii_lower(c);

    uint32_t id = find_reading(reading);
    if (id == detail::IdTable::kNone) {
      // A reading met for the first time, with its canonical form, joins
      // the syllables; a known one is there already.
      id = static_cast<uint32_t>(readings_.size());
      readings_.push_back({arena_.store(reading), {}});
      reading_ids_.insert(bytes_hash(reading), id);
      add_syllable(reading);
      add_syllable(fuzzy_canonical(reading));
    }
    ReadingRecord& rec = readings_[id];
    text::for_each_char(fields[0], [&](char32_t c) {
      if (!find_char(c)) {
        const auto char_id = static_cast<uint32_t>(chars_.size());
        grow_for_one(chars_);
        chars_.push_back({c, rec.text});
        if (c < kDirectChars) {
          if (direct_chars_.empty()) direct_chars_.assign(kDirectChars, detail::IdTable::kNone);
          direct_chars_[c] = char_id;
        } else {
          char_ids_.insert(detail::mix_bits(c), char_id);
        }
      }
      rec.chars.push_back(c);
    });
  });
  for (ReadingRecord& rec : readings_) rec.chars.shrink_to_fit();
  readings_.shrink_to_fit();
  chars_.shrink_to_fit();
}

std::optional<std::string_view> PinyinData::char_reading(char32_t c) const noexcept {
  const CharRecord* rec = find_char(c);
  if (!rec) return std::nullopt;
  return arena_.view(rec->reading);
}

std::span<const char32_t> PinyinData::reading_chars(std::string_view reading) const noexcept {
  const uint32_t id = find_reading(reading);
  if (id == detail::IdTable::kNone) return {};
  return readings_[id].chars;
}

bool PinyinData::has_reading(std::string_view reading) const noexcept {
  return find_reading(reading) != detail::IdTable::kNone;
}

bool PinyinData::is_syllable(std::string_view piece) const noexcept {
  if (piece.size() > longest_syllable_) return false;
  return syllable_ids_.find(bytes_hash(piece), [&](uint32_t i) {
    return arena_.view(syllables_[i]) == piece;
  }) != detail::IdTable::kNone;
}

bool PinyinData::pinyin_from_readings(std::string_view word, std::string* pinyin,
                                      std::string* initials) const {
  if (pinyin) pinyin->clear();
  if (initials) initials->clear();
  size_t pos = 0;
  while (pos < word.size()) {
    const CharRecord* rec = find_char(text::decode_utf8(word, pos));
    if (!rec || rec->reading.len == 0) return false;
    const std::string_view reading = arena_.view(rec->reading);
    if (pinyin) pinyin->append(reading);
    // The first character of the reading (one byte for the ASCII readings
    // of real files; never a cut multi-byte sequence).
    if (initials) initials->append(text::first_char_bytes(reading));
  }
  return true;
}

// ---- Reading overrides ----

void PinyinData::load_polyphonic(const std::string& path) {
  text::read_lines(path, text::InvalidLine::skip, [&](std::string_view line) {
    const std::string_view record = text::dictionary_record(line);
    if (record.empty()) return;
    std::string_view word;
    Polyphonic reading;
    bool first = true;
    for_each_field(record, [&](std::string_view field) {
      if (first) {
        word = field;
        first = false;
        return;
      }
      const std::string syllable = text::ascii_lowered(field);
      reading.pinyin += syllable;
      reading.initials += text::first_char_bytes(syllable);
    });
    if (reading.pinyin.empty()) return;
    const size_t hash = bytes_hash(word);
    const uint32_t id = polyphonic_ids_.find(
        hash, [&](uint32_t i) { return arena_.view(polyphonic_[i].word) == word; });
    if (id != detail::IdTable::kNone) {
      polyphonic_[id].reading = std::move(reading);
      return;
    }
    const auto next = static_cast<uint32_t>(polyphonic_.size());
    polyphonic_.push_back({arena_.store(word), std::move(reading)});
    polyphonic_ids_.insert(hash, next);
  });
  polyphonic_.shrink_to_fit();
}

const Polyphonic* PinyinData::polyphonic(std::string_view word) const noexcept {
  return polyphonic(word, bytes_hash(word));
}

const Polyphonic* PinyinData::polyphonic(std::string_view word, size_t hash) const noexcept {
  const uint32_t id = polyphonic_ids_.find(
      hash, [&](uint32_t i) { return arena_.view(polyphonic_[i].word) == word; });
  return id == detail::IdTable::kNone ? nullptr : &polyphonic_[id].reading;
}

std::optional<std::string> PinyinData::word_pinyin_of(std::string_view word) const {
  if (const Polyphonic* p = polyphonic(word)) return p->pinyin;
  std::string pinyin;
  if (!pinyin_from_readings(word, &pinyin, nullptr)) return std::nullopt;
  return pinyin;
}

// ---- Word lists and additions ----

void PinyinData::load_words(const std::string& path) {
  // Room for as many lines as the file can plausibly hold, reserved once:
  // growing the queues step by step would leave a trail of freed blocks
  // between the lexicon's live ones. Pages never written stay free.
  std::error_code error;
  const uintmax_t bytes = std::filesystem::file_size(path, error);
  if (!error) {
    const auto lines = static_cast<size_t>(std::min<uintmax_t>(bytes / kShortestLine, kMaxReserve));
    words_.reserve(words_.size() + lines);
    by_pinyin_.reserve(lines);
    by_initials_.reserve(lines);
  }
  std::string pinyin;
  std::string initials;
  std::string scratch;
  text::read_lines(path, text::InvalidLine::skip, [&](std::string_view line) {
    const std::string_view record = text::dictionary_record(line);
    if (record.empty()) return;
    const text::Fields fields = text::split_white_space(record);
    if (fields.size() < 2) return;
    const std::string_view word = fields[1];
    const std::string_view code = fields.size() >= 3 ? fields[2] : std::string_view{};
    const std::optional<uint32_t> freq =
        fields.size() >= 4 ? text::parse_u32(fields[3]) : std::nullopt;
    pinyin.assign(fields[0]);
    for (char& c : pinyin) c = text::ascii_lower(c);
    const size_t word_hash = bytes_hash(word);
    bool has_initials;
    if (const Polyphonic* p = polyphonic(word, word_hash)) {
      initials = p->initials;
      has_initials = true;
    } else {
      has_initials = pinyin_from_readings(word, nullptr, &initials);
    }
    // The three lookups below each start with a likely cache miss; let
    // them overlap.
    const size_t pinyin_hash = bytes_hash(pinyin);
    const size_t initials_hash = has_initials ? bytes_hash(initials) : 0;
    word_ids_.prefetch(word_hash);
    by_pinyin_.prefetch(pinyin_hash);
    if (has_initials) by_initials_.prefetch(initials_hash);
    const std::optional<WordMap::Entry> entry = make_entry(word, word_hash, code, freq, scratch);
    if (!entry) return;  // no real record is this long
    if (has_initials) by_initials_.add(arena_, initials, initials_hash, *entry);
    by_pinyin_.add(arena_, pinyin, pinyin_hash, *entry);
  });
  by_initials_.settle(arena_);
  by_pinyin_.settle(arena_);
}

bool PinyinData::register_word(std::string_view word, std::string_view code) {
  if (word.empty()) return false;
  std::string pinyin;
  std::string initials;
  if (const Polyphonic* p = polyphonic(word)) {
    pinyin = p->pinyin;
    initials = p->initials;
  } else if (!pinyin_from_readings(word, &pinyin, &initials)) {
    return false;
  }
  if (by_pinyin_.files(arena_, pinyin, word)) return false;
  std::string scratch;
  const std::optional<WordMap::Entry> entry = make_entry(word, code, std::nullopt, scratch);
  if (!entry) return false;
  by_initials_.add(arena_, initials, *entry);
  by_pinyin_.index_pair(arena_, by_pinyin_.add(arena_, pinyin, *entry));
  // Left queued: the next lookup merges the whole run at once.
  return true;
}

bool PinyinData::add_user_phrase(std::string_view word, std::string_view pinyin) {
  if (word.empty() || pinyin.empty()) return false;
  by_pinyin_.settle(arena_);
  by_initials_.settle(arena_);
  if (by_pinyin_.files(arena_, pinyin, word)) return false;
  std::string scratch;
  const std::optional<WordMap::Entry> entry = make_entry(word, {}, std::nullopt, scratch);
  if (!entry) return false;
  // The override file is not consulted for phrases the user typed.
  std::string initials;
  if (pinyin_from_readings(word, nullptr, &initials)) by_initials_.add(arena_, initials, *entry);
  by_pinyin_.add(arena_, pinyin, *entry);
  by_initials_.settle(arena_);
  by_pinyin_.settle(arena_);
  return true;
}

void PinyinData::merge_words_from(const PinyinData& older) {
  if (&older == this) return;
  merge_map(by_pinyin_, older.by_pinyin_, older.arena_);
  merge_map(by_initials_, older.by_initials_, older.arena_);
}

void PinyinData::compact() {
  by_pinyin_.release_index(arena_);
  by_initials_.release_index(arena_);
}

void PinyinData::merge_map(WordMap& mine, const WordMap& theirs,
                           const text::StringArena& their_arena) {
  // The merged run is built here whole; a key index would go stale.
  mine.release_index(arena_);
  theirs.settle(their_arena);
  if (theirs.sorted_.empty()) return;
  const std::vector<WordMap::Entry>& m = mine.sorted_;
  const std::vector<WordMap::Entry>& t = theirs.sorted_;
  std::vector<WordMap::Entry> out;
  out.reserve(m.size() + t.size());
  std::string scratch;
  size_t i = 0;
  size_t j = 0;
  // Words under the key being merged, once the group is too long to scan.
  std::unordered_set<std::string_view> seen;
  while (j < t.size()) {
    const std::string_view key = their_arena.view(t[j].key);
    while (i < m.size() && arena_.view(m[i].key) < key) out.push_back(m[i++]);
    const size_t group = out.size();
    text::StrRef key_ref;
    bool key_stored = false;
    while (i < m.size() && arena_.view(m[i].key) == key) {
      key_ref = m[i].key;
      key_stored = true;
      out.push_back(m[i++]);
    }
    bool use_set = false;
    const auto present = [&](std::string_view w) {
      if (!use_set && out.size() - group > 32) {
        for (size_t k = group; k < out.size(); ++k) seen.insert(arena_.view(out[k].word()));
        use_set = true;
      }
      if (use_set) return seen.count(w) != 0;
      for (size_t k = group; k < out.size(); ++k)
        if (arena_.view(out[k].word()) == w) return true;
      return false;
    };
    for (; j < t.size() && their_arena.view(t[j].key) == key; ++j) {
      const std::string_view word = their_arena.view(t[j].word());
      if (present(word)) continue;
      std::optional<WordMap::Entry> entry =
          make_entry(word, their_arena.view(t[j].code()), std::nullopt, scratch);
      if (!entry) continue;
      if (!key_stored) {
        key_ref = arena_.store(key);
        key_stored = true;
      }
      entry->key = key_ref;
      out.push_back(*entry);
      if (use_set) seen.insert(arena_.view(entry->word()));
    }
    if (use_set) seen.clear();
  }
  while (i < m.size()) out.push_back(m[i++]);
  out.shrink_to_fit();
  mine.sorted_ = std::move(out);
}

WordMap::Range PinyinData::words_by_pinyin(std::string_view key) const noexcept {
  return by_pinyin_.equal(arena_, key);
}

WordMap::Range PinyinData::words_by_initials(std::string_view key) const noexcept {
  return by_initials_.equal(arena_, key);
}

WordMap::Range PinyinData::words_with_prefix(std::string_view prefix) const noexcept {
  return by_pinyin_.prefixed(arena_, prefix);
}

WordMap::Range PinyinData::initials_with_prefix(std::string_view prefix) const noexcept {
  return by_initials_.prefixed(arena_, prefix);
}

WordMap::Range PinyinData::all_words_by_pinyin() const noexcept {
  return by_pinyin_.all(arena_);
}

std::span<const WordMap::Entry> PinyinData::pinyin_entries() const noexcept {
  by_pinyin_.settle(arena_);
  return by_pinyin_.sorted_;
}

WordMap::Range PinyinData::all_words_by_initials() const noexcept {
  return by_initials_.all(arena_);
}

}  // namespace wubi_pinyin::pinyin
