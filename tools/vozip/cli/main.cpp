// vozip: builds, lists, tests and extracts Tessivo setup files.

#include <cstdio>
#include <cstring>

#include "cli/commands.h"

namespace {

struct Command {
  const char* name;
  int (*run)(int argc, char** argv);
  const char* summary;
};

const Command kCommands[] = {
    {"implode", CmdImplode, "compress a file into an implode stream"},
    {"explode", CmdExplode, "decompress an implode stream"},
    {"crc32", CmdCrc32, "print the CRC-32 running value of files"},
    {"pack", CmdPack, "pack a folder into an archive"},
    {"build", CmdBuild, "assemble a setup file from the setup program and a payload"},
    {"list", CmdList, "list the entries of a setup file or archive"},
    {"test", CmdTest, "check a setup file or archive without writing anything"},
    {"extract", CmdExtract, "extract a setup file or archive"},
};

void PrintUsage(FILE* out) {
  std::fprintf(out,
               "usage: vozip COMMAND [OPTIONS] ARGS...\n"
               "\n"
               "Builds, lists, tests and extracts Tessivo setup files.\n"
               "\n"
               "Commands:\n");
  for (const Command& command : kCommands) {
    std::fprintf(out, "  %-9s %s\n", command.name, command.summary);
  }
  std::fprintf(out, "\nRun 'vozip COMMAND --help' for a command's options.\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(stderr);
    return 2;
  }
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    PrintUsage(stdout);
    return 0;
  }
  for (const Command& command : kCommands) {
    if (std::strcmp(argv[1], command.name) == 0) return command.run(argc - 2, argv + 2);
  }
  std::fprintf(stderr, "vozip: unknown command '%s' (see 'vozip --help')\n", argv[1]);
  return 2;
}
