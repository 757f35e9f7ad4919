#include "text/line_reader.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include "text/utf8.h"

namespace wubi_pinyin::text {

LineReader::LineReader(const std::string& path, InvalidLine on_invalid)
    : on_invalid_(on_invalid) {
  do {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd_ < 0 && errno == EINTR);
}

LineReader::~LineReader() {
  if (fd_ >= 0) ::close(fd_);
}

bool LineReader::fill() {
  if (done_) return false;
  for (;;) {
    const ssize_t got = ::read(fd_, buffer_, kBufferSize);
    if (got > 0) {
      begin_ = 0;
      end_ = static_cast<size_t>(got);
      return true;
    }
    if (got < 0 && errno == EINTR) continue;
    // End of file or a real error (a directory, an I/O fault): stop for good.
    done_ = true;
    return false;
  }
}

bool LineReader::next_raw(bool& too_long) {
  line_.clear();
  too_long = false;
  bool any = false;
  for (;;) {
    if (begin_ == end_ && !fill()) return any;
    any = true;
    const char* start = buffer_ + begin_;
    const size_t avail = end_ - begin_;
    const void* lf = std::memchr(start, '\n', avail);
    const size_t take = lf ? static_cast<size_t>(static_cast<const char*>(lf) - start) : avail;
    if (!too_long) {
      if (line_.size() + take > kMaxLine) {
        too_long = true;
        line_.clear();
      } else {
        line_.append(start, take);
      }
    }
    begin_ += take;
    if (lf) {
      ++begin_;  // the LF itself
      if (!too_long && !line_.empty() && line_.back() == '\r') line_.pop_back();
      return true;
    }
  }
}

bool LineReader::next(std::string_view& line) {
  if (fd_ < 0) return false;
  bool too_long = false;
  while (next_raw(too_long)) {
    if (!too_long && is_valid_utf8(line_)) {
      line = line_;
      return true;
    }
    if (on_invalid_ == InvalidLine::stop) {
      done_ = true;
      begin_ = end_;
      return false;
    }
  }
  return false;
}

}  // namespace wubi_pinyin::text
