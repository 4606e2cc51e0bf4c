#include "cli/file_io.h"

#include <cerrno>
#include <cstring>

#include "cli/options.h"
#include "payload/host_fs.h"

namespace vozip_cli {
namespace {

std::string Reason() { return std::strerror(errno); }

}  // namespace

InputFile::~InputFile() {
  if (file_ != nullptr) std::fclose(file_);
}

bool InputFile::Open(const std::string& path, std::string* error) {
  path_ = path;
  file_ = vozip::host::OpenFile(path, "rb");
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
  file_ = vozip::host::OpenFile(part_path_, "wb");
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
  const bool written = std::ferror(file_) == 0;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!written || !closed) {
    *error = "cannot write " + Quote(path_) + ": " + Reason();
    Abandon();
    return false;
  }
  std::string reason;
  if (!vozip::host::RenameReplacing(part_path_, path_, &reason)) {
    *error = "cannot write " + Quote(path_) + ": " + reason;
    Abandon();
    return false;
  }
  part_path_.clear();
  return true;
}

void OutputFile::Abandon() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!part_path_.empty()) {
    vozip::host::RemoveFile(part_path_);
    part_path_.clear();
  }
}

}  // namespace vozip_cli
