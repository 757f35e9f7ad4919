#include "engine/pinyin_package.h"

#include <system_error>
#include <thread>
#include <utility>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUVO_SANITIZED_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
#define QUVO_SANITIZED_ALLOCATOR 1
#endif
#endif

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "engine/favourites.h"
#include "wubi/wubi_table.h"

namespace wubi_pinyin::engine {

PinyinPackage build_pinyin_package(const std::string& data_dir) {
  PinyinPackage package;
  pinyin::PinyinData& data = package.pinyin;
  data.load(data_dir + "/hanzi_pinyin.dict");
  data.load_polyphonic(data_dir + "/polyphonic.dict");
  data.load_words(data_dir + "/pinyin_word.dict");
  data.load_words(data_dir + "/user_py.dict");
  data.load_words(data_dir + "/aihao_py.dict");
  {
    // One table holding both schemes, the user words and the favourites
    // supplies the derived words; it is dropped once they are filed.
    wubi::WubiTable merged;
    merged.load(data_dir + "/wubi86.dict");
    merged.load(data_dir + "/wubi98.dict");
    merged.load(data_dir + "/user.dict");
    text::StringSet favourites;
    parse_aihao_wb(data_dir + "/aihao_wb.dict", merged, favourites);
    derive_pinyin(data, {&merged});
  }
  package.word_index = build_word_index(data);
  package.char_freq = load_char_freq(data_dir + "/char_freq.dict");
  package.bigram = load_bigram(data_dir + "/bigram.dict");
  return package;
}

namespace {

// Gives the pages freed by the build back to the system. The build thread
// allocates from an allocator arena of its own; the temporaries it frees
// (the merged Wubi table, loading indexes, sort buffers) lie below the
// package that stays, so the allocator cannot shrink that arena by itself
// and would keep them resident for the life of the process.
// Under a sanitizer the allocator is the sanitizer's own: calling into
// glibc's allocator there wakes its arena bookkeeping, which then trips an
// assertion when the thread exits.
void release_free_memory() noexcept {
#if defined(__GLIBC__) && !defined(QUVO_SANITIZED_ALLOCATOR)
  malloc_trim(0);
#endif
}

}  // namespace

std::optional<PinyinReceiver> spawn_pinyin_build(const std::string& data_dir) {
  std::promise<PinyinPackage> sender;
  PinyinReceiver receiver = sender.get_future();
  try {
    std::thread([dir = data_dir, tx = std::move(sender)]() mutable {
      try {
        PinyinPackage package = build_pinyin_package(dir);
        release_free_memory();
        tx.set_value(std::move(package));
      } catch (...) {
        // Out of memory or the like: the engine keeps its partial data. The
        // promise dies unsatisfied and the receiver sees a broken channel.
      }
    }).detach();
  } catch (const std::system_error&) {
    return std::nullopt;
  }
  return receiver;
}

}  // namespace wubi_pinyin::engine
