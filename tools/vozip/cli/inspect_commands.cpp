// vozip list, test and extract: setup files and archives, read but never changed.

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "archive/larchive.h"
#include "archive/payload_locator.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "cli/progress_bar.h"
#include "payload/archive_reader.h"
#include "payload/attributes.h"
#include "payload/cp1252.h"
#include "payload/dos_time.h"
#include "payload/extracted_names.h"
#include "payload/host_fs.h"

namespace {

using namespace vozip;
using vozip_cli::ArgScanner;
using vozip_cli::UsageError;

const char kFileHelp[] =
    "FILE is a setup file (the setup program, the marker \"<VOZIP FILE BEGINS HERE>\"\n"
    "and an archive) or an archive made by 'vozip pack'; a file that holds the marker\n"
    "is taken for a setup file. FILE is only read, never changed.\n";

const char kKeyHelp[] =
    "  --key K              the key an archive was packed with (vozip pack --key)\n";

struct InspectArgs {
  std::string file;
  std::string folder;  // extract: -d
  bool has_key = false;
  std::string key;
};

// Parses FILE [--key K] and, for extract, [-d DIR]. Returns -1 to go on, else the
// exit status (0 after --help, the usage error's otherwise).
int ParseInspectArgs(const char* command, int argc, char** argv, bool takes_folder, int (*help)(),
                     InspectArgs* parsed) {
  ArgScanner args(argc, argv);
  while (args.Next()) {
    std::string value;
    if (args.IsHelp()) return help();
    if (args.IsOperand()) {
      if (!parsed->file.empty()) {
        return UsageError(command, "more than one file given: " + args.Current());
      }
      parsed->file = host::PathFromArgument(args.Current().c_str());
    } else if (args.IsLong("key")) {
      if (!args.TakeValue(&value)) return UsageError(command, "--key needs a value");
      if (value.size() > 65535) {
        return UsageError(command, "--key is longer than 65,535 characters");
      }
      parsed->has_key = true;
      parsed->key = value;
    } else if (takes_folder && (args.Current() == "-d" || args.IsLong("dir"))) {
      if (!args.TakeValue(&value)) return UsageError(command, "-d needs a folder");
      parsed->folder = host::PathFromArgument(value.c_str());
    } else {
      return UsageError(command, "unknown option " + args.Current());
    }
  }
  if (parsed->file.empty()) return UsageError(command, "no file given");
  return -1;
}

// A failed check ends with the extractor's result negated: 1, 3, 5 or 6.
int FailWith(const char* command, int result, const std::string& problem) {
  vozip_cli::Fail(command, problem);
  return -result;
}

std::string Ratio(uint64_t packed, uint64_t size) {
  if (size == 0) return "    -";
  char text[16];
  std::snprintf(text, sizeof text, "%4.0f%%",
                100.0 * static_cast<double>(packed) / static_cast<double>(size));
  return text;
}

void PrintListing(const InspectArgs& args, const InspectReport& report) {
  if (report.setup_file) {
    std::printf("%s: setup file, archive of %" PRIu64 " bytes at offset %" PRIu64 "\n",
                args.file.c_str(), report.archive_size, report.archive_offset);
  } else {
    std::printf("%s: archive of %" PRIu64 " bytes\n", args.file.c_str(), report.archive_size);
  }
  std::printf("      Size     Packed Ratio  Date       Time     Attr Name\n");
  std::printf("---------- ---------- -----  ---------- -------- ---- ----\n");
  uint64_t size = 0;
  uint64_t packed = 0;
  for (const ArchiveEntry& entry : report.entries) {
    const CivilTime time = UnpackDosTime(entry.dos_time);
    char when[48];
    std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month,
                  time.day, time.hour, time.minute, time.second);
    std::printf("%10" PRIu32 " %10" PRIu32 " %s  %s %s %s\n", entry.original_size,
                entry.packed_size, Ratio(entry.packed_size, entry.original_size).c_str(), when,
                FormatAttributes(entry.attributes).c_str(), Cp1252ToUtf8(entry.name).c_str());
    size += entry.original_size;
    packed += entry.packed_size;
  }
  std::printf("---------- ---------- -----                          ----\n");
  std::printf("%10" PRIu64 " %10" PRIu64 " %s                          %zu %s\n", size, packed,
              Ratio(packed, size).c_str(), report.entries.size(),
              report.entries.size() == 1 ? "file" : "files");
}

