#ifndef VELUMOR_TOOL_TESTS_PIPED_TOOL_H
#define VELUMOR_TOOL_TESTS_PIPED_TOOL_H

#include <chrono>
#include <string>
#include <vector>

// The built tool with pipes on its standard input and output (or a file
// descriptor given for its output), for the tests of `velumor convert - -`.
class PipedTool {
public:
    // Starts the tool in `directory`. With outputFd >= 0 its standard output
    // is that descriptor instead of a pipe.
    PipedTool(const std::vector<std::string>& args, const std::string& directory, int outputFd = -1);
    ~PipedTool();
    PipedTool(const PipedTool&) = delete;
    PipedTool& operator=(const PipedTool&) = delete;

    // Writes all of the bytes to the tool's input (false if it is closed).
    bool Write(const std::string& bytes);
    void CloseInput();
    // Reads what has come within `wait` (at most `most` bytes); "" at the end.
    std::string Read(std::chrono::milliseconds wait, std::size_t most = 1 << 16);
    std::string ReadToEnd();
    void CloseOutput();

    struct Result {
        int status = -1;   // exit status, or -1 when the tool did not exit normally
        std::string err;   // its standard error
        long peakKb = 0;   // its largest resident set
    };
    // Waits for the tool to end (60 s at most, then kills it).
    Result Wait();

private:
    int pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    std::string errPath_;
};

// A file of bytes as one string.
std::string FileBytes(const std::string& path);

#endif
