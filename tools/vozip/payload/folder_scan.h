// Turns a folder into the list of files a payload carries, with the checks that keep
// a setup from failing on the user's machine.
//
// Every regular file below the folder becomes one item, named by its path relative
// to the folder with "\" between folders and spelled in Windows-1252. Items come
// sorted by the bytes of those stored names, so the order depends neither on the
// file system nor on the system vozip runs on.
//
// Symbolic links whose target lies inside the folder are followed: a link to a file
// is stored as a file with the target's content under the link's own name, a link to
// a folder is walked like a folder. Links that lead outside the folder, lead nowhere,
// or lead back to a folder that contains them are refused.
//
// Refused, each with a message naming the file: names that are not valid UTF-8 or
// hold a character Windows-1252 lacks; names Windows cannot create (control
// characters, < > : " / \ | ? *, a trailing dot or space, device names like CON or
// LPT1); names that differ only in case (Windows would write them to one file);
// stored names longer than 65,535 bytes; files of 4 GiB or more; a file named
// "tempfile.$$$" at the top (the setup's own temporary file); unreadable files and
// folders. Warned about: folders that hold no file (the archive cannot carry them),
// names too long for Windows below the default destination, and things that are
// neither files nor folders (skipped).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vozip {

struct PackItem {
  std::string source_path;   // where to read it, a host path
  std::string display_name;  // relative path in UTF-8 with "\", for messages
  std::string stored_name;   // the name in the archive: Windows-1252 with "\"
  uint64_t size = 0;
  int64_t mtime_seconds = 0;
  bool read_only = false;
};

struct ScanResult {
  std::vector<PackItem> items;
  std::vector<std::string> warnings;
  std::vector<std::string> errors;  // anything here means: do not pack
};

// The longest name the format can carry (its length field has 16 bits) and the
// largest file (its size fields have 32).
constexpr size_t kMaxStoredNameLength = 65535;
constexpr uint64_t kMaxFileSize = 0xFFFFFFFFull;

// Names longer than this exceed Windows' 259-character paths once the setup puts
// them below its default destination "C:\Program Files\Brastel\Tesivo\".
constexpr size_t kLongNameWarningLength = 259 - 32;

void ScanFolder(const std::string& root, ScanResult* result);

// Why a file of this stored name and size cannot go into the archive; empty when it
// can. (The name and size limits, and the setup's own temporary file.)
std::string StoredFileProblem(const std::string& stored_name, uint64_t size);

}  // namespace vozip
