#include "coefficient_text.h"

#include <unistd.h>
#include <velumor_stream.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "errors.h"

namespace velumor_tool {

std::string CoefficientText(const float* coefficients, std::size_t count) {
    // The library writes files only: through a scratch file, read back.
    const char* directory = std::getenv("TMPDIR");
    std::string pattern = std::string(directory != nullptr && *directory ? directory : "/tmp") +
                          "/velumor-coefficients.XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0) throw IoError(pattern + ": cannot create: " + std::strerror(errno));
    close(fd);
    const velumor_status status = velumor_write_coefficients(name.data(), coefficients, count);
    std::stringstream text;
    text << std::ifstream(name.data()).rdbuf();
    unlink(name.data());
    if (status != VELUMOR_OK) throw IoError(velumor_error_message());
    return text.str();
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
