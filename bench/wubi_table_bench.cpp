// Loading and prefix lookups of a Wubi table the size of a real main
// dictionary, and the memory a loaded table keeps.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "text/line_reader.h"
#include "text/number.h"
#include "text/utf8.h"
#include "text/white_space.h"
#include "wubi/wubi_table.h"

namespace {

using wubi_pinyin::wubi::WubiTable;

constexpr int kChars = 20000;      // one-character entries under their full code
constexpr int kShortCodes = 4600;  // extra one-character entries under 1-3 letter codes
constexpr int kWords = 115000;     // words of 2-4 characters under 4-letter codes
constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxy";  // the 25 Wubi keys
constexpr int kLetterCount = 25;

// A generated dictionary in a temporary directory, removed at exit.
class Dictionary {
 public:
  Dictionary() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "quvo-bench-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) std::abort();
    dir_ = tmpl;
    path_ = (dir_ / "wubi86.dict").string();
    write();
  }
  ~Dictionary() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  Dictionary(const Dictionary&) = delete;
  Dictionary& operator=(const Dictionary&) = delete;

  [[nodiscard]] const std::string& path() const { return path_; }
  [[nodiscard]] size_t lines() const { return lines_; }

 private:
  struct Record {
    std::string code;
    std::string word;
    uint32_t weight;
  };

  void write() {
    std::mt19937 rng(20240601);
    const auto letter = [&] { return kLetters[rng() % kLetterCount]; };
    const auto code_of = [&](int len) {
      std::string c;
      for (int i = 0; i < len; ++i) c.push_back(letter());
      return c;
    };
    // Weights fall off steeply as in frequency-ordered tables.
    std::exponential_distribution<double> falloff(1.0 / 3000.0);
    const auto weight = [&] { return static_cast<uint32_t>(std::min(falloff(rng), 4.0e6)); };

    std::vector<Record> records;
    records.reserve(kChars + kShortCodes + kWords);
    std::vector<std::string> chars;
    chars.reserve(kChars);
    for (int i = 0; i < kChars; ++i) {
      chars.push_back(wubi_pinyin::text::encode_utf8(static_cast<char32_t>(0x4e00 + i)));
      // Most characters have a four-letter full code, some a shorter one.
      const int len = rng() % 10 == 0 ? 3 : (rng() % 40 == 0 ? 2 : 4);
      records.push_back({code_of(len), chars.back(), weight()});
    }
    for (int i = 0; i < kShortCodes; ++i) {
      const int len = i < kLetterCount ? 1 : (i < 650 ? 2 : 3);
      records.push_back({code_of(len), chars[rng() % kChars], weight()});
    }
    for (int i = 0; i < kWords; ++i) {
      const int n = 2 + static_cast<int>(rng() % 10 < 7 ? 0 : rng() % 3);
      std::string word;
      for (int k = 0; k < n; ++k) word += chars[rng() % 3500];  // common characters
      records.push_back({code_of(4), std::move(word), weight()});
    }
    // Real tables are written in code order.
    std::stable_sort(records.begin(), records.end(),
                     [](const Record& a, const Record& b) { return a.code < b.code; });
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out << "# generated Wubi table: word code weight\n";
    for (const auto& r : records) out << r.word << ' ' << r.code << ' ' << r.weight << '\n';
    lines_ = records.size() + 1;
  }

  std::filesystem::path dir_;
  std::string path_;
  size_t lines_ = 0;
};

const Dictionary& dictionary() {
  static const Dictionary dict;
  return dict;
}

const WubiTable& loaded_table() {
  static const WubiTable table = [] {
    WubiTable t;
    t.load(dictionary().path());
    return t;
  }();
  return table;
}

size_t resident_bytes() {
  long pages_total = 0;
  long pages_resident = 0;
  FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return 0;
  if (std::fscanf(f, "%ld %ld", &pages_total, &pages_resident) != 2) pages_resident = 0;
  std::fclose(f);
  return static_cast<size_t>(pages_resident) * static_cast<size_t>(::sysconf(_SC_PAGESIZE));
}

