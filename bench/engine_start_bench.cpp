// Start-up of the engine on a data directory: the time wp_create_engine
// takes, the time until the background pinyin package is installed, the
// resident memory once it is and the peak during start-up; then the phases of
// the background build one by one.
//
// Data: the directory named by QUVO_BENCH_DATA (the shipped dictionaries are
// in data/dict), else generated tables of real size (see bench_data.h).
//
// Each start-up runs in a child process of its own, so memory freed by an
// earlier run cannot hide the peak of the next one. The times are wall-clock
// times; the *_cpu_ms counters are processor times (all threads of the child
// for the pinyin-ready figure), which vary less on a busy machine.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "bench_data.h"
#include "engine/core.h"
#include "engine/pinyin_package.h"
#include "engine/word_index.h"
#include "wubi/wubi_table.h"

namespace {

using wubi_pinyin::engine::Core;

quvo_bench::DataDir& data() {
  static quvo_bench::DataDir d;
  return d;
}

double now_ms(clockid_t clock) {
  timespec ts{};
  clock_gettime(clock, &ts);
  return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// A "VmRSS:" or "VmHWM:" figure of /proc/self/status, in MiB.
double status_mib(const char* field) {
  double kib = 0;
  if (FILE* f = std::fopen("/proc/self/status", "r")) {
    char line[256];
    const size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f))
      if (std::strncmp(line, field, n) == 0) kib = std::atof(line + n);
    std::fclose(f);
  }
  return kib / 1024;
}

// Resets the peak resident size of the process to its current size.
void reset_peak() {
  if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
    std::fputs("5", f);
    std::fclose(f);
  }
}

struct StartUp {
  double rss_before_mib;
  double create_ms;
  double create_cpu_ms;
  double ready_ms;      // from the start of wp_create_engine to the installed package
  double ready_cpu_ms;  // processor time of all threads over the same span
  double rss_installed_mib;
  double peak_mib;
};

// One start-up in this process: construct the engine as wp_create_engine
// does (it wraps Core::new_background in a handle), then block until the
// package is installed.
StartUp start_up(const std::string& dir) {
  StartUp s{};
  s.rss_before_mib = status_mib("VmRSS:");
  reset_peak();
  const double w0 = now_ms(CLOCK_MONOTONIC);
  const double p0 = now_ms(CLOCK_PROCESS_CPUTIME_ID);
  const double t0 = now_ms(CLOCK_THREAD_CPUTIME_ID);
  std::unique_ptr<Core> engine = Core::new_background(dir);
  s.create_cpu_ms = now_ms(CLOCK_THREAD_CPUTIME_ID) - t0;
  s.create_ms = now_ms(CLOCK_MONOTONIC) - w0;
  engine->wait_pinyin_ready();
  s.ready_ms = now_ms(CLOCK_MONOTONIC) - w0;
  s.ready_cpu_ms = now_ms(CLOCK_PROCESS_CPUTIME_ID) - p0;
  s.rss_installed_mib = status_mib("VmRSS:");
  s.peak_mib = status_mib("VmHWM:");
  engine.reset();
  return s;
}

// Runs start_up in a child process and returns its figures.
bool start_up_in_child(const std::string& dir, StartUp& out) {
  int fds[2];
  if (::pipe(fds) != 0) return false;
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) {
    ::close(fds[0]);
    const StartUp s = start_up(dir);
    const ssize_t n = ::write(fds[1], &s, sizeof s);
    ::_exit(n == static_cast<ssize_t>(sizeof s) ? 0 : 1);
  }
  ::close(fds[1]);
  const ssize_t n = ::read(fds[0], &out, sizeof out);
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return n == static_cast<ssize_t>(sizeof out) && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

double largest(const std::vector<double>& v) {
  return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

// Reported: medians of the times, the largest memory figures, over the runs.
void BM_StartUp(benchmark::State& state) {
  const std::string dir = data().path();
  std::vector<double> create, create_cpu, ready, ready_cpu, rss, peak, before;
  for (auto _ : state) {
    StartUp s{};
    if (!start_up_in_child(dir, s)) {
      state.SkipWithError("start-up in a child process failed");
      return;
    }
    state.SetIterationTime(s.ready_ms / 1e3);
    create.push_back(s.create_ms);
    create_cpu.push_back(s.create_cpu_ms);
    ready.push_back(s.ready_ms);
    ready_cpu.push_back(s.ready_cpu_ms);
    rss.push_back(s.rss_installed_mib);
    peak.push_back(s.peak_mib);
    before.push_back(s.rss_before_mib);
  }
  state.counters["create_ms"] = median(create);
  state.counters["create_cpu_ms"] = median(create_cpu);
  state.counters["ready_ms"] = median(ready);
  std::vector<double> after(ready.size());
  for (size_t i = 0; i < ready.size(); ++i) after[i] = ready[i] - create[i];
  state.counters["ready_after_create_ms"] = median(after);
  state.counters["ready_cpu_ms"] = median(ready_cpu);
  state.counters["rss_installed_MiB"] = largest(rss);
  state.counters["peak_MiB"] = largest(peak);
  state.counters["rss_before_MiB"] = largest(before);
}
BENCHMARK(BM_StartUp)->UseManualTime()->Iterations(7)->Unit(benchmark::kMillisecond);

// The whole background build on the calling thread (its processor time is
// the benchmark's CPU column).
void BM_BuildPinyinPackage(benchmark::State& state) {
  const std::string dir = data().path();
  for (auto _ : state) {
    auto package = wubi_pinyin::engine::build_pinyin_package(dir);
    benchmark::DoNotOptimize(package);
  }
}
BENCHMARK(BM_BuildPinyinPackage)->Unit(benchmark::kMillisecond)->Iterations(5);

// The phases of the build, each on data prepared by the phases before it.
wubi_pinyin::pinyin::PinyinData readings() {
  wubi_pinyin::pinyin::PinyinData d;
  d.load(data().path() + "/hanzi_pinyin.dict");
  d.load_polyphonic(data().path() + "/polyphonic.dict");
  return d;
}

void BM_LoadWords(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto d = readings();
    state.ResumeTiming();
    d.load_words(data().path() + "/pinyin_word.dict");
    benchmark::DoNotOptimize(d);
  }
}
BENCHMARK(BM_LoadWords)->Unit(benchmark::kMillisecond)->Iterations(5);

struct Tables {
  wubi_pinyin::wubi::WubiTable merged;
  Tables() {
    merged.load(data().path() + "/wubi86.dict");
    merged.load(data().path() + "/wubi98.dict");
  }
};

void BM_DerivePinyin(benchmark::State& state) {
  const Tables t;
  for (auto _ : state) {
    state.PauseTiming();
    auto d = readings();
    d.load_words(data().path() + "/pinyin_word.dict");
    state.ResumeTiming();
    wubi_pinyin::engine::derive_pinyin(d, {&t.merged});
    // The queued words are merged by the first lookup; count it here.
    benchmark::DoNotOptimize(d.all_words_by_pinyin().size());
  }
}
BENCHMARK(BM_DerivePinyin)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_BuildWordIndex(benchmark::State& state) {
  const Tables t;
  auto d = readings();
  d.load_words(data().path() + "/pinyin_word.dict");
  wubi_pinyin::engine::derive_pinyin(d, {&t.merged});
  benchmark::DoNotOptimize(d.all_words_by_pinyin().size());
  for (auto _ : state) {
    auto index = wubi_pinyin::engine::build_word_index(d);
    benchmark::DoNotOptimize(index);
  }
}
BENCHMARK(BM_BuildWordIndex)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
