// The directory chooser's path rules, apart from the dialog: how a path splits into
// the levels of the folder list, which path a selected entry stands for, how typed
// text is checked and normalised, and where the chooser starts when the folder it is
// given does not exist. Everything the system answers comes in through a parameter or
// a callback, so the rules run (and are tested) on any host.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/text.h"

// What a folder search answers, with the system's error numbers: 0 when it found an
// entry, else the error code of the failed search.
constexpr uint32_t kSearchFoundEntry = 0;
constexpr uint32_t kSearchFileNotFound = 2;  // ERROR_FILE_NOT_FOUND: the folder is empty
constexpr uint32_t kSearchPathNotFound = 3;  // ERROR_PATH_NOT_FOUND: the folder is missing

// Room for the typed path: the field counts 259 characters and a terminating zero.
constexpr size_t kPathFieldCapacity = 260;

// Searches for any entry matching pattern; one of the codes above, or another error.
using FolderSearchProc = uint32_t (*)(const Text& pattern, void* context);
// The system's full-path service (GetFullPathNameA's contract): the length of the
// full path when it fits into buffer_size bytes with its terminator, else the size
// it needs (terminator included); 0 on failure.
using FullPathNameProc = uint32_t (*)(const char* path, uint32_t buffer_size, char* buffer, void* context);
// Text of entry index of the folder list.
using EntryTextProc = Text (*)(int index, void* context);

// Deletes one backslash of every run of two until none is left, so "C:\\a\\\b" and
// "\\server" become "C:\a\b" and "\server".
void RemoveDoubledBackslashes(Text& path);

void DropOneTrailingBackslash(Text& path);

// The pattern that lists every entry of folder: folder + "\*.*".
Text FolderSearchPattern(const Text& folder);

// The full form of path through full_path_name, asked with room for the path's
// length plus 260 characters, doubled backslashes removed; empty when the service
// fails or reports a path longer than that room (which is never read past).
Text ExpandFullPathWith(const Text& path, FullPathNameProc full_path_name, void* context);

// The levels of the folder list for path, one per call: the first is the path up to
// and including its first backslash (C:\), each further one the text between two
// backslashes, the last the text after the last backslash when that is not empty.
// Start with *position 0; returns false when no level is left.
bool NextFolderLevel(const Text& path, size_t* position, Text* level);

// The path of folder-list entry selected, where entries 0 to *current_level are the
// levels of the current folder and later ones its subfolders. A level (or the current
// folder itself) becomes the new current folder, so *current_level drops to
// selected - 1 for it. Only a drive root keeps its trailing backslash.
Text PathOfFolderEntry(int selected, int* current_level, EntryTextProc entry_text, void* context);

// True when the path field's text may be expanded: at least 3 and at most 259
// characters, with a colon second or a backslash first. Longer text is refused rather
// than cut, since a cut path names another folder than the one shown.
bool IsAcceptablePathText(const Text& text);

// The folder the chooser opens in for the expanded initial folder: the folder itself
// if a search in it succeeds or finds it empty, else the nearest parent that exists;
// a bare drive gets its backslash. Empty when the chooser must use the current
// directory: no such folder, or a search failing for another reason (drive not
// ready, access denied).
Text WalkUpToExistingFolder(Text folder, FolderSearchProc search, void* context);

// The folder a drive-box entry stands for: its first two characters and a
// backslash, D:\ for "D: DATA".
Text DriveRootOfEntry(const Text& entry_text);

// Text of a drive-box entry: the letter, a colon, a blank and the label or remote
// name (nothing for drives without one).
Text DriveEntryText(char letter, const char* name);

// True when start_folder lies on drive letter (letters compared in upper case).
bool IsOnDrive(char letter, const Text& start_folder);
