// Names in a setup archive are Windows-1252 bytes: the setup creates its files
// through the ANSI calls of Windows, and its ANSI code page is 1252. vozip itself
// reads and prints names as UTF-8.
#pragma once

#include <string>

namespace vozip {

// Converts UTF-8 text to Windows-1252. Returns false when the text is not valid
// UTF-8 or holds a character that the code page lacks; *problem then says which
// (for example "U+4E2D is not in Windows-1252").
bool Utf8ToCp1252(const std::string& utf8, std::string* cp1252, std::string* problem);

// Converts Windows-1252 bytes to UTF-8. The five bytes the code page leaves
// undefined (81, 8D, 8F, 90, 9D) become the C1 controls of the same value, as
// Windows itself converts them.
std::string Cp1252ToUtf8(const std::string& cp1252);

}  // namespace vozip
