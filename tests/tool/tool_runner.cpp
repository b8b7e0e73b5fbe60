#include "tool_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <thread>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

void ToolTest::SetUp() {
    std::string pattern = (fs::temp_directory_path() / "velumor-tool-test.XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    dir_ = root_ + "/work";
    fs::create_directory(dir_);
}

void ToolTest::TearDown() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

ToolRun ToolTest::Run(const std::vector<std::string>& args) {
    const std::string out = root_ + "/stdout";
    const std::string err = root_ + "/stderr";
    std::vector<std::string> argv{VELUMOR_TOOL};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv) pointers.push_back(arg.data());
    pointers.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
        const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (o < 0 || e < 0 || dup2(o, 1) < 0 || dup2(e, 2) < 0 || chdir(dir_.c_str()) != 0) _exit(127);
        execv(pointers[0], pointers.data());
        _exit(127);
    }
    ToolRun run;
    int status = 0;
    // A hung tool fails its test instead of stalling the run.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    pid_t done = 0;
    while (pid > 0 && (done = waitpid(pid, &status, WNOHANG)) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            ADD_FAILURE() << "the tool did not finish within 60 s";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (done == pid && WIFEXITED(status)) run.status = WEXITSTATUS(status);
    run.out = Slurp(out);
    run.err = Slurp(err);
    return run;
}

std::vector<std::string> ToolTest::Files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(dir_)) {
        names.push_back(fs::relative(entry.path(), dir_).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}
