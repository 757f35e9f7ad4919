#include <algorithm>
#include <array>
#include <cmath>
#include <compare>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/core.h"
#include "text/utf8.h"

namespace wubi_pinyin::engine {

namespace {

// Longest piece of typed pinyin that one word or character may cover.
constexpr size_t kMaxPieceBytes = 24;
// Most frequent characters of a reading that a piece may stand for.
constexpr size_t kCharsPerPiece = 3;
// Word weights above this score as if they were this.
constexpr uint32_t kWeightCap = 5'000'000;

constexpr uint64_t kHashStart = 1469598103934665603ull;
constexpr uint64_t kHashFactor = 1099511628211ull;

// Continues a hash of a text over bytes appended to it, so a text has the
// same hash whichever pieces built it.
[[nodiscard]] uint64_t hash_more(uint64_t h, std::string_view bytes) noexcept {
  for (const char b : bytes) h = (h ^ static_cast<unsigned char>(b)) * kHashFactor;
  return h;
}

[[nodiscard]] bool inside_char(std::string_view key, size_t pos) noexcept {
  return pos < key.size() && (static_cast<unsigned char>(key[pos]) & 0xC0) == 0x80;
}

// The piece a path state added last: a dictionary word (a view into the
// lexicon) or one character (encoded in place).
struct Piece {
  std::string_view word;
  std::array<char, 4> ch{};
  uint8_t ch_len = 0;

