// Windows backend of host_fs.h: the wide-character calls, with paths converted from
// and to UTF-8 at this boundary.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cwchar>

#include "payload/host_fs.h"

namespace vozip::host {
namespace {

std::wstring Widen(const std::string& text, UINT code_page = CP_UTF8) {
  if (text.empty()) return std::wstring();
  const int count =
      MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(count), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), &wide[0], count);
  return wide;
}

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  const int count = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                        nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(count), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &text[0], count,
                      nullptr, nullptr);
  return text;
}

std::string ErrorText(const std::string& path, DWORD code = GetLastError()) {
  char* message = nullptr;
  FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&message), 0, nullptr);
  std::string text = path + ": ";
  if (message != nullptr) {
    text += message;
    LocalFree(message);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
      text.pop_back();
    }
  } else {
    text += "error " + std::to_string(code);
  }
  return text;
}

bool IsMissingError(DWORD code) {
  return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_INVALID_NAME;
}

// 100-nanosecond steps since 1601-01-01 UTC.
int64_t UnixSecondsFromFileTime(const FILETIME& time) {
  const int64_t ticks = (static_cast<int64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  const int64_t since_1970 = ticks - 116444736000000000LL;
  const int64_t seconds = since_1970 / 10000000;
  return since_1970 % 10000000 < 0 ? seconds - 1 : seconds;  // round towards the past
}

// Symbolic links and junctions; other reparse points (cloud placeholders,
// deduplicated files) are ordinary files to their readers.
bool IsLinkTag(DWORD attributes, DWORD tag) {
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
         (tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT);
}

void FillStatus(DWORD attributes, uint64_t size, const FILETIME& mtime, Status* status) {
  status->kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? Kind::kFolder : Kind::kFile;
  status->size = status->kind == Kind::kFile ? size : 0;
  status->mtime_seconds = UnixSecondsFromFileTime(mtime);
  status->read_only = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

HANDLE OpenForQuery(const std::string& path) {
  return CreateFileW(Widen(path).c_str(), FILE_READ_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

const char kSeparator = '\\';

bool GetStatus(const std::string& path, bool follow_links, Status* status, std::string* error) {
  *status = Status();
  if (!follow_links) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(Widen(path).c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      FindClose(find);
      const uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
      FillStatus(data.dwFileAttributes, size, data.ftLastWriteTime, status);
      status->is_link = IsLinkTag(data.dwFileAttributes, data.dwReserved0);
      return true;
    }
    // A drive root cannot be found by name; it is no link, so fall through.
  }
  HANDLE file = OpenForQuery(path);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    if (IsMissingError(code)) return true;
    *error = ErrorText(path, code);
    return false;
  }
  BY_HANDLE_FILE_INFORMATION info;
  const bool ok = GetFileInformationByHandle(file, &info) != 0;
  if (!ok) *error = ErrorText(path);
  CloseHandle(file);
  if (!ok) return false;
  const uint64_t size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  FillStatus(info.dwFileAttributes, size, info.ftLastWriteTime, status);
  return true;
}

bool ListFolder(const std::string& path, std::vector<std::string>* names, std::string* error) {
  names->clear();
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(Widen(JoinPath(path, "*")).c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) {
    *error = ErrorText(path);
    return false;
  }
  do {
    if (std::wcscmp(data.cFileName, L".") != 0 && std::wcscmp(data.cFileName, L"..") != 0) {
      names->push_back(Narrow(data.cFileName));
    }
  } while (FindNextFileW(find, &data));
  const DWORD code = GetLastError();
  FindClose(find);
  if (code != ERROR_NO_MORE_FILES) {
    *error = ErrorText(path, code);
    return false;
  }
  return true;
}

bool RealPath(const std::string& path, std::string* real, std::string* error) {
  HANDLE file = OpenForQuery(path);
  if (file == INVALID_HANDLE_VALUE) {
    *error = ErrorText(path);
    return false;
  }
  std::wstring wide(MAX_PATH, L'\0');
  DWORD count = GetFinalPathNameByHandleW(file, &wide[0], static_cast<DWORD>(wide.size()),
                                          FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (count >= wide.size()) {
    wide.resize(count + 1);
    count = GetFinalPathNameByHandleW(file, &wide[0], static_cast<DWORD>(wide.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  }
  if (count == 0 || count >= wide.size()) {
    *error = ErrorText(path);
    CloseHandle(file);
    return false;
  }
  CloseHandle(file);
  wide.resize(count);
  if (wide.compare(0, 4, L"\\\\?\\") == 0) wide.erase(0, 4);
  *real = Narrow(wide);
  return true;
}

bool PathIsInside(const std::string& inner, const std::string& outer) {
  // Names on Windows compare without regard to case.
  if (inner.size() < outer.size() ||
      CompareStringOrdinal(Widen(inner.substr(0, outer.size())).c_str(), -1, Widen(outer).c_str(),
                           -1, TRUE) != CSTR_EQUAL) {
    return false;
  }
  return inner.size() == outer.size() || outer.back() == '\\' || inner[outer.size()] == '\\';
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  const char last = folder.back();
  if (last == '\\' || last == '/' || last == ':') return folder + name;
  return folder + "\\" + name;
}

std::string ParentFolder(const std::string& path) {
  const size_t slash = path.find_last_of("\\/:");
  if (slash == std::string::npos) return ".";
  if (path[slash] == ':' || slash == 0 || (slash == 2 && path[1] == ':')) {
    return path.substr(0, slash + 1);
  }
  return path.substr(0, slash);
}

bool LocalTime(int64_t seconds, CivilTime* local) {
  const int64_t ticks = seconds * 10000000 + 116444736000000000LL;
  FILETIME file_time;
  file_time.dwLowDateTime = static_cast<DWORD>(ticks);
  file_time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  SYSTEMTIME utc;
  SYSTEMTIME zoned;
  // The zone's rule for that date, as POSIX localtime applies it, rather than
  // FileTimeToLocalFileTime's offset of today: the result must not depend on the
  // season in which the payload is packed.
  if (!FileTimeToSystemTime(&file_time, &utc) ||
      !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &zoned)) {
    return false;
  }
  *local = {zoned.wYear, zoned.wMonth, zoned.wDay, zoned.wHour, zoned.wMinute, zoned.wSecond};
  return true;
}

std::FILE* OpenFile(const std::string& path, const char* mode) {
  return _wfopen(Widen(path).c_str(), Widen(mode).c_str());
}

bool SeekTo(std::FILE* file, uint64_t offset) {
  return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
}

bool FileSize(std::FILE* file, uint64_t* size) {
  LARGE_INTEGER length;
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  if (handle == INVALID_HANDLE_VALUE || !GetFileSizeEx(handle, &length)) return false;
  *size = static_cast<uint64_t>(length.QuadPart);
  return true;
}

bool RenameReplacing(const std::string& from, const std::string& to, std::string* error) {
  if (MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), MOVEFILE_REPLACE_EXISTING)) {
    return true;
  }
  *error = ErrorText(to);
  return false;
}

bool RemoveFile(const std::string& path) { return DeleteFileW(Widen(path).c_str()) != 0; }

bool RemoveFolder(const std::string& path) { return RemoveDirectoryW(Widen(path).c_str()) != 0; }

bool MakeFolders(const std::string& path, std::string* error) {
  const std::wstring wide = Widen(path);
  for (size_t end = wide.find_first_of(L"\\/", 1);; end = wide.find_first_of(L"\\/", end + 1)) {
    const std::wstring prefix = wide.substr(0, end);
    // Drive letters ("C:") and prefixes that exist fail harmlessly here.
    CreateDirectoryW(prefix.c_str(), nullptr);
    if (end == std::wstring::npos) break;
  }
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    *error = ErrorText(path);
    return false;
  }
  return true;
}

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

int ProcessId() { return static_cast<int>(GetCurrentProcessId()); }

std::string PathFromArgument(const char* argument) { return Narrow(Widen(argument, CP_ACP)); }

bool PathToAnsi(const std::string& path, std::string* ansi) {
  const std::wstring wide = Widen(path);
  if (wide.empty()) {
    ansi->clear();
    return true;
  }
  BOOL used_default = FALSE;
  const int count =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                          nullptr, 0, nullptr, &used_default);
  if (count == 0 || used_default) return false;
  ansi->assign(static_cast<size_t>(count), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                      &(*ansi)[0], count, nullptr, nullptr);
  return true;
}

}  // namespace vozip::host
