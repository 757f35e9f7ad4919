#include "engine/core.h"
#include "engine/punctuation.h"
#include "text/ascii.h"
#include "text/utf8.h"

namespace wubi_pinyin::engine {

namespace {

constexpr uint32_t kSpace = 0x20;
constexpr uint32_t kMinus = 0x2d;
constexpr uint32_t kSemicolon = 0x3b;
constexpr uint32_t kEqual = 0x3d;
constexpr uint32_t kGrave = 0x60;
constexpr uint32_t kBackSpace = 0xff08;
constexpr uint32_t kReturn = 0xff0d;
constexpr uint32_t kEscape = 0xff1b;
constexpr uint32_t kPageUp = 0xff55;
constexpr uint32_t kPageDown = 0xff56;

KeyResult unconsumed(std::string preedit = {}) {
  KeyResult r;
  r.preedit = std::move(preedit);
  r.not_consumed = true;
  return r;
}

KeyResult committed(std::string text, CandidateList candidates = {}) {
  KeyResult r;
  r.commit = std::move(text);
  r.candidates = std::move(candidates);
  return r;
}

}  // namespace

KeyResult Core::key_event(uint32_t keysym) {
  hint.clear();
  const bool has_char = keysym >= 0x20 && keysym <= 0x7e;
  const char ch = has_char ? static_cast<char>(keysym) : '\0';

  const auto refresh = [this] {
    KeyResult r;
    r.preedit = preedit_display();
    r.candidates = panel_cands();
    return r;
  };
  const auto commit_and_offer = [this](std::string text) {
    page = 0;
    return committed(std::move(text), assoc);
  };

  // A digit on a showing association list picks an entry (0 is the ninth).
  if (!assoc.empty() && input.empty()) {
    if (has_char && text::is_ascii_digit(ch)) {
      const size_t index = ch == '0' ? 8 : static_cast<size_t>(ch - '1');
      if (index < assoc.size()) {
        std::string text = assoc[index].text;
        commit_word(text);
        return committed(std::move(text), assoc);
      }
    }
    assoc.clear();
  }

  switch (keysym) {
    case kSpace: {
      const CandidateList list = candidates();
      if (!list.empty()) {
        std::string text = list.front().text;
        commit_word(text);
        return commit_and_offer(std::move(text));
      }
      if (!input.empty()) {
        std::string raw = input;
        clear_composition();
        return committed(std::move(raw));
      }
      return unconsumed();
    }
    case kMinus:
      if (input.empty() || candidates().empty()) break;  // punctuation
      if (page > 0) --page;
      return refresh();
    case kSemicolon:
    case kGrave:
      clear_composition();
      return committed(keysym == kSemicolon ? "；" : "`");
    case kEqual: {
      if (input.empty()) {
        KeyResult r;
        r.not_consumed = !create_word();
        return r;
      }
      const size_t n = candidates().size();
      if (n == 0) return unconsumed(preedit_display());
      if ((page + 1) * page_size < n) ++page;
      return refresh();
    }
    case kBackSpace: {
      if (input.empty()) return unconsumed();
      input.resize(input.size() - text::last_char_bytes(input).size());
      page = 0;
      return refresh();
    }
    case kReturn: {
      if (input.empty()) return unconsumed();
      std::string raw = input;
      clear_composition();
      return committed(std::move(raw));
    }
    case kEscape:
      clear_composition();
      return KeyResult{};
    case kPageUp:
    case kPageDown: {
      const size_t n = candidates().size();
      if (keysym == kPageDown && (page + 1) * page_size < n) ++page;
      if (keysym == kPageUp && page > 0) --page;
      return refresh();
    }
    default:
      break;
  }

  // Default path.
  if (!has_char) return unconsumed(preedit_display());

  if (text::is_ascii_digit(ch)) {
    if (input.empty() || text::is_all_digits(input)) {
      input.push_back(ch);
      page = 0;
      return refresh();
    }
    const size_t position = ch == '0' ? 9 : static_cast<size_t>(ch - '1');
    if (position >= page_size) return refresh();
    std::string text = select(page * page_size + position);
    if (text.empty()) return refresh();
    return commit_and_offer(std::move(text));
  }

  if (text::is_ascii_letter(ch)) {
    input.push_back(ch);
    page = 0;
    return refresh();
  }

  // Punctuation: the quote alternation advances in either width.
  std::optional<std::string_view> full = fullwidth_punct(ch);
  if (!full) return unconsumed(preedit_display());
  if (ch == '"') {
    full = double_quote_open ? "”" : "“";
    double_quote_open = !double_quote_open;
  } else if (ch == '\'') {
    full = single_quote_open ? "’" : "‘";
    single_quote_open = !single_quote_open;
  }
  const std::string p = halfwidth_punct ? std::string(1, ch) : std::string(*full);
  if (input.empty()) {
    recent_chars.clear();
    return committed(p);
  }
  std::string w;
  if (!candidates().empty()) {
    w = select(0);
  } else {
    w = std::move(input);
    input.clear();
  }
  clear_composition();
  return committed(w + p);
}

}  // namespace wubi_pinyin::engine
