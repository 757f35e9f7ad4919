#include <chrono>
#include <exception>
#include <utility>

#include "engine/core.h"
#include "engine/favourites.h"

namespace wubi_pinyin::engine {

std::unique_ptr<Core> Core::new_background(std::string_view data_dir) {
  return new_impl(data_dir, true);
}

std::unique_ptr<Core> Core::new_sync(std::string_view data_dir) {
  return new_impl(data_dir, false);
}

std::unique_ptr<Core> Core::new_impl(std::string_view dir, bool background) {
  // Members start empty with their initial values.
  std::unique_ptr<Core> core(new Core());
  Core& c = *core;
  c.data_dir = std::string(dir);
  c.user_dict_path = c.data_dir + "/user.dict";
  c.user_freq_path = c.data_dir + "/user.freq";
  c.user_py_path = c.data_dir + "/user_py.dict";
  c.last_freq_save = std::chrono::steady_clock::now();

  c.wubi86.load(c.data_dir + "/wubi86.dict");
  c.wubi98.load(c.data_dir + "/wubi98.dict");
  c.wubi86.load(c.user_dict_path);
  c.wubi98.load(c.user_dict_path);

  const std::string aihao_py = c.data_dir + "/aihao_py.dict";
  const std::string aihao_wb = c.data_dir + "/aihao_wb.dict";
  write_template_if_missing(aihao_py, kPinyinFavouriteTemplate);
  write_template_if_missing(aihao_wb, kWubiFavouriteTemplate);

  parse_aihao_wb(aihao_wb, c.wubi86, c.favourite_words);
  parse_aihao_wb(aihao_wb, c.wubi98, c.favourite_words);

  c.pinyin.load(c.data_dir + "/hanzi_pinyin.dict");
  c.pinyin.load_polyphonic(c.data_dir + "/polyphonic.dict");

  read_pinyin_favourites(aihao_py, c.favourite_words);

  c.emoji.load(c.data_dir + "/emoji.dict");
  c.freq.load(c.user_freq_path);

  if (background) {
    c.pinyin_rx = spawn_pinyin_build(c.data_dir);
    // No thread could be started: build the word data here instead.
    if (!c.pinyin_rx) c.build_word_data_here();
  } else {
    c.build_word_data_here();
  }
  return core;
}

void Core::build_word_data_here() {
  pinyin.load_words(data_dir + "/pinyin_word.dict");
  pinyin.load_words(user_py_path);
  pinyin.load_words(data_dir + "/aihao_py.dict");
  derive_pinyin(pinyin, {&wubi86, &wubi98});
  word_index = build_word_index(pinyin);
  char_freq_table = load_char_freq(data_dir + "/char_freq.dict");
  bigram = load_bigram(data_dir + "/bigram.dict");
}

Core::~Core() {
  if (freq_dirty) {
    (void)freq.save(user_freq_path);
    freq_dirty = false;
  }
  // A build still running keeps its own copies; dropping the receiver here
  // lets it finish and discard its package on its own thread.
}

void Core::install_pinyin_package(PinyinPackage package) {
  // Phrases learned while the build ran survive in the new data.
  package.pinyin.merge_words_from(pinyin);
  // The old word index points into the old data: replace both together.
  word_index = std::move(package.word_index);
  pinyin = std::move(package.pinyin);
  char_freq_table = std::move(package.char_freq);
  bigram = std::move(package.bigram);
  cand_cache.reset();
  assoc_scores.clear();
  pinyin_rx.reset();
}

namespace {

// Takes the package out of a ready receiver; nothing when the build thread
// ended without sending.
std::optional<PinyinPackage> take_package(PinyinReceiver& rx) {
  try {
    return rx.get();
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace

void Core::poll_pinyin_build() {
  if (!pinyin_rx) return;
  if (pinyin_rx->wait_for(std::chrono::seconds(0)) != std::future_status::ready) return;
  PinyinReceiver rx = std::move(*pinyin_rx);
  pinyin_rx.reset();
  if (auto package = take_package(rx)) install_pinyin_package(std::move(*package));
}

void Core::wait_pinyin_ready() {
  if (!pinyin_rx) return;
  PinyinReceiver rx = std::move(*pinyin_rx);
  pinyin_rx.reset();
  rx.wait();
  if (auto package = take_package(rx)) install_pinyin_package(std::move(*package));
}

}  // namespace wubi_pinyin::engine
