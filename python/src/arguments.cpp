#include "arguments.h"

#include <Python.h>

#include <cmath>
#include <cstdio>

#include "errors.h"

namespace py = pybind11;

namespace velumor_python {

double PositiveReal(py::handle value, const char* argument) {
    if (PyBool_Check(value.ptr()) || (!PyFloat_Check(value.ptr()) && !PyNumber_Check(value.ptr()))) {
        throw py::type_error(std::string(argument) + ": expected a number, got " + Py_TYPE(value.ptr())->tp_name);
    }
    const double x = PyFloat_AsDouble(value.ptr());
    if (x == -1.0 && PyErr_Occurred()) {
        PyErr_Clear();
        throw py::type_error(std::string(argument) + ": expected a number, got " + Py_TYPE(value.ptr())->tp_name);
    }
    if (!std::isfinite(x) || x <= 0.0) {
        throw py::value_error(std::string(argument) + ": expected a finite number > 0, got " + NumberText(x));
    }
    return x;
}

long long WholeNumber(py::handle value, const char* argument, long long low, long long high) {
    if (PyBool_Check(value.ptr()) || !PyIndex_Check(value.ptr())) {
        throw py::type_error(std::string(argument) + ": expected an int, got " + Py_TYPE(value.ptr())->tp_name);
    }
    py::object index = py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr()));
    if (!index) throw py::error_already_set();
    int overflow = 0;
    const long long x = PyLong_AsLongLongAndOverflow(index.ptr(), &overflow);
    if (x == -1 && PyErr_Occurred()) throw py::error_already_set();
    if (overflow != 0 || x < low || x > high) {
        throw py::value_error(std::string(argument) + ": expected " + std::to_string(low) + " .. " +
                              std::to_string(high) + ", got " + py::str(index).cast<std::string>());
    }
    return x;
}

std::string NumberText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

BusyGuard::BusyGuard(std::atomic<bool>& busy, const char* className) : busy_(busy) {
    if (busy_.exchange(true, std::memory_order_acquire)) {
        ThrowError(std::string(className) +
                   " is in use on another thread: one object serves one stream on one thread at a time");
    }
}

}  // namespace velumor_python
