// Holds one candidate stream while literals `auto` encodes both modes: in memory up
// to a limit, then in an unnamed temporary file that disappears when closed.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "implode.h"

namespace vozip {

class SpillBuffer {
 public:
  // `memory_limit` bytes stay in memory; SIZE_MAX never spills.
  explicit SpillBuffer(size_t memory_limit) : memory_limit_(memory_limit) {}

  // Appends `size` bytes. False when the temporary file could not be created or
  // written.
  bool Append(const uint8_t* data, size_t size);

  uint64_t size() const { return size_; }

  // Hands everything held to `write`, in order. False when reading the temporary
  // file back fails; *write_failed tells a refusal of `write` apart.
  bool CopyTo(const ImplodeWriter& write, bool* write_failed);

 private:
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  size_t memory_limit_;
  std::vector<uint8_t> memory_;
  std::unique_ptr<std::FILE, FileCloser> file_;
  uint64_t size_ = 0;
};

}  // namespace vozip
