// Sample arrays passed in and out: any object that exports a buffer (numpy
// arrays, bytes, bytearray, memoryview, array.array) is read in place when it
// is C-contiguous and aligned, and copied otherwise. bytes and bytearray hold
// raw native-endian int16 samples.
#ifndef VELUMOR_PYTHON_SAMPLE_BUFFERS_H
#define VELUMOR_PYTHON_SAMPLE_BUFFERS_H

#include <pybind11/pybind11.h>

#include <Python.h>

#include <cstdint>
#include <string>
#include <vector>

namespace velumor_python {

enum class SampleType { Int16, Float32, Float64 };

// "(441,)" or "(3, 441)", as numpy prints a shape.
std::string ShapeText(const std::vector<Py_ssize_t>& shape);

// A buffer export, released when it goes out of scope (also when a
// constructor that holds it throws).
struct HeldBuffer {
    Py_buffer view{};
    bool held = false;
    HeldBuffer() = default;
    HeldBuffer(const HeldBuffer&) = delete;
    HeldBuffer& operator=(const HeldBuffer&) = delete;
    ~HeldBuffer() {
        if (held) PyBuffer_Release(&view);
    }
};

// The samples of an argument, read-only. Raises TypeError for an object
// without a buffer or of another element type (float only when allowFloat),
// ValueError for a bytes-like of odd length.
class SampleInput {
public:
    SampleInput(pybind11::handle object, const char* argument, bool allowFloat);
    SampleInput(const SampleInput&) = delete;
    SampleInput& operator=(const SampleInput&) = delete;

    SampleType Type() const { return type_; }
    const void* Data() const { return data_; }
    const std::int16_t* Int16() const { return static_cast<const std::int16_t*>(data_); }
    // Shape in samples; a bytes-like is one-dimensional.
    const std::vector<Py_ssize_t>& Shape() const { return shape_; }
    Py_ssize_t Count() const;
    // bytes or bytearray (raw samples, no shape of their own).
    bool Raw() const { return raw_; }

private:
    HeldBuffer buffer_;
    bool raw_ = false;
    SampleType type_ = SampleType::Int16;
    const void* data_ = nullptr;
    std::vector<Py_ssize_t> shape_;
    std::vector<double> copy_;  // doubles: aligned for every element type
};

// A writable int16 buffer given as out=. Raises TypeError for another
// element type, ValueError for a read-only or non-contiguous buffer.
class SampleOutput {
public:
    SampleOutput(pybind11::handle object, const char* argument);
    SampleOutput(const SampleOutput&) = delete;
    SampleOutput& operator=(const SampleOutput&) = delete;

    std::int16_t* Data() const { return static_cast<std::int16_t*>(buffer_.view.buf); }
    const std::vector<Py_ssize_t>& Shape() const { return shape_; }
    Py_ssize_t Count() const;
    bool Raw() const { return raw_; }

private:
    HeldBuffer buffer_;
    bool raw_ = false;
    std::vector<Py_ssize_t> shape_;
};

// Whether two byte ranges share memory.
bool Overlap(const void* a, std::size_t aBytes, const void* b, std::size_t bBytes);

}  // namespace velumor_python

#endif
