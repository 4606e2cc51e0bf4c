// The Win32 backend of platform/file.h: every operation is the ANSI call it names.
#include "platform/file.h"

#include <windows.h>

namespace {

HANDLE Native(const FileHandle& file) { return reinterpret_cast<HANDLE>(file.native()); }

FileHandle Hold(HANDLE handle) { return FileHandle(reinterpret_cast<intptr_t>(handle)); }

uint64_t FromFileTime(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME ToFileTime(uint64_t value) {
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(value);
  time.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return time;
}

}  // namespace

FileHandle::~FileHandle() {
  if (IsOpen()) CloseHandle(Native(*this));
}

bool FileHandle::Close() {
  if (!IsOpen()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  HANDLE handle = Native(*this);
  native_ = kNone;
  return CloseHandle(handle) != 0;
}

FileHandle OpenExistingFile(const char* path, FileAccess access) {
  const DWORD rights = access == FileAccess::kRead ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  return Hold(CreateFileA(path, rights, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle CreateNewFile(const char* path) {
  return Hold(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool ReadFileBytes(FileHandle& file, void* buffer, uint32_t count, uint32_t* done) {
  DWORD read = 0;
  const BOOL ok = ReadFile(Native(file), buffer, count, &read, nullptr);
  *done = ok ? read : 0;
  return ok != 0;
}

bool WriteFileBytes(FileHandle& file, const void* buffer, uint32_t count) {
  DWORD written = 0;
  if (!WriteFile(Native(file), buffer, count, &written, nullptr)) return false;
  if (written != count) {
    SetLastError(ERROR_DISK_FULL);
    return false;
  }
  return true;
}

bool SeekFile(FileHandle& file, uint64_t position) {
  LARGE_INTEGER distance;
  distance.QuadPart = static_cast<LONGLONG>(position);
  return SetFilePointerEx(Native(file), distance, nullptr, FILE_BEGIN) != 0;
}

bool FilePosition(FileHandle& file, uint64_t* position) {
  LARGE_INTEGER zero;
  zero.QuadPart = 0;
  LARGE_INTEGER now;
  if (!SetFilePointerEx(Native(file), zero, &now, FILE_CURRENT)) return false;
  *position = static_cast<uint64_t>(now.QuadPart);
  return true;
}

bool FileSize(FileHandle& file, uint64_t* size) {
  LARGE_INTEGER length;
  if (!GetFileSizeEx(Native(file), &length)) return false;
  *size = static_cast<uint64_t>(length.QuadPart);
  return true;
}

bool RemoveFile(const char* path) { return DeleteFileA(path) != 0; }

bool CreateFolder(const char* path) { return CreateDirectoryA(path, nullptr) != 0; }

uint32_t GetAttributes(const char* path) { return GetFileAttributesA(path); }

bool SetAttributes(const char* path, uint32_t attributes) {
  return SetFileAttributesA(path, attributes) != 0;
}

bool DosToFileTime(uint16_t dos_date, uint16_t dos_time, uint64_t* file_time) {
  FILETIME time;
  if (!DosDateTimeToFileTime(dos_date, dos_time, &time)) return false;
  *file_time = FromFileTime(time);
  return true;
}

bool LocalToUtcFileTime(uint64_t local_time, uint64_t* utc_time) {
  const FILETIME local = ToFileTime(local_time);
  FILETIME utc;
  if (!LocalFileTimeToFileTime(&local, &utc)) return false;
  *utc_time = FromFileTime(utc);
  return true;
}

bool SetLastWriteTime(FileHandle& file, uint64_t utc_time) {
  const FILETIME time = ToFileTime(utc_time);
  return SetFileTime(Native(file), nullptr, nullptr, &time) != 0;
}

bool GetLastWriteTime(const char* path, uint64_t* utc_time) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return false;
  *utc_time = FromFileTime(data.ftLastWriteTime);
  return true;
}

Text ModuleFileName() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  // A result of MAX_PATH means the name was cut short.
  if (length == 0 || length >= MAX_PATH) return Text();
  return Text(path, length);
}

Text CurrentFolder() {
  char path[MAX_PATH];
  const DWORD length = GetCurrentDirectoryA(MAX_PATH, path);
  if (length == 0 || length >= MAX_PATH) return Text();
  return Text(path, length);
}

uint32_t LastErrorCode() { return GetLastError(); }

Text ToProgramPath(const char* native_path) { return Text(native_path); }
