#include "engine/core.h"

namespace wubi_pinyin::engine {

// Pinyin-mode candidates for a lookup key.
void Core::pinyin_candidates(std::string_view key, std::optional<std::string_view> emoji_text,
                             CandidateList& out) {
  if (emoji_text) out.push_back({std::string(*emoji_text), std::string(key)});
  sentence_pinyin.clear();
}

}  // namespace wubi_pinyin::engine
