#ifndef VELUMOR_STREAM_COEFFICIENT_FILE_H
#define VELUMOR_STREAM_COEFFICIENT_FILE_H

#include <cstddef>
#include <string>

namespace velumor::stream {

// Writes the converters' coefficient file format: one "index value" line per
// coefficient, with 9 significant digits so that every float reads back
// exactly. Throws StreamError (VELUMOR_ERROR_FILE) naming the path.
void WriteCoefficients(const std::string& path, const float* coefficients, std::size_t count);

// Throws StreamError (VELUMOR_ERROR_FILE) unless the path is a regular file
// that can be opened for reading: the converters read a file they cannot
// open as all zeros, which would pass unnoticed.
void CheckReadable(const std::string& path);

// A designed filter written to a file of its own in the temporary directory
// ($TMPDIR, else /tmp), since the converters read coefficients from files
// only; removed with the object.
class ScratchCoefficientFile {
public:
    ScratchCoefficientFile(const float* coefficients, std::size_t count);
    ~ScratchCoefficientFile();
    ScratchCoefficientFile(const ScratchCoefficientFile&) = delete;
    ScratchCoefficientFile& operator=(const ScratchCoefficientFile&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}  // namespace velumor::stream

#endif
