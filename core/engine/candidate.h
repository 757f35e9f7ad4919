#pragma once

#include <string>
#include <vector>

namespace wubi_pinyin::engine {

// One entry of a candidate list or of the association list: the text a
// commit inserts and a comment shown beside it (readings, a code, a label).
struct Candidate {
  std::string text;
  std::string comment;

  friend bool operator==(const Candidate&, const Candidate&) = default;
};

using CandidateList = std::vector<Candidate>;

}  // namespace wubi_pinyin::engine
