#ifndef VELUMOR_TOOL_PARALLEL_H
#define VELUMOR_TOOL_PARALLEL_H

#include <functional>

namespace velumor_tool {

// Calls task(0) .. task(count - 1) on up to `threads` threads (the calling
// thread is one of them) and returns when all are done. Each index runs on
// one thread only. An exception from a task is rethrown here, after the
// other threads have finished.
void ParallelFor(int count, int threads, const std::function<void(int)>& task);

// The number of processors, at least 1.
int DefaultThreadCount();

}  // namespace velumor_tool

#endif
