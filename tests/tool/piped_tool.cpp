#include "piped_tool.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

PipedTool::PipedTool(const std::vector<std::string>& args, const std::string& directory, int outputFd)
    : errPath_(directory + "/../piped-stderr") {
    std::vector<std::string> argv{VELUMOR_TOOL};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv) pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    int in[2];
    int out[2] = {-1, -1};
    if (pipe2(in, O_CLOEXEC) != 0 || (outputFd < 0 && pipe2(out, O_CLOEXEC) != 0)) return;
    pid_ = fork();
    if (pid_ == 0) {
        const int err = open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (err < 0 || dup2(in[0], 0) < 0 || dup2(outputFd >= 0 ? outputFd : out[1], 1) < 0 ||
            dup2(err, 2) < 0 || chdir(directory.c_str()) != 0) {
            _exit(127);
        }
        execv(pointers[0], pointers.data());
        _exit(127);
    }
    close(in[0]);
    input_ = in[1];
    if (outputFd < 0) {
        close(out[1]);
        output_ = out[0];
    }
}

PipedTool::~PipedTool() {
    CloseInput();
    CloseOutput();
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool PipedTool::Write(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(input_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void PipedTool::CloseInput() {
    if (input_ >= 0) close(input_);
    input_ = -1;
}

std::string PipedTool::Read(std::chrono::milliseconds wait, std::size_t most) {
    pollfd p{output_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(wait.count())) <= 0) return "";
    std::string bytes(most, '\0');
    const ssize_t n = read(output_, bytes.data(), most);
    bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return bytes;
}

std::string PipedTool::ReadToEnd() {
    std::string all;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = read(output_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return all;
        all.append(buffer, static_cast<std::size_t>(n));
    }
}

void PipedTool::CloseOutput() {
    if (output_ >= 0) close(output_);
    output_ = -1;
}

PipedTool::Result PipedTool::Wait() {
    Result result;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int status = 0;
    rusage usage{};
    pid_t done = 0;
    while (pid_ > 0 && (done = wait4(pid_, &status, WNOHANG, &usage)) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid_, SIGKILL);
            wait4(pid_, &status, 0, &usage);
            done = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (done == pid_ && WIFEXITED(status)) result.status = WEXITSTATUS(status);
    pid_ = -1;
    result.peakKb = usage.ru_maxrss;
    result.err = FileBytes(errPath_);
    return result;
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}
