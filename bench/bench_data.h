// Generated data directories of real size for the engine benchmarks, or the
// committed real dictionaries when QUVO_BENCH_DATA names their directory.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace quvo_bench {

inline constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxy";  // the 25 Wubi keys

inline std::string utf8(char32_t c) {
  std::string s;
  if (c < 0x800) {
    s += static_cast<char>(0xc0 | (c >> 6));
  } else {
    s += static_cast<char>(0xe0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
  }
  s += static_cast<char>(0x80 | (c & 0x3f));
  return s;
}

// A temporary data directory removed at exit.
class DataDir {
 public:
  DataDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "quvo-bench-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) std::abort();
    dir_ = tmpl;
    if (const char* real = std::getenv("QUVO_BENCH_DATA")) {
      for (const auto& f : std::filesystem::directory_iterator(real))
        std::filesystem::copy_file(f.path(), dir_ / f.path().filename());
      // Replay the codes of every seventh Wubi 86 line.
      std::ifstream in(dir_ / "wubi86.dict");
      std::string word, code, rest;
      for (size_t n = 0; in >> word >> code && std::getline(in, rest); ++n)
        if (n % 7 == 0 && code.size() == 4 && codes_.size() < 20000) codes_.push_back(code);
    } else {
      generate();
    }
  }
  ~DataDir() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  DataDir(const DataDir&) = delete;
  DataDir& operator=(const DataDir&) = delete;

  [[nodiscard]] std::string path() const { return dir_.string(); }
  // Codes of the generated words, for replaying realistic typing.
  [[nodiscard]] const std::vector<std::string>& codes() const { return codes_; }

 private:
  // Two Wubi tables of about 137,000 and 112,000 lines: 7,000 characters
  // under full and short codes, words of 2 to 4 characters under 4-letter
  // codes, weights on a word scale; readings for every character.
  void generate() {
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> letter(0, 24);
    std::uniform_int_distribution<uint32_t> weight(1, 2000000);
    const int kChars = 7000;
    std::vector<std::string> chars;
    std::vector<std::string> full;
    for (int i = 0; i < kChars; ++i) {
      chars.push_back(utf8(0x4e00 + static_cast<char32_t>(i)));
      std::string code;
      for (int k = 0; k < 4; ++k) code += kLetters[letter(rng)];
      full.push_back(code);
    }
    const std::vector<const char*> syllables = {"a", "ba", "ci", "de", "fo", "ge", "hu", "ji",
                                                "ke", "li", "mu", "ni", "pa", "qi", "ri", "si",
                                                "tu", "wa", "xi", "yu", "zhi", "chi", "shi"};
    {
      std::ofstream py(dir_ / "hanzi_pinyin.dict");
      for (int i = 0; i < kChars; ++i)
        py << chars[static_cast<size_t>(i)] << ' ' << syllables[static_cast<size_t>(i) % syllables.size()]
           << '\n';
    }
    for (const auto& [name, lines] : {std::pair{"wubi86.dict", 137000}, {"wubi98.dict", 112000}}) {
      std::ofstream out(dir_ / name);
      for (int i = 0; i < kChars; ++i) {
        out << chars[static_cast<size_t>(i)] << ' ' << full[static_cast<size_t>(i)] << ' '
            << weight(rng) << '\n';
        out << chars[static_cast<size_t>(i)] << ' ' << full[static_cast<size_t>(i)].substr(0, 1 + i % 3)
            << ' ' << weight(rng) << '\n';
      }
      std::uniform_int_distribution<int> pick(0, kChars - 1);
      for (int i = 2 * kChars; i < lines; ++i) {
        const int n = 2 + i % 3;
        std::string word, code;
        for (int k = 0; k < n; ++k) {
          const size_t c = static_cast<size_t>(pick(rng));
          word += chars[c];
          code += full[c][0];
        }
        while (code.size() < 4) code += kLetters[letter(rng)];
        code.resize(4);
        out << word << ' ' << code << ' ' << weight(rng) << '\n';
        if (codes_.size() < 20000) codes_.push_back(code);
      }
    }
  }

  std::filesystem::path dir_;
  std::vector<std::string> codes_;
};

// Resident memory of this process in bytes.
inline size_t resident_bytes() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<size_t>(resident) * static_cast<size_t>(::sysconf(_SC_PAGESIZE));
}

}  // namespace quvo_bench
