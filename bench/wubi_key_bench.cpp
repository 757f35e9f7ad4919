// Per-key latency of Wubi typing through the C interface on real-size
// tables, and the cost and memory of building an engine.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>
#include <string>
#include <vector>

#include "bench_data.h"
#include "engine/core.h"
#include "interface/wubi_pinyin.h"

namespace {

quvo_bench::DataDir& data() {
  static quvo_bench::DataDir d;
  return d;
}

constexpr uint32_t kPageDown = 0xff56;

// One realistic session: codes of 1 to 4 letters, sometimes a page down,
// committed by space or by a digit.
std::vector<uint32_t> session_keys() {
  std::vector<uint32_t> keys;
  const auto& codes = data().codes();
  for (size_t i = 0; i < codes.size() && i < 4000; ++i) {
    const size_t len = 1 + i % 4;
    for (size_t k = 0; k < len; ++k) keys.push_back(static_cast<unsigned char>(codes[i][k]));
    if (i % 7 == 0) keys.push_back(kPageDown);
    keys.push_back(i % 3 == 0 ? '2' : ' ');
  }
  return keys;
}

void report(benchmark::State& state, const std::string& prefix, std::vector<double> us) {
  if (us.empty()) return;
  std::sort(us.begin(), us.end());
  state.counters[prefix + "median_us"] = us[us.size() / 2];
  state.counters[prefix + "p99_us"] = us[us.size() * 99 / 100];
  state.counters[prefix + "max_us"] = us.back();
}

// A user with some history: 500 learned texts, so frequency saves follow
// the periodic rule (every 20 commits or 5 seconds) rather than the rule
// for a new user's small store (every commit).
void seed_history(const std::string& dir) {
  std::ofstream out(dir + "/user.freq");
  const auto& codes = data().codes();
  for (size_t i = 0; i < 500; ++i) out << "史" << i << (i < codes.size() ? codes[i] : "") << "\t3\n";
}

void BM_WubiKeys(benchmark::State& state) {
  seed_history(data().path());
  WPEngine* engine = wp_create_engine(data().path().c_str());
  {
    // Let the background word data arrive and be installed (by the poll of
    // a candidate build) before measuring, so commits show their
    // association lists.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    char c[64], p[64];
    size_t n = 0;
    wp_key_event(engine, 'a', 0, c, 64, p, 64, nullptr, 0, &n);
    wp_key_event(engine, 0xff1b, 0, c, 64, p, 64, nullptr, 0, &n);
  }
  const std::vector<uint32_t> keys = session_keys();
  std::vector<double> us, commit_us, other_us;
  char commit[1024], preedit[1024];
  WPCandidate cands[64];
  size_t count = 0, i = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    wp_key_event(engine, keys[i], 0, commit, sizeof commit, preedit, sizeof preedit, cands, 64,
                 &count);
    const auto t1 = std::chrono::steady_clock::now();
    const double d = std::chrono::duration<double, std::micro>(t1 - t0).count();
    us.push_back(d);
    (keys[i] == ' ' || keys[i] == '2' ? commit_us : other_us).push_back(d);
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    i = (i + 1) % keys.size();
  }
  report(state, "", us);
  report(state, "commit_", commit_us);
  report(state, "other_", other_us);
  wp_destroy_engine(engine);
}
BENCHMARK(BM_WubiKeys)->UseManualTime()->Iterations(40000)->Unit(benchmark::kMicrosecond);

void BM_CreateEngine(benchmark::State& state) {
  const std::string dir = data().path();
  for (auto _ : state) {
    WPEngine* e = wp_create_engine(dir.c_str());
    state.PauseTiming();
    wp_destroy_engine(e);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_CreateEngine)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_EngineMemory(benchmark::State& state) {
  const std::string dir = data().path();
  for (auto _ : state) {
    const size_t before = quvo_bench::resident_bytes();
    auto core = wubi_pinyin::engine::Core::new_background(dir);
    const size_t constructed = quvo_bench::resident_bytes();
    const auto t0 = std::chrono::steady_clock::now();
    core->wait_pinyin_ready();
    const auto t1 = std::chrono::steady_clock::now();
    state.counters["rss_after_create_MiB"] = double(constructed - before) / (1 << 20);
    state.counters["rss_full_MiB"] = double(quvo_bench::resident_bytes() - before) / (1 << 20);
    state.counters["rss_process_MiB"] = double(quvo_bench::resident_bytes()) / (1 << 20);
    state.counters["pinyin_ready_ms"] = std::chrono::duration<double, std::milli>(t1 - t0).count();
  }
}
BENCHMARK(BM_EngineMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
