// vozip pack and vozip build: a folder into an archive, and an archive behind the
// setup program into a setup file.

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/file_io.h"
#include "cli/options.h"
#include "cli/progress_bar.h"
#include "implode/implode.h"
#include "payload/archive_reader.h"
#include "payload/attributes.h"
#include "payload/folder_scan.h"
#include "payload/host_fs.h"
#include "payload/packer.h"

namespace {

using namespace vozip;
using vozip_cli::ArgScanner;
using vozip_cli::Fail;
using vozip_cli::UsageError;

void Warn(const char* command, const std::string& message) {
  std::fprintf(stderr, "vozip %s: warning: %s\n", command, message.c_str());
}

const char kPackOptionsHelp[] =
    "  -1 ... -9            compression level: 1 fastest, 9 smallest (default 6)\n"
    "  --attrib PATTERN=FLAGS\n"
    "                       set attributes explicitly (may be repeated; later rules\n"
    "                       win). PATTERN matches the whole stored name, without regard\n"
    "                       to case: '*' any characters ('\\' included), '?' one; '/'\n"
    "                       stands for '\\'. FLAGS: +X or -X for X in R (read-only),\n"
    "                       H (hidden), S (system), A (archive).\n"
    "                       Examples: 'uninst.exe=+H'  '*.ini=+R-A'  'docs/*=+R'\n";

const char kPackRulesHelp[] =
    "What goes in:\n"
    "  Every regular file below DIR, named by its path relative to DIR with '\\'\n"
    "  between folders, spelled in Windows-1252 (the setup's ANSI code page; UTF-8\n"
    "  names are converted). Entries are sorted by the bytes of those names.\n"
    "  Each file is compressed on its own (4096-byte dictionary, whichever literal\n"
    "  mode is smaller).\n"
    "  Symbolic links that lead to something inside DIR are followed: a linked file\n"
    "  is stored as a file under the link's name, a linked folder is walked.\n"
    "  Refused, naming the file: links leading outside DIR, nowhere, or into a loop;\n"
    "  names Windows-1252 cannot spell or Windows cannot create; names that differ\n"
    "  only in case; names longer than 65,535 bytes; files of 4 GiB or more; a file\n"
    "  'tempfile.$$$' at the top (the setup's own temporary file).\n"
    "  Warned about: folders without files (the archive cannot carry them; the setup\n"
    "  will not create them), names too long for Windows below Program Files.\n"
    "\n"
    "Times and attributes:\n"
    "  The stored time is the file's modification time as local time of this machine\n"
    "  (set TZ to choose the zone; the setup reads it back as the local time of the\n"
    "  user's machine). The format counts seconds in steps of two: an odd second is\n"
    "  truncated, so a stored time is never later than the file's own. Times before\n"
    "  1980 or after 2107 are clamped to the format's range, with a warning.\n"
    "  If SOURCE_DATE_EPOCH is set (seconds since 1970-01-01 UTC), times later than\n"
    "  it are stored as it: with the same files, options and TZ, the output is then\n"
    "  byte for byte the same from build to build.\n"
    "  Attributes: read-only (R) when the file's owner may not write it, otherwise\n"
    "  archive (A); --attrib rules apply on top.\n";

struct PackArgs {
  int level = kDefaultLevel;
  bool has_key = false;
  std::string key;
  std::vector<AttributeRule> rules;
};

// Takes the pack option the scanner stands on. Returns 1 when it was one, 0 when
// not, and -1 with *error when it was malformed.
int TakePackOption(ArgScanner* args, PackArgs* pack, std::string* error) {
  const std::string& arg = args->Current();
  if (arg.size() == 2 && arg[0] == '-' && arg[1] >= '1' && arg[1] <= '9') {
    pack->level = arg[1] - '0';
    return 1;
  }
  std::string value;
  if (args->IsLong("key")) {
    if (!args->TakeValue(&value)) {
      *error = "--key needs a value";
      return -1;
    }
    if (value.size() > 65535) {
      *error = "--key is longer than 65,535 characters";
      return -1;
    }
    pack->has_key = true;
    pack->key = value;
    return 1;
  }
  if (args->IsLong("attrib")) {
    AttributeRule rule;
    if (!args->TakeValue(&value)) {
      *error = "--attrib needs PATTERN=FLAGS";
      return -1;
    }
    if (!ParseAttributeRule(value, &rule, error)) return -1;
    pack->rules.push_back(rule);
    return 1;
  }
  return 0;
}

bool IsOutputOption(const ArgScanner& args) {
  return args.Current() == "-o" || args.IsLong("output");
}

// Refuses an output inside the folder being packed: the next pack would take it in.
bool OutputOutsideFolder(const std::string& output, const std::string& folder, std::string* error) {
  std::string folder_real;
  std::string parent_real;
  if (!host::RealPath(folder, &folder_real, error)) return false;
  if (!host::RealPath(host::ParentFolder(output), &parent_real, error)) return false;
  if (host::PathIsInside(parent_real, folder_real)) {
    *error = output + " lies inside the folder being packed, " + folder;
    return false;
  }
  return true;
}

// Scans 'folder' and writes its archive to 'out'. Messages go to stderr under
// 'command'; the summary of what was packed to *summary.
bool PackFolder(const char* command, const std::string& folder, const std::string& output,
                PackArgs* args, std::FILE* out, std::string* summary) {
  PackOptions options;
  options.level = args->level;
  options.key = args->key;
  options.attribute_rules = args->rules;
  options.scratch_folder = host::ParentFolder(output);
  options.warn = [command](const std::string& message) { Warn(command, message); };
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (epoch != nullptr && epoch[0] != '\0') {
    if (!ParseSourceDateEpoch(epoch, &options.clamp_seconds)) {
      Fail(command, std::string("SOURCE_DATE_EPOCH is not a number of seconds: '") + epoch + "'");
      return false;
    }
    options.clamp_times = true;
  }
  std::string error;
  if (!OutputOutsideFolder(output, folder, &error)) {
    Fail(command, error);
    return false;
  }

  ScanResult scan;
  ScanFolder(folder, &scan);
  for (const std::string& warning : scan.warnings) Warn(command, warning);
  if (!scan.errors.empty()) {
    for (const std::string& message : scan.errors) Fail(command, message);
    Fail(command, "nothing written: " + std::to_string(scan.errors.size()) +
                      (scan.errors.size() == 1 ? " problem" : " problems") + " in " + folder);
    return false;
  }

  ProgressBar bar(command);
  options.progress = [&bar](uint64_t done, uint64_t total) { bar.Update(done, total); };
  uint64_t written = 0;
  if (!WriteArchive(scan.items, &options, out, &written, &error)) {
    bar.Finish();
    Fail(command, error);
    return false;
  }
  bar.Finish();
  uint64_t original = 0;
  for (const PackItem& item : scan.items) original += item.size;
  *summary = std::to_string(scan.items.size()) + (scan.items.size() == 1 ? " file, " : " files, ") +
             std::to_string(original) + " bytes, packed into an archive of " +
             std::to_string(written) + " bytes";
  return true;
}

int PackHelp() {
  std::printf(
      "usage: vozip pack DIR -o FILE.voz [OPTIONS]\n"
      "\n"
      "Packs every file below DIR into an archive.\n"
      "\n"
      "Options:\n"
      "  -o, --output FILE    the archive to write (replaced if it exists; it may not\n"
      "                       lie inside DIR)\n"
      "  --key K              scramble the archive with the key K (setup files take only\n"
      "                       archives without a key)\n"
      "%s"
      "\n"
      "%s"
      "\n"
      "Exit status: 0 when the archive was written, 1 when something was refused or\n"
      "failed (nothing is written then), 2 for a usage error.\n",
      kPackOptionsHelp, kPackRulesHelp);
  return 0;
}

int BuildHelp() {
  std::printf(
      "usage: vozip build --stub STUB.exe (--payload DIR | --archive FILE.voz)\n"
      "                   -o SETUP.exe [PACK OPTIONS]\n"
      "\n"
      "Builds a setup file: the setup program STUB.exe, the 24-byte marker\n"
      "\"<VOZIP FILE BEGINS HERE>\", then the archive: packed from DIR, or FILE.voz as\n"
      "it stands.\n"
      "\n"
      "Refused: a stub that already holds the marker (a setup file, not the bare\n"
      "program), and an archive that does not check out without a key (the setup\n"
      "extracts without one), is damaged, or is a setup file itself.\n"
      "\n"
      "The setup takes the file's last 4 bytes for the archive's checksum: append\n"
      "nothing to the setup file afterwards (a code signature, for one), or every\n"
      "install fails. 'vozip test SETUP.exe' checks the final file.\n"
      "\n"
      "Options:\n"
      "  --stub FILE          the setup program\n"
      "  --payload DIR        pack DIR as 'vozip pack' does (never with a key)\n"
      "  --archive FILE       take an archive made by 'vozip pack'\n"
      "  -o, --output FILE    the setup file to write (replaced if it exists)\n"
      "\n"
      "Pack options, with --payload only:\n"
      "%s"
      "\n"
      "See 'vozip pack --help' for what goes into the archive, its times (TZ,\n"
      "SOURCE_DATE_EPOCH) and attributes.\n"
      "\n"
      "Exit status: 0 when the setup file was written, 1 when something was refused\n"
      "or failed (nothing is written then), 2 for a usage error.\n",
      kPackOptionsHelp);
  return 0;
}

bool CopyFileInto(const std::string& path, std::FILE* out, std::string* error) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(host::OpenFile(path, "rb"), std::fclose);
  if (in == nullptr) {
    *error = path + ": cannot open: " + std::strerror(errno);
    return false;
  }
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const size_t got = std::fread(buffer.data(), 1, buffer.size(), in.get());
    if (got == 0) break;
    if (std::fwrite(buffer.data(), 1, got, out) != got) {
      *error = "write failed";
      return false;
    }
  }
  if (std::ferror(in.get())) {
    *error = path + ": read failed";
    return false;
  }
  return true;
}

