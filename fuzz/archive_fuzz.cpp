// ExtractArchive over a whole archive file of any bytes. Nothing may crash, hang or
// be written outside the destination folder.
//
// The first input byte picks the form of the rest: with bit 0 clear the rest is the
// archive file as it stands (almost always refused by its checksum); with bit 0 set
// it is an unscrambled body, which is scrambled and given its checksum here, so that
// the fuzzer reaches the entries behind the checksum.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ftw.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "archive/larchive.h"
#include "archive/oencript.h"
#include "explode/crc32.h"
#include "platform/file.h"

namespace {

// The destination lies six levels below a private root, so that a name climbing out
// of it lands somewhere this target looks.
constexpr int kNesting = 6;

// In memory where the system offers it: every input makes and removes files.
std::string MakeRoot() {
  std::string pattern = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  pattern += "/tsv-archive-fuzz-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  return pattern;
}

void RemoveRoot();

const std::string& Root() {
  static const std::string root = MakeRoot();
  static const bool removed_at_exit = std::atexit(RemoveRoot) == 0;
  (void)removed_at_exit;
  return root;
}


std::string Destination() {
  std::string path = Root();
  for (int level = 0; level < kNesting; ++level) path += "/d" + std::to_string(level);
  return path;
}

void MakeDestination() {
  std::string path = Root();
  for (int level = 0; level < kNesting; ++level) {
    path += "/d" + std::to_string(level);
    if (mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) std::abort();
  }
}

// Everything below the root must be the chain of folders or lie below the
// destination.
bool escaped = false;
int CheckItem(const char* path, const struct stat*, int, struct FTW*) {
  static const std::string destination = Destination();
  const std::string item = path;
  if (item.compare(0, destination.size(), destination) == 0) return 0;
  std::string chain = Root();
  if (item == chain) return 0;
  for (int level = 0; level < kNesting; ++level) {
    chain += "/d" + std::to_string(level);
    if (item == chain) return 0;
  }
  std::fprintf(stderr, "written outside the destination: %s\n", path);
  escaped = true;
  return 0;
}

int RemoveItem(const char* path, const struct stat*, int type, struct FTW*) {
  return type == FTW_DP ? rmdir(path) : unlink(path);
}

void RemoveRoot() { nftw(Root().c_str(), RemoveItem, 16, FTW_DEPTH | FTW_PHYS); }

std::vector<uint8_t> ArchiveFromPlainBody(const uint8_t* body, size_t size) {
  std::vector<uint8_t> archive(body, body + size);
  SetScrambleKey(nullptr);
  ScrambleBuffer(archive.data(), static_cast<int32_t>(archive.size()));
  uint32_t count = static_cast<uint32_t>(size);
  const uint32_t preset = kCrc32Preset;
  const uint32_t crc = UpdateCrc32(body, &count, &preset);
  for (int i = 0; i < 4; ++i) archive.push_back(static_cast<uint8_t>(crc >> (8 * i)));
  return archive;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > (1u << 20)) return 0;
  const bool plain_body = (data[0] & 1) != 0;
  const std::vector<uint8_t> archive =
      plain_body ? ArchiveFromPlainBody(data + 1, size - 1)
                 : std::vector<uint8_t>(data + 1, data + size);

  MakeDestination();
  const std::string archive_path = Destination() + "/tempfile.$$$";
  std::FILE* file = std::fopen(archive_path.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (!archive.empty()) std::fwrite(archive.data(), 1, archive.size(), file);
  std::fclose(file);

  const int32_t result = ExtractArchive(ToProgramPath(archive_path.c_str()).c_str(),
                                        ToProgramPath(Destination().c_str()).c_str(), nullptr,
                                        nullptr);
  if (result != 0 && result != -2 && result != -3 && result != -5 && result != -6) std::abort();
  if (access(archive_path.c_str(), F_OK) == 0) {
    std::fprintf(stderr, "the archive file was left behind\n");
    std::abort();
  }
  nftw(Root().c_str(), CheckItem, 16, FTW_PHYS);
  if (escaped) std::abort();
  nftw(Destination().c_str(), RemoveItem, 16, FTW_DEPTH | FTW_PHYS);
  return 0;
}
