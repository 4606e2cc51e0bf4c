// Archive names are Windows-1252. The setup's extractor hands them to the system as
// they stand: on Windows the ANSI calls read them in the code page, but a POSIX
// system takes the bytes as the name, and a name like "caf\xE9" is no UTF-8. After
// an extraction on such a system, vozip gives the files and folders it wrote their
// UTF-8 names.
#pragma once

#include <string>
#include <vector>

namespace vozip {

// True where extracted names need the renaming (POSIX systems).
bool ExtractedNamesNeedUtf8();

// Renames what the extractor wrote below 'folder' for each archive name (Windows-
// 1252, "\" between folders) to the UTF-8 spelling, folder by folder. A UTF-8 file
// already there is replaced, as the extractor replaces files; a UTF-8 folder already
// there takes in the contents. False with *error when a rename fails.
bool RenameExtractedToUtf8(const std::string& folder, const std::vector<std::string>& names,
                           std::string* error);

}  // namespace vozip