// The stub must be the bare program: a marker in it would be taken for the start of
// the payload.
bool CheckStub(const std::string& stub, std::string* error) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(host::OpenFile(stub, "rb"), std::fclose);
  if (file == nullptr) {
    *error = stub + ": cannot open: " + std::strerror(errno);
    return false;
  }
  bool found = false;
  uint64_t offset = 0;
  if (!FindPayloadMarker(file.get(), &found, &offset, error)) {
    *error = stub + ": " + *error;
    return false;
  }
  if (found) {
    *error = stub + " already holds the marker \"" + std::string(kPayloadMarker) +
             "\" (at offset " + std::to_string(offset) +
             "): it is a setup file, not the bare setup program";
    return false;
  }
  return true;
}

bool CheckArchive(const std::string& archive, std::string* error) {
  InspectOptions options;  // no key: what the setup passes
  const InspectReport report = InspectArchive(archive, options);
  if (report.result == kArchiveCannotOpen) {
    *error = report.problem;
    return false;
  }
  if (report.setup_file) {
    *error = archive + " holds the marker \"" + std::string(kPayloadMarker) +
             "\": it is a setup file, not an archive";
    return false;
  }
  if (report.result == kArchiveBadChecksum) {
    *error = archive +
             ": the checksum does not match without a key: the archive was packed with "
             "--key, or it is damaged (the setup extracts without a key)";
    return false;
  }
  if (report.result != kArchiveOk) {
    *error = archive + ": " + report.problem;
    return false;
  }
  return true;
}

}  // namespace

