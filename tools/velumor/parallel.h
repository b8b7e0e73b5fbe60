#ifndef VELUMOR_TOOL_PARALLEL_H
#define VELUMOR_TOOL_PARALLEL_H

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace velumor_tool {

// Calls task(0) .. task(count - 1) on up to `threads` threads (the calling
// thread is one of them) and returns when all are done. Each index runs on
// one thread only. An exception from a task is rethrown here, after the
// other threads have finished.
void ParallelFor(int count, int threads, const std::function<void(int)>& task);

// Runs task(0) .. task(count - 1) on each Run(), index i always on the same
// thread (i % threads of them), so that a converter never changes threads.
// With one thread everything runs on the caller's. Run() returns when all
// are done and rethrows the first exception a task threw.
class PinnedWorkers {
public:
    PinnedWorkers(int count, int threads);
    ~PinnedWorkers();

    PinnedWorkers(const PinnedWorkers&) = delete;
    PinnedWorkers& operator=(const PinnedWorkers&) = delete;

    void Run(const std::function<void(int)>& task);

private:
    void Loop(int worker);

    int count_;
    int workers_;  // threads, when more than 1
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable started_;
    std::condition_variable finished_;
    const std::function<void(int)>* task_ = nullptr;
    std::uint64_t round_ = 0;
    int busy_ = 0;
    bool stopping_ = false;
    std::exception_ptr failure_;
};

// The number of processors, at least 1.
int DefaultThreadCount();

}  // namespace velumor_tool

#endif
