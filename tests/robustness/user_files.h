#pragma once

// Helpers of the robustness tests: strict readers of the user's files and a
// child process runner.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quvo_test {

using FreqContent = std::map<std::string, uint32_t>;

// "user.freq" as the store writes it: lines of text, TAB, a decimal count
// without sign or leading zeros, LF. Nothing when any line is malformed, a
// line is torn or a text appears twice.
inline std::optional<FreqContent> parse_freq_strict(const std::string& content) {
  FreqContent out;
  if (!content.empty() && content.back() != '\n') return std::nullopt;
  size_t pos = 0;
  while (pos < content.size()) {
    const size_t end = content.find('\n', pos);
    const std::string_view line(content.data() + pos, end - pos);
    pos = end + 1;
    const size_t tab = line.find('\t');
    if (tab == std::string_view::npos) return std::nullopt;
    const std::string_view digits = line.substr(tab + 1);
    if (digits.empty() || digits.size() > 10 || (digits.size() > 1 && digits[0] == '0'))
      return std::nullopt;
    uint64_t n = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return std::nullopt;
      n = n * 10 + static_cast<uint64_t>(c - '0');
    }
    if (n > 4294967295u) return std::nullopt;
    if (!out.emplace(std::string(line.substr(0, tab)), static_cast<uint32_t>(n)).second)
      return std::nullopt;
  }
  return out;
}

// A file appended to line by line: empty, or whole lines of exactly two
// non-empty fields joined by one TAB. The lines as pairs, or nothing.
inline std::optional<std::vector<std::pair<std::string, std::string>>> parse_pairs_strict(
    const std::string& content) {
  std::vector<std::pair<std::string, std::string>> out;
  if (!content.empty() && content.back() != '\n') return std::nullopt;
  size_t pos = 0;
  while (pos < content.size()) {
    const size_t end = content.find('\n', pos);
    const std::string_view line(content.data() + pos, end - pos);
    pos = end + 1;
    const size_t tab = line.find('\t');
    if (tab == std::string_view::npos || tab == 0 || tab + 1 == line.size() ||
        line.find('\t', tab + 1) != std::string_view::npos)
      return std::nullopt;
    out.emplace_back(std::string(line.substr(0, tab)), std::string(line.substr(tab + 1)));
  }
  return out;
}

// Runs `body` in a forked child that ends with _exit(body()); returns the
// wait status. The child never returns into the test framework.
inline int run_in_child(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    int code = 99;
    try {
      code = body();
    } catch (...) {
      code = 98;
    }
    ::_exit(code);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
  }
  return status;
}

inline bool exited_with(int status, int code) {
  return WIFEXITED(status) && WEXITSTATUS(status) == code;
}

}  // namespace quvo_test
