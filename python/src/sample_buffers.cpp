#include "sample_buffers.h"

#include <cstring>

namespace py = pybind11;

namespace velumor_python {

namespace {

constexpr bool kLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

bool IsRawBytes(py::handle object) {
    return PyBytes_Check(object.ptr()) || PyByteArray_Check(object.ptr());
}

// The element type a buffer format names, if it is one of ours in native
// byte order.
bool ParseFormat(const char* format, Py_ssize_t itemSize, SampleType& type) {
    if (!format) return false;
    char order = '@';
    if (*format != '\0' && std::strchr("@=<>!", *format)) order = *format++;
    if ((order == '<' && !kLittleEndian) || ((order == '>' || order == '!') && kLittleEndian)) {
        return false;
    }
    if (std::strlen(format) != 1) return false;
    switch (format[0]) {
        case 'h': type = SampleType::Int16; return itemSize == 2;
        case 'f': type = SampleType::Float32; return itemSize == 4;
        case 'd': type = SampleType::Float64; return itemSize == 8;
        default: return false;
    }
}

// What the object holds, for messages: numpy's dtype name where there is one.
std::string ElementName(py::handle object, const Py_buffer& view) {
    if (py::hasattr(object, "dtype")) {
        try {
            return "dtype " + py::str(object.attr("dtype")).cast<std::string>();
        } catch (const py::error_already_set&) {
        }
    }
    return std::string("buffer format '") + (view.format ? view.format : "B") + "'";
}

[[noreturn]] void NoBuffer(py::handle object, const char* argument, const char* expected) {
    PyErr_Clear();
    throw py::type_error(std::string(argument) + ": expected " + expected +
                         " (a numpy array, bytes, bytearray or memoryview), got " +
                         Py_TYPE(object.ptr())->tp_name);
}

std::vector<Py_ssize_t> ViewShape(const Py_buffer& view, bool raw) {
    if (raw) return {view.len / 2};
    if (view.ndim == 0) return {};
    return std::vector<Py_ssize_t>(view.shape, view.shape + view.ndim);
}

Py_ssize_t Product(const std::vector<Py_ssize_t>& shape) {
    Py_ssize_t n = 1;
    for (Py_ssize_t extent : shape) n *= extent;
    return n;
}

}  // namespace

std::string ShapeText(const std::vector<Py_ssize_t>& shape) {
    std::string text = "(";
    for (std::size_t i = 0; i < shape.size(); ++i) {
        if (i > 0) text += ", ";
        text += std::to_string(shape[i]);
    }
    return text + (shape.size() == 1 ? ",)" : ")");
}

bool Overlap(const void* a, std::size_t aBytes, const void* b, std::size_t bBytes) {
    const auto x = reinterpret_cast<std::uintptr_t>(a);
    const auto y = reinterpret_cast<std::uintptr_t>(b);
    return aBytes > 0 && bBytes > 0 && x < y + bBytes && y < x + aBytes;
}

SampleInput::SampleInput(py::handle object, const char* argument, bool allowFloat) {
    Py_buffer& view = buffer_.view;
    const char* expected = allowFloat ? "int16, float32 or float64 samples" : "int16 samples";
    if (PyObject_GetBuffer(object.ptr(), &view, PyBUF_RECORDS_RO) != 0) {
        NoBuffer(object, argument, expected);
    }
    buffer_.held = true;
    raw_ = IsRawBytes(object);
    if (raw_) {
        if (view.len % 2 != 0) {
            throw py::value_error(std::string(argument) + ": " + std::to_string(view.len) +
                                  " bytes is not a whole number of int16 samples");
        }
    } else if (!ParseFormat(view.format, view.itemsize, type_) ||
               (!allowFloat && type_ != SampleType::Int16)) {
        std::string hint = allowFloat ? "" : "; the frame classes take int16 only";
        throw py::type_error(std::string(argument) + ": expected " + expected + " in native byte order, got " +
                             ElementName(object, view) + hint);
    }
    shape_ = ViewShape(view, raw_);
    const std::size_t itemSize = raw_ ? 2 : static_cast<std::size_t>(view.itemsize);
    const bool aligned = reinterpret_cast<std::uintptr_t>(view.buf) % itemSize == 0;
    if (PyBuffer_IsContiguous(&view, 'C') && aligned) {
        data_ = view.buf;
        return;
    }
    copy_.resize((static_cast<std::size_t>(view.len) + sizeof(double) - 1) / sizeof(double));
    if (PyBuffer_ToContiguous(copy_.data(), &view, view.len, 'C') != 0) throw py::error_already_set();
    data_ = copy_.data();
}

Py_ssize_t SampleInput::Count() const { return Product(shape_); }

SampleOutput::SampleOutput(py::handle object, const char* argument) {
    Py_buffer& view = buffer_.view;
    if (PyObject_GetBuffer(object.ptr(), &view, PyBUF_RECORDS) != 0) {
        if (PyObject_CheckBuffer(object.ptr())) {
            PyErr_Clear();
            throw py::value_error(std::string(argument) + ": the buffer is read-only");
        }
        NoBuffer(object, argument, "a writable int16 buffer");
    }
    buffer_.held = true;
    raw_ = IsRawBytes(object);
    SampleType type = SampleType::Int16;
    if (raw_) {
        if (view.len % 2 != 0) {
            throw py::value_error(std::string(argument) + ": " + std::to_string(view.len) +
                                  " bytes is not a whole number of int16 samples");
        }
    } else if (!ParseFormat(view.format, view.itemsize, type) || type != SampleType::Int16) {
        throw py::type_error(std::string(argument) + ": expected int16 samples in native byte order, got " +
                             ElementName(object, view));
    }
    if (!PyBuffer_IsContiguous(&view, 'C')) {
        throw py::value_error(std::string(argument) + ": expected a C-contiguous buffer to write into");
    }
    if (reinterpret_cast<std::uintptr_t>(view.buf) % 2 != 0) {
        throw py::value_error(std::string(argument) + ": the buffer is not aligned for int16");
    }
    shape_ = ViewShape(view, raw_);
}

Py_ssize_t SampleOutput::Count() const { return Product(shape_); }

}  // namespace velumor_python
