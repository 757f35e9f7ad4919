// Per-key latency of Pinyin typing: realistic inputs (single words and long
// sentences, 2 to 30 letters) typed letter by letter through
// Core::key_event, each key rebuilding the whole candidate list.
//
// Data: the directory named by QUVO_BENCH_DICT, else the generated
// dictionaries of data/dict when they are there, else (or when
// QUVO_BENCH_SYNTHETIC is set) a lexicon of 140,000 words over 7,000
// characters with readings, frequencies, pairs and Wubi codes, written once
// into the temporary directory.
//
// Reported: median, p99 and worst processor time per key, over all keys and
// by input length (the length of the typed input after the key), and the
// p99 of the wall-clock time.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/core.h"
#include "text/utf8.h"

namespace {

using wubi_pinyin::engine::Core;
using wubi_pinyin::engine::Mode;

constexpr uint32_t kEscape = 0xff1b;
constexpr size_t kMaxLetters = 30;
constexpr size_t kInputs = 2000;

// The syllables of Mandarin pinyin (without tones), for the generated data.
constexpr const char* kSyllables =
    "a ai an ang ao ba bai ban bang bao bei ben beng bi bian biao bie bin bing bo bu ca cai can "
    "cang cao ce cen ceng cha chai chan chang chao che chen cheng chi chong chou chu chua chuai "
    "chuan chuang chui chun chuo ci cong cou cu cuan cui cun cuo da dai dan dang dao de dei den "
    "deng di dia dian diao die ding diu dong dou du duan dui dun duo e ei en eng er fa fan fang "
    "fei fen feng fo fou fu ga gai gan gang gao ge gei gen geng gong gou gu gua guai guan guang "
    "gui gun guo ha hai han hang hao he hei hen heng hong hou hu hua huai huan huang hui hun huo "
    "ji jia jian jiang jiao jie jin jing jiong jiu ju juan jue jun ka kai kan kang kao ke kei ken "
    "keng kong kou ku kua kuai kuan kuang kui kun kuo la lai lan lang lao le lei leng li lia lian "
    "liang liao lie lin ling liu lo long lou lu luan lun luo lv lve ma mai man mang mao me mei men "
    "meng mi mian miao mie min ming miu mo mou mu na nai nan nang nao ne nei nen neng ni nian "
    "niang niao nie nin ning niu nong nou nu nuan nuo nv nve o ou pa pai pan pang pao pei pen "
    "peng pi pian piao pie pin ping po pou pu qi qia qian qiang qiao qie qin qing qiong qiu qu "
    "quan que qun ran rang rao re ren reng ri rong rou ru rua ruan rui run ruo sa sai san sang "
    "sao se sen seng sha shai shan shang shao she shei shen sheng shi shou shu shua shuai shuan "
    "shuang shui shun shuo si song sou su suan sui sun suo ta tai tan tang tao te teng ti tian "
    "tiao tie ting tong tou tu tuan tui tun tuo wa wai wan wang wei wen weng wo wu xi xia xian "
    "xiang xiao xie xin xing xiong xiu xu xuan xue xun ya yan yang yao ye yi yin ying yo yong you "
    "yu yuan yue yun za zai zan zang zao ze zei zen zeng zha zhai zhan zhang zhao zhe zhei zhen "
    "zheng zhi zhong zhou zhu zhua zhuai zhuan zhuang zhui zhun zhuo zi zong zou zu zuan zui zun "
    "zuo";

std::vector<std::string> split(const std::string& s) {
  std::istringstream in(s);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

std::string random_code(std::mt19937& rng, size_t len) {
  std::string code;
  for (size_t i = 0; i < len; ++i) code.push_back(static_cast<char>('a' + rng() % 25));
  return code;
}

// Writes a lexicon of real size into `dir`: readings for 7,000 characters
// (common syllables carry many characters, as in the language), 140,000
// words of two to six characters with Zipf-like frequencies, 60,000 of them
// also in the Wubi table, character frequencies and 50,000 character pairs.
void generate_data(const std::filesystem::path& dir) {
  std::mt19937 rng(20240611);
  const std::vector<std::string> syllables = split(kSyllables);
  std::vector<double> syl_weight(syllables.size());
  {
    std::vector<size_t> rank(syllables.size());
    for (size_t i = 0; i < rank.size(); ++i) rank[i] = i;
    std::shuffle(rank.begin(), rank.end(), rng);
    for (size_t i = 0; i < rank.size(); ++i) syl_weight[i] = 1.0 / (1.0 + rank[i]);
  }
  std::discrete_distribution<size_t> pick_syllable(syl_weight.begin(), syl_weight.end());

  constexpr size_t kChars = 7000;
  std::vector<std::string> chars(kChars), reading(kChars), char_code(kChars);
  std::ofstream hanzi(dir / "hanzi_pinyin.dict"), cf(dir / "char_freq.dict"),
      wubi(dir / "wubi86.dict");
  for (size_t i = 0; i < kChars; ++i) {
    chars[i] = wubi_pinyin::text::encode_utf8(static_cast<char32_t>(0x4E00 + i));
    reading[i] = syllables[pick_syllable(rng)];
    hanzi << chars[i] << ' ' << reading[i] << '\n';
    if (rng() % 10 == 0) hanzi << chars[i] << ' ' << syllables[pick_syllable(rng)] << '\n';
    const uint32_t f = static_cast<uint32_t>(10'000'000.0 / (1.0 + static_cast<double>(i)));
    cf << chars[i] << '\t' << f << '\n';
    char_code[i] = random_code(rng, 4);
    wubi << chars[i] << ' ' << char_code[i] << ' ' << f / 10 << '\n';
  }
  // Characters of words drawn with a Zipf-like bias towards common ones.
  std::vector<double> char_weight(kChars);
  for (size_t i = 0; i < kChars; ++i)
    char_weight[i] = 1.0 / std::sqrt(1.0 + static_cast<double>(i));
  std::discrete_distribution<size_t> pick_char(char_weight.begin(), char_weight.end());

  constexpr size_t kWords = 140'000;
  constexpr size_t kWubiWords = 60'000;
  std::ofstream words(dir / "pinyin_word.dict");
  std::unordered_set<std::string> seen;
  std::vector<size_t> word_chars;
  for (size_t w = 0; seen.size() < kWords; ++w) {
    const size_t len = 2 + (rng() % 10 < 6 ? 0 : rng() % 10 < 7 ? 1 : 2 + rng() % 3);
    std::string word, pinyin, code;
    word_chars.clear();
    for (size_t k = 0; k < len; ++k) {
      const size_t c = pick_char(rng);
      word += chars[c];
      pinyin += reading[c];
      word_chars.push_back(c);
    }
    if (!seen.insert(word).second) continue;
    const size_t n = seen.size();
    const uint32_t f = static_cast<uint32_t>(50'000'000.0 / (1.0 + static_cast<double>(n)));
    // Every word carries its Wubi code; only the first ones are in the
    // Wubi table, the others take their frequency from the word list.
    code = char_code[word_chars[0]].substr(0, 2) + char_code[word_chars[1]].substr(0, 2);
    if (n <= kWubiWords) wubi << word << ' ' << code << ' ' << f << '\n';
    words << pinyin << ' ' << word << ' ' << code << ' ' << f << '\n';
  }
  std::ofstream bigram(dir / "bigram.dict");
  for (size_t i = 0; i < 50'000; ++i)
    bigram << chars[pick_char(rng)] << chars[pick_char(rng)] << '\t' << 1 + rng() % 1000 << '\n';
  std::filesystem::copy_file(dir / "wubi86.dict", dir / "wubi98.dict",
                             std::filesystem::copy_options::overwrite_existing);
}

// Typed inputs: single words and sentences of several words, 2 to 30
// letters, drawn from the full pinyin of the data directory's word list.
std::vector<std::string> make_inputs(const std::filesystem::path& dir, size_t count) {
  std::vector<std::string> pinyins;
  std::ifstream in(dir / "pinyin_word.dict");
  for (std::string line; std::getline(in, line);) {
    const size_t end = line.find_first_of(" \t");
    if (end == std::string::npos || line[0] == '#') continue;
    const std::string p = line.substr(0, end);
    if (p.size() >= 2 &&
        std::all_of(p.begin(), p.end(), [](char c) { return c >= 'a' && c <= 'z'; }))
      pinyins.push_back(p);
  }
  std::vector<std::string> inputs;
  if (pinyins.empty()) return inputs;
  std::mt19937 rng(7);
  for (size_t i = 0; i < count; ++i) {
    std::string s = pinyins[rng() % pinyins.size()];
    if (i % 3 != 0) {  // two thirds are sentences of several words
      const size_t target = 12 + rng() % 19;
      while (s.size() < target) s += pinyins[rng() % pinyins.size()];
    }
    s.resize(std::min(s.size(), kMaxLetters));
    inputs.push_back(s);
  }
  return inputs;
}

struct Setup {
  std::unique_ptr<Core> core;
  std::vector<std::string> inputs;
  std::string source;
};

Setup& setup() {
  static Setup s = [] {
    Setup st;
    std::filesystem::path dir;
    const char* synthetic = std::getenv("QUVO_BENCH_SYNTHETIC");
    if (const char* env = std::getenv("QUVO_BENCH_DICT"); env && *env) {
      dir = env;
      st.source = "dictionaries of " + dir.string();
    } else if ((!synthetic || !*synthetic) &&
               std::filesystem::exists(std::filesystem::path(QUVO_SOURCE_DIR) /
                                       "data/dict/pinyin_word.dict")) {
      dir = std::filesystem::path(QUVO_SOURCE_DIR) / "data/dict";
      st.source = "generated real dictionaries (data/dict)";
    } else {
      dir = std::filesystem::temp_directory_path() / "quvo-pinyin-bench";
      std::filesystem::create_directories(dir);
      if (!std::filesystem::exists(dir / "bigram.dict")) generate_data(dir);
      st.source = "synthetic lexicon in " + dir.string();
    }
    // The engine writes its favourite templates into the directory; work on
    // a copy so the source stays untouched.
    const std::filesystem::path work =
        std::filesystem::temp_directory_path() / "quvo-pinyin-bench-work";
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work);
    for (const auto& e : std::filesystem::directory_iterator(dir))
      if (e.is_regular_file()) std::filesystem::copy_file(e.path(), work / e.path().filename());
    st.core = Core::new_sync(work.string());
    st.core->mode = Mode::pinyin;
    st.inputs = make_inputs(dir, kInputs);
    return st;
  }();
  return s;
}

// Key times in nanoseconds by input length after the key (1 to 30), for the
// first pass over the inputs (a fresh engine: the stored word weights are
// filled as the keys need them) and for the passes after it.
struct Samples {
  std::vector<std::vector<double>> by_length = std::vector<std::vector<double>>(kMaxLetters + 1);
};
Samples g_first, g_steady;

// CPU time of this thread: unlike the wall clock it does not count the time
// other processes took the processor away, which on a shared machine would
// swamp the figures of single keys.
double thread_cpu_ns() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e9 + static_cast<double>(ts.tv_nsec);
}

double percentile(std::vector<double> v, double q) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t i = std::min(v.size() - 1, static_cast<size_t>(q * static_cast<double>(v.size())));
  return v[i];
}

