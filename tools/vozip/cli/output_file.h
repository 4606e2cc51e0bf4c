// An output file that appears only when it is complete: written under a temporary
// name beside it and renamed at the end, so a failed run leaves no half-written
// file behind and never destroys an earlier one (or an input of the same name).
#pragma once

#include <cstdio>
#include <string>

namespace vozip {

class OutputFile {
 public:
  explicit OutputFile(const std::string& path);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool Open(std::string* error);
  std::FILE* file() const { return file_; }
  // Closes the file and gives it its name; false (and nothing renamed) when a write
  // failed.
  bool Commit(std::string* error);

 private:
  std::string path_;
  std::string temp_path_;
  std::FILE* file_ = nullptr;
  bool committed_ = false;
};

}  // namespace vozip
