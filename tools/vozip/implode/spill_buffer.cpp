#include "spill_buffer.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace vozip {
namespace {

// An unnamed temporary file, removed when it is closed (also if the process dies).
std::FILE* OpenTemporaryFile() {
#if defined(_WIN32)
  // The C runtime's tmpfile() creates its file in the root of the current drive,
  // where ordinary users may not write; use the user's temporary folder instead.
  char folder[MAX_PATH + 1];
  char name[MAX_PATH + 1];
  const DWORD length = GetTempPathA(sizeof folder, folder);
  if (length == 0 || length > MAX_PATH) return nullptr;
  if (GetTempFileNameA(folder, "vzp", 0, name) == 0) return nullptr;
  // "D": delete on close; "T": keep it in the cache if possible.
  std::FILE* file = std::fopen(name, "w+bTD");
  if (file == nullptr) DeleteFileA(name);
  return file;
#else
  return std::tmpfile();
#endif
}

}  // namespace

bool SpillBuffer::Append(const uint8_t* data, size_t size) {
  size_ += size;
  if (!file_ && memory_.size() + size <= memory_limit_) {
    memory_.insert(memory_.end(), data, data + size);
    return true;
  }
  if (!file_) {
    file_.reset(OpenTemporaryFile());
    if (!file_) return false;
    if (std::fwrite(memory_.data(), 1, memory_.size(), file_.get()) != memory_.size()) {
      return false;
    }
    memory_ = std::vector<uint8_t>();
  }
  return std::fwrite(data, 1, size, file_.get()) == size;
}

bool SpillBuffer::CopyTo(const ImplodeWriter& write, bool* write_failed) {
  *write_failed = false;
  if (!file_) {
    if (!memory_.empty() && !write(memory_.data(), memory_.size())) *write_failed = true;
    return !*write_failed;
  }
  if (std::fflush(file_.get()) != 0 || std::fseek(file_.get(), 0, SEEK_SET) != 0) return false;
  std::vector<uint8_t> chunk(1 << 16);
  uint64_t left = size_;
  while (left > 0) {
    const size_t want = left < chunk.size() ? static_cast<size_t>(left) : chunk.size();
    if (std::fread(chunk.data(), 1, want, file_.get()) != want) return false;
    if (!write(chunk.data(), want)) {
      *write_failed = true;
      return false;
    }
    left -= want;
  }
  return true;
}

}  // namespace vozip
