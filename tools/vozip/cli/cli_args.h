// Small helpers for the argument loops of the archive commands.
#pragma once

#include <cstdio>
#include <string>

namespace vozip {

// "--name VALUE" or "--name=VALUE" at argv[*index]; advances *index past the value.
// Returns false when argv[*index] is not this option; sets *missing when it is but
// no value follows.
bool TakeOptionValue(int argc, char** argv, int* index, const char* name, std::string* value,
                     bool* missing);

// True when any argument asks for help.
bool WantsHelp(int argc, char** argv);

// "vozip COMMAND: MESSAGE (see 'vozip COMMAND --help')" on stderr; returns the exit
// status of usage errors.
int UsageError(const char* command, const std::string& message);
constexpr int kUsageExit = 2;

void PrintError(const char* command, const std::string& message);
void PrintWarning(const char* command, const std::string& message);

}  // namespace vozip
