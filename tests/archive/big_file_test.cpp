// Sizes beyond 32 bits, end to end: an entry of more than 2 GiB behind a setup image
// of more than 4 GiB. Minutes of disk work, so it runs only when asked for:
//   TSV_BIG_TESTS=1 build/host/tests/archive/archive_test --gtest_filter='BigFiles.*'

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "archive/fs_helpers.h"
#include "archive/payload_locator.h"
#include "archive_support.h"

namespace {

namespace fs = std::filesystem;
using tsv_test::Bytes;
using tsv_test::ProgramPath;
using tsv_test::TempDir;

TEST(BigFiles, AnEntryBeyondTwoGiBBehindAnImageBeyondFourGiB) {
  if (std::getenv("TSV_BIG_TESTS") == nullptr) GTEST_SKIP() << "set TSV_BIG_TESTS=1 to run";
  TempDir dir;
  // 2 GiB + 12,345 zero bytes: one literal, then copies of the byte before.
  const uint64_t size = (1ull << 31) + 12345;
  tsv_test::StreamBuilder stream(0, 6);
  stream.Literal(0);
  uint64_t made = 1;
  while (size - made >= 518 + 2) {
    stream.Copy(518, 1);
    made += 518;
  }
  stream.Copy(static_cast<unsigned>(size - made), 1).End();
  const std::vector<uint8_t> zeros(1 << 20, 0);
  uint32_t crc = kCrc32Preset;
  for (uint64_t done = 0; done < size;) {
    uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(zeros.size(), size - done));
    crc = UpdateCrc32(zeros.data(), &count, &crc);
    done += count;
  }
  const EntryHeader header = {tsv_test::DosDateTime(2020, 2, 29, 10, 0, 0),
                              static_cast<uint32_t>(size), kAttributeArchive,
                              static_cast<uint32_t>(stream.bytes().size()), crc};
  tsv_test::WriteArchiveBody(dir / "a.voz", {tsv_test::EntryBytes("zeros.bin", header, stream.bytes())});

  // The setup: a sparse image of 4 GiB + 1 MiB, the marker, the archive.
  const uint64_t image = (1ull << 32) + (1 << 20);
  const fs::path setup = dir / "setup.exe";
  {
    std::ofstream(setup, std::ios::binary).close();
    fs::resize_file(setup, image);
    std::ofstream out(setup, std::ios::binary | std::ios::app);
    const Text marker = AsciiUpperCase("<vozip file begins here>");
    out.write(marker.c_str(), static_cast<std::streamsize>(marker.size()));
    const Bytes archive = tsv_test::ReadAll(dir / "a.voz");
    out.write(reinterpret_cast<const char*>(archive.data()), static_cast<std::streamsize>(archive.size()));
    ASSERT_TRUE(out.good());
  }
  fs::create_directories(dir / "dest");
  InitPayloadMarker();
  ASSERT_EQ(UnpackPayloadFrom(ProgramPath(setup).c_str(), ProgramPath(dir / "dest").c_str(), nullptr),
            kExtractOk);
  EXPECT_EQ(fs::file_size(dir / "dest" / "zeros.bin"), size);
}

}  // namespace
