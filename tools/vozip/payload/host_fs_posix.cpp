// POSIX backend of host_fs.h.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "payload/host_fs.h"

namespace vozip::host {
namespace {

std::string ErrnoText(const std::string& path) { return path + ": " + std::strerror(errno); }

}  // namespace

const char kSeparator = '/';

bool GetStatus(const std::string& path, bool follow_links, Status* status, std::string* error) {
  *status = Status();
  struct stat info;
  const int rc = follow_links ? stat(path.c_str(), &info) : lstat(path.c_str(), &info);
  if (rc != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return true;  // missing, or a dangling link
    *error = ErrnoText(path);
    return false;
  }
  if (S_ISREG(info.st_mode)) {
    status->kind = Kind::kFile;
  } else if (S_ISDIR(info.st_mode)) {
    status->kind = Kind::kFolder;
  } else {
    status->kind = Kind::kOther;
  }
  status->is_link = S_ISLNK(info.st_mode);
  status->size = static_cast<uint64_t>(info.st_size);
  status->mtime_seconds = static_cast<int64_t>(info.st_mtim.tv_sec);
  status->read_only = (info.st_mode & S_IWUSR) == 0;
  return true;
}

bool ListFolder(const std::string& path, std::vector<std::string>* names, std::string* error) {
  names->clear();
  DIR* folder = opendir(path.c_str());
  if (folder == nullptr) {
    *error = ErrnoText(path);
    return false;
  }
  errno = 0;
  while (const dirent* entry = readdir(folder)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
      names->push_back(entry->d_name);
    }
    errno = 0;
  }
  const bool ok = errno == 0;
  if (!ok) *error = ErrnoText(path);
  closedir(folder);
  return ok;
}

bool RealPath(const std::string& path, std::string* real, std::string* error) {
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) {
    *error = ErrnoText(path);
    return false;
  }
  *real = resolved;
  std::free(resolved);
  return true;
}

bool PathIsInside(const std::string& inner, const std::string& outer) {
  if (inner.compare(0, outer.size(), outer) != 0) return false;
  return inner.size() == outer.size() || outer == "/" || inner[outer.size()] == '/';
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

std::string ParentFolder(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool LocalTime(int64_t seconds, CivilTime* local) {
  const time_t when = static_cast<time_t>(seconds);
  struct tm parts;
  if (localtime_r(&when, &parts) == nullptr) return false;
  *local = {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
            parts.tm_hour,        parts.tm_min,     parts.tm_sec};
  return true;
}

std::FILE* OpenFile(const std::string& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
}

bool SeekTo(std::FILE* file, uint64_t offset) {
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

bool FileSize(std::FILE* file, uint64_t* size) {
  struct stat info;
  if (fstat(fileno(file), &info) != 0) return false;
  *size = static_cast<uint64_t>(info.st_size);
  return true;
}

bool RenameReplacing(const std::string& from, const std::string& to, std::string* error) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  *error = ErrnoText(to);
  return false;
}

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }

bool RemoveFolder(const std::string& path) { return rmdir(path.c_str()) == 0; }

bool MakeFolders(const std::string& path, std::string* error) {
  for (size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
    const std::string prefix = path.substr(0, end);
    if (!prefix.empty() && mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) {
      *error = ErrnoText(prefix);
      return false;
    }
    if (end == std::string::npos) break;
  }
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    *error = path + ": not a folder";
    return false;
  }
  return true;
}

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

int ProcessId() { return static_cast<int>(getpid()); }

std::string PathFromArgument(const char* argument) { return argument; }

bool PathToAnsi(const std::string& path, std::string* ansi) {
  // The setup's code splits paths at "\" (and its POSIX layer maps that back to "/"):
  // "/tmp/out/tempfile.$$$" as it stands would look like a bare file name to it.
  *ansi = path;
  for (char& c : *ansi) {
    if (c == '/') c = '\\';
  }
  return true;
}

}  // namespace vozip::host
