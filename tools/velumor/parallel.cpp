#include "parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace velumor_tool {

void ParallelFor(int count, int threads, const std::function<void(int)>& task) {
    std::atomic<int> next{0};
    std::exception_ptr failure;
    std::mutex failureMutex;
    const auto work = [&] {
        for (int i = next++; i < count; i = next++) {
            try {
                task(i);
            } catch (...) {
                const std::lock_guard<std::mutex> lock(failureMutex);
                if (!failure) failure = std::current_exception();
            }
        }
    };
    std::vector<std::thread> helpers;
    const int helperCount = std::min(threads, count) - 1;
    for (int t = 0; t < helperCount; ++t) helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers) helper.join();
    if (failure) std::rethrow_exception(failure);
}

int DefaultThreadCount() {
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

}  // namespace velumor_tool
