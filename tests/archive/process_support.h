// Starting a program from a test and waiting for it, with a chosen time zone.
#pragma once

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/file.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tsv_test {

// The folder of the running test program, as the system writes it.
inline std::filesystem::path OwnFolder() {
  std::string path = ModuleFileName().c_str();
#if !defined(_WIN32)
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
#endif
  return std::filesystem::path(path).parent_path();
}

// Runs program with args and returns its exit code, or -1 when it could not be run.
// On the host, unless tz is null, the program gets the environment variable TZ set to
// tz. Windows takes no zone from TZ, and wine only from the unix process it starts
// from: there the program inherits the zone of the test.
inline int RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                      const char* tz) {
#if defined(_WIN32)
  (void)tz;
  std::string command = "\"" + program.string() + "\"";
  for (const std::string& arg : args) command += " \"" + arg + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return -1;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
#else
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    if (tz != nullptr) setenv("TZ", tz, 1);
    std::vector<char*> argv;
    std::string path = program.string();
    argv.push_back(path.data());
    std::vector<std::string> copies = args;
    for (std::string& arg : copies) argv.push_back(arg.data());
    argv.push_back(nullptr);
    execv(path.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
#endif
}

}  // namespace tsv_test
