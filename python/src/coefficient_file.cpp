#include "coefficient_file.h"

#include <Python.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "errors.h"

namespace py = pybind11;

namespace velumor_python {

std::string FileSystemPath(py::handle path, const char* argument) {
    PyObject* fsPath = PyOS_FSPath(path.ptr());
    if (!fsPath) {
        PyErr_Clear();
        throw py::type_error(std::string(argument) + ": expected a path (str, bytes or os.PathLike), got " +
                             std::string(Py_TYPE(path.ptr())->tp_name));
    }
    py::object owned = py::reinterpret_steal<py::object>(fsPath);
    py::bytes encoded = PyBytes_Check(fsPath)
                            ? py::reinterpret_borrow<py::bytes>(fsPath)
                            : py::reinterpret_steal<py::bytes>(PyUnicode_EncodeFSDefault(fsPath));
    if (!encoded) throw py::error_already_set();
    std::string result = encoded;
    if (result.find('\0') != std::string::npos) {
        throw py::value_error(std::string(argument) + ": embedded null byte");
    }
    return result;
}

void CheckReadable(const std::string& path) {
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) ThrowOsError(errno != 0 ? errno : ENOENT, path);
    // Opening a directory succeeds on Linux; reading it does not.
    std::fgetc(file);
    const int error = std::ferror(file) ? (errno != 0 ? errno : EIO) : 0;
    std::fclose(file);
    if (error != 0) ThrowOsError(error, path);
}

}  // namespace velumor_python