int CmdPack(int argc, char** argv) {
  const char* const command = "pack";
  PackArgs pack;
  std::string folder;
  std::string output;
  ArgScanner args(argc, argv);
  while (args.Next()) {
    std::string error;
    std::string value;
    if (args.IsHelp()) return PackHelp();
    if (args.IsOperand()) {
      if (!folder.empty()) {
        return UsageError(command, "more than one folder given: " + args.Current());
      }
      folder = host::PathFromArgument(args.Current().c_str());
      continue;
    }
    const int taken = TakePackOption(&args, &pack, &error);
    if (taken < 0) return UsageError(command, error);
    if (taken > 0) continue;
    if (!IsOutputOption(args)) return UsageError(command, "unknown option " + args.Current());
    if (!args.TakeValue(&value)) return UsageError(command, "-o needs a file name");
    output = host::PathFromArgument(value.c_str());
  }
  if (folder.empty()) return UsageError(command, "no folder given");
  if (output.empty()) return UsageError(command, "no output given (-o FILE.voz)");

  vozip_cli::OutputFile out;
  std::string error;
  std::string summary;
  if (!out.Open(output, &error)) {
    Fail(command, error);
    return 1;
  }
  if (!PackFolder(command, folder, output, &pack, out.file(), &summary)) return 1;
  if (!out.Commit(&error)) {
    Fail(command, error);
    return 1;
  }
  std::printf("%s: %s\n", output.c_str(), summary.c_str());
  return 0;
}

