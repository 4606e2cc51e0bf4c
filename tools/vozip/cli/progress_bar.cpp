#include "cli/progress_bar.h"

#include <cstdio>

#include "payload/host_fs.h"

namespace vozip {
namespace {
constexpr int kWidth = 30;
}

ProgressBar::ProgressBar(const std::string& label)
    : label_(label), active_(host::IsTerminal(stderr)) {}

void ProgressBar::Update(uint64_t done, uint64_t total) {
  if (!active_) return;
  UpdatePercent(total == 0 ? 100 : static_cast<int>(done * 100 / total));
}

void ProgressBar::UpdatePercent(int percent) {
  if (!active_) return;
  if (percent < 0) percent = 0;
  if (percent > 100) percent = 100;
  if (percent == shown_) return;
  shown_ = percent;
  const int filled = percent * kWidth / 100;
  std::fprintf(stderr, "\r%s [%.*s%.*s] %3d%%", label_.c_str(), filled,
               "##############################", kWidth - filled, "                              ",
               percent);
  std::fflush(stderr);
  drawn_ = true;
}

void ProgressBar::Finish() {
  if (!drawn_) return;
  std::fprintf(stderr, "\r%*s\r", static_cast<int>(label_.size()) + kWidth + 8, "");
  std::fflush(stderr);
  drawn_ = false;
  shown_ = -1;
}

}  // namespace vozip