void type_inputs(benchmark::State& state, Samples& samples) {
  Setup& s = setup();
  if (s.inputs.empty()) {
    state.SkipWithError("no inputs: the word list is empty");
    return;
  }
  std::vector<double> all, wall;
  size_t next = 0;
  for (auto _ : state) {
    const std::string& in = s.inputs[next++ % s.inputs.size()];
    (void)s.core->key_event(kEscape);
    for (size_t i = 0; i < in.size(); ++i) {
      const auto w0 = std::chrono::steady_clock::now();
      const double c0 = thread_cpu_ns();
      auto r = s.core->key_event(static_cast<unsigned char>(in[i]));
      const double c1 = thread_cpu_ns();
      const auto w1 = std::chrono::steady_clock::now();
      benchmark::DoNotOptimize(r);
      all.push_back(c1 - c0);
      wall.push_back(std::chrono::duration<double, std::nano>(w1 - w0).count());
      samples.by_length[i + 1].push_back(c1 - c0);
    }
  }
  state.counters["keys"] = static_cast<double>(all.size());
  state.counters["median_us"] = percentile(all, 0.5) / 1000;
  state.counters["p99_us"] = percentile(all, 0.99) / 1000;
  state.counters["worst_us"] = all.empty() ? 0 : *std::max_element(all.begin(), all.end()) / 1000;
  state.counters["wall_p99_us"] = percentile(wall, 0.99) / 1000;
  state.SetLabel(s.source);
}

// Every input once on the fresh engine, then every input three more times.
void BM_PinyinKeysFirstPass(benchmark::State& state) {
  type_inputs(state, g_first);
}
void BM_PinyinKeysSteady(benchmark::State& state) {
  type_inputs(state, g_steady);
}
BENCHMARK(BM_PinyinKeysFirstPass)->Unit(benchmark::kMillisecond)->Iterations(kInputs);
BENCHMARK(BM_PinyinKeysSteady)->Unit(benchmark::kMillisecond)->Iterations(3 * kInputs);

void print_table(const char* title, const Samples& samples) {
  std::printf("\n%s: per-key time by input length (microseconds)\n", title);
  std::printf("%7s %8s %9s %9s %9s\n", "letters", "keys", "median", "p99", "worst");
  for (size_t len = 1; len <= kMaxLetters; ++len) {
    const auto& v = samples.by_length[len];
    if (v.empty()) continue;
    std::printf("%7zu %8zu %9.1f %9.1f %9.1f\n", len, v.size(), percentile(v, 0.5) / 1000,
                percentile(v, 0.99) / 1000, *std::max_element(v.begin(), v.end()) / 1000);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  print_table("first pass", g_first);
  print_table("steady", g_steady);
  return 0;
}
