#include "progress.h"

#include <unistd.h>

#include <cstdio>

namespace velumor_tool {
namespace {

constexpr auto kQuietStart = std::chrono::seconds(1);
constexpr auto kRedrawInterval = std::chrono::milliseconds(200);

}  // namespace

Progress::Progress(bool enabled)
    : enabled_(enabled && isatty(STDERR_FILENO) == 1),
      start_(std::chrono::steady_clock::now()),
      lastDraw_(start_) {}

Progress::~Progress() { Finish(); }

void Progress::AddTotal(std::int64_t units) {
    const std::lock_guard<std::mutex> lock(mutex_);
    total_ += units;
}

void Progress::Advance(std::int64_t units) {
    if (!enabled_) return;
    const std::lock_guard<std::mutex> lock(mutex_);
    done_ += units;
    const auto now = std::chrono::steady_clock::now();
    if (now - start_ < kQuietStart || now - lastDraw_ < kRedrawInterval || total_ <= 0) return;
    lastDraw_ = now;
    drawn_ = true;
    std::fprintf(stderr, "\rvelumor: %3d%%", static_cast<int>(100 * done_ / total_));
    std::fflush(stderr);
}

void Progress::Finish() {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!drawn_) return;
    drawn_ = false;
    std::fprintf(stderr, "\r              \r");
    std::fflush(stderr);
}

}  // namespace velumor_tool
