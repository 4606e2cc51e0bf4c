#include "cli/options.h"

#include <cstdio>
#include <cstring>

namespace vozip_cli {

int Fail(const char* command, const std::string& message) {
  std::fprintf(stderr, "vozip %s: %s\n", command, message.c_str());
  return kExitFailure;
}

int UsageError(const char* command, const std::string& message) {
  std::fprintf(stderr, "vozip %s: %s (see 'vozip %s --help')\n", command, message.c_str(),
               command);
  return kExitUsage;
}

std::string Quote(const std::string& text) { return "'" + text + "'"; }

bool ArgScanner::Next() {
  index_ = index_ == SIZE_MAX ? 0 : index_ + 1;
  if (index_ < args_.size() && !options_ended_ && args_[index_] == "--") {
    options_ended_ = true;
    ++index_;
  }
  return index_ < args_.size();
}

bool ArgScanner::IsOperand() const {
  const std::string& arg = args_[index_];
  return options_ended_ || arg.size() < 2 || arg[0] != '-';
}

bool ArgScanner::IsLong(const char* name) const {
  if (IsOperand()) return false;
  const std::string& arg = args_[index_];
  const size_t length = std::strlen(name);
  return arg.compare(0, 2, "--") == 0 && arg.compare(2, length, name) == 0 &&
         (arg.size() == 2 + length || arg[2 + length] == '=');
}

bool ArgScanner::TakeValue(std::string* value) {
  const std::string& arg = args_[index_];
  const size_t equals = arg.find('=');
  if (equals != std::string::npos) {
    *value = arg.substr(equals + 1);
    return true;
  }
  if (index_ + 1 >= args_.size()) return false;
  *value = args_[++index_];
  return true;
}

bool ArgScanner::IsHelp() const {
  return !IsOperand() && (args_[index_] == "-h" || args_[index_] == "--help");
}

}  // namespace vozip_cli
