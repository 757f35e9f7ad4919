#pragma once

// Shared pieces of the fuzz targets: a scratch directory per process, files
// written from the fuzzer's bytes, a reader that turns bytes into actions,
// and a check that aborts (so both libFuzzer and the corpus replay report it).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include <stdlib.h>
#include <unistd.h>

namespace quvo_fuzz {

[[noreturn]] inline void check_failed(const char* what, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
  std::abort();
}

#define QUVO_FUZZ_CHECK(cond) \
  ((cond) ? static_cast<void>(0) : ::quvo_fuzz::check_failed(#cond, __FILE__, __LINE__))

// A directory created on first use and removed with everything in it when
// the process exits normally.
class ScratchDir {
 public:
  ScratchDir() {
    std::string tmpl = (base() / "quvo-fuzz-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) {
      std::perror("mkdtemp");
      std::abort();
    }
    path_ = tmpl;
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  [[nodiscard]] const std::string& str() const { return path_; }
  [[nodiscard]] std::string file(std::string_view name) const {
    return path_ + "/" + std::string(name);
  }

 private:
  // Memory-backed storage when there is some: every input writes files,
  // and on a disk file system rewriting a file may wait for the disk.
  static std::filesystem::path base() {
    if (const char* dir = std::getenv("QUVO_FUZZ_TMPDIR"); dir && *dir) return dir;
    if (::access("/dev/shm", W_OK | X_OK) == 0) return "/dev/shm";
    return std::filesystem::temp_directory_path();
  }

  std::string path_;
};

inline const ScratchDir& scratch() {
  static const ScratchDir dir;
  return dir;
}

// Writes exactly these bytes to the path, replacing the file.
inline void write_file(const std::string& path, std::string_view bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::perror(path.c_str());
    std::abort();
  }
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
    std::perror(path.c_str());
    std::abort();
  }
  std::fclose(f);
}

// The fuzzer's bytes as a file in the scratch directory; its path.
inline std::string input_file(const uint8_t* data, size_t size, std::string_view name = "input") {
  const std::string path = scratch().file(name);
  write_file(path, {reinterpret_cast<const char*>(data), size});
  return path;
}

// Consumes the fuzzer's bytes front to back; past the end every read gives
// zeros and empty strings.
class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  [[nodiscard]] bool empty() const noexcept { return pos_ >= size_; }

  uint8_t u8() noexcept { return pos_ < size_ ? data_[pos_++] : 0; }

  uint32_t u32() noexcept {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | u8();
    return v;
  }

  // A string of up to `max` bytes: one length byte, then the bytes.
  std::string str(size_t max = 255) {
    size_t n = u8();
    if (n > max) n = max;
    if (n > size_ - pos_) n = size_ - pos_;
    std::string s(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return s;
  }

  // Everything not read yet.
  std::string_view rest() noexcept {
    const size_t p = pos_ < size_ ? pos_ : size_;
    pos_ = size_;
    return {reinterpret_cast<const char*>(data_ + p), size_ - p};
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// Splits the input at the byte sequence "\n====\n" into `count` parts (the
// last part takes the rest; missing parts are empty).
template <size_t N>
void split_parts(std::string_view in, std::string_view (&parts)[N]) {
  constexpr std::string_view kSep = "\n====\n";
  for (size_t i = 0; i < N; ++i) {
    if (i + 1 == N) {
      parts[i] = in;
      break;
    }
    const size_t at = in.find(kSep);
    if (at == std::string_view::npos) {
      parts[i] = in;
      in = {};
      continue;
    }
    parts[i] = in.substr(0, at);
    in.remove_prefix(at + kSep.size());
  }
}

}  // namespace quvo_fuzz