// Resident memory that one loaded table keeps, after freed memory has been
// handed back to the system on both sides of the measurement.
void BM_LoadedTableResidentMemory(benchmark::State& state) {
  const std::string& path = dictionary().path();
  for (auto _ : state) {
    ::malloc_trim(0);
    const size_t before = resident_bytes();
    WubiTable table;
    table.load(path);
    ::malloc_trim(0);
    const size_t after = resident_bytes();
    state.counters["rss_MiB"] = static_cast<double>(after - before) / (1024.0 * 1024.0);
    state.counters["entries"] = static_cast<double>(table.size());
    benchmark::DoNotOptimize(table.size());
  }
}
BENCHMARK(BM_LoadedTableResidentMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_Load(benchmark::State& state) {
  const std::string& path = dictionary().path();
  size_t entries = 0;
  for (auto _ : state) {
    WubiTable table;
    table.load(path);
    entries = table.size();
    benchmark::DoNotOptimize(entries);
  }
  state.counters["lines"] = static_cast<double>(dictionary().lines());
  state.counters["entries"] = static_cast<double>(entries);
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);

// The shipped main dictionary, when the source tree has it.
void BM_LoadShippedWubi86(benchmark::State& state) {
  const std::string path = std::string(QUVO_DICT_DIR) + "/wubi86.dict";
  if (!std::filesystem::exists(path)) {
    state.SkipWithError("no shipped wubi86.dict");
    return;
  }
  size_t entries = 0;
  for (auto _ : state) {
    WubiTable table;
    table.load(path);
    entries = table.size();
    benchmark::DoNotOptimize(entries);
  }
  state.counters["entries"] = static_cast<double>(entries);
}
BENCHMARK(BM_LoadShippedWubi86)->Unit(benchmark::kMillisecond);

// The shared line and field parsing alone, over the same file: the part of
// the load time that is not the table's own work.
void BM_ParseRecordsOnly(benchmark::State& state) {
  namespace text = wubi_pinyin::text;
  const std::string& path = dictionary().path();
  for (auto _ : state) {
    uint64_t sum = 0;
    text::read_lines(path, text::InvalidLine::skip, [&](std::string_view line) {
      const std::string_view record = text::dictionary_record(line);
      if (record.empty()) return;
      const text::Fields fields = text::split_white_space(record);
      if (fields.size() < 3) return;
      sum += fields[0].size() + fields[1].size() + text::parse_u32(fields[2]).value_or(0);
    });
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_ParseRecordsOnly)->Unit(benchmark::kMillisecond);

// prefix() for every code of the given length in turn, walking each result.
void BM_Prefix(benchmark::State& state) {
  const WubiTable& table = loaded_table();
  const int len = static_cast<int>(state.range(0));
  size_t combos = 1;
  for (int i = 0; i < len; ++i) combos *= kLetterCount;
  size_t index = 0;
  size_t walked = 0;
  char buf[4];
  for (auto _ : state) {
    size_t n = index;
    for (int i = len - 1; i >= 0; --i) {
      buf[i] = kLetters[n % kLetterCount];
      n /= kLetterCount;
    }
    if (++index == combos) index = 0;
    uint64_t sum = 0;
    for (const auto m : table.prefix(std::string_view(buf, static_cast<size_t>(len)))) {
      sum += m.weight + m.word.size();
      ++walked;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.counters["codes"] = static_cast<double>(combos);
  state.counters["entries_per_call"] =
      static_cast<double>(walked) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_Prefix)->DenseRange(1, 4);

// add() of a new word into a loaded table: one insertion into the sorted
// entries, as the favourite dictionary and word creation do.
void BM_Add(benchmark::State& state) {
  WubiTable table;
  table.load(dictionary().path());
  size_t i = 0;
  for (auto _ : state) {
    const std::string word = "新" + std::to_string(i++);
    benchmark::DoNotOptimize(table.add(word, "mmmm"));
  }
}
BENCHMARK(BM_Add);

}  // namespace

BENCHMARK_MAIN();