int CmdBuild(int argc, char** argv) {
  const char* const command = "build";
  PackArgs pack;
  bool pack_options = false;
  std::string stub;
  std::string payload;
  std::string archive;
  std::string output;
  ArgScanner args(argc, argv);
  while (args.Next()) {
    std::string error;
    std::string value;
    if (args.IsHelp()) return BuildHelp();
    if (args.IsOperand()) return UsageError(command, "unexpected argument " + args.Current());
    const int taken = TakePackOption(&args, &pack, &error);
    if (taken < 0) return UsageError(command, error);
    if (taken > 0) {
      pack_options = true;
      continue;
    }
    std::string* target = nullptr;
    if (args.IsLong("stub")) {
      target = &stub;
    } else if (args.IsLong("payload")) {
      target = &payload;
    } else if (args.IsLong("archive")) {
      target = &archive;
    } else if (IsOutputOption(args)) {
      target = &output;
    } else {
      return UsageError(command, "unknown option " + args.Current());
    }
    const std::string option = args.Current().substr(0, args.Current().find('='));
    if (!args.TakeValue(&value)) return UsageError(command, option + " needs a value");
    *target = host::PathFromArgument(value.c_str());
  }
  if (pack.has_key) {
    return UsageError(command,
                      "--key is not allowed: the setup extracts its payload without a key");
  }
  if (stub.empty()) return UsageError(command, "no setup program given (--stub STUB.exe)");
  if (payload.empty() == archive.empty()) {
    return UsageError(command, "give exactly one of --payload DIR and --archive FILE.voz");
  }
  if (!archive.empty() && pack_options) {
    return UsageError(command, "pack options (-1 ... -9, --attrib) go with --payload only");
  }
  if (output.empty()) return UsageError(command, "no output given (-o SETUP.exe)");

  std::string error;
  if (!CheckStub(stub, &error) || (!archive.empty() && !CheckArchive(archive, &error))) {
    return Fail(command, error);
  }
  vozip_cli::OutputFile out;
  if (!out.Open(output, &error) || !CopyFileInto(stub, out.file(), &error)) {
    Fail(command, error);
    return 1;
  }
  std::fwrite(kPayloadMarker, 1, kPayloadMarkerLength, out.file());
  std::string summary;
  if (!archive.empty()) {
    if (!CopyFileInto(archive, out.file(), &error)) {
      Fail(command, error);
      return 1;
    }
    summary = "setup program, marker and archive " + archive;
  } else if (!PackFolder(command, payload, output, &pack, out.file(), &summary)) {
    return 1;
  }
  if (!out.Commit(&error)) {
    Fail(command, error);
    return 1;
  }
  std::printf("%s: %s\n", output.c_str(), summary.c_str());
  return 0;
}
