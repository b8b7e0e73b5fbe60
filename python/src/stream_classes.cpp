#include "stream_classes.h"

#include <velumor_stream.h>

#include <pybind11/numpy.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "arguments.h"
#include "coefficient_file.h"
#include "errors.h"
#include "sample_buffers.h"

namespace py = pybind11;

namespace velumor_python {

namespace {

constexpr long long kMaxTaps = 1 << 20;

// The exception for a status, with the library's message.
[[noreturn]] void ThrowStatus(velumor_status status, std::string message) {
    if (message.empty()) message = velumor_status_text(status);
    switch (status) {
        case VELUMOR_ERROR_ARGUMENT:
        case VELUMOR_ERROR_RATE:
        case VELUMOR_ERROR_CHANNELS:
        case VELUMOR_ERROR_FRAME: throw py::value_error(message);
        case VELUMOR_ERROR_FILE: PyErr_SetString(PyExc_OSError, message.c_str()); throw py::error_already_set();
        case VELUMOR_ERROR_MEMORY: throw std::bad_alloc();
        default: ThrowError(message);
    }
}

// A rate in whole Hz: an int, or a float with no fraction (soundfile and
// numpy give either).
int Rate(py::handle value, const char* argument) {
    if (PyFloat_Check(value.ptr())) {
        const double x = PyFloat_AsDouble(value.ptr());
        if (!(x >= 1.0 && x <= VELUMOR_MAX_RATE) || x != std::floor(x)) {
            throw py::value_error(std::string(argument) + ": expected a whole number of Hz in 1 .. " +
                                  std::to_string(VELUMOR_MAX_RATE) + ", got " + NumberText(x));
        }
        return static_cast<int>(x);
    }
    return static_cast<int>(WholeNumber(value, argument, 1, VELUMOR_MAX_RATE));
}

// The keyword options that Resampler and resample share, checked.
struct StreamOptions {
    velumor_stream_config config{};
    std::string path;  // config.coefficient_file points into it

    StreamOptions(py::handle inputRate, py::handle outputRate, int channels, py::handle frameDuration,
                  py::handle coefficientFile, py::handle taps, py::handle factor) {
        velumor_stream_config_init(&config, Rate(inputRate, "input_rate"), Rate(outputRate, "output_rate"),
                                   channels);
        if (!frameDuration.is_none()) config.frame_duration = PositiveReal(frameDuration, "frame_duration");
        if (!taps.is_none()) config.taps = static_cast<int>(WholeNumber(taps, "taps", 1, kMaxTaps));
        if (!factor.is_none()) config.factor = static_cast<int>(WholeNumber(factor, "factor", 1, kMaxTaps));
        if (!coefficientFile.is_none()) {
            path = FileSystemPath(coefficientFile, "coefficient_file");
            if (taps.is_none()) throw py::type_error("a coefficient_file needs taps (its entry count)");
            CheckReadable(path);
            config.coefficient_file = path.c_str();
        }
    }
};

template <class Real>
void ToInt16(const Real* x, std::size_t count, std::int16_t* y) {
    for (std::size_t i = 0; i < count; ++i) {
        const Real v = x[i] * Real(32768);
        if (!(v == v)) {
            y[i] = 0;
        } else if (v >= Real(32767)) {
            y[i] = 32767;
        } else if (v <= Real(-32768)) {
            y[i] = -32768;
        } else {
            y[i] = static_cast<std::int16_t>(std::nearbyint(v));
        }
    }
}

template <class Real>
void FromInt16(const std::int16_t* x, std::size_t count, Real* y) {
    for (std::size_t i = 0; i < count; ++i) y[i] = static_cast<Real>(x[i]) / Real(32768);
}

class Resampler {
public:
    Resampler(const StreamOptions& options) : channels_(options.config.channels) {
        const velumor_status status = velumor_stream_create(&options.config, &stream_);
        if (status != VELUMOR_OK) ThrowStatus(status, velumor_error_message());
        inputRate_ = options.config.input_rate;
        outputRate_ = options.config.output_rate;
    }
    ~Resampler() { velumor_stream_destroy(stream_); }
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    py::object Process(py::handle chunk, bool last);

