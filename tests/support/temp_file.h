// A file under the system's temporary directory, written at construction and
// removed at destruction: coefficient files for the tests.
#ifndef VELUMOR_TESTS_TEMP_FILE_H
#define VELUMOR_TESTS_TEMP_FILE_H

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

class TempFile {
public:
    explicit TempFile(const std::string& contents) {
        static int counter = 0;
        path_ = (std::filesystem::temp_directory_path() /
                 ("velumor-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".txt"))
                    .string();
        std::ofstream out(path_, std::ios::binary);
        out << contents;
    }
    ~TempFile() { std::remove(path_.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const char* path() const { return path_.c_str(); }

private:
    std::string path_;
};

// A coefficient file "i value" per line, values printed with enough digits
// to read back as the same floats.
template <typename Container>
std::string CoefficientText(const Container& values) {
    std::string text;
    int index = 0;
    for (float v : values) {
        char line[64];
        std::snprintf(line, sizeof line, "%d %.9g\n", index++, static_cast<double>(v));
        text += line;
    }
    return text;
}

#endif
