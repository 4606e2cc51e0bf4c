#include "cli/cli_args.h"

#include <cstring>

namespace vozip {

bool TakeOptionValue(int argc, char** argv, int* index, const char* name, std::string* value,
                     bool* missing) {
  const char* arg = argv[*index];
  const size_t length = std::strlen(name);
  *missing = false;
  if (std::strncmp(arg, name, length) != 0) return false;
  if (arg[length] == '=') {
    *value = arg + length + 1;
    return true;
  }
  if (arg[length] != '\0') return false;
  if (*index + 1 >= argc) {
    *missing = true;
    return true;
  }
  *value = argv[++*index];
  return true;
}

bool WantsHelp(int argc, char** argv) {
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return true;
  }
  return false;
}

int UsageError(const char* command, const std::string& message) {
  std::fprintf(stderr, "vozip %s: %s (see 'vozip %s --help')\n", command, message.c_str(),
               command);
  return kUsageExit;
}

void PrintError(const char* command, const std::string& message) {
  std::fprintf(stderr, "vozip %s: %s\n", command, message.c_str());
}

void PrintWarning(const char* command, const std::string& message) {
  std::fprintf(stderr, "vozip %s: warning: %s\n", command, message.c_str());
}

}  // namespace vozip
