#include "stream/coefficient_file.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "stream/errors.h"

namespace velumor::stream {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

[[noreturn]] void FileError(const std::string& path, const char* what, int error) {
    throw StreamError(VELUMOR_ERROR_FILE, path + ": " + what + ": " + std::strerror(error));
}

void WriteLines(std::FILE* file, const std::string& path, const float* coefficients, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (std::fprintf(file, "%zu %.9g\n", i, static_cast<double>(coefficients[i])) < 0) {
            FileError(path, "cannot write", errno);
        }
    }
}

// A name no other stream of this or another process picks at the same time:
// the exclusive open ("x") refuses one that exists, and the next is tried.
File CreateUnique(std::string& path) {
    static std::atomic<unsigned long> serial{0};
    std::error_code ignored;
    std::filesystem::path directory = std::filesystem::temp_directory_path(ignored);
    if (directory.empty()) directory = "/tmp";
    const auto seed = static_cast<unsigned long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[64];
        std::snprintf(name, sizeof name, "velumor-filter-%lx-%lx.txt", seed,
                      serial.fetch_add(1));
        path = (directory / name).string();
        if (std::FILE* file = std::fopen(path.c_str(), "wx")) return File(file);
        if (errno != EEXIST) break;
    }
    FileError(path, "cannot create the designed filter's file", errno);
}

}  // namespace

void WriteCoefficients(const std::string& path, const float* coefficients, std::size_t count) {
    File file(std::fopen(path.c_str(), "w"));
    if (!file) FileError(path, "cannot create", errno);
    WriteLines(file.get(), path, coefficients, count);
    if (std::fclose(file.release()) != 0) FileError(path, "cannot write", errno);
}

void CheckReadable(const std::string& path) {
    File file(std::fopen(path.c_str(), "r"));
    if (!file) FileError(path, "cannot open coefficient file", errno);
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        throw StreamError(VELUMOR_ERROR_FILE, path + ": not a coefficient file");
    }
}

ScratchCoefficientFile::ScratchCoefficientFile(const float* coefficients, std::size_t count) {
    File file = CreateUnique(path_);
    try {
        WriteLines(file.get(), path_, coefficients, count);
        if (std::fclose(file.release()) != 0) FileError(path_, "cannot write", errno);
    } catch (...) {
        std::remove(path_.c_str());
        throw;
    }
}

ScratchCoefficientFile::~ScratchCoefficientFile() { std::remove(path_.c_str()); }

}  // namespace velumor::stream