int ListHelp() {
  std::printf(
      "usage: vozip list FILE [--key K]\n"
      "\n"
      "Lists the entries of a setup file or archive, one line each: size, packed size,\n"
      "ratio (packed size as a percentage of the size), date and time as stored (local\n"
      "time), attributes (R read-only, H hidden, S system, A archive; other bits in\n"
      "hex), name. Then the totals. The archive's checksum is checked first.\n"
      "\n"
      "%s"
      "\n"
      "Options:\n"
      "%s"
      "\n"
      "Exit status: 0 when listed; 1 when FILE cannot be read, 5 when the checksum\n"
      "does not match, 6 when the entries do not fit the archive; 2 for a usage error.\n",
      kFileHelp, kKeyHelp);
  return 0;
}

int TestHelp() {
  std::printf(
      "usage: vozip test FILE [--key K]\n"
      "\n"
      "Checks a setup file or archive as the setup's extractor does, writing nothing:\n"
      "the checksum of the whole archive, then every entry (its name stays inside the\n"
      "destination, its stream decodes, ends exactly at its packed size, and gives the\n"
      "stored size and CRC).\n"
      "\n"
      "%s"
      "\n"
      "Options:\n"
      "%s"
      "\n"
      "Exit status: 0 when everything passes. Otherwise one line explains the fault\n"
      "and the status is the extractor's result negated: 1 FILE cannot be opened,\n"
      "3 a read failed, 5 the checksum does not match (damaged, no setup file or\n"
      "archive, or scrambled with a key), 6 an entry failed its checks. 2 is a usage\n"
      "error.\n",
      kFileHelp, kKeyHelp);
  return 0;
}

int ExtractHelp() {
  std::printf(
      "usage: vozip extract FILE [-d DIR] [--key K]\n"
      "\n"
      "Extracts a setup file or archive into DIR (default: the current folder; created\n"
      "if missing) with the setup's own code: a setup file through the payload locator\n"
      "(which copies the archive into DIR\\tempfile.$$$), an archive through a copy in\n"
      "DIR\\tempfile.$$$. Files get their stored time and attributes; a file of the\n"
      "same name is replaced, even a read-only one. The temporary copy is always\n"
      "removed.\n"
      "\n"
      "%s"
      "\n"
      "Options:\n"
      "  -d, --dir DIR        the destination folder\n"
      "%s"
      "\n"
      "Exit status: 0 when every file was extracted and passed its checks. Otherwise\n"
      "one line explains the extractor's result and the status is that result\n"
      "negated: 1 the archive cannot be opened, 2 an output file cannot be created,\n"
      "3 a read or write failed, 5 the checksum does not match (damaged, no setup\n"
      "file or archive, a setup file without its marker, or scrambled with a key),\n"
      "6 an entry failed its checks. Files extracted before a failure stay. Usage\n"
      "errors also exit with 2.\n",
      kFileHelp, kKeyHelp);
  return 0;
}

// --- extract ---------------------------------------------------------------------

// The extractor reports through plain procedures; they draw here.
ProgressBar* g_extract_bar = nullptr;
std::string g_current_entry;
std::vector<std::string> g_entries;  // full output paths, in the order extracted

void OnExtractProgress(const char* file_name, int32_t percent) {
  if (g_current_entry != file_name) {
    g_current_entry = file_name;
    g_entries.push_back(g_current_entry);
  }
  if (g_extract_bar != nullptr) g_extract_bar->UpdatePercent(percent);
}

std::string ExtractProblem(int32_t result, const std::string& entry) {
  const std::string name = entry.empty() ? std::string() : entry + ": ";
  switch (result) {
    case kExtractArchiveUnavailable:
      return "the archive cannot be opened for reading and writing";
    case kExtractOutputUnavailable:
      return name +
             "the output file cannot be created (folder not writable, file in use, or "
             "path too long)";
    case kExtractIoFailed:
      return name + "a read or write failed while the file was decompressed (disk full?)";
    case kExtractChecksumMismatch:
      return "the archive's checksum does not match: it is damaged, not a setup file or "
             "archive, a setup file without its marker, or scrambled with a key (see --key)";
    case kExtractEntryInvalid:
      return name +
             "the entry failed its checks (its stream, size or CRC does not match its "
             "header, or its name leaves the destination); run 'vozip test' for details";
    default:
      return "the extractor failed with result " + std::to_string(result);
  }
}

// The locator reports through the setup's message pump: one call per block searched
// and copied and per progress report of the extractor. Without a percentage to go
// on, the bar follows the calls against an estimate of their number.
uint64_t g_pump_calls = 0;
uint64_t g_pump_estimate = 0;

void OnPump(bool /*destroy*/) {
  ++g_pump_calls;
  if (g_extract_bar != nullptr && g_pump_estimate > 0) {
    g_extract_bar->Update(std::min(g_pump_calls, g_pump_estimate), g_pump_estimate);
  }
}

