// The host backend of platform/file.h: the same operations on POSIX calls, with the
// Win32 meaning kept where the program relies on it (error codes, the read-only
// attribute, local time).
#include "platform/file.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Seconds from 1601-01-01 (the FILETIME epoch) to 1970-01-01.
constexpr int64_t kEpochDifference = 11644473600;
constexpr int64_t kTicksPerSecond = 10000000;

uint32_t last_error = kErrorSuccess;

Text NativePath(const char* path) {
  Text native(path);
  for (size_t i = 0; i < native.size(); ++i) {
    if (native[i] == '\\') native[i] = '/';
  }
  return native;
}

bool FolderOfExists(const Text& native_path) {
  size_t end = native_path.size();
  while (end > 0 && native_path[end - 1] != '/') --end;
  if (end == 0) return true;  // relative to the current folder
  Text parent = native_path.Substring(0, end);
  struct stat info;
  return stat(parent.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Windows tells a missing file (2) from a missing folder on its way (3).
uint32_t ErrorFromErrno(int error, const Text* native_path) {
  switch (error) {
    case ENOENT:
      return native_path != nullptr && !FolderOfExists(*native_path) ? kErrorPathNotFound
                                                                       : kErrorFileNotFound;
    case ENOTDIR:
      return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return kErrorAccessDenied;
    case EBADF:
      return kErrorInvalidHandle;
    case EEXIST:
      return kErrorAlreadyExists;
    case EBUSY:
    case ETXTBSY:
      return kErrorSharingViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return kErrorDiskFull;
    case ENAMETOOLONG:
      return kErrorFilenameTooLong;
    case EINVAL:
      return kErrorInvalidParameter;
    default:
      return kErrorGenFailure;
  }
}

bool Fail(const Text* native_path = nullptr) {
  last_error = ErrorFromErrno(errno, native_path);
  return false;
}

bool FailWith(uint32_t code) {
  last_error = code;
  return false;
}

bool IsReadOnly(const struct stat& info) { return (info.st_mode & 0222) == 0; }

// The host's stand-in for the read-only attribute: a regular file that nobody may
// write. Windows refuses to write, replace or delete such a file.
bool IsReadOnlyFile(const Text& native_path) {
  struct stat info;
  return lstat(native_path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && IsReadOnly(info);
}

int Descriptor(const FileHandle& file) { return static_cast<int>(file.native()); }

}  // namespace

FileHandle::~FileHandle() {
  if (IsOpen()) close(Descriptor(*this));
}

bool FileHandle::Close() {
  if (!IsOpen()) return FailWith(kErrorInvalidHandle);
  const int descriptor = Descriptor(*this);
  native_ = kNone;
  return close(descriptor) == 0 || Fail();
}

FileHandle OpenExistingFile(const char* path, FileAccess access) {
  const Text native = NativePath(path);
  const bool writing = access == FileAccess::kReadWrite;
  if (writing && IsReadOnlyFile(native)) {
    FailWith(kErrorAccessDenied);
    return FileHandle();
  }
  const int descriptor = open(native.c_str(), (writing ? O_RDWR : O_RDONLY) | O_CLOEXEC);
  if (descriptor < 0) {
    Fail(&native);
    return FileHandle();
  }
  FileHandle file(descriptor);
  // CreateFileA opens no folder as a file.
  struct stat info;
  if (fstat(descriptor, &info) != 0 || S_ISDIR(info.st_mode)) {
    FailWith(kErrorAccessDenied);
    return FileHandle();
  }
  return file;
}

FileHandle CreateNewFile(const char* path) {
  const Text native = NativePath(path);
  if (IsReadOnlyFile(native)) {
    FailWith(kErrorAccessDenied);
    return FileHandle();
  }
  const int descriptor = open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (descriptor < 0) {
    Fail(&native);
    return FileHandle();
  }
  return FileHandle(descriptor);
}

bool ReadFileBytes(FileHandle& file, void* buffer, uint32_t count, uint32_t* done) {
  *done = 0;
  uint8_t* bytes = static_cast<uint8_t*>(buffer);
  while (*done < count) {
    const ssize_t n = read(Descriptor(file), bytes + *done, count - *done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail();
    }
    if (n == 0) break;  // end of file
    *done += static_cast<uint32_t>(n);
  }
  return true;
}

bool WriteFileBytes(FileHandle& file, const void* buffer, uint32_t count) {
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
  uint32_t written = 0;
  while (written < count) {
    const ssize_t n = write(Descriptor(file), bytes + written, count - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail();
    }
    if (n == 0) return FailWith(kErrorDiskFull);
    written += static_cast<uint32_t>(n);
  }
  return true;
}

bool SeekFile(FileHandle& file, uint64_t position) {
  if (position > static_cast<uint64_t>(INT64_MAX)) return FailWith(kErrorInvalidParameter);
  return lseek(Descriptor(file), static_cast<off_t>(position), SEEK_SET) >= 0 || Fail();
}

bool FilePosition(FileHandle& file, uint64_t* position) {
  const off_t now = lseek(Descriptor(file), 0, SEEK_CUR);
  if (now < 0) return Fail();
  *position = static_cast<uint64_t>(now);
  return true;
}

bool FileSize(FileHandle& file, uint64_t* size) {
  struct stat info;
  if (fstat(Descriptor(file), &info) != 0) return Fail();
  *size = static_cast<uint64_t>(info.st_size);
  return true;
}

bool RemoveFile(const char* path) {
  const Text native = NativePath(path);
  if (IsReadOnlyFile(native)) return FailWith(kErrorAccessDenied);
  return unlink(native.c_str()) == 0 || Fail(&native);
}

bool CreateFolder(const char* path) {
  const Text native = NativePath(path);
  return mkdir(native.c_str(), 0777) == 0 || Fail(&native);
}

uint32_t GetAttributes(const char* path) {
  const Text native = NativePath(path);
  struct stat info;
  if (stat(native.c_str(), &info) != 0) {
    Fail(&native);
    return kInvalidAttributes;
  }
  if (S_ISDIR(info.st_mode)) return kAttributeDirectory;
  return IsReadOnly(info) ? kAttributeReadOnly : kAttributeNormal;
}

bool SetAttributes(const char* path, uint32_t attributes) {
  const Text native = NativePath(path);
  struct stat info;
  if (lstat(native.c_str(), &info) != 0) return Fail(&native);
  if (!S_ISREG(info.st_mode)) return true;
  mode_t mode = info.st_mode & 07777;
  if ((attributes & kAttributeReadOnly) != 0) {
    mode &= ~static_cast<mode_t>(0222);
  } else if (IsReadOnly(info)) {
    mode |= S_IWUSR;
  }
  return chmod(native.c_str(), mode) == 0 || Fail(&native);
}

bool DosToFileTime(uint16_t dos_date, uint16_t dos_time, uint64_t* file_time) {
  struct tm fields;
  std::memset(&fields, 0, sizeof fields);
  fields.tm_mday = dos_date & 0x1F;
  fields.tm_mon = ((dos_date >> 5) & 0x0F) - 1;
  fields.tm_year = (dos_date >> 9) + 80;
  fields.tm_sec = (dos_time & 0x1F) * 2;
  fields.tm_min = (dos_time >> 5) & 0x3F;
  fields.tm_hour = dos_time >> 11;
  const int day = fields.tm_mday;
  const int month = fields.tm_mon;
  if (day < 1 || month < 0 || month > 11 || fields.tm_hour > 23 || fields.tm_min > 59 ||
      fields.tm_sec > 58) {
    return FailWith(kErrorInvalidParameter);
  }
  const time_t seconds = timegm(&fields);
  // timegm rolls 31 February over into March; Windows refuses such a date.
  if (fields.tm_mday != day || fields.tm_mon != month) return FailWith(kErrorInvalidParameter);
  *file_time = static_cast<uint64_t>((seconds + kEpochDifference) * kTicksPerSecond);
  return true;
}

bool LocalToUtcFileTime(uint64_t local_time, uint64_t* utc_time) {
  const int64_t ticks = static_cast<int64_t>(local_time);
  const time_t local_seconds = static_cast<time_t>(ticks / kTicksPerSecond - kEpochDifference);
  struct tm fields;
  if (gmtime_r(&local_seconds, &fields) == nullptr) return FailWith(kErrorInvalidParameter);
  fields.tm_isdst = -1;  // let the zone rules say whether summer time applies then
  errno = 0;
  const time_t utc_seconds = mktime(&fields);
  if (utc_seconds == static_cast<time_t>(-1) && errno != 0) return FailWith(kErrorInvalidParameter);
  *utc_time = static_cast<uint64_t>((utc_seconds + kEpochDifference) * kTicksPerSecond +
                                    ticks % kTicksPerSecond);
  return true;
}

bool SetLastWriteTime(FileHandle& file, uint64_t utc_time) {
  const int64_t ticks = static_cast<int64_t>(utc_time);
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(ticks / kTicksPerSecond - kEpochDifference);
  times[1].tv_nsec = static_cast<long>(ticks % kTicksPerSecond) * 100;
  return futimens(Descriptor(file), times) == 0 || Fail();
}

bool GetLastWriteTime(const char* path, uint64_t* utc_time) {
  const Text native = NativePath(path);
  struct stat info;
  if (stat(native.c_str(), &info) != 0) return Fail(&native);
  *utc_time = static_cast<uint64_t>((info.st_mtim.tv_sec + kEpochDifference) * kTicksPerSecond +
                                    info.st_mtim.tv_nsec / 100);
  return true;
}

Text ModuleFileName() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
  if (length <= 0 || length >= static_cast<ssize_t>(sizeof path)) return Text();
  path[length] = '\0';
  return ToProgramPath(path);
}

Text CurrentFolder() {
  char path[PATH_MAX];
  if (getcwd(path, sizeof path) == nullptr) return Text();
  return ToProgramPath(path);
}

uint32_t LastErrorCode() { return last_error; }

Text ToProgramPath(const char* native_path) {
  Text path(native_path);
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '/') path[i] = '\\';
  }
  return path;
}
