#pragma once

#include <string>
#include <string_view>

#include "support/temp_dir.h"

namespace quvo_test {

// A small but complete data directory: both Wubi schemes, readings, words,
// frequencies, pairs and emoji. Tests add or overwrite files as they need.
inline constexpr std::string_view kWubi86 =
    "工 a 100\n"
    "式 aa 50\n"
    "戈 aaaa 30\n"
    "节 ab 40\n"
    "芭 ac 90\n"
    "中 k 200\n"
    "中 khk 10\n"
    "国 l 150\n"
    "国 lgyi 5\n"
    "中国 khlg 500\n"
    "中文 khyy 300\n"
    "你 wq 300\n"
    "你 wqiy 20\n"
    "好 vb 400\n"
    "好 vbg 30\n"
    "你好 wqvb 800\n"
    "人 w 500\n"
    "中国人 kllw 200\n"
    "国家 lgpe 400\n"
    "经济 xciy 100\n";

inline constexpr std::string_view kWubi98 =
    "工 a 100\n"
    "戈 agnt 30\n"
    "中 k 200\n"
    "中国 khlg 500\n";

inline constexpr std::string_view kHanziPinyin =
    "工 gong\n"
    "式 shi\n"
    "戈 ge\n"
    "节 jie\n"
    "芭 ba\n"
    "中钟 zhong\n"
    "国 guo\n"
    "你 ni\n"
    "好 hao\n"
    "人 ren\n"
    "文 wen\n"
    "家 jia\n"
    "经 jing\n"
    "济 ji\n"
    "重 zhong\n"
    "重 chong\n";

inline constexpr std::string_view kPinyinWords =
    "nihao 你好 wqvb 1000\n"
    "zhongguo 中国 khlg 900\n"
    "zhongguoren 中国人 kllw 300\n"
    "guojia 国家 lgpe 500\n"
    "zhongwen 中文 khyy 400\n";

inline constexpr std::string_view kCharFreq = "中\t900\n国\t800\n你\t700\n好\t600\n";
inline constexpr std::string_view kBigram = "你好\t12\n";
inline constexpr std::string_view kEmoji = "smile 😄\naixin ❤️\n";

// Writes the fixture into a fresh directory.
inline void write_fixture(const TempDir& dir) {
  dir.write("wubi86.dict", kWubi86);
  dir.write("wubi98.dict", kWubi98);
  dir.write("hanzi_pinyin.dict", kHanziPinyin);
  dir.write("pinyin_word.dict", kPinyinWords);
  dir.write("char_freq.dict", kCharFreq);
  dir.write("bigram.dict", kBigram);
  dir.write("emoji.dict", kEmoji);
}

}  // namespace quvo_test