// Pump calls for a setup file: the search (65,536-byte blocks that overlap by the
// marker's 24 bytes), the copy, and the extractor's reports (one before each entry,
// one per 4,096-byte block written and one at its end, one after the last entry).
uint64_t EstimatePumpCalls(const InspectReport& listing, uint64_t marker_offset) {
  if (listing.result != kArchiveOk) return 0;
  const uint64_t searched = marker_offset + vozip::kPayloadMarkerLength;
  uint64_t calls = (searched + 65511) / 65512 + (listing.archive_size + 65535) / 65536 + 1;
  for (const ArchiveEntry& entry : listing.entries) calls += entry.original_size / 4096 + 2;
  return calls;
}

// Extracts a setup file through the setup's own locator, which answers with the
// extractor's result (or -1/-2 when the copy into its temporary file failed). For a
// failed check the archive is read again, read only, to name the fault.
int32_t ExtractSetupFile(const std::string& file, const std::string& file_ansi,
                         const std::string& folder_ansi, const InspectReport& listing,
                         uint64_t marker_offset, std::string* problem) {
  g_pump_calls = 0;
  g_pump_estimate = EstimatePumpCalls(listing, marker_offset);
  InitPayloadMarker();  // the setup does this at start-up: the marker to upper case
  const int32_t result = UnpackPayloadFrom(file_ansi.c_str(), folder_ansi.c_str(), &OnPump);
  if (result == kExtractChecksumMismatch || result == kExtractEntryInvalid) {
    InspectOptions options;
    options.decode = true;
    const InspectReport check = InspectArchive(file, options);
    if (check.result != kArchiveOk) *problem = check.problem;
  }
  return result;
}

// The entry's stored name from its full output path (destination, "\", name).
std::string EntryName(const std::string& path, const std::string& folder) {
  std::string name = path;
  if (name.compare(0, folder.size(), folder) == 0) {
    name.erase(0, folder.size());
    while (!name.empty() && name[0] == '\\') name.erase(0, 1);
  }
  return name;
}

// The stored name of the entry an archive's extraction failed on. The extractor
// reports each entry before decoding it, but after creating its file: an entry
// that fails with -3 or -6 is the last one reported, one that fails with -2 the
// next, whose name the archive itself gives.
std::string FailedEntry(const InspectArgs& args, int32_t result, const std::string& folder) {
  if (result != kExtractOutputUnavailable) return EntryName(g_current_entry, folder);
  InspectOptions options;
  options.key = args.key;
  const InspectReport listing = InspectArchive(args.file, options);
  const size_t next = g_entries.size();
  return next < listing.entries.size() ? listing.entries[next].name : std::string();
}

bool CopyFile(const std::string& from, const std::string& to, std::string* error, int* result) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(host::OpenFile(from, "rb"), std::fclose);
  if (in == nullptr) {
    *error = from + ": cannot open: " + std::strerror(errno);
    *result = kExtractArchiveUnavailable;
    return false;
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(host::OpenFile(to, "wb"), std::fclose);
  if (out == nullptr) {
    *error = to + ": cannot create: " + std::strerror(errno);
    *result = kExtractOutputUnavailable;
    return false;
  }
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const size_t got = std::fread(buffer.data(), 1, buffer.size(), in.get());
    if (got == 0) break;
    if (std::fwrite(buffer.data(), 1, got, out.get()) != got) {
      *error = to + ": write failed (disk full?)";
      *result = kExtractIoFailed;
      return false;
    }
  }
  const bool read_ok = std::ferror(in.get()) == 0;
  if (!read_ok || std::fclose(out.release()) != 0) {
    *error = read_ok ? to + ": write failed (disk full?)" : from + ": read failed";
    *result = kExtractIoFailed;
    return false;
  }
  return true;
}

}  // namespace

int CmdList(int argc, char** argv) {
  const char* const command = "list";
  InspectArgs args;
  const int status = ParseInspectArgs(command, argc, argv, false, &ListHelp, &args);
  if (status >= 0) return status;
  InspectOptions options;
  options.key = args.key;
  const InspectReport report = InspectArchive(args.file, options);
  if (report.result != kArchiveOk) {
    return FailWith(command, report.result, args.file + ": " + report.problem);
  }
  PrintListing(args, report);
  return 0;
}

