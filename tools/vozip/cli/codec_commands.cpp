// vozip implode, explode and crc32: the codec applied to files.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/file_io.h"
#include "cli/options.h"
#include "explode/crc32.h"
#include "explode/explode.h"
#include "explode/implode_format.h"
#include "implode/implode.h"

using vozip_cli::ArgScanner;
using vozip_cli::Fail;
using vozip_cli::InputFile;
using vozip_cli::OutputFile;
using vozip_cli::Quote;
using vozip_cli::UsageError;

namespace {

constexpr size_t kChunkSize = 1 << 16;

// --- implode -----------------------------------------------------------------

constexpr const char kImplodeHelp[] =
    "usage: vozip implode [--literals raw|coded|auto] [--dict 1024|2048|4096] [-1 ... -9]\n"
    "                     IN OUT\n"
    "\n"
    "Compresses the file IN into the implode stream OUT.\n"
    "\n"
    "  --literals MODE  raw: literals as 8 plain bits; coded: literals as prefix codes\n"
    "                   that favour text; auto (default): both, keeping the smaller\n"
    "  --dict SIZE      dictionary of 1024, 2048 or 4096 (default) bytes\n"
    "  -1 ... -9        level: -1 fastest, -9 smallest (default -6)\n"
    "\n"
    "OUT is written as OUT.part and renamed when complete. Exit status: 0 done,\n"
    "1 a file could not be read or written, 2 bad usage.\n";

bool ParseLiterals(const std::string& text, vozip::LiteralMode* mode) {
  if (text == "raw") *mode = vozip::LiteralMode::kRaw;
  else if (text == "coded") *mode = vozip::LiteralMode::kCoded;
  else if (text == "auto") *mode = vozip::LiteralMode::kAuto;
  else return false;
  return true;
}

bool ParseDictSize(const std::string& text, unsigned* size) {
  for (unsigned allowed : {1024u, 2048u, 4096u}) {
    if (text == std::to_string(allowed)) {
      *size = allowed;
      return true;
    }
  }
  return false;
}

bool IsLevelFlag(const std::string& arg) {
  return arg.size() == 2 && arg[0] == '-' && arg[1] >= '1' && arg[1] <= '9';
}

}  // namespace

int CmdImplode(int argc, char** argv) {
  const char* const kName = "implode";
  vozip::ImplodeOptions options;
  std::vector<std::string> operands;
  ArgScanner args(argc, argv);
  while (args.Next()) {
    std::string value;
    if (args.IsOperand()) {
      operands.push_back(args.Current());
    } else if (args.IsHelp()) {
      std::fputs(kImplodeHelp, stdout);
      return vozip_cli::kExitOk;
    } else if (args.IsLong("literals")) {
      if (!args.TakeValue(&value)) return UsageError(kName, "--literals needs a value");
      if (!ParseLiterals(value, &options.literals)) {
        return UsageError(kName, "--literals must be raw, coded or auto, not " + Quote(value));
      }
    } else if (args.IsLong("dict")) {
      if (!args.TakeValue(&value)) return UsageError(kName, "--dict needs a value");
      if (!ParseDictSize(value, &options.dict_size)) {
        return UsageError(kName, "--dict must be 1024, 2048 or 4096, not " + Quote(value));
      }
    } else if (IsLevelFlag(args.Current())) {
      options.level = args.Current()[1] - '0';
    } else {
      return UsageError(kName, "unknown option " + Quote(args.Current()));
    }
  }
  if (operands.size() != 2) return UsageError(kName, "expected the files IN and OUT");

  std::string error;
  InputFile in;
  OutputFile out;
  if (!in.Open(operands[0], &error) || !out.Open(operands[1], &error)) return Fail(kName, error);
  const vozip::ImplodeReader read = [&](uint8_t* buffer, size_t capacity, size_t* stored) {
    return in.Read(buffer, capacity, stored, &error);
  };
  const vozip::ImplodeWriter write = [&](const uint8_t* data, size_t size) {
    return out.Write(data, size, &error);
  };
  const vozip::ImplodeStatus status = vozip::ImplodeStream(read, write, options);
  if (status == vozip::ImplodeStatus::kSpillFailed) {
    error = std::string("cannot write a temporary file: ") + std::strerror(errno);
  } else if (status != vozip::ImplodeStatus::kOk && error.empty()) {
    error = vozip::ImplodeStatusText(status);
  }
  if (status != vozip::ImplodeStatus::kOk || !out.Commit(&error)) return Fail(kName, error);
  return vozip_cli::kExitOk;
}

// --- explode -----------------------------------------------------------------

