#include "engine/core.h"

namespace wubi_pinyin::engine {

std::vector<std::pair<std::string, std::string>> Core::sentence_best(std::string_view, size_t,
                                                                     bool) const {
  return {};
}

}  // namespace wubi_pinyin::engine
