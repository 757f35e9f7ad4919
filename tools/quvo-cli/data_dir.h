#pragma once

#include <array>
#include <string>
#include <string_view>

namespace quvo_cli {

// Where the installed base dictionaries live.
inline constexpr std::string_view kSystemDictDir = "/usr/share/fcitx5/quvo";

// The base dictionaries, refreshed from the system directory at each start.
// The user's own files (user.dict, user.freq, user_py.dict, aihao_py.dict,
// aihao_wb.dict) are not among them and are never touched.
inline constexpr std::array<std::string_view, 8> kBaseDicts = {
    "wubi86.dict", "wubi98.dict",    "hanzi_pinyin.dict", "pinyin_word.dict",
    "emoji.dict",  "char_freq.dict", "bigram.dict",       "polyphonic.dict",
};

// The user's data directory, as the Fcitx5 addon chooses it: $HOME followed
// by /.local/share/fcitx5/quvo, or the system directory itself when HOME is
// unset or empty.
[[nodiscard]] std::string user_data_dir(std::string_view system_dir);

// Prepares a data directory as the addon does: unless it is the system
// directory itself, creates it with its parents and copies each base
// dictionary of the system directory over the copy in the data directory.
// Every failure is ignored: a missing source leaves that copy as it was.
void prepare_data_dir(const std::string& data_dir, const std::string& system_dir);

// A fresh private directory under $TMPDIR (or /tmp), removed with all its
// contents when the object is destroyed. Empty path() when none could be made.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  [[nodiscard]] const std::string& path() const noexcept { return path_; }

 private:
  std::string path_;
};

}  // namespace quvo_cli
