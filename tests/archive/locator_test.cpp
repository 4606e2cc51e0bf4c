// The payload locator on setup files built here: image bytes, the marker, an archive.

#include "archive/payload_locator.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/fs_helpers.h"
#include "archive_support.h"

namespace {

namespace fs = std::filesystem;
using tsv_test::Bytes;
using tsv_test::CallLog;
using tsv_test::ProgramPath;
using tsv_test::TempDir;

constexpr size_t kBlock = 65536;

// The upper-case marker, made at run time like the program makes it.
Bytes UpperMarker() {
  const Text marker = AsciiUpperCase("<vozip file begins here>");
  return Bytes(marker.c_str(), marker.c_str() + marker.size());
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// Image bytes that hold no marker: a repeating pattern.
Bytes Image(size_t size) {
  Bytes image(size);
  for (size_t i = 0; i < size; ++i) image[i] = static_cast<uint8_t>("MZ image "[i % 9]);
  return image;
}

class Locator : public ::testing::Test {
 protected:
  void SetUp() override {
    InitPayloadMarker();
    CallLog::calls().clear();
    fs::create_directories(destination());
    payload_ = tsv_test::ArchiveBytes({{"app\\readme.txt", "installed"}});
  }

  fs::path setup() const { return dir_ / "setup.exe"; }
  fs::path destination() const { return dir_ / "Tessivo"; }
  fs::path temp_file() const { return destination() / "tempfile.$$$"; }

  // Runs the locator; the pump notes whether the temporary file was there meanwhile.
  int32_t Unpack() {
    temp_seen_ = false;
    observed_temp_ = temp_file();
    return UnpackPayloadFrom(ProgramPath(setup()).c_str(), ProgramPath(destination()).c_str(),
                             &PumpAndLook);
  }

  static void PumpAndLook(bool destroy) {
    CallLog::Pump(destroy);
    if (fs::exists(observed_temp_)) temp_seen_ = true;
  }

  bool Installed() const {
    return fs::exists(destination() / "app" / "readme.txt") &&
           tsv_test::ReadText(destination() / "app" / "readme.txt") == "installed";
  }

  size_t Pumps() const { return CallLog::calls().size(); }

  TempDir dir_;
  Bytes payload_;
  static inline bool temp_seen_ = false;
  static inline fs::path observed_temp_;
};

TEST_F(Locator, MarkerIsUpperCaseAfterStartUp) {
  EXPECT_EQ(std::string(PayloadMarker()), "<VOZIP FILE BEGINS HERE>");
  EXPECT_EQ(std::string(PayloadMarker()).size(), kPayloadMarkerLength);
}

// The marker wherever it may fall against the 65,536-byte blocks of the search.
TEST_F(Locator, FindsTheMarkerWhereverItLies) {
  const size_t offsets[] = {0,                          // the payload starts at 24
                            1000,                       // a file of one block
                            kBlock - 24,                // ends exactly at the first block's end
                            kBlock - 6,                 // straddles the boundary: 65,530
                            kBlock + 100000};           // in a later block
  for (size_t offset : offsets) {
    SCOPED_TRACE(offset);
    tsv_test::WriteAll(setup(), Concat({Image(offset), UpperMarker(), payload_}));
    fs::remove_all(destination() / "app");
    EXPECT_EQ(Unpack(), kExtractOk);
    EXPECT_TRUE(Installed());
    EXPECT_TRUE(temp_seen_);
    EXPECT_FALSE(fs::exists(temp_file()));
  }
}

TEST_F(Locator, PumpsOncePerBlockAndPerProgressReport) {
  // Search: [0, 65536) and [65512, end), the second holding the marker. Copy: one
  // block. Extraction: before the entry, its one write, and the final report.
  tsv_test::WriteAll(setup(), Concat({Image(70000), UpperMarker(), payload_}));
  ASSERT_EQ(Unpack(), kExtractOk);
  EXPECT_EQ(CallLog::calls(), std::vector<std::string>(2 + 1 + 3, "pump"));

  // A payload of 200,000 bytes behind the marker is copied in 4 blocks.
  CallLog::calls().clear();
  fs::remove_all(destination() / "app");
  std::string big(200000, 0);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 31 % 251);
  const Bytes big_payload = tsv_test::ArchiveBytes({{"app\\readme.txt", big}});
  ASSERT_GT(big_payload.size(), 3 * kBlock);
  ASSERT_LE(big_payload.size(), 4 * kBlock);
  tsv_test::WriteAll(setup(), Concat({Image(1000), UpperMarker(), big_payload}));
  ASSERT_EQ(Unpack(), kExtractOk);
  const size_t writes = big.size() / 4096 + 1;
  EXPECT_EQ(Pumps(), 1 + 4 + (1 + writes + 1));
}

// Without the marker, the whole file (or nothing) reaches the extractor, whose
// checksum refuses it; the temporary file is gone afterwards in every case.
TEST_F(Locator, FailsWithoutAPayload) {
  Bytes lower_marker = UpperMarker();
  for (uint8_t& c : lower_marker) c = static_cast<uint8_t>(std::tolower(c));
  Bytes mixed_marker = UpperMarker();
  mixed_marker[1] = 'v';
  struct Case {
    const char* what;
    Bytes file;
  };
  const Case cases[] = {
      {"no marker", Concat({Image(5000), payload_})},
      {"lower-case marker", Concat({Image(5000), lower_marker, payload_})},
      {"mixed-case marker", Concat({Image(5000), mixed_marker, payload_})},
      {"marker as the last 24 bytes", Concat({Image(5000), UpperMarker()})},
      {"only the first marker counts", Concat({Image(5000), UpperMarker(), UpperMarker(), payload_})},
      {"empty file", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tsv_test::WriteAll(setup(), c.file);
    // An empty copy, or one that is not an archive, fails the checksum.
    EXPECT_EQ(Unpack(), kExtractChecksumMismatch);
    EXPECT_FALSE(Installed());
    EXPECT_FALSE(fs::exists(temp_file()));
  }
}

TEST_F(Locator, FailsWhenAFileCannotBeOpenedOrMade) {
  // No setup file: the temporary file is still made (empty) and deleted.
  EXPECT_EQ(Unpack(), kExtractArchiveUnavailable);
  EXPECT_FALSE(fs::exists(temp_file()));
  EXPECT_TRUE(CallLog::calls().empty());
  // A destination without the folder: nothing can be copied; the search still runs.
  tsv_test::WriteAll(setup(), Concat({Image(100), UpperMarker(), payload_}));
  fs::remove_all(destination());
  EXPECT_EQ(Unpack(), kExtractOutputUnavailable);
  EXPECT_FALSE(fs::exists(destination()));
}

}  // namespace
