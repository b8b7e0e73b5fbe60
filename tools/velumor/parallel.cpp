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

PinnedWorkers::PinnedWorkers(int count, int threads)
    : count_(count), workers_(std::min(threads, count)) {
    if (workers_ <= 1) return;
    for (int w = 0; w < workers_; ++w) threads_.emplace_back([this, w] { Loop(w); });
}

PinnedWorkers::~PinnedWorkers() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    started_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

void PinnedWorkers::Run(const std::function<void(int)>& task) {
    if (threads_.empty()) {
        for (int i = 0; i < count_; ++i) task(i);
        return;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    task_ = &task;
    failure_ = nullptr;
    busy_ = workers_;
    ++round_;
    started_.notify_all();
    finished_.wait(lock, [this] { return busy_ == 0; });
    if (failure_) std::rethrow_exception(failure_);
}

void PinnedWorkers::Loop(int worker) {
    std::uint64_t seen = 0;
    for (;;) {
        const std::function<void(int)>* task = nullptr;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            started_.wait(lock, [&] { return stopping_ || round_ != seen; });
            if (stopping_) return;
            seen = round_;
            task = task_;
        }
        std::exception_ptr failure;
        for (int i = worker; i < count_; i += workers_) {
            try {
                (*task)(i);
            } catch (...) {
                if (!failure) failure = std::current_exception();
            }
        }
        const std::lock_guard<std::mutex> lock(mutex_);
        if (failure && !failure_) failure_ = failure;
        if (--busy_ == 0) finished_.notify_one();
    }
}

int DefaultThreadCount() {
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

}  // namespace velumor_tool
