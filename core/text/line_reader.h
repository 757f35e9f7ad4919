#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace wubi_pinyin::text {

// What a reader does with a line that is not valid UTF-8.
enum class InvalidLine { skip, stop };

// Reads a text file line by line through an 8192-byte buffer. A line ends at
// LF; a CR right before the LF is dropped; a last line without LF is a line
// too. A read error ends the reading (it is never retried), and so does, with
// InvalidLine::stop, the first line that is not valid UTF-8. Lines longer
// than kMaxLine bytes cannot be real records; they count as invalid lines.
class LineReader {
 public:
  static constexpr size_t kBufferSize = 8192;
  static constexpr size_t kMaxLine = size_t{1} << 20;

  LineReader(const std::string& path, InvalidLine on_invalid);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  [[nodiscard]] bool is_open() const noexcept { return fd_ >= 0; }

  // The next line, valid until the following call. False at the end of the
  // file, after a read error, or at an invalid line under InvalidLine::stop.
  [[nodiscard]] bool next(std::string_view& line);

 private:
  // Reads the next raw line into line_; false when nothing is left.
  bool next_raw(bool& too_long);
  bool fill();

  int fd_ = -1;
  InvalidLine on_invalid_;
  bool done_ = false;
  char buffer_[kBufferSize];
  size_t begin_ = 0;
  size_t end_ = 0;
  std::string line_;
};

// Calls on_line(std::string_view) for every line of the file. Returns false
// when the file could not be opened.
template <class F>
bool read_lines(const std::string& path, InvalidLine on_invalid, F&& on_line) {
  LineReader reader(path, on_invalid);
  if (!reader.is_open()) return false;
  std::string_view line;
  while (reader.next(line)) on_line(line);
  return true;
}

}  // namespace wubi_pinyin::text
