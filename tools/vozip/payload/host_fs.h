// The few file-system and clock services vozip needs from the machine it runs on,
// with one backend for POSIX systems and one for Windows. Everything else in vozip
// is portable code on top of these.
//
// Paths are UTF-8 on both systems; the Windows backend converts them to UTF-16 for
// the wide-character calls, so names outside the ANSI code page still work there.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "payload/dos_time.h"

namespace vozip::host {

enum class Kind { kMissing, kFile, kFolder, kOther };

struct Status {
  Kind kind = Kind::kMissing;
  bool is_link = false;       // a symbolic link (or, on Windows, a link-like reparse point)
  uint64_t size = 0;          // of a file
  int64_t mtime_seconds = 0;  // last modification, seconds since 1970-01-01 UTC
  bool read_only = false;     // the owner may not write it (Windows: read-only attribute)
};

// The separator this system puts between folders.
extern const char kSeparator;

// Describes the path itself (follow_links false) or what its links lead to. A path
// that does not exist is not an error: it gets Kind::kMissing.
bool GetStatus(const std::string& path, bool follow_links, Status* status, std::string* error);

// The names in a folder, "." and ".." left out, in the order the system gives them.
bool ListFolder(const std::string& path, std::vector<std::string>* names, std::string* error);

// The absolute path with every link resolved; the path must exist.
bool RealPath(const std::string& path, std::string* real, std::string* error);

// Whether the real path 'inner' lies inside (or is) the real path 'outer'.
bool PathIsInside(const std::string& inner, const std::string& outer);

std::string JoinPath(const std::string& folder, const std::string& name);

// The folder part of a path ("." when it has none).
std::string ParentFolder(const std::string& path);

// Local time of the machine (the TZ environment variable where it applies) for the
// given seconds since 1970-01-01 UTC, with that date's daylight-saving rule.
bool LocalTime(int64_t seconds, CivilTime* local);

// Opens a file in binary mode (fopen modes: "rb", "wb", "r+b").
std::FILE* OpenFile(const std::string& path, const char* mode);
bool SeekTo(std::FILE* file, uint64_t offset);
bool FileSize(std::FILE* file, uint64_t* size);

bool RenameReplacing(const std::string& from, const std::string& to, std::string* error);
bool RemoveFile(const std::string& path);
bool RemoveFolder(const std::string& path);  // an empty one
// Creates the folder and every missing parent; true when it exists afterwards.
bool MakeFolders(const std::string& path, std::string* error);

bool IsTerminal(std::FILE* stream);
int ProcessId();

// A command-line argument as a UTF-8 path (Windows hands them over in the ANSI code
// page).
std::string PathFromArgument(const char* argument);
// A UTF-8 path in the form the setup's own code takes: in the ANSI code page, with
// "\" between folders. False when the ANSI code page cannot spell it.
bool PathToAnsi(const std::string& path, std::string* ansi);

}  // namespace vozip::host
