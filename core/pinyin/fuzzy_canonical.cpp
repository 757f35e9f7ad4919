#include "pinyin/fuzzy_canonical.h"

namespace wubi_pinyin::pinyin {

std::string fuzzy_canonical(std::string_view syllable) {
  std::string s(syllable);
  if (s.size() >= 2 && s[1] == 'h' && (s[0] == 'z' || s[0] == 'c' || s[0] == 's')) s.erase(1, 1);
  if (s.size() >= 3 && s.ends_with("ng")) {
    const char vowel = s[s.size() - 3];
    if (vowel == 'a' || vowel == 'e' || vowel == 'i') s.pop_back();
  }
  return s;
}

}  // namespace wubi_pinyin::pinyin
