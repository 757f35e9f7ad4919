#include "data_dir.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace quvo_cli {

namespace fs = std::filesystem;

std::string user_data_dir(std::string_view system_dir) {
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') return std::string(system_dir);
  return std::string(home) + "/.local/share/fcitx5/quvo";
}

void prepare_data_dir(const std::string& data_dir, const std::string& system_dir) {
  if (data_dir == system_dir) return;
  std::error_code ec;
  fs::create_directories(data_dir, ec);
  ec.clear();
  if (!fs::exists(system_dir, ec) || ec) return;
  for (const std::string_view name : kBaseDicts) {
    std::error_code copy_error;
    fs::copy_file(fs::path(system_dir) / name, fs::path(data_dir) / name,
                  fs::copy_options::overwrite_existing, copy_error);
  }
}

ScratchDir::ScratchDir() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
  pattern += "/quvo-cli-XXXXXX";
  if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

ScratchDir::~ScratchDir() {
  if (path_.empty()) return;
  std::error_code ec;
  fs::remove_all(path_, ec);
}

}  // namespace quvo_cli
