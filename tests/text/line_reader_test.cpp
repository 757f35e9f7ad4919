#include "text/line_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

using wubi_pinyin::text::InvalidLine;
using wubi_pinyin::text::read_lines;

namespace {

std::vector<std::string> lines_of(const std::string& path, InvalidLine mode) {
  std::vector<std::string> out;
  read_lines(path, mode, [&](std::string_view l) { out.emplace_back(l); });
  return out;
}

}  // namespace

TEST(LineReader, LineEndsAndLastLineWithoutLf) {
  quvo_test::TempDir dir;
  struct Case {
    const char* bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {"", {}},
      {"a\nb\n", {"a", "b"}},
      {"a\r\nb", {"a", "b"}},
      {"a\rb\n", {"a\rb"}},
      {"\n\n", {"", ""}},
      {"x\r", {"x\r"}},
  };
  for (const auto& c : cases) {
    const std::string p = dir.write("f", c.bytes);
    EXPECT_EQ(lines_of(p, InvalidLine::skip), c.lines) << c.bytes;
  }
}

TEST(LineReader, InvalidUtf8SkipsOrStops) {
  quvo_test::TempDir dir;
  const std::string p = dir.write("f", "a\n\xff\xfe\nb\n\xed\xa0\x80\nc");
  EXPECT_EQ(lines_of(p, InvalidLine::skip), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(lines_of(p, InvalidLine::stop), (std::vector<std::string>{"a"}));
}

TEST(LineReader, MissingFileAndDirectory) {
  quvo_test::TempDir dir;
  bool called = false;
  EXPECT_FALSE(read_lines(dir.file("missing"), InvalidLine::skip, [&](auto) { called = true; }));
  // A directory opens but every read fails: the reader stops at once.
  read_lines(dir.str(), InvalidLine::skip, [&](auto) { called = true; });
  EXPECT_FALSE(called);
}

TEST(LineReader, LinesAcrossBufferBoundaryAndHugeLine) {
  quvo_test::TempDir dir;
  std::string content;
  const std::string long_line(20000, 'x');
  content += long_line + "\n";
  content += std::string(wubi_pinyin::text::LineReader::kMaxLine + 10, 'y') + "\n";
  content += "tail";
  const std::string p = dir.write("f", content);
  EXPECT_EQ(lines_of(p, InvalidLine::skip), (std::vector<std::string>{long_line, "tail"}));
  EXPECT_EQ(lines_of(p, InvalidLine::stop), (std::vector<std::string>{long_line}));
}