    int InputRate() const { return inputRate_; }
    int OutputRate() const { return outputRate_; }
    int Channels() const { return channels_; }
    std::size_t Latency() const { return velumor_stream_latency(stream_); }

private:
    velumor_stream* stream_ = nullptr;
    int inputRate_ = 0;
    int outputRate_ = 0;
    int channels_ = 1;
    std::atomic<bool> busy_{false};
    std::vector<std::int16_t> floatIn_;   // float chunks as int16
    std::vector<std::int16_t> floatOut_;  // output before it becomes float
};

py::object Resampler::Process(py::handle chunk, bool last) {
    SampleInput input(chunk, "chunk", true);
    const std::vector<Py_ssize_t>& shape = input.Shape();
    const auto channels = static_cast<Py_ssize_t>(channels_);
    Py_ssize_t count = 0;
    bool twoDimensional = false;
    if (input.Raw()) {
        if (input.Count() % channels != 0) {
            throw py::value_error("chunk: " + std::to_string(input.Count()) + " samples are not a whole number of " +
                                  std::to_string(channels) + "-channel frames");
        }
        count = input.Count() / channels;
        twoDimensional = channels > 1;
    } else if (shape.size() == 1 && channels == 1) {
        count = shape[0];
    } else if (shape.size() == 2 && shape[1] == channels) {
        count = shape[0];
        twoDimensional = true;
    } else {
        const std::string expected =
            channels == 1 ? std::string("(n,) or (n, 1)") : "(n, " + std::to_string(channels) + ")";
        throw py::value_error("chunk: expected shape " + expected + ", got " + ShapeText(shape));
    }
    const auto n = static_cast<std::size_t>(count);
    const std::size_t capacity =
        velumor_stream_max_output(stream_, n) + (last ? velumor_stream_max_output(stream_, 0) : 0);
    std::vector<Py_ssize_t> outShape{static_cast<Py_ssize_t>(capacity)};
    if (twoDimensional) outShape.push_back(channels);

    const SampleType type = input.Type();
    py::array output;
    if (type == SampleType::Int16) output = py::array_t<std::int16_t>(outShape);
    if (type == SampleType::Float32) output = py::array_t<float>(outShape);
    if (type == SampleType::Float64) output = py::array_t<double>(outShape);
    void* outputData = output.mutable_data();
    const std::size_t values = n * static_cast<std::size_t>(channels);
    const std::size_t outValues = capacity * static_cast<std::size_t>(channels);
    if (type != SampleType::Int16) {
        floatIn_.resize(values);
        floatOut_.resize(outValues);
    }

    BusyGuard guard(busy_, "Resampler");
    velumor_status status = VELUMOR_OK;
    std::string message;
    std::size_t written = 0;
    {
        py::gil_scoped_release release;
        const std::int16_t* src = input.Int16();
        std::int16_t* dst = static_cast<std::int16_t*>(outputData);
        if (type == SampleType::Float32) ToInt16(static_cast<const float*>(input.Data()), values, floatIn_.data());
        if (type == SampleType::Float64) ToInt16(static_cast<const double*>(input.Data()), values, floatIn_.data());
        if (type != SampleType::Int16) {
            src = floatIn_.data();
            dst = floatOut_.data();
        }
        status = velumor_stream_process(stream_, values > 0 ? src : nullptr, n, dst, capacity, &written);
        if (status == VELUMOR_OK && last) {
            std::size_t rest = 0;
            status = velumor_stream_finish(stream_, dst + written * static_cast<std::size_t>(channels),
                                           capacity - written, &rest);
            written += rest;
        }
        if (status != VELUMOR_OK) message = velumor_error_message();
        const std::size_t done = written * static_cast<std::size_t>(channels);
        if (status == VELUMOR_OK && type == SampleType::Float32) {
            FromInt16(dst, done, static_cast<float*>(outputData));
        }
        if (status == VELUMOR_OK && type == SampleType::Float64) {
            FromInt16(dst, done, static_cast<double*>(outputData));
        }
    }
    if (status != VELUMOR_OK) ThrowStatus(status, message);
    if (written != capacity) {
        outShape[0] = static_cast<Py_ssize_t>(written);
        output.resize(outShape, false);
    }
    return std::move(output);
}

int ChannelsOf(py::handle x) {
    SampleInput input(x, "x", true);
    if (input.Raw() || input.Shape().size() == 1) return 1;
    if (input.Shape().size() == 2) {
        return static_cast<int>(std::min<Py_ssize_t>(input.Shape()[1], VELUMOR_MAX_CHANNELS + 1));
    }
    throw py::value_error("x: expected shape (n,) or (n, channels), got " + ShapeText(input.Shape()));
}

py::object DesignFilter(py::handle inputRate, py::handle outputRate, py::handle taps, py::handle factor,
                        py::handle path) {
    const int in = Rate(inputRate, "input_rate");
    const int out = Rate(outputRate, "output_rate");
    const int tapCount = taps.is_none() ? 0 : static_cast<int>(WholeNumber(taps, "taps", 1, kMaxTaps));
    const int l = factor.is_none() ? 0 : static_cast<int>(WholeNumber(factor, "factor", 1, kMaxTaps));
    const std::string file = path.is_none() ? std::string() : FileSystemPath(path, "path");
    velumor_filter_design design{};
    velumor_status status = VELUMOR_OK;
    std::string message;
    {
        py::gil_scoped_release release;
        status = velumor_design_filter(in, out, tapCount, l, nullptr, 0, &design);
        if (status != VELUMOR_ERROR_OUTPUT_SIZE && status != VELUMOR_OK) message = velumor_error_message();
    }
    if (status != VELUMOR_ERROR_OUTPUT_SIZE && status != VELUMOR_OK) ThrowStatus(status, message);
    py::array_t<float> coefficients(static_cast<Py_ssize_t>(design.taps));
    float* data = coefficients.mutable_data();
    int error = 0;
    {
        py::gil_scoped_release release;
        status = velumor_design_filter(in, out, tapCount, l, data, static_cast<std::size_t>(design.taps), &design);
        if (status == VELUMOR_OK && !file.empty()) {
            errno = 0;
            status = velumor_write_coefficients(file.c_str(), data, static_cast<std::size_t>(design.taps));
            error = errno;
        }
        if (status != VELUMOR_OK) message = velumor_error_message();
    }
    if (status == VELUMOR_ERROR_FILE && error != 0) ThrowOsError(error, file);
    if (status != VELUMOR_OK) ThrowStatus(status, message);
    return std::move(coefficients);
}

}  // namespace

void BindStreams(py::module_& module) {
    py::class_<Resampler>(module, "Resampler", R"(A stream converter: chunks of any size in, aligned output of exact length out.

Resampler(input_rate, output_rate, channels=1, *, frame_duration=None,
          coefficient_file=None, taps=None, factor=None)

input_rate, output_rate: whole Hz, 1 .. 1000000, different.
channels: 1 .. 256; chunks are (n,) or (n, 1) for one channel, (n, channels)
    otherwise (a bytes-like holds interleaved samples).
frame_duration: seconds per converter frame; None picks 20 ms for
    22050 <-> 8000 Hz, else about 20 ms of whole samples at both rates.
coefficient_file: a coefficient file to use (then taps, its entry count, is
    required); None: the built-in filters for 22050 <-> 8000 Hz unless taps
    or factor is given, else a filter designed as design_filter() designs it.
taps: the file's entries, or the designed filter's taps (None: the fewest
    that reach 80 dB).
factor: upsampling factor L (converting up; None: the default).

The output does not depend on how the input is cut into chunks; sample m of
the output stands for the input at time m / output_rate; after the last chunk
each channel has round(n * output_rate / input_rate) samples for n input
samples; channel c is what a mono stream of channel c gives.
The GIL is released while converting. One object serves one stream on one
thread at a time; a call while another thread converts raises velumor.Error.)")
        .def(py::init([](py::object inputRate, py::object outputRate, py::object channels, py::object frameDuration,
                         py::object coefficientFile, py::object taps, py::object factor) {
                 const int c = static_cast<int>(WholeNumber(channels, "channels", 1, VELUMOR_MAX_CHANNELS));
                 const StreamOptions options(inputRate, outputRate, c, frameDuration, coefficientFile, taps, factor);
                 return std::make_unique<Resampler>(options);
             }),
             py::arg("input_rate"), py::arg("output_rate"), py::arg("channels") = 1, py::kw_only(),
             py::arg("frame_duration") = py::none(), py::arg("coefficient_file") = py::none(),
             py::arg("taps") = py::none(), py::arg("factor") = py::none())
        .def("process", &Resampler::Process, py::arg("chunk"), py::kw_only(), py::arg("last") = false,
             R"(Converts the next chunk of the stream and returns the output it completes.

chunk: n samples per channel, shape (n,) or (n, channels), n >= 0; int16, or
    float32/float64 in [-1, 1] (scaled by 32768, rounded to nearest, clipped).
    C-contiguous buffers are read in place.
last: True for the stream's last chunk (it may be empty): the rest of the
    output follows, and the stream takes no more calls (velumor.Error).
Returns the output, of the chunk's dtype, shape (m,) or (m, channels).)")
        .def_property_readonly("latency", &Resampler::Latency,
                               "Output samples (per channel) held back: the input taken stands for this many\n"
                               "more output samples than have been returned.")
        .def_property_readonly("input_rate", &Resampler::InputRate, "Input rate, Hz.")
        .def_property_readonly("output_rate", &Resampler::OutputRate, "Output rate, Hz.")
        .def_property_readonly("channels", &Resampler::Channels, "Interleaved channels.");

    module.def(
        "resample",
        [](py::object x, py::object inputRate, py::object outputRate, py::object frameDuration,
           py::object coefficientFile, py::object taps, py::object factor) {
            const StreamOptions options(inputRate, outputRate, ChannelsOf(x), frameDuration, coefficientFile, taps,
                                        factor);
            Resampler stream(options);
            return stream.Process(x, true);
        },
        py::arg("x"), py::arg("input_rate"), py::arg("output_rate"), py::kw_only(),
        py::arg("frame_duration") = py::none(), py::arg("coefficient_file") = py::none(),
        py::arg("taps") = py::none(), py::arg("factor") = py::none(),
        R"(Converts a whole signal: what one Resampler gives for x as its only chunk.

x: shape (n,) or (n, channels); int16, or float32/float64 in [-1, 1].
input_rate, output_rate: whole Hz. Options as for Resampler.
Returns round(n * output_rate / input_rate) samples per channel, aligned with
x, of x's dtype and dimensions. The GIL is released while converting.)");

    module.def("design_filter", &DesignFilter, py::arg("input_rate"), py::arg("output_rate"), py::kw_only(),
               py::arg("taps") = py::none(), py::arg("factor") = py::none(), py::arg("path") = py::none(),
               R"(Designs the Kaiser-windowed sinc low-pass a stream uses without a coefficient file.

input_rate, output_rate: whole Hz. taps: coefficient count (None: the fewest
that reach 80 dB stopband attenuation). factor: upsampling factor L when
converting up (None: the default). path: also write a coefficient file there.
Returns the coefficients, float32, shape (taps,); as `velumor design` makes them.)");
}

}  // namespace velumor_python
