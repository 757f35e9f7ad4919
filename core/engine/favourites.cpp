#include "engine/favourites.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "text/ascii.h"
#include "text/line_reader.h"
#include "text/white_space.h"

namespace wubi_pinyin::engine {

const std::string_view kPinyinFavouriteTemplate =
    "# ==================== 拼音爱好词典（用户自定义） ====================\n"
    "# 作用：这里登记的词会进入候选，并永远排在候选列表最前面。\n"
    "#\n"
    "# 每行登记一个词，格式：拼音 词 [五笔码] [词频]\n"
    "#   拼音    ：该词的全拼（小写字母），如 nihao、dalao\n"
    "#   词      ：你想打的词（词本身不能含空格）\n"
    "#   五笔码  ：可省略；填了以后五笔模式下打这个码也能出该词\n"
    "#   词频    ：可省略；一般不用填，爱好词自动置顶\n"
    "#\n"
    "# 各列之间用空格或 Tab 分隔都可以。\n"
    "# 以 # 开头的行是注释，不生效，可以用来记笔记。\n"
    "# 生效方式：保存本文件后重启输入法即可（见使用说明）。\n"
    "#\n"
    "# 示例（去掉行首的 # 即可启用）：\n"
    "# dalao 大佬\n"
    "# nihao 你好啊\n"
    "# xiexie 谢谢 xx\n";

const std::string_view kWubiFavouriteTemplate =
    "# ==================== 五笔爱好词典（用户自定义） ====================\n"
    "# 作用：这里登记的词会进入五笔候选，并永远排在候选列表最前面；\n"
    "#       多字词还会自动派生拼音索引，拼音模式下打拼音也能出这个词。\n"
    "#\n"
    "# 每行登记一个词，格式：词 码 或 码 词（两列顺序随便，程序自动识别）\n"
    "#   词 ：你想打的词（词本身不能含空格）\n"
    "#   码 ：该词的五笔编码，如 dtuj\n"
    "#\n"
    "# 各列之间用空格或 Tab 分隔都可以。\n"
    "# 以 # 开头的行是注释，不生效，可以用来记笔记。\n"
    "# 生效方式：保存本文件后重启输入法即可（见使用说明）。\n"
    "#\n"
    "# 示例（去掉行首的 # 即可启用）：\n"
    "# 大家好 dtuj\n"
    "# 自定词 qtny\n";

void parse_aihao_wb(const std::string& path, wubi::WubiTable& table, text::StringSet& words) {
  text::read_lines(path, text::InvalidLine::stop, [&](std::string_view line) {
    const std::string_view record = text::dictionary_record(line);
    if (record.empty()) return;
    const text::Fields f = text::split_white_space(record);
    if (f.size() < 2) return;
    // Either column order: an ASCII first field beside a non-ASCII second
    // one is the code.
    const bool code_first = text::is_ascii(f[0]) && !text::is_ascii(f[1]);
    const std::string_view word = code_first ? f[1] : f[0];
    const std::string_view code = code_first ? f[0] : f[1];
    (void)table.add(word, code);
    words.emplace(word);
  });
}

void read_pinyin_favourites(const std::string& path, text::StringSet& words) {
  text::read_lines(path, text::InvalidLine::stop, [&](std::string_view line) {
    const std::string_view record = text::dictionary_record(line);
    if (record.empty()) return;
    const text::Fields f = text::split_white_space(record);
    if (f.size() >= 2 && !f[1].empty()) words.emplace(f[1]);
  });
}

void write_template_if_missing(const std::string& path, std::string_view content) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) return;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return;
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  ::close(fd);
}

}  // namespace wubi_pinyin::engine
