// The package's exceptions: velumor.Error for what the libraries report, and
// helpers that raise the built-in exception that fits a wrong argument.
#ifndef VELUMOR_PYTHON_ERRORS_H
#define VELUMOR_PYTHON_ERRORS_H

#include <pybind11/pybind11.h>

#include <string>

namespace velumor_python {

// Registers velumor.Error (a RuntimeError) in the module.
void RegisterErrors(pybind11::module_& module);

// Raises velumor.Error with the message.
[[noreturn]] void ThrowError(const std::string& message);

// Raises the OSError subclass that errno names (FileNotFoundError, ...),
// with the file name, as open() does.
[[noreturn]] void ThrowOsError(int error, const std::string& path);

}  // namespace velumor_python

#endif
