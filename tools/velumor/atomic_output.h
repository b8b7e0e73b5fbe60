#ifndef VELUMOR_TOOL_ATOMIC_OUTPUT_H
#define VELUMOR_TOOL_ATOMIC_OUTPUT_H

#include <string>

namespace velumor_tool {

// An output file that appears under its name only when complete: the data go
// to a hidden temporary file beside the target, renamed over it by Commit().
// Until then the target is untouched; the temporary file is removed when the
// object is destroyed uncommitted, or when the process is interrupted.
class AtomicOutput {
public:
    // Throws IoError when the target exists and overwrite is false, or when
    // the temporary file cannot be created.
    AtomicOutput(const std::string& target, bool overwrite);
    ~AtomicOutput();

    AtomicOutput(const AtomicOutput&) = delete;
    AtomicOutput& operator=(const AtomicOutput&) = delete;

    int Descriptor() const { return fd_; }
    const std::string& Target() const { return target_; }

    // Closes and moves the data to the target. Without overwrite, a target
    // that appeared meanwhile is not replaced (IoError).
    void Commit();

private:
    std::string target_;
    std::string temporary_;
    bool overwrite_;
    int fd_ = -1;
    int slot_ = -1;
    bool committed_ = false;
};

// Throws IoError when the path exists and overwrite is false, when it
// exists and is not a regular file, or when its directory does not exist.
void CheckOutputPath(const std::string& path, bool overwrite);

// Removes unfinished temporary files on SIGINT, SIGTERM and SIGHUP.
void RemoveTemporariesOnSignal();

}  // namespace velumor_tool

#endif