int CmdTest(int argc, char** argv) {
  const char* const command = "test";
  InspectArgs args;
  const int status = ParseInspectArgs(command, argc, argv, false, &TestHelp, &args);
  if (status >= 0) return status;
  InspectOptions options;
  options.key = args.key;
  options.decode = true;
  ProgressBar bar(command);
  options.progress = [&bar](uint64_t done, uint64_t total) { bar.Update(done, total); };
  const InspectReport report = InspectArchive(args.file, options);
  bar.Finish();
  if (report.result != kArchiveOk) {
    return FailWith(command, report.result, args.file + ": " + report.problem);
  }
  uint64_t size = 0;
  for (const ArchiveEntry& entry : report.entries) size += entry.original_size;
  std::printf("%s: OK, %zu %s, %" PRIu64 " bytes\n", args.file.c_str(), report.entries.size(),
              report.entries.size() == 1 ? "file" : "files", size);
  return 0;
}

int CmdExtract(int argc, char** argv) {
  const char* const command = "extract";
  InspectArgs args;
  const int status = ParseInspectArgs(command, argc, argv, true, &ExtractHelp, &args);
  if (status >= 0) return status;
  if (args.folder.empty()) args.folder = ".";

  // The extractor's progress reports name the entries of an archive. The locator's
  // message pump does not, so for a setup file a read-ahead (which changes nothing)
  // gives the names to spell in UTF-8 afterwards where the system needs that, and
  // the measure of the work for the progress bar.
  const bool bar_wanted = host::IsTerminal(stderr);
  InspectReport listing;
  listing.result = kArchiveCannotOpen;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(host::OpenFile(args.file, "rb"),
                                                       std::fclose);
  if (file == nullptr) {
    return FailWith(command, kExtractArchiveUnavailable,
                    args.file + ": cannot open: " + std::strerror(errno));
  }
  bool setup_file = false;
  uint64_t marker_offset = 0;
  std::string error;
  if (!FindPayloadMarker(file.get(), &setup_file, &marker_offset, &error)) {
    return FailWith(command, kExtractArchiveUnavailable, args.file + ": " + error);
  }
  file.reset();
  if (setup_file && args.has_key) {
    return UsageError(command, "--key applies to archives: a setup file's payload has no key");
  }
  if (setup_file && (ExtractedNamesNeedUtf8() || bar_wanted)) {
    InspectOptions options;
    options.key = args.key;
    listing = InspectArchive(args.file, options);
  }
  if (!host::MakeFolders(args.folder, &error)) {
    return FailWith(command, kExtractOutputUnavailable, "cannot create the folder: " + error);
  }
  std::string folder_ansi;
  std::string file_ansi;
  if (!host::PathToAnsi(args.folder, &folder_ansi) || !host::PathToAnsi(args.file, &file_ansi)) {
    return UsageError(command, "the path cannot be spelled in this system's ANSI code page");
  }

  ProgressBar bar(command);
  g_extract_bar = &bar;
  g_current_entry.clear();
  g_entries.clear();
  int32_t result = kExtractOk;
  const std::string copy = host::JoinPath(args.folder, "tempfile.$$$");
  std::string problem;
  if (setup_file) {
    result = ExtractSetupFile(args.file, file_ansi, folder_ansi, listing, marker_offset, &problem);
  } else {
    int copy_result = kExtractOk;
    if (!CopyFile(args.file, copy, &error, &copy_result)) {
      host::RemoveFile(copy);
      bar.Finish();
      return FailWith(command, copy_result, error);
    }
    std::string copy_ansi;
    host::PathToAnsi(copy, &copy_ansi);
    result = ExtractArchive(copy_ansi.c_str(), folder_ansi.c_str(),
                            args.has_key ? args.key.c_str() : nullptr, &OnExtractProgress);
  }
  host::RemoveFile(copy);  // the extractor deletes it; this covers a failure to open it
  bar.Finish();
  g_extract_bar = nullptr;

  std::vector<std::string> names;
  for (const ArchiveEntry& entry : listing.entries) names.push_back(entry.name);
  for (const std::string& path : g_entries) names.push_back(EntryName(path, folder_ansi));
  if (!RenameExtractedToUtf8(args.folder, names, &error)) {
    std::fprintf(stderr, "vozip %s: warning: cannot give a file its UTF-8 name: %s\n", command,
                 error.c_str());
  }
  if (result != kExtractOk) {
    if (problem.empty()) {
      // The locator's reports carry no names, so for a setup file the entry is unknown.
      const std::string entry =
          setup_file ? std::string() : Cp1252ToUtf8(FailedEntry(args, result, folder_ansi));
      problem = ExtractProblem(result, entry);
    }
    return FailWith(command, result, args.file + ": " + problem);
  }
  std::printf("%s: extracted into %s\n", args.file.c_str(), args.folder.c_str());
  return 0;
}
