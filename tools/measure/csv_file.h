#ifndef VELUMOR_MEASURE_CSV_FILE_H
#define VELUMOR_MEASURE_CSV_FILE_H

#include <fstream>
#include <limits>
#include <stdexcept>
#include <string>

namespace measure {

// A CSV file with a header line; values are written as given, doubles with
// enough digits to read back exactly.
class CsvFile {
public:
    CsvFile(const std::string& path, const std::string& header) : stream_(path) {
        if (!stream_) throw std::runtime_error("cannot write " + path);
        stream_.precision(std::numeric_limits<double>::max_digits10);
        stream_ << header << '\n';
    }

    template <class First, class... Rest>
    void Row(const First& first, const Rest&... rest) {
        stream_ << first;
        ((stream_ << ',' << rest), ...);
        stream_ << '\n';
    }

private:
    std::ofstream stream_;
};

}  // namespace measure

#endif
