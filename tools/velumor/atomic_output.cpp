#include "atomic_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "errors.h"

namespace velumor_tool {
namespace {

// Paths of the temporary files in progress, for the signal handler, which
// may only read them and call unlink().
constexpr int kSlots = 256;
std::array<std::atomic<char*>, kSlots> g_temporaries{};

int Register(const std::string& path) {
    char* copy = strdup(path.c_str());
    for (int i = 0; i < kSlots; ++i) {
        char* expected = nullptr;
        if (g_temporaries[static_cast<std::size_t>(i)].compare_exchange_strong(expected, copy)) return i;
    }
    std::free(copy);  // no slot free: the file is still removed on errors
    return -1;
}

void Unregister(int slot) {
    if (slot < 0) return;
    std::free(g_temporaries[static_cast<std::size_t>(slot)].exchange(nullptr));
}

extern "C" void RemoveAndReraise(int signal) {
    for (auto& entry : g_temporaries) {
        if (char* path = entry.load()) unlink(path);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

std::string Describe(int error) { return std::strerror(error); }

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

mode_t CreationMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

}  // namespace

void CheckOutputPath(const std::string& path, bool overwrite) {
    struct stat st{};
    if (lstat(path.c_str(), &st) == 0) {
        if (!overwrite) throw IoError(path + ": already exists (use --force to overwrite)");
        // Renaming over a device, directory or link would replace it, not
        // write into it.
        if (!S_ISREG(st.st_mode)) throw IoError(path + ": exists and is not a regular file");
    }
    if (stat(DirectoryOf(path).c_str(), &st) != 0) {
        throw IoError(path + ": cannot create: " + Describe(errno));
    }
    if (!S_ISDIR(st.st_mode)) throw IoError(path + ": cannot create: " + Describe(ENOTDIR));
}

AtomicOutput::AtomicOutput(const std::string& target, bool overwrite)
    : target_(target), overwrite_(overwrite) {
    CheckOutputPath(target, overwrite);
    std::string pattern = DirectoryOf(target) + "/." + BaseName(target) + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd_ = mkstemp(name.data());
    if (fd_ < 0) throw IoError(target + ": cannot create: " + Describe(errno));
    temporary_ = name.data();
    slot_ = Register(temporary_);
    static const mode_t mode = CreationMode();
    fchmod(fd_, mode);
}

AtomicOutput::~AtomicOutput() {
    if (fd_ >= 0) close(fd_);
    if (!committed_) unlink(temporary_.c_str());
    Unregister(slot_);
}

void AtomicOutput::Commit() {
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) throw IoError(target_ + ": cannot write: " + Describe(errno));
    if (overwrite_) {
        if (rename(temporary_.c_str(), target_.c_str()) != 0) {
            throw IoError(target_ + ": cannot write: " + Describe(errno));
        }
    } else {
        // link() fails when the target exists, so nothing is replaced.
        if (link(temporary_.c_str(), target_.c_str()) != 0) {
            const int error = errno;
            if (error == EEXIST) throw IoError(target_ + ": already exists (use --force to overwrite)");
            throw IoError(target_ + ": cannot write: " + Describe(error));
        }
        unlink(temporary_.c_str());
    }
    committed_ = true;
}

void RemoveTemporariesOnSignal() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, RemoveAndReraise);
}

}  // namespace velumor_tool
