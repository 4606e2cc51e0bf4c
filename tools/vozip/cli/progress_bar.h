// A one-line progress bar on stderr for long work, drawn only when stderr is a
// terminal: scripts and logs see nothing of it.
#pragma once

#include <cstdint>
#include <string>

namespace vozip {

class ProgressBar {
 public:
  explicit ProgressBar(const std::string& label);
  ~ProgressBar() { Finish(); }
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  // Redraws when the shown percentage changes.
  void Update(uint64_t done, uint64_t total);
  void UpdatePercent(int percent);
  // Clears the line, so that the messages that follow start on a clean one.
  void Finish();

 private:
  std::string label_;
  bool active_;
  bool drawn_ = false;
  int shown_ = -1;
};

}  // namespace vozip
