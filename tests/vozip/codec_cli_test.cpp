// vozip implode, explode and crc32 driven as a release engineer would: exit statuses,
// the one-line messages, the help, and the files left behind.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "test_data.h"

namespace {

namespace fs = std::filesystem;
using tsv_test::Bytes;

struct Result {
  int status;
  std::string out;
  std::string err;
};

class VozipCli : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vozip_cli_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  void WriteFile(const std::string& name, const Bytes& bytes) const {
    std::ofstream(Path(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }

  Bytes ReadFile(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  bool Exists(const std::string& name) const { return fs::exists(Path(name)); }

  // Runs vozip in the test's folder with the given arguments (shell words).
  Result Run(const std::string& args) const {
    const std::string command = "cd '" + dir_.string() + "' && '" VOZIP_PATH "' " + args +
                                " >stdout.txt 2>stderr.txt";
    const int raw = std::system(command.c_str());
    Result r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Text("stdout.txt"), Text("stderr.txt")};
    fs::remove(Path("stdout.txt"));
    fs::remove(Path("stderr.txt"));
    return r;
  }

  std::string Text(const std::string& name) const {
    const Bytes bytes = ReadFile(name);
    return std::string(bytes.begin(), bytes.end());
  }

  fs::path dir_;
};

size_t Lines(const std::string& text) {
  size_t n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

TEST_F(VozipCli, HelpForTheToolAndEachCommand) {
  const Result tool = Run("--help");
  EXPECT_EQ(tool.status, 0);
  for (const char* command : {"implode", "explode", "crc32"}) {
    EXPECT_NE(tool.out.find(std::string("  ") + command + " "), std::string::npos) << command;
    for (const char* flag : {"--help", "-h"}) {
      const Result help = Run(std::string(command) + " " + flag);
      EXPECT_EQ(help.status, 0) << command;
      EXPECT_EQ(help.out.rfind(std::string("usage: vozip ") + command, 0), 0u) << help.out;
      EXPECT_EQ(help.err, "");
    }
  }
}

TEST_F(VozipCli, ImplodeThenExplodeGivesTheFileBack) {
  Bytes input = tsv_test::Text(30000, 1);
  const Bytes binary = tsv_test::BinaryWithRepeats(30000, 2);
  input.insert(input.end(), binary.begin(), binary.end());
  WriteFile("in.bin", input);
  struct Case {
    const char* options;
    int mode;  // expected header byte 0, or -1 for either
    int dict_bits;
  };
  const Case cases[] = {
      {"", -1, 6},
      {"--literals raw -1", 0, 6},
      {"--literals=coded --dict 1024 -9", 1, 4},
      {"--dict=2048 --literals auto -4", -1, 5},
      {"-- ", -1, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    const Result implode = Run(std::string("implode ") + c.options + " in.bin in.imp");
    ASSERT_EQ(implode.status, 0) << implode.err;
    EXPECT_EQ(implode.out + implode.err, "");
    const Bytes stream = ReadFile("in.imp");
    ASSERT_GE(stream.size(), 4u);
    if (c.mode >= 0) {
      EXPECT_EQ(stream[0], c.mode);
    }
    EXPECT_EQ(stream[1], c.dict_bits);
    EXPECT_LT(stream.size(), input.size());

    const Result explode = Run("explode in.imp out.bin");
    ASSERT_EQ(explode.status, 0) << explode.err;
    EXPECT_TRUE(ReadFile("out.bin") == input);
    EXPECT_FALSE(Exists("in.imp.part") || Exists("out.bin.part"));
  }
}

TEST_F(VozipCli, EmptyFileRoundTrips) {
  WriteFile("empty", {});
  ASSERT_EQ(Run("implode empty empty.imp").status, 0);
  EXPECT_EQ(ReadFile("empty.imp"), (Bytes{0x00, 0x06, 0x01, 0xFF}));
  const Result explode = Run("explode empty.imp restored");
  EXPECT_EQ(explode.status, 0) << explode.err;
  EXPECT_TRUE(Exists("restored"));
  EXPECT_TRUE(ReadFile("restored").empty());
}

TEST_F(VozipCli, ImplodeMayReplaceItsInput) {
  const Bytes input = tsv_test::Text(20000, 3);
  WriteFile("file", input);
  ASSERT_EQ(Run("implode file file").status, 0);
  ASSERT_EQ(Run("explode file file").status, 0);
  EXPECT_TRUE(ReadFile("file") == input);
}

TEST_F(VozipCli, ExplodeNamesEachFaultInItsStatus) {
  const Bytes input = tsv_test::Text(20000, 4);
  WriteFile("in", input);
  ASSERT_EQ(Run("implode --literals raw in good.imp").status, 0);
  const Bytes good = ReadFile("good.imp");
  struct Case {
    const char* name;
    Bytes stream;
    int status;
    const char* message;
    bool out_written;
  };
  const Case cases[] = {
      {"bad_dictionary", {0x00, 0x07, 0x01, 0xFF, 0x00}, 11, "dictionary size code 7", false},
      {"bad_literal_mode", {0x02, 0x04, 0x01, 0xFF, 0x00}, 12, "literal mode 2", false},
      {"too_short", {0x00, 0x04, 0x01}, 13, "too short", false},
      {"four_bytes_not_empty_stream", {0x00, 0x04, 0x00, 0x00}, 13, "too short", false},
      {"cut", Bytes(good.begin(), good.begin() + 3000), 14, "ends before its end-of-stream marker",
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile("stream", c.stream);
    fs::remove(Path("out"));
    const Result r = Run("explode stream out");
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Lines(r.err), 1u) << r.err;
    EXPECT_EQ(r.err.rfind("vozip explode: 'stream'", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(Exists("out"), c.out_written);
    if (c.out_written) {
      // What was decoded before the input ended: a good part of the file, exactly.
      const Bytes out = ReadFile("out");
      EXPECT_GT(out.size(), 2000u);
      ASSERT_LE(out.size(), input.size());
      EXPECT_TRUE(std::equal(out.begin(), out.end(), input.begin()));
      EXPECT_NE(r.err.find(std::to_string(out.size()) + " bytes"), std::string::npos) << r.err;
    }
    EXPECT_FALSE(Exists("out.part"));
  }
}

TEST_F(VozipCli, Crc32PrintsTheRunningValue) {
  WriteFile("abc", {'a', 'b', 'c'});
  WriteFile("empty", {});
  const Result r = Run("crc32 abc empty");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "CADBBE3D  abc\nFFFFFFFF  empty\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(VozipCli, BadUsageIsOneLineAndStatus2) {
  WriteFile("in", {'x'});
  const char* const cases[] = {
      "",                         // no command
      "frobnicate in out",        // unknown command
      "implode in",               // one file
      "implode in a b",           // three
      "implode --dict 512 in out",
      "implode --dict in out",    // value missing: takes 'in', which is not a size
      "implode --literals text in out",
      "implode --literals",
      "implode -0 in out",
      "implode --level=3 in out",
      "explode in",
      "explode -x in out",
      "crc32",
      "crc32 --bogus in",
  };
  for (const char* args : cases) {
    SCOPED_TRACE(args);
    const Result r = Run(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    if (*args != 0) {
      EXPECT_EQ(Lines(r.err), 1u) << r.err;
    }
    EXPECT_FALSE(Exists("out"));
  }
}

TEST_F(VozipCli, MissingOrUnreadableFilesFail) {
  WriteFile("in", tsv_test::Text(1000, 5));
  fs::create_directory(Path("folder"));
  struct Case {
    const char* args;
    const char* message;
  };
  const Case cases[] = {
      {"implode missing out", "cannot open 'missing'"},
      {"explode missing out", "cannot open 'missing'"},
      {"implode folder out", "cannot read 'folder'"},
      {"explode folder out", "cannot read 'folder'"},
      {"implode in no/such/dir/out", "cannot create 'no/such/dir/out'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const Result r = Run(c.args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Lines(r.err), 1u) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_FALSE(Exists("out") || Exists("out.part"));
  }

  // crc32 reports each file it cannot read and goes on with the others.
  const Result r = Run("crc32 missing in");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot open 'missing'"), std::string::npos) << r.err;
  EXPECT_EQ(Lines(r.out), 1u);
  EXPECT_NE(r.out.find("  in\n"), std::string::npos) << r.out;
}

}  // namespace
