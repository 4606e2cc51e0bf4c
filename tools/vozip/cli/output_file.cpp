#include "cli/output_file.h"

#include <cerrno>
#include <cstring>

#include "payload/host_fs.h"

namespace vozip {

OutputFile::OutputFile(const std::string& path)
    : path_(path), temp_path_(path + ".part" + std::to_string(host::ProcessId())) {}

OutputFile::~OutputFile() {
  if (file_ != nullptr) std::fclose(file_);
  if (!committed_) host::RemoveFile(temp_path_);
}

bool OutputFile::Open(std::string* error) {
  file_ = host::OpenFile(temp_path_, "wb");
  if (file_ == nullptr) {
    *error = path_ + ": cannot create: " + std::strerror(errno);
    return false;
  }
  return true;
}

bool OutputFile::Commit(std::string* error) {
  const bool written = std::ferror(file_) == 0;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!written || !closed) {
    *error = path_ + ": write failed";
    return false;
  }
  if (!host::RenameReplacing(temp_path_, path_, error)) return false;
  committed_ = true;
  return true;
}

}  // namespace vozip