  [[nodiscard]] std::string_view text() const noexcept {
    return ch_len ? std::string_view(ch.data(), ch_len) : word;
  }
};

// A path state of the search. The text is not stored: it is the parent's
// text followed by the piece, recovered by walking the parents. The hash and
// byte length of the text tell most different texts apart without that walk.
struct State {
  int32_t parent;  // -1 for the start state
  Piece piece;
  double score;
  uint64_t hash;
  uint32_t bytes;
  char32_t last;  // last character of the text, 0 for the empty text
  bool has_word;
};

// A state gathered for one end position, before sorting.
struct Gathered {
  State state;
  uint32_t order;  // gathering order: equal scores keep it
};

void append_text(const std::vector<State>& states, int32_t index, std::string& out) {
  // Pieces from the last to the first, then appended in path order.
  std::array<int32_t, 64> chain_buf;
  std::vector<int32_t> chain_more;
  size_t count = 0;
  for (int32_t i = index; i > 0; i = states[static_cast<size_t>(i)].parent) {
    if (count < chain_buf.size())
      chain_buf[count] = i;
    else
      chain_more.push_back(i);
    ++count;
  }
  for (size_t k = count; k-- > 0;) {
    const int32_t i = k < chain_buf.size() ? chain_buf[k] : chain_more[k - chain_buf.size()];
    out.append(states[static_cast<size_t>(i)].piece.text());
  }
}

[[nodiscard]] std::string text_of(const std::vector<State>& states, const State& s) {
  std::string out;
  out.reserve(s.bytes);
  if (s.parent >= 0) append_text(states, s.parent, out);
  out.append(s.piece.text());
  return out;
}

// Higher score first by the IEEE 754 total order, then gathering order.
[[nodiscard]] bool better(const Gathered& a, const Gathered& b) noexcept {
  const std::strong_ordering c = std::strong_order(a.state.score, b.state.score);
  if (c != 0) return c > 0;
  return a.order < b.order;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> Core::sentence_best(std::string_view key,
                                                                     size_t width,
                                                                     bool whole) const {
  std::vector<std::pair<std::string, std::string>> result;
  const size_t n = key.size();
  if (n < 4 || width == 0) return result;

  // Every state ever kept; beam d is the run first[d] .. first[d] + count[d]
  // of it, since the states of one position are kept together.
  std::vector<State> states;
  states.reserve((n + 1) * std::min<size_t>(width, 8));
  states.push_back(State{-1, Piece{}, 0.0, kHashStart, 0, 0, false});
  std::vector<uint32_t> first(n + 1, 0), count(n + 1, 0);
  count[0] = 1;

  // For each start, the longest piece that some word key begins with: longer
  // pieces from there cannot be word keys, which spares their lookups.
  std::vector<size_t> word_reach(n, 0);
  for (size_t s = 0; s < n; ++s) {
    size_t e = s;
    const size_t limit = std::min(n, s + kMaxPieceBytes);
    while (e < limit && !pinyin.words_with_prefix(key.substr(s, e + 1 - s)).empty()) ++e;
    word_reach[s] = e;
  }

  std::vector<Gathered> gathered;
  std::string text_a, text_b;
  for (size_t d = 1; d <= n; ++d) {
    if (inside_char(key, d)) continue;
    gathered.clear();
    for (size_t s = d > kMaxPieceBytes ? d - kMaxPieceBytes : 0; s < d; ++s) {
      if (count[s] == 0) continue;
      const std::string_view piece = key.substr(s, d - s);
      const State* beam = states.data() + first[s];
      const size_t beam_size = count[s];

      const auto add = [&](const State& parent, size_t parent_index, const Piece& p, char32_t head,
                           char32_t tail, double piece_score, bool word) {
        const bool pair_known = parent.bytes > 0 && bigram.contains(bigram_key(parent.last, head));
        const double score = parent.score + piece_score + (pair_known ? 1.0 : 0.0);
        const std::string_view t = p.text();
        gathered.push_back(
            {State{static_cast<int32_t>(parent_index), p, score, hash_more(parent.hash, t),
                   static_cast<uint32_t>(parent.bytes + t.size()), tail, parent.has_word || word},
             static_cast<uint32_t>(gathered.size())});
      };

      if (d <= word_reach[s]) {
        const pinyin::WordMap::Range entries = pinyin.words_by_pinyin(piece);
        if (!entries.empty()) {
          // The highest weight; the last of equals in stored order.
          pinyin::WordView best = entries[0];
          uint32_t best_weight = wfreq_of(best.word, best.code);
          for (size_t i = 1; i < entries.size(); ++i) {
            const pinyin::WordView v = entries[i];
            const uint32_t w = wfreq_of(v.word, v.code);
            if (w >= best_weight) {
              best = v;
              best_weight = w;
            }
          }
          const double word_score =
              std::log10(static_cast<double>(std::min(best_weight, kWeightCap)) + 1.0) - 9.0 +
              static_cast<double>(text::char_count(best.word));
          const Piece p{best.word, {}, 0};
          const char32_t head = text::first_char(best.word);
          const char32_t tail = text::first_char(text::last_char_bytes(best.word));
          for (size_t i = 0; i < beam_size; ++i)
            add(beam[i], first[s] + i, p, head, tail, word_score, true);
        }
      }

      const std::span<const char32_t> chars = pinyin.reading_chars(piece);
      if (!chars.empty()) {
        // The three most frequent characters; equal frequencies keep the
        // stored order.
        std::array<std::pair<char32_t, uint32_t>, kCharsPerPiece> top{};
        size_t kept = 0;
        for (const char32_t c : chars) {
          const uint32_t f = char_freq(c);
          size_t at = kept;
          while (at > 0 && top[at - 1].second < f) --at;
          if (at >= kCharsPerPiece) continue;
          for (size_t j = std::min(kept, kCharsPerPiece - 1); j > at; --j) top[j] = top[j - 1];
          top[at] = {c, f};
          kept = std::min(kept + 1, kCharsPerPiece);
        }
        for (size_t k = 0; k < kept; ++k) {
          const auto [c, f] = top[k];
          Piece p;
          p.ch_len = static_cast<uint8_t>(text::encode_utf8(c, p.ch.data()));
          const double char_score = std::log10(static_cast<double>(f) + 1.0) - 6.0;
          for (size_t i = 0; i < beam_size; ++i)
            add(beam[i], first[s] + i, p, c, c, char_score, false);
        }
      }
    }
    if (gathered.empty()) continue;

    std::sort(gathered.begin(), gathered.end(), better);
    // Keep the best `width`, dropping a state whose text equals that of the
    // state kept just before it.
    first[d] = static_cast<uint32_t>(states.size());
    const State* prev = nullptr;
    bool prev_text_known = false;
    for (const Gathered& g : gathered) {
      if (count[d] == width) break;
      const State& st = g.state;
      if (prev && prev->hash == st.hash && prev->bytes == st.bytes) {
        if (!prev_text_known) {
          text_a.clear();
          if (prev->parent >= 0) append_text(states, prev->parent, text_a);
          text_a.append(prev->piece.text());
          prev_text_known = true;
        }
        text_b.clear();
        if (st.parent >= 0) append_text(states, st.parent, text_b);
        text_b.append(st.piece.text());
        if (text_a == text_b) continue;
        std::swap(text_a, text_b);
      } else {
        prev_text_known = false;
      }
      states.push_back(st);
      prev = &g.state;
      ++count[d];
    }
  }

  // The end position: the furthest one reached, or with `whole` false the
  // furthest one that a path using a dictionary word reaches.
  for (size_t p = n; p >= 1; --p) {
    if (count[p] == 0) continue;
    const State* beam = states.data() + first[p];
    for (size_t i = 0; i < count[p] && result.size() < width; ++i)
      if (whole || beam[i].has_word)
        result.emplace_back(text_of(states, beam[i]), key.substr(0, p));
    if (!result.empty()) break;
  }
  return result;
}

}  // namespace wubi_pinyin::engine
