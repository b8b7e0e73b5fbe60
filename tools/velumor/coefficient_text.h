#ifndef VELUMOR_TOOL_COEFFICIENT_TEXT_H
#define VELUMOR_TOOL_COEFFICIENT_TEXT_H

#include <string>
#include <vector>

namespace velumor_tool {

// The library's coefficient file format: one "index value" line per
// coefficient, with 9 significant digits so every float reads back exactly.
std::string FormatCoefficients(const std::vector<float>& coefficients);

// Writes the text to a file descriptor; throws IoError naming `name`.
void WriteAll(int fd, const std::string& text, const std::string& name);

}  // namespace velumor_tool

#endif
