// The files vozip reads and writes, the same on Linux and Windows: binary mode
// everywhere, UTF-8 names, messages from the system's error texts, and outputs that
// appear under their name only once complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace vozip_cli {

// A file opened for reading, closed when the holder goes.
class InputFile {
 public:
  InputFile() = default;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile();

  // False, with *error set ("cannot open 'x': reason"), when it cannot be opened.
  bool Open(const std::string& path, std::string* error);
  // Reads up to `capacity` bytes; *stored = 0 at the end. False, with *error set,
  // on a read error.
  bool Read(uint8_t* buffer, size_t capacity, size_t* stored, std::string* error);

 private:
  std::FILE* file_ = nullptr;
  std::string path_;
};

// An output written to a temporary name beside its final one ("NAME.part") and
// moved over the final name by Commit. Until then the final name is untouched, so
// an output may replace its own input, and a failed command leaves nothing half
// written and never destroys an earlier file. Abandoned (removed) unless committed.
class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  bool Open(const std::string& path, std::string* error);
  bool Write(const uint8_t* data, size_t size, std::string* error);
  // For writers that take a stdio stream; their errors are caught by Commit.
  std::FILE* file() const { return file_; }
  // Closes the file and gives it its final name; false (and the final name left
  // as it was) when any write or the close failed.
  bool Commit(std::string* error);

 private:
  void Abandon();

  std::FILE* file_ = nullptr;
  std::string path_;
  std::string part_path_;
};

}  // namespace vozip_cli
