#ifndef VELUMOR_TOOL_TESTS_TOOL_RUNNER_H
#define VELUMOR_TOOL_TESTS_TOOL_RUNNER_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct ToolRun {
    int status = -1;  // exit status, or -1 when the tool did not exit normally
    std::string out;
    std::string err;
};

// A fixture with an empty working directory for the files of one test, and
// a way to run the built tool in it.
class ToolTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the tool with the working directory as its current directory;
    // its output is captured outside that directory. A run that takes over
    // 60 s is killed and fails the test.
    ToolRun Run(const std::vector<std::string>& args);

    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    // Paths of the files and directories under the working directory, sorted.
    std::vector<std::string> Files() const;

private:
    std::string root_;
    std::string dir_;
};

#endif
