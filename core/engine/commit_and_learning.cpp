#include <algorithm>
#include <chrono>
#include <unordered_set>

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

CandidateList Core::association_list(std::string_view t) {
  CandidateList result;
  if (t.empty()) return result;
  struct Working {
    std::string text;
    std::string_view pinyin;  // empty for a continuation
    bool has_pinyin;
    uint32_t score;
    uint32_t learned;
    bool starts_with_t;
  };
  std::vector<Working> work;
  std::unordered_set<std::string_view> seen;
  const std::string_view keys[2] = {t, text::last_char_bytes(t)};
  for (int k = 0; k < 2; ++k) {
    const std::string_view key = keys[k];
    auto it = std::lower_bound(
        word_index.begin(), word_index.end(), key,
        [](const WordIndexEntry& e, std::string_view v) { return e.word < v; });
    for (; it != word_index.end() && it->word.starts_with(key); ++it) {
      const std::string_view word = it->word;
      if (word == t) continue;
      if (text::char_count(word) < 2) continue;
      if (!seen.insert(word).second) continue;
      Working w;
      w.score = wfreq_of(word, it->code);
      if (k == 0) {
        w.text = std::string(word.substr(t.size()));
        w.has_pinyin = false;
      } else {
        w.text = std::string(word);
        w.pinyin = it->pinyin;
        w.has_pinyin = true;
      }
      w.starts_with_t = std::string_view(w.text).starts_with(t);
      w.learned = freq.rank(0, w.text);
      work.push_back(std::move(w));
    }
  }
  std::stable_sort(work.begin(), work.end(), [](const Working& a, const Working& b) {
    if (a.starts_with_t != b.starts_with_t) return a.starts_with_t;
    if (a.score != b.score) return a.score > b.score;
    return a.learned > b.learned;
  });
  if (work.size() > kAssocEntries) work.resize(kAssocEntries);
  for (Working& w : work) {
    if (w.has_pinyin) sentence_pinyin[w.text] = std::string(w.pinyin);
    result.push_back({std::move(w.text), {}});
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
  if (!active_table().add(word, code)) return false;
  std::string line(word);
  line.push_back('\t');
  line.append(code);
  (void)text::append_line(user_dict_path, line);
  return true;
}

uint32_t Core::import_dict(const std::string& path) {
  cand_cache.reset();
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
