// A scratch folder per test, removed with everything in it (read-only files too)
// when the test ends, and small helpers to fill it.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>

namespace vozip_test {

namespace fs = std::filesystem;

class TempTree {
 public:
  TempTree() {
    std::random_device random;
    const fs::path base = fs::temp_directory_path();
    for (;;) {
      root_ = base / ("vozip-test-" + std::to_string(random()));
      std::error_code error;
      if (fs::create_directory(root_, error)) break;
    }
  }
  ~TempTree() {
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(root_, error);
         it != fs::recursive_directory_iterator(); it.increment(error)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
    fs::remove_all(root_, error);
  }
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  const fs::path& root() const { return root_; }
  fs::path operator/(const std::string& relative) const { return root_ / fs::u8path(relative); }

  // Writes a file (creating its folders) and returns its path.
  fs::path Write(const std::string& relative, const std::string& content) const {
    const fs::path path = *this / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }

 private:
  fs::path root_;
};

inline std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace vozip_test
