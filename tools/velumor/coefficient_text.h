#ifndef VELUMOR_TOOL_COEFFICIENT_TEXT_H
#define VELUMOR_TOOL_COEFFICIENT_TEXT_H

#include <cstddef>
#include <string>

namespace velumor_tool {

// The coefficient file the stream library writes for these coefficients
// (velumor_write_coefficients), as text. Throws IoError.
std::string CoefficientText(const float* coefficients, std::size_t count);

// Writes the text to a file descriptor; throws IoError naming `name`.
void WriteAll(int fd, const std::string& text, const std::string& name);

}  // namespace velumor_tool

#endif
