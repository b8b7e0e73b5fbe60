#include "errors.h"

#include <Python.h>

#include <cerrno>

namespace py = pybind11;

namespace velumor_python {

namespace {
// Owned for the life of the process, so no destructor runs after the
// interpreter has finalised.
PyObject* errorType = nullptr;
}  // namespace

void RegisterErrors(py::module_& module) {
    errorType = PyErr_NewExceptionWithDoc(
        "velumor.Error",
        "An error the Velumor libraries report that no built-in exception describes\n"
        "(a finished stream processed again, a filter that cannot be designed, ...).",
        PyExc_RuntimeError, nullptr);
    if (!errorType) throw py::error_already_set();
    module.add_object("Error", py::reinterpret_borrow<py::object>(errorType));
}

void ThrowError(const std::string& message) {
    PyErr_SetString(errorType, message.c_str());
    throw py::error_already_set();
}

void ThrowOsError(int error, const std::string& path) {
    py::object name = py::reinterpret_steal<py::object>(
        PyUnicode_DecodeFSDefaultAndSize(path.data(), static_cast<Py_ssize_t>(path.size())));
    if (!name) throw py::error_already_set();
    errno = error;
    PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, name.ptr());
    throw py::error_already_set();
}

}  // namespace velumor_python
