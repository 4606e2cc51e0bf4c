// The file and folder operations the archive code needs, one thin call each.
//
// Two backends, chosen when the program is compiled: file_win32.cpp calls the ANSI
// Win32 functions; file_posix.cpp does the same work on the host for vozip and the
// tests. Paths are the program's own, Windows-style texts with "\" between folders;
// the POSIX backend turns every "\" into "/" before it asks the system.
//
// Nothing here raises an error or shows a message. A failed call returns false (or
// kInvalidAttributes) and leaves a Win32 error code for LastErrorCode(); the POSIX
// backend maps errno to the codes the program looks at.
#pragma once

#include <cstdint>

#include "platform/text.h"

// Win32 error codes the program and its tests look at.
enum : uint32_t {
  kErrorSuccess = 0,
  kErrorFileNotFound = 2,
  kErrorPathNotFound = 3,
  kErrorAccessDenied = 5,
  kErrorInvalidHandle = 6,
  kErrorGenFailure = 31,
  kErrorSharingViolation = 32,
  kErrorFileExists = 80,
  kErrorInvalidParameter = 87,
  kErrorDiskFull = 112,
  kErrorAlreadyExists = 183,
  kErrorFilenameTooLong = 206,
};

// Win32 file attribute bits.
enum : uint32_t {
  kAttributeReadOnly = 0x01,
  kAttributeHidden = 0x02,
  kAttributeSystem = 0x04,
  kAttributeDirectory = 0x10,
  kAttributeArchive = 0x20,
  kAttributeNormal = 0x80,
};
constexpr uint32_t kInvalidAttributes = 0xFFFFFFFF;

// The longest path the program hands to the system. The ANSI Win32 calls take at
// most MAX_PATH (260) bytes with the terminating zero.
#if defined(_WIN32)
constexpr uint32_t kMaxPathLength = 259;
#else
constexpr uint32_t kMaxPathLength = 4095;
#endif

// Owns one open file: a Win32 HANDLE or a POSIX descriptor, held as an integer so
// that this header needs no system header. Move-only; closes on destruction.
class FileHandle {
 public:
  static constexpr intptr_t kNone = -1;  // INVALID_HANDLE_VALUE, or no descriptor

  FileHandle() = default;
  explicit FileHandle(intptr_t native) : native_(native) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  FileHandle(FileHandle&& other) noexcept : native_(other.native_) { other.native_ = kNone; }
  FileHandle& operator=(FileHandle&& other) noexcept {
    if (this != &other) {
      if (IsOpen()) Close();
      native_ = other.native_;
      other.native_ = kNone;
    }
    return *this;
  }
  // Closes quietly: the pending error code stays what the last operation left.
  ~FileHandle();

  bool IsOpen() const { return native_ != kNone; }
  intptr_t native() const { return native_; }
  // False when the system reports a failure, or when nothing was open. The holder
  // forgets the file either way, so a second Close never reaches a reused handle.
  bool Close();

 private:
  intptr_t native_ = kNone;
};

// Opens an existing file as a byte file, sharing reading and writing with others
// (Win32: OPEN_EXISTING with FILE_SHARE_READ | FILE_SHARE_WRITE).
enum class FileAccess { kRead, kReadWrite };
FileHandle OpenExistingFile(const char* path, FileAccess access);

// Creates a file for writing, replacing any file of that name (CREATE_ALWAYS); others
// may read it meanwhile.
FileHandle CreateNewFile(const char* path);

// Reads up to count bytes; *done gets the number read (0 at the end of the file).
bool ReadFileBytes(FileHandle& file, void* buffer, uint32_t count, uint32_t* done);
// Writes count bytes; a short write (disk full) is a failure.
bool WriteFileBytes(FileHandle& file, const void* buffer, uint32_t count);
bool SeekFile(FileHandle& file, uint64_t position);
bool FilePosition(FileHandle& file, uint64_t* position);
bool FileSize(FileHandle& file, uint64_t* size);

// DeleteFileA: a read-only file cannot be deleted; clear its attribute first.
bool RemoveFile(const char* path);
bool CreateFolder(const char* path);

// GetFileAttributesA: kInvalidAttributes when the path cannot be examined. On the
// host: kAttributeDirectory for folders; kAttributeReadOnly for a file that nobody
// may write, else kAttributeNormal.
uint32_t GetAttributes(const char* path);
// SetFileAttributesA. On the host only the read-only bit has a meaning: it takes
// away every write permission, and clearing it gives the owner's back. It is ignored
// for folders, where it would forbid creating files, which it never does on Windows,
// and for symbolic links, which keep their own attributes on Windows. The host's
// file calls honour it as Windows does, even for root: a read-only file cannot be
// opened for writing, replaced or deleted.
bool SetAttributes(const char* path, uint32_t attributes);

// File times: 100-nanosecond intervals since 1601-01-01, as Win32 FILETIME.
// DosDateTimeToFileTime: the DOS date and time fields taken as they stand (no zone).
bool DosToFileTime(uint16_t dos_date, uint16_t dos_time, uint64_t* file_time);
// LocalFileTimeToFileTime. Windows applies the offset in force now; the host applies
// the offset in force at that date (mktime), which is what a host user expects.
bool LocalToUtcFileTime(uint64_t local_time, uint64_t* utc_time);
// SetFileTime with only the last-write time; creation and access times stay.
bool SetLastWriteTime(FileHandle& file, uint64_t utc_time);
// The last-write time of the file at path, UTC (for tests and tools).
bool GetLastWriteTime(const char* path, uint64_t* utc_time);

// GetModuleFileNameA of the process and GetCurrentDirectoryA, as program paths;
// empty on failure.
Text ModuleFileName();
Text CurrentFolder();

// The Win32 error code of the last failed call of this layer.
uint32_t LastErrorCode();

// A path as the system writes it, turned into a program path: on the host every "/"
// becomes "\"; on Windows it is returned unchanged.
Text ToProgramPath(const char* native_path);
