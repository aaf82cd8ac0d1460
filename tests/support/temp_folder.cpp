#include "support/temp_folder.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace duskmere::test {

TempFolder::TempFolder() {
  auto pattern = (std::filesystem::temp_directory_path() / "duskmere-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr)
    throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code error;
  std::filesystem::remove_all(path_, error);
}

ScopedEnvironment::~ScopedEnvironment() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->second) {
      ::setenv(it->first.c_str(), it->second->c_str(), 1);
    } else {
      ::unsetenv(it->first.c_str());
    }
  }
}

void ScopedEnvironment::set(const std::string& name, const std::optional<std::string>& value) {
  const char* old = std::getenv(name.c_str());
  saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
  if (value) {
    ::setenv(name.c_str(), value->c_str(), 1);
  } else {
    ::unsetenv(name.c_str());
  }
}

void isolateUserFolders(ScopedEnvironment& environment, const std::filesystem::path& root) {
  std::filesystem::create_directories(root / "home");
  environment.set("HOME", (root / "home").string());
  environment.set("XDG_DATA_HOME", (root / "data").string());
  environment.set("XDG_CONFIG_HOME", (root / "config").string());
  environment.set("XDG_CACHE_HOME", (root / "cache").string());
  environment.set("XDG_RUNTIME_DIR", std::nullopt);
  std::filesystem::create_directories(root / "data");
  std::filesystem::create_directories(root / "config");
}

void writeFile(const std::filesystem::path& path, const std::string& contents) {
  if (path.has_parent_path())
    std::filesystem::create_directories(path.parent_path());
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << contents;
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream contents;
  contents << file.rdbuf();
  return contents.str();
}

}  // namespace duskmere::test