namespace {

constexpr const char kExplodeHelp[] =
    "usage: vozip explode IN OUT\n"
    "\n"
    "Decompresses the implode stream IN into the file OUT.\n"
    "\n"
    "Exit status: 0 done; 1 a file could not be read or written; 2 bad usage;\n"
    "11 bad dictionary size code; 12 bad literal mode; 13 stream of 4 bytes or\n"
    "fewer; 14 the stream ends before its end marker (OUT then holds the bytes\n"
    "decoded before that). OUT is written as OUT.part and renamed when complete;\n"
    "it is not created for statuses 11 to 13.\n";

struct ExplodeFiles {
  InputFile* in;
  OutputFile* out;
  std::string error;
  bool failed = false;
  uint8_t head[4] = {};  // the stream's first bytes
  uint64_t read = 0;
  uint64_t written = 0;
};

uint32_t ReadStream(uint8_t* buffer, uint32_t* size, void* param) {
  auto& files = *static_cast<ExplodeFiles*>(param);
  size_t stored = 0;
  if (files.failed) return 0;
  if (!files.in->Read(buffer, *size, &stored, &files.error)) {
    files.failed = true;
    return 0;  // ends the decoding; the read error is what gets reported
  }
  if (files.read == 0) std::memcpy(files.head, buffer, stored < 4 ? stored : 4);
  files.read += stored;
  return static_cast<uint32_t>(stored);
}

void WriteDecoded(uint8_t* buffer, uint32_t* size, void* param) {
  auto& files = *static_cast<ExplodeFiles*>(param);
  if (files.failed) return;
  if (!files.out->Write(buffer, *size, &files.error)) {
    files.failed = true;
    return;
  }
  files.written += *size;
}

// The stream of an empty file is its header and the end marker, 4 bytes: too short
// for the decoder's first read, which wants 5 or more (the archive reads such an
// entry as an empty file). The marker is flag 1, the length code 0000000 of index
// 15, and eight 1 bits: the bytes 01 FF.
bool IsEmptyStream(const ExplodeFiles& files) {
  return files.read == 4 && files.head[0] <= implode::kCodedLiterals &&
         files.head[1] >= implode::kMinDictBits && files.head[1] <= implode::kMaxDictBits &&
         files.head[2] == 0x01 && files.head[3] == 0xFF;
}

std::string DescribeFault(uint32_t result, const ExplodeFiles& files, const std::string& in,
                          const std::string& out) {
  switch (result) {
    case kExplodeBadDictionary:
      return Quote(in) + " is not an implode stream: dictionary size code " +
             std::to_string(files.head[1]) + " is not 4, 5 or 6";
    case kExplodeBadLiteralMode:
      return Quote(in) + " is not an implode stream: literal mode " +
             std::to_string(files.head[0]) + " is not 0 (raw) or 1 (coded)";
    case kExplodeShortInput:
      return Quote(in) + " is too short for an implode stream (" + std::to_string(files.read) +
             " bytes)";
    default:
      return Quote(in) + " ends before its end-of-stream marker; the " +
             std::to_string(files.written) + " bytes decoded before that were written to " +
             Quote(out);
  }
}

}  // namespace

int CmdExplode(int argc, char** argv) {
  const char* const kName = "explode";
  std::vector<std::string> operands;
  ArgScanner args(argc, argv);
  while (args.Next()) {
    if (args.IsOperand()) {
      operands.push_back(args.Current());
    } else if (args.IsHelp()) {
      std::fputs(kExplodeHelp, stdout);
      return vozip_cli::kExitOk;
    } else {
      return UsageError(kName, "unknown option " + Quote(args.Current()));
    }
  }
  if (operands.size() != 2) return UsageError(kName, "expected the files IN and OUT");

  InputFile in;
  OutputFile out;
  ExplodeFiles files{&in, &out, {}};
  if (!in.Open(operands[0], &files.error) || !out.Open(operands[1], &files.error)) {
    return Fail(kName, files.error);
  }
  auto state = std::make_unique<ExplodeState>();
  uint32_t result = ExplodeStream(ReadStream, WriteDecoded, state.get(), &files);
  if (files.failed) return Fail(kName, files.error);
  if (result == kExplodeShortInput && IsEmptyStream(files)) result = kExplodeOk;

  // Results 1-3 decode nothing: OUT is not created. Result 4 keeps what was decoded.
  if (result == kExplodeOk || result == kExplodeInputEnded) {
    if (!out.Commit(&files.error)) return Fail(kName, files.error);
  }
  if (result == kExplodeOk) return vozip_cli::kExitOk;
  Fail(kName, DescribeFault(result, files, operands[0], operands[1]));
  return 10 + static_cast<int>(result);
}

// --- crc32 -------------------------------------------------------------------

namespace {

constexpr const char kCrc32Help[] =
    "usage: vozip crc32 FILE...\n"
    "\n"
    "Prints, for each FILE, the CRC-32 running value the setup archive stores: preset\n"
    "to FFFFFFFF and not complemented at the end (the complement of the usual CRC-32),\n"
    "as 8 hexadecimal digits, two spaces and the name.\n"
    "\n"
    "Exit status: 0 done, 1 a file could not be read, 2 bad usage.\n";

bool FileCrc32(const std::string& path, uint32_t* crc, std::string* error) {
  InputFile in;
  if (!in.Open(path, error)) return false;
  std::vector<uint8_t> buffer(kChunkSize);
  *crc = kCrc32Preset;
  for (;;) {
    size_t stored = 0;
    if (!in.Read(buffer.data(), buffer.size(), &stored, error)) return false;
    if (stored == 0) return true;
    const uint32_t count = static_cast<uint32_t>(stored);
    *crc = UpdateCrc32(buffer.data(), &count, crc);
  }
}

}  // namespace

int CmdCrc32(int argc, char** argv) {
  const char* const kName = "crc32";
  std::vector<std::string> files;
  ArgScanner args(argc, argv);
  while (args.Next()) {
    if (args.IsOperand()) {
      files.push_back(args.Current());
    } else if (args.IsHelp()) {
      std::fputs(kCrc32Help, stdout);
      return vozip_cli::kExitOk;
    } else {
      return UsageError(kName, "unknown option " + Quote(args.Current()));
    }
  }
  if (files.empty()) return UsageError(kName, "expected at least one FILE");

  int status = vozip_cli::kExitOk;
  for (const std::string& path : files) {
    uint32_t crc = 0;
    std::string error;
    if (FileCrc32(path, &crc, &error)) {
      std::printf("%08X  %s\n", static_cast<unsigned>(crc), path.c_str());
    } else {
      std::fflush(stdout);
      status = Fail(kName, error);
    }
  }
  return status;
}
