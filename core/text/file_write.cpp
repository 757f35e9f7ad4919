#include "text/file_write.h"

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wubi_pinyin::text {

namespace {

int open_retry(const char* path, int flags, mode_t mode) {
  int fd;
  do {
    fd = ::open(path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool write_all(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace

bool append_line(const std::string& path, std::string_view text) {
  const int fd = open_retry(path.c_str(), O_RDWR | O_APPEND | O_CREAT, 0666);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (ok) {
    std::string line;
    line.reserve(text.size() + 2);
    if (st.st_size > 0) {
      char last = '\n';
      if (::pread(fd, &last, 1, st.st_size - 1) == 1 && last != '\n') line.push_back('\n');
    }
    line.append(text);
    line.push_back('\n');
    ok = write_all(fd, line);
    // A partial line would break the record that follows it at the next
    // start: take it back.
    if (!ok) {
      [[maybe_unused]] const int undone = ::ftruncate(fd, st.st_size);
    }
  }
  ::close(fd);
  return ok;
}

bool replace_file(const std::string& path, std::string_view content) {
  const std::string tmp = path + ".tmp";
  const int fd = open_retry(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (fd < 0) return false;
  // No fsync: a save runs inside a key press, and the rename alone already
  // guarantees that a reader (or the next start after a crash of this
  // process) sees either the old or the new complete file.
  bool ok = write_all(fd, content);
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(tmp.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(tmp.c_str());
  return ok;
}

}  // namespace wubi_pinyin::text
