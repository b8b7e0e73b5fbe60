// Coefficient file arguments: a str, bytes or os.PathLike naming a file that
// must be readable before a converter is built from it.
#ifndef VELUMOR_PYTHON_COEFFICIENT_FILE_H
#define VELUMOR_PYTHON_COEFFICIENT_FILE_H

#include <pybind11/pybind11.h>

#include <string>

namespace velumor_python {

// The path in the file system's encoding. Raises TypeError for a value that
// is no path and ValueError for one with a NUL byte.
std::string FileSystemPath(pybind11::handle path, const char* argument);

// Raises FileNotFoundError, PermissionError, IsADirectoryError, ... (all
// OSError) unless the file can be opened and read. The libraries would
// read a missing file as all-zero coefficients; the package refuses it.
void CheckReadable(const std::string& path);

}  // namespace velumor_python

#endif
