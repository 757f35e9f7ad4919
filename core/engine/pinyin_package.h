#pragma once

#include <future>
#include <string>

#include "engine/scoring_data.h"
#include "engine/word_index.h"
#include "pinyin/pinyin_data.h"

namespace wubi_pinyin::engine {

// Everything the background build produces, moved whole into the engine.
struct PinyinPackage {
  WordIndex word_index;
  pinyin::PinyinData pinyin;
  CharFreqMap char_freq;
  BigramMap bigram;
};

// Receiving end of the one-shot channel from the build thread. Ready when
// the package was sent, or when the thread ended without sending.
using PinyinReceiver = std::future<PinyinPackage>;

// The word data step: the full pinyin lexicon, its word index and the
// scoring maps of a data directory, built from the data directory's files
// alone (a merged Wubi table of both schemes and the user words supplies
// the derived words).
[[nodiscard]] PinyinPackage build_pinyin_package(const std::string& data_dir);

// Starts one detached thread that builds the package and sends it. The
// thread owns a copy of the directory string and the sending end only.
// Returns nothing when no thread could be started.
[[nodiscard]] std::optional<PinyinReceiver> spawn_pinyin_build(const std::string& data_dir);

}  // namespace wubi_pinyin::engine
