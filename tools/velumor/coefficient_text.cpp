#include "coefficient_text.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "errors.h"

namespace velumor_tool {

std::string FormatCoefficients(const std::vector<float>& coefficients) {
    std::string text;
    char line[64];
    for (std::size_t i = 0; i < coefficients.size(); ++i) {
        std::snprintf(line, sizeof line, "%zu %.9g\n", i, static_cast<double>(coefficients[i]));
        text += line;
    }
    return text;
}

void WriteAll(int fd, const std::string& text, const std::string& name) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw IoError(name + ": cannot write: " + std::strerror(errno));
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace velumor_tool
