// Whole sessions on an engine built from small fixture dictionaries: the
// first byte picks the construction (background just created, background
// after the wait, synchronous), the starting mode, scheme and width; the
// other bytes are actions (see session_driver.h).
#include <cstdio>
#include <string>

#include "session_driver.h"

namespace {

constexpr std::string_view kFiles[][2] = {
    {"wubi86.dict",
     "工 a 100\n式 aa 50\n戈 aaaa 30\n节 ab 40\n中 k 200\n中 khk 10\n国 l 150\n国 lgyi 5\n"
     "中国 khlg 500\n中文 khyy 300\n你 wq 300\n你 wqiy 20\n好 vb 400\n好 vbg 30\n"
     "你好 wqvb 800\n人 w 500\n中国人 kllw 200\n国家 lgpe 400\n经济 xciy 100\n文 yygy 90\n"},
    {"wubi98.dict", "工 a 100\n戈 agnt 30\n中 k 200\n中国 khlg 500\n"},
    {"hanzi_pinyin.dict",
     "工 gong\n式 shi\n戈 ge\n节 jie\n中钟 zhong\n国 guo\n你 ni\n好 hao\n人 ren\n文 wen\n"
     "家 jia\n经 jing\n济 ji\n重 zhong\n重 chong\n西 xi\n安 an\n先 xian\n"},
    {"polyphonic.dict", "重庆 chong qing\n"},
    {"pinyin_word.dict",
     "nihao 你好 wqvb 1000\nzhongguo 中国 khlg 900\nzhongguoren 中国人 kllw 300\n"
     "guojia 国家 lgpe 500\nzhongwen 中文 khyy 400\nxian 先 tfqb 50\nxian 西安 sspv 40\n"},
    {"char_freq.dict", "中\t900\n国\t800\n你\t700\n好\t600\n"},
    {"bigram.dict", "你好\t12\n中国\t30\n"},
    {"emoji.dict", "smile 😄\naixin ❤️\nzhong 🀄\n"},
    {"aihao_wb.dict", "# favourites\n桐键 sskk\n"},
    {"aihao_py.dict", "# favourites\ntongjian 桐键\n"},
};

const std::string& fixture_dir() {
  static const std::string dir = [] {
    const std::string d = quvo_fuzz::scratch().file("data");
    std::filesystem::create_directories(d);
    for (const auto& f : kFiles) quvo_fuzz::write_file(d + "/" + std::string(f[0]), f[1]);
    std::filesystem::create_directories(quvo_fuzz::scratch().file("import.dict.d/sub"));
    return d;
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& dir = fixture_dir();
  // What the previous session learned is forgotten, so each input starts
  // from the same files.
  for (const char* name : {"/user.dict", "/user.freq", "/user.freq.tmp", "/user_py.dict"})
    std::remove((dir + name).c_str());

  quvo_fuzz::ByteReader in(data, size);
  const uint8_t start = in.u8();
  WPEngine* engine = quvo_fuzz::make_engine(dir, quvo_fuzz::build_of(start));
  quvo_fuzz::apply_start(engine, start);
  quvo_fuzz::Session session(engine, quvo_fuzz::scratch().file("import.dict"));
  session.run(in);
  wp_destroy_engine(engine);
  return 0;
}
