#include <algorithm>
#include <chrono>

#include "engine/core.h"
#include "text/file_write.h"
#include "text/utf8.h"

namespace wubi_pinyin::engine {

namespace {

constexpr uint32_t kCommitsBeforeSave = 20;
constexpr size_t kSmallStore = 100;
constexpr auto kSaveInterval = std::chrono::seconds(5);
constexpr size_t kRecentChars = 10;
constexpr size_t kAssocEntries = 9;

// The first k letters of a code, or the whole code when it is shorter.
std::string_view first_letters(std::string_view code, size_t k) {
  return text::utf8_prefix(code, k);
}

}  // namespace

void Core::commit_word(std::string_view text) {
  // Count, and save from time to time.
  freq.bump(text);
  freq_dirty = true;
  ++commits_since_save;
  const auto now = std::chrono::steady_clock::now();
  if (commits_since_save >= kCommitsBeforeSave || freq.size() < kSmallStore ||
      now - last_freq_save >= kSaveInterval) {
    (void)freq.save(user_freq_path);
    freq_dirty = false;
    commits_since_save = 0;
    last_freq_save = now;
  }

  // Consecutive single characters are the material of word creation.
  if (text::is_single_char(text)) {
    if (text::char_count(recent_chars) > kRecentChars - 1)
      recent_chars.erase(0, text::first_char_bytes(recent_chars).size());
    recent_chars.append(text);
  } else {
    recent_chars.clear();
  }

  // A phrase offered in Pinyin mode and accepted becomes a user phrase.
  if (mode == Mode::pinyin && text::char_count(text) > 1 && !sentence_pinyin.empty()) {
    const auto it = sentence_pinyin.find(text);
    if (it != sentence_pinyin.end() && !it->second.empty()) {
      const std::string py = it->second;
      if (pinyin.add_user_phrase(text, py)) {
        std::string line = py;
        line.push_back('\t');
        line.append(text);
        (void)text::append_line(user_py_path, line);
      }
    }
  }

  input.clear();
  assoc = association_list(text);
}

uint32_t Core::word_index_score(size_t i) {
  // Weights of index words, filled as association lists need them. They
  // depend on the active table, so a change of scheme starts afresh.
  if (assoc_scores.size() != word_index.size() || assoc_scores_scheme98 != scheme98) {
    assoc_scores.assign(word_index.size(), kUnknownScore);
    assoc_scores_scheme98 = scheme98;
  }
  uint32_t& score = assoc_scores[i];
  if (score == kUnknownScore) score = wfreq_of(word_index[i].word, word_index[i].code);
  return score;
}

CandidateList Core::association_list(std::string_view t) {
  CandidateList result;
  if (t.empty()) return result;
  struct Working {
    size_t index;   // into word_index
    bool continuation;  // found under t itself: the text is the word minus t
    bool starts_with_t;
    uint32_t score;
    std::string_view text;
  };
  std::vector<Working> work;
  const std::string_view last = text::last_char_bytes(t);
  for (int k = 0; k < 2; ++k) {
    const std::string_view key = k == 0 ? t : last;
    auto it = std::lower_bound(
        word_index.begin(), word_index.end(), key,
        [](const WordIndexEntry& e, std::string_view v) { return e.word < v; });
    for (; it != word_index.end() && it->word.starts_with(key); ++it) {
      const std::string_view word = it->word;
      if (word == t) continue;
      if (word.size() == text::first_char_bytes(word).size()) continue;  // one character
      // The second walk meets again every word that starts with t: those
      // were taken by the first.
      if (k == 1 && word.starts_with(t)) continue;
      const size_t index = static_cast<size_t>(it - word_index.begin());
      const std::string_view text = k == 0 ? word.substr(t.size()) : word;
      work.push_back({index, k == 0, text.starts_with(t), word_index_score(index), text});
    }
  }
  // Best nine by: texts that start with t, higher weight, higher learned
  // count, then the walk order. The learned count is looked up only for ties.
  const auto better = [this](const Working& a, const Working& b) {
    if (a.starts_with_t != b.starts_with_t) return a.starts_with_t;
    if (a.score != b.score) return a.score > b.score;
    const uint32_t la = freq.rank(0, a.text), lb = freq.rank(0, b.text);
    if (la != lb) return la > lb;
    return a.index + (a.continuation ? 0 : word_index.size()) <
           b.index + (b.continuation ? 0 : word_index.size());
  };
  const size_t keep = std::min(work.size(), kAssocEntries);
  std::partial_sort(work.begin(), work.begin() + static_cast<std::ptrdiff_t>(keep), work.end(),
                    better);
  for (size_t i = 0; i < keep; ++i) {
    const Working& w = work[i];
    if (!w.continuation)
      sentence_pinyin.insert_or_assign(std::string(w.text), std::string(word_index[w.index].pinyin));
    result.push_back({std::string(w.text), {}});
  }
  return result;
}

std::string Core::select(size_t index) {
  const CandidateList list = candidates();
  if (index >= list.size()) return {};
  std::string text = list[index].text;
  commit_word(text);
  return text;
}

bool Core::create_word() {
  const std::string w = std::move(recent_chars);
  recent_chars.clear();
  const size_t n = text::char_count(w);
  if (n < 2) {
    hint = "连续单字上屏后按 = 造词";
    return false;
  }
  std::vector<std::string_view> codes;
  bool complete = true;
  text::for_each_char(w, [&](char32_t c) {
    const auto code = active_table().full_code(c);
    if (code)
      codes.push_back(*code);
    else
      complete = false;
  });
  if (!complete) {
    hint = "造词失败：「" + w + "」含码表外字符";
    return true;
  }
  std::string code;
  if (n == 2) {
    code.append(first_letters(codes[0], 2)).append(first_letters(codes[1], 2));
  } else if (n == 3) {
    code.append(first_letters(codes[0], 1))
        .append(first_letters(codes[1], 1))
        .append(first_letters(codes[2], 2));
  } else {
    code.append(first_letters(codes[0], 1))
        .append(first_letters(codes[1], 1))
        .append(first_letters(codes[2], 1))
        .append(first_letters(codes.back(), 1));
  }
  const bool ok = add_word(w, code);
  const std::optional<std::string> p = pinyin.word_pinyin_of(w);
  if (!ok) {
    hint = "「" + w + "」词库已有，无需再造";
    return true;
  }
  if (p && !p->empty() && pinyin.add_user_phrase(w, *p))
    (void)text::append_line(user_py_path, *p + "\t" + w);
  hint = "已造词：" + w + "（" + code + "）——下次直接打码即可";
  return true;
}

bool Core::add_word(std::string_view word, std::string_view code) {
  cand_cache.reset();
  assoc_scores.clear();
  if (!active_table().add(word, code)) return false;
  std::string line(word);
  line.push_back('\t');
  line.append(code);
  (void)text::append_line(user_dict_path, line);
  return true;
}

uint32_t Core::import_dict(const std::string& path) {
  cand_cache.reset();
  assoc_scores.clear();
  const auto pairs = active_table().import_entries(path);
  if (!pairs.empty()) {
    // One append for the whole batch: it lands whole or not at all.
    std::string lines;
    for (const auto& [word, code] : pairs) {
      if (!lines.empty()) lines.push_back('\n');
      lines.append(word).append("\t").append(code);
    }
    (void)text::append_line(user_dict_path, lines);
  }
  return static_cast<uint32_t>(pairs.size());
}

}  // namespace wubi_pinyin::engine
