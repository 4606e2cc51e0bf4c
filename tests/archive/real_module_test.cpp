// UnpackPayload on the running program's own file: a small stand-in program with a
// payload appended, started as a setup is.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <vector>
#include <string>

#include "archive/fs_helpers.h"
#include "archive_support.h"
#include "process_support.h"

namespace {

namespace fs = std::filesystem;
using tsv_test::Bytes;
using tsv_test::ProgramPath;
using tsv_test::TempDir;

#if defined(_WIN32)
constexpr char kProbeName[] = "payload_probe.exe";
#else
constexpr char kProbeName[] = "payload_probe";
#endif

class RealModule : public ::testing::Test {
 protected:
  // A copy of the probe with marker and archive appended: a setup file.
  fs::path MakeSetup(const std::string& name, const std::vector<tsv_test::Entry>& entries) {
    const fs::path setup = dir_ / name;
    fs::copy_file(tsv_test::OwnFolder() / kProbeName, setup);
    Bytes bytes = tsv_test::ReadAll(setup);
    const Text marker = AsciiUpperCase("<vozip file begins here>");
    bytes.insert(bytes.end(), marker.c_str(), marker.c_str() + marker.size());
    const Bytes archive = tsv_test::ArchiveBytes(entries);
    bytes.insert(bytes.end(), archive.begin(), archive.end());
    tsv_test::WriteAll(setup, bytes);
    return setup;
  }

  fs::path Destination(const std::string& name) {
    fs::create_directories(dir_ / name);
    return dir_ / name;
  }

  TempDir dir_;
};

TEST_F(RealModule, UnpacksThePayloadBehindItsOwnImage) {
  const fs::path setup = MakeSetup("setup_ok.exe", {{"bin\\Tesivo.txt", "the application"}});
  const fs::path destination = Destination("Tessivo");
  ASSERT_EQ(tsv_test::RunProgram(setup, {ProgramPath(destination)}, nullptr), 0);
  EXPECT_EQ(tsv_test::ReadText(destination / "bin" / "Tesivo.txt"), "the application");
  EXPECT_FALSE(fs::exists(destination / "tempfile.$$$"));

  // The program without a payload: the extractor refuses the whole image.
  const fs::path bare = dir_ / "bare.exe";
  fs::copy_file(tsv_test::OwnFolder() / kProbeName, bare);
  const fs::path empty = Destination("Empty");
  EXPECT_EQ(tsv_test::RunProgram(bare, {ProgramPath(empty)}, nullptr), 1);
  EXPECT_TRUE(fs::is_empty(empty));
}

// The stored time is local time: the same setup run under two zones gives UTC
// last-write times that differ by the zones' offset. The zones are POSIX zone
// strings without summer time, so no zone files are needed.
struct Zone {
  const char* tz;
  int64_t utc_minus_local;  // seconds
};
constexpr Zone kZones[] = {{"UTC0", 0}, {"JST-9", -9 * 3600}, {"EST5", 5 * 3600}};

TEST_F(RealModule, StoresTheFileTimeAsLocalTime) {
  const fs::path setup =
      MakeSetup("setup_time.exe", {{"t.txt", "t", tsv_test::DosDateTime(2010, 6, 15, 12, 0, 0)}});
  const int64_t stored = 12921076800;  // 2010-06-15 12:00:00, seconds since 1601
#if defined(_WIN32)
  // Wine takes the zone from the TZ its process was started with, and a child
  // started from here inherits ours whatever its environment block says; so CTest
  // runs this case once per zone, with TZ set.
  const char* tz = std::getenv("TZ");
  const Zone* current = nullptr;
  for (const Zone& known : kZones) {
    if (tz != nullptr && std::strcmp(tz, known.tz) == 0) current = &known;
  }
  if (current == nullptr) GTEST_SKIP() << "runs with TZ set to one of the zones of kZones";
  const std::vector<Zone> zones = {*current};
  const char* child_tz = nullptr;
#else
  const std::vector<Zone> zones(std::begin(kZones), std::end(kZones));
#endif
  for (const Zone& zone : zones) {
    SCOPED_TRACE(zone.tz);
#if !defined(_WIN32)
    const char* child_tz = zone.tz;
#endif
    const fs::path destination = Destination(std::string("zone_") + zone.tz);
    ASSERT_EQ(tsv_test::RunProgram(setup, {ProgramPath(destination)}, child_tz), 0);
    uint64_t utc = 0;
    ASSERT_TRUE(GetLastWriteTime(ProgramPath(destination / "t.txt").c_str(), &utc));
    EXPECT_EQ(static_cast<int64_t>(utc / 10000000), stored + zone.utc_minus_local);
  }
}

}  // namespace
