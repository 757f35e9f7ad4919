// An engine built from a data directory whose every file comes from the
// fuzzer's bytes: the input is cut at "\n====\n" into the files below in
// this order, then the last part drives a short session. Covers what the
// loaders' results do to each other (derived pinyin, the word index,
// installation of the background package, the candidate paths).
#include <string>

#include "session_driver.h"

namespace {

constexpr const char* kNames[] = {
    "wubi86.dict",      "wubi98.dict",  "user.dict",     "hanzi_pinyin.dict", "polyphonic.dict",
    "pinyin_word.dict", "user_py.dict", "aihao_py.dict", "aihao_wb.dict",     "char_freq.dict",
    "bigram.dict",      "emoji.dict",   "user.freq",
};
constexpr size_t kFileCount = sizeof kNames / sizeof kNames[0];

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string dir = quvo_fuzz::scratch().file("data");
  static const bool made = (std::filesystem::create_directories(dir), true);
  (void)made;

  std::string_view parts[kFileCount + 1];
  quvo_fuzz::split_parts({reinterpret_cast<const char*>(data), size}, parts);
  for (size_t i = 0; i < kFileCount; ++i) quvo_fuzz::write_file(dir + "/" + kNames[i], parts[i]);

  const std::string_view actions = parts[kFileCount];
  quvo_fuzz::ByteReader in(reinterpret_cast<const uint8_t*>(actions.data()), actions.size());
  const uint8_t start = in.u8();
  WPEngine* engine = quvo_fuzz::make_engine(dir, quvo_fuzz::build_of(start));
  quvo_fuzz::apply_start(engine, start);
  quvo_fuzz::Session session(engine, quvo_fuzz::scratch().file("import.dict"));
  session.run(in);
  wp_destroy_engine(engine);
  return 0;
}
