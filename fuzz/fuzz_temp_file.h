// A per-process scratch file the fuzz targets write their coefficient text
// to, since the library reads coefficients only from a path.
#ifndef VELUMOR_FUZZ_TEMP_FILE_H
#define VELUMOR_FUZZ_TEMP_FILE_H

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

inline const char* WriteScratchFile(const void* bytes, std::size_t size) {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        return std::string(dir != nullptr ? dir : "/tmp") + "/velumor-fuzz-" +
               std::to_string(::getpid()) + ".txt";
    }();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size > 0 && std::fwrite(bytes, 1, size, file) != size) std::abort();
    std::fclose(file);
    return path.c_str();
}

#endif
