#ifndef VELUMOR_TOOL_ERRORS_H
#define VELUMOR_TOOL_ERRORS_H

#include <stdexcept>
#include <string>

namespace velumor_tool {

// A wrong command line: bad option, value or argument count. Exit status 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A file that cannot be read, written or understood. Exit status 1.
struct IoError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The reader of standard output went away (EPIPE): the tool ends quietly,
// with status 0, as a pipeline whose consumer has had enough expects.
struct BrokenPipe {};

constexpr int kExitIoError = 1;
constexpr int kExitUsageError = 2;

}  // namespace velumor_tool

#endif
