// Path and file routines of the payload locator and the archive extractor.
//
// Paths are single-byte texts with "\" between folders. A path's folder part ends at
// its last "\" or ":"; its extension begins at the last "." that no "\" or ":"
// follows. Failures come back as Win32 error codes or are ignored; nothing here shows
// a message.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/file.h"
#include "platform/text.h"

// 1-based position of the last character of text that occurs in delimiters; 0 if
// none does.
size_t LastDelimiterPos(const char* delimiters, const Text& text);

// The path up to and including its last "\" or ":"; empty if it has none.
Text PathFolderPart(const Text& path);
// What follows the last "\" or ":"; the whole path if it has none.
Text PathFileName(const Text& path);
// From the last "." to the end, dot included, if no "\" or ":" follows it; else empty.
Text PathExtension(const Text& path);

// True when path names an existing folder.
bool FolderExists(const char* path);

// Creates the folder and every missing parent, the outermost first. Trailing "\"
// are ignored; a drive letter with its colon counts as existing. Failures are
// ignored: a caller learns of them when it next uses the folder.
void MakeFolderPath(const Text& path);

// SetFileAttributesA; returns 0 or the Win32 error code.
uint32_t SetFileAttrs(const char* path, uint32_t attributes);

// Gives the open file the last-write time of a DOS date/time value (high 16 bits
// the date, low 16 bits the time, 2-second steps) taken as local time. Returns 0 or
// the error code of the first step that failed.
uint32_t SetFileDosTime(FileHandle& file, uint32_t dos_date_time);

// A copy of text with the bytes a to z turned into A to Z; every other byte is kept.
Text AsciiUpperCase(const Text& text);
