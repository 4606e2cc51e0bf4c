// What every vozip command shares on its command line: exit statuses, messages in
// one format, and a scanner for options and operands.
//
//   vozip COMMAND: MESSAGE                                   (a failure)
//   vozip COMMAND: MESSAGE (see 'vozip COMMAND --help')      (a usage error)
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vozip_cli {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // a file could not be read or written, ...
constexpr int kExitUsage = 2;    // a bad option or operand

// Prints one failure line on stderr; returns kExitFailure.
int Fail(const char* command, const std::string& message);
// Prints one usage-error line on stderr; returns kExitUsage.
int UsageError(const char* command, const std::string& message);

// "'name'", the way messages quote file names and arguments.
std::string Quote(const std::string& text);

// Walks a command's arguments: options first or mixed with operands, "--" ends the
// options. Long options take their value as the next argument or after '='.
class ArgScanner {
 public:
  ArgScanner(int argc, char** argv) : args_(argv, argv + argc) {}

  // Moves to the next argument; false when none is left.
  bool Next();
  // The current argument is an operand (not an option, or after "--").
  bool IsOperand() const;
  const std::string& Current() const { return args_[index_]; }
  // The current argument is the long option `name` ("--name" or "--name=value").
  bool IsLong(const char* name) const;
  // The value of the current long option: after '=', else the next argument.
  // False when there is none.
  bool TakeValue(std::string* value);
  // The current argument is -h or --help.
  bool IsHelp() const;

 private:
  std::vector<std::string> args_;
  size_t index_ = SIZE_MAX;  // before the first
  bool options_ended_ = false;
};

}  // namespace vozip_cli
