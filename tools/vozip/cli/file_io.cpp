#include "cli/file_io.h"

#include <cerrno>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "cli/options.h"

namespace vozip_cli {
namespace {

std::string Reason() { return std::strerror(errno); }

// Gives `from` the name `to`, replacing a file of that name.
bool ReplaceFile(const std::string& from, const std::string& to, std::string* error) {
#if defined(_WIN32)
  // rename() will not replace an existing file on Windows.
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0) return true;
  *error = "cannot write " + Quote(to) + ": error " + std::to_string(GetLastError());
  return false;
#else
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  *error = "cannot write " + Quote(to) + ": " + Reason();
  return false;
#endif
}

}  // namespace

InputFile::~InputFile() {
  if (file_ != nullptr) std::fclose(file_);
}

bool InputFile::Open(const std::string& path, std::string* error) {
  path_ = path;
  file_ = std::fopen(path.c_str(), "rb");
  if (file_ == nullptr) *error = "cannot open " + Quote(path) + ": " + Reason();
  return file_ != nullptr;
}

bool InputFile::Read(uint8_t* buffer, size_t capacity, size_t* stored, std::string* error) {
  *stored = std::fread(buffer, 1, capacity, file_);
  if (*stored < capacity && std::ferror(file_)) {
    *error = "cannot read " + Quote(path_) + ": " + Reason();
    return false;
  }
  return true;
}

OutputFile::~OutputFile() { Abandon(); }

bool OutputFile::Open(const std::string& path, std::string* error) {
  path_ = path;
  part_path_ = path + ".part";
  file_ = std::fopen(part_path_.c_str(), "wb");
  if (file_ != nullptr) return true;
  *error = "cannot create " + Quote(path) + ": " + Reason();
  part_path_.clear();  // not ours to remove
  return false;
}

bool OutputFile::Write(const uint8_t* data, size_t size, std::string* error) {
  if (size == 0 || std::fwrite(data, 1, size, file_) == size) return true;
  *error = "cannot write " + Quote(path_) + ": " + Reason();
  return false;
}

bool OutputFile::Commit(std::string* error) {
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!closed) {
    *error = "cannot write " + Quote(path_) + ": " + Reason();
    std::remove(part_path_.c_str());
    part_path_.clear();
    return false;
  }
  const bool renamed = ReplaceFile(part_path_, path_, error);
  if (!renamed) std::remove(part_path_.c_str());
  part_path_.clear();
  return renamed;
}

void OutputFile::Abandon() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!part_path_.empty()) {
    std::remove(part_path_.c_str());
    part_path_.clear();
  }
}

}  // namespace vozip_cli
