#ifndef VELUMOR_TOOL_PROGRESS_H
#define VELUMOR_TOOL_PROGRESS_H

#include <chrono>
#include <cstdint>
#include <mutex>

namespace velumor_tool {

// A "velumor: 42%" line on stderr, redrawn in place. It appears only when
// enabled, stderr is a terminal and the work has already taken a second,
// so short runs and logs stay clean. Safe to advance from several threads.
class Progress {
public:
    explicit Progress(bool enabled);
    ~Progress();

    void AddTotal(std::int64_t units);
    void Advance(std::int64_t units);
    // Clears the line, if one was drawn.
    void Finish();

private:
    bool enabled_;
    std::mutex mutex_;
    std::int64_t total_ = 0;
    std::int64_t done_ = 0;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
};

}  // namespace velumor_tool

#endif
