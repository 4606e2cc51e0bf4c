// Checks and creation of the destination folder, made when the user presses Install.
#pragma once

#include "platform/text.h"

// One megabyte is 1024 x 1024 bytes; the setup asks before installing below it.
constexpr double kRequiredMegabytes = 1.0;
constexpr char kRequiredMegabytesText[] = "1";

// Free megabytes on the drive of path (its first two characters plus a backslash),
// or -1.0 when the system cannot tell (a network path among others).
double FreeSpaceMegabytes(const Text& path);

// Creates path and its missing parents; returns path unchanged (trailing backslash
// included) when the folder exists afterwards, else the empty text.
Text CreateDestinationFolder(const Text& path);

// Creates path and its missing parents, ignoring failures. One trailing backslash is
// dropped first; a bare drive such as C: is never created.
void MakeDestinationPath(Text path);
