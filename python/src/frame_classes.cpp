#include "frame_classes.h"

#include <velumor.h>

#include <pybind11/numpy.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "arguments.h"
#include "coefficient_file.h"
#include "sample_buffers.h"

namespace py = pybind11;

namespace velumor_python {

namespace {

// Limits that keep every array the converters allocate (and zero) within a
// few hundred megabytes, so that no argument exhausts the machine.
constexpr double kMaxFrameSamples = 1 << 24;
constexpr long long kMaxTaps = 1 << 20;
constexpr long long kMaxGridSamples = 1LL << 26;  // factor x input samples per frame

// Samples per frame as the library counts them (trunc(duration * rate + 0.1f)
// in double), refused when the frame would be empty or too long.
int FrameLength(float duration, float rate, double givenDuration) {
    const double samples = static_cast<double>(duration) * static_cast<double>(rate) + static_cast<double>(0.1f);
    const std::string frame = "frame_duration: " + NumberText(givenDuration) + " s at " +
                              NumberText(static_cast<double>(rate)) + " Hz";
    if (!(samples >= 1.0)) throw py::value_error(frame + " holds no sample");
    if (!(samples < kMaxFrameSamples + 1.0)) {
        throw py::value_error(frame + " is more than " + NumberText(kMaxFrameSamples) + " samples");
    }
    return static_cast<int>(samples);
}

float FloatArgument(double value, const char* argument) {
    const float x = static_cast<float>(value);
    if (!std::isfinite(x) || x <= 0.0f) {
        throw py::value_error(std::string(argument) + ": " + NumberText(value) + " is out of range");
    }
    return x;
}

// What one converter was built from, for the properties and repr.
struct Settings {
    double frameDuration = 0.0;
    double inputRate = 0.0;
    double outputRate = 0.0;
    int taps = 0;
    int factor = 1;
    py::object coefficientFile = py::none();
};

template <class Converter>
struct FrameClass {
    const char* name;
    Settings settings;
    std::unique_ptr<Converter> converter;
    std::atomic<bool> busy{false};

    py::object Convert(py::handle frames, py::handle out);
};

template <class Converter>
py::object FrameClass<Converter>::Convert(py::handle frames, py::handle out) {
    const Py_ssize_t inLength = converter->InputLength;
    const Py_ssize_t outLength = converter->OutputLength;
    SampleInput input(frames, "frames", false);
    const std::vector<Py_ssize_t>& shape = input.Shape();
    const bool batch = shape.size() == 2 && shape[1] == inLength;
    if (!batch && !(shape.size() == 1 && shape[0] == inLength)) {
        throw py::value_error("frames: expected shape (" + std::to_string(inLength) + ",) or (n, " +
                              std::to_string(inLength) + "), got " + ShapeText(shape));
    }
    const Py_ssize_t count = batch ? shape[0] : 1;
    const std::vector<Py_ssize_t> outShape =
        batch ? std::vector<Py_ssize_t>{count, outLength} : std::vector<Py_ssize_t>{outLength};

    py::object result;
    std::int16_t* dst = nullptr;
    std::optional<SampleOutput> given;
    if (out.is_none()) {
        py::array_t<std::int16_t> array(outShape);
        dst = array.mutable_data();
        result = std::move(array);
    } else {
        given.emplace(out, "out");
        const bool fits = given->Raw() ? given->Count() == count * outLength : given->Shape() == outShape;
        if (!fits) {
            throw py::value_error("out: expected shape " + ShapeText(outShape) + ", got " +
                                  ShapeText(given->Shape()));
        }
        dst = given->Data();
        result = py::reinterpret_borrow<py::object>(out);
    }

    const std::int16_t* src = input.Int16();
    std::vector<std::int16_t> copy;
    // One frame may share its buffer with its output (the library reads a
    // frame before it writes); later frames of a batch must not be
    // overwritten by earlier outputs.
    if (count > 1 && Overlap(src, static_cast<std::size_t>(count * inLength) * 2, dst,
                             static_cast<std::size_t>(count * outLength) * 2)) {
        copy.assign(src, src + count * inLength);
        src = copy.data();
    }
    BusyGuard guard(busy, name);
    py::gil_scoped_release release;
    for (Py_ssize_t i = 0; i < count; ++i) {
        converter->Conversion(src + i * inLength, dst + i * outLength);
    }
    return result;
}

using Down = FrameClass<CDownSampler>;
using Up = FrameClass<CUpSampler>;

[[noreturn]] void FileArgumentsAlone(const char* className, const char* arguments, const char* pair) {
    throw py::type_error(std::string(className) + ": " + arguments +
                         " go with a coefficient_file; without one the built-in " + pair + " Hz filter is used");
}

std::unique_ptr<Down> MakeDown(py::object durationArgument, py::object inputRate, py::object outputRate,
                               py::object taps, py::object coefficientFile) {
    auto d = std::make_unique<Down>();
    d->name = "DownSampler";
    Settings& s = d->settings;
    const double frameDuration = PositiveReal(durationArgument, "frame_duration");
    s.frameDuration = frameDuration;
    const float duration = FloatArgument(frameDuration, "frame_duration");
    if (coefficientFile.is_none()) {
        if (!inputRate.is_none() || !outputRate.is_none() || !taps.is_none()) {
            FileArgumentsAlone("DownSampler", "input_rate, output_rate and taps", "22050 -> 8000");
        }
        s.inputRate = 22050.0;
        s.outputRate = 8000.0;
        FrameLength(duration, 22050.0f, frameDuration);
        FrameLength(duration, 8000.0f, frameDuration);
        d->converter = std::make_unique<CDownSampler>(duration);
        s.taps = d->converter->TapCount;
        return d;
    }
    const std::string path = FileSystemPath(coefficientFile, "coefficient_file");
    if (taps.is_none()) throw py::type_error("DownSampler: a coefficient_file needs taps (its entry count)");
    s.inputRate = inputRate.is_none() ? 22050.0 : PositiveReal(inputRate, "input_rate");
    s.outputRate = outputRate.is_none() ? 8000.0 : PositiveReal(outputRate, "output_rate");
    s.taps = static_cast<int>(WholeNumber(taps, "taps", 1, kMaxTaps));
    const float in = FloatArgument(s.inputRate, "input_rate");
    const float out = FloatArgument(s.outputRate, "output_rate");
    if (!(in > out)) {
        throw py::value_error("DownSampler converts to a lower rate, not " + NumberText(s.inputRate) + " -> " +
                              NumberText(s.outputRate) + " Hz (UpSampler converts up)");
    }
    FrameLength(duration, in, frameDuration);
    FrameLength(duration, out, frameDuration);
    CheckReadable(path);
    s.coefficientFile = coefficientFile;
    d->converter = std::make_unique<CDownSampler>(duration, in, out, s.taps, path.c_str());
    return d;
}

std::unique_ptr<Up> MakeUp(py::object durationArgument, py::object inputRate, py::object outputRate, py::object factor,
                           py::object taps, py::object coefficientFile) {
    auto u = std::make_unique<Up>();
    u->name = "UpSampler";
    Settings& s = u->settings;
    const double frameDuration = PositiveReal(durationArgument, "frame_duration");
    s.frameDuration = frameDuration;
    const float duration = FloatArgument(frameDuration, "frame_duration");
    if (coefficientFile.is_none()) {
        if (!inputRate.is_none() || !outputRate.is_none() || !taps.is_none() || !factor.is_none()) {
            FileArgumentsAlone("UpSampler", "input_rate, output_rate, factor and taps", "8000 -> 22050");
        }
        s.inputRate = 8000.0;
        s.outputRate = 22050.0;
        FrameLength(duration, 8000.0f, frameDuration);
        FrameLength(duration, 22050.0f, frameDuration);
        u->converter = std::make_unique<CUpSampler>(duration);
        s.taps = u->converter->TapCount;
        s.factor = u->converter->Factor;
        return u;
    }
    const std::string path = FileSystemPath(coefficientFile, "coefficient_file");
    if (taps.is_none() || factor.is_none()) {
        throw py::type_error("UpSampler: a coefficient_file needs factor and taps (its entry count)");
    }
    s.inputRate = inputRate.is_none() ? 8000.0 : PositiveReal(inputRate, "input_rate");
    s.outputRate = outputRate.is_none() ? 22050.0 : PositiveReal(outputRate, "output_rate");
    s.factor = static_cast<int>(WholeNumber(factor, "factor", 1, kMaxTaps));
    s.taps = static_cast<int>(WholeNumber(taps, "taps", s.factor, kMaxTaps));
    const float in = FloatArgument(s.inputRate, "input_rate");
    const float out = FloatArgument(s.outputRate, "output_rate");
    if (!(in < out)) {
        throw py::value_error("UpSampler converts to a higher rate, not " + NumberText(s.inputRate) + " -> " +
                              NumberText(s.outputRate) + " Hz (DownSampler converts down)");
    }
    const int inLength = FrameLength(duration, in, frameDuration);
    FrameLength(duration, out, frameDuration);
    if (static_cast<long long>(s.factor) * inLength > kMaxGridSamples) {
        throw py::value_error("factor: " + std::to_string(s.factor) + " x " + std::to_string(inLength) +
                              " input samples a frame is more than " + std::to_string(kMaxGridSamples));
    }
    CheckReadable(path);
    s.coefficientFile = coefficientFile;
    u->converter = std::make_unique<CUpSampler>(duration, in, out, s.factor, s.taps, path.c_str());
    return u;
}

template <class Class>
std::string Repr(const Class& c) {
    const Settings& s = c.settings;
    std::string text = std::string("velumor.") + c.name + "(" + NumberText(s.frameDuration);
    if (!s.coefficientFile.is_none()) {
        text += ", input_rate=" + NumberText(s.inputRate) + ", output_rate=" + NumberText(s.outputRate);
        if (std::strcmp(c.name, "UpSampler") == 0) text += ", factor=" + std::to_string(s.factor);
        text += ", taps=" + std::to_string(s.taps) +
                ", coefficient_file=" + py::repr(s.coefficientFile).template cast<std::string>();
    }
    return text + ")";
}

const char* const kConvertDoc = R"(Converts frames, in stream order.

frames: int16 samples, shape (input_length,) for one frame or
    (n, input_length) for n consecutive frames of the stream; any C-contiguous
    int16 buffer (numpy array, bytes, bytearray, memoryview of format 'h') is
    read in place, a strided one copied. Other dtypes raise TypeError, other
    shapes ValueError.
out: optional int16 array of shape (output_length,) or (n, output_length),
    C-contiguous and writable, that receives the output (no allocation); it
    may share memory with frames.
Returns the output: out when given, else a new int16 array.

Bit for bit the output of the library's Conversion(), frame after frame. The
GIL is released while converting. One object serves one stream on one thread
at a time; a call while another thread converts raises velumor.Error.)";

template <class Class>
void DefineCommon(py::class_<Class>& cls) {
    cls.def("convert", &Class::Convert, py::arg("frames"), py::kw_only(), py::arg("out") = py::none(), kConvertDoc)
        .def_property_readonly(
            "input_length", [](const Class& c) { return c.converter->InputLength; },
            "Input samples per frame.")
        .def_property_readonly(
            "output_length", [](const Class& c) { return c.converter->OutputLength; },
            "Output samples per frame.")
        .def_property_readonly(
            "frame_duration", [](const Class& c) { return c.settings.frameDuration; }, "Seconds per frame.")
        .def_property_readonly(
            "input_rate", [](const Class& c) { return c.settings.inputRate; }, "Input rate, Hz.")
        .def_property_readonly(
            "output_rate", [](const Class& c) { return c.settings.outputRate; }, "Output rate, Hz.")
        .def_property_readonly(
            "taps", [](const Class& c) { return c.converter->TapCount; }, "Filter coefficients in use.")
        .def("__repr__", &Repr<Class>);
}

}  // namespace

void BindFrameClasses(py::module_& module) {
    py::class_<Down> down(module, "DownSampler", R"(Frame-by-frame downsampler, bit-exact: the library's CDownSampler.

DownSampler(frame_duration) converts 22050 Hz to 8000 Hz with the built-in
35-tap filter; DownSampler(frame_duration, input_rate=..., output_rate=...,
taps=..., coefficient_file=...) any higher rate to a lower one with the first
`taps` coefficients of a coefficient file.

frame_duration: seconds per frame, > 0; samples per frame are
    trunc(frame_duration * rate + 0.1) (0.02 s: 441 in, 160 out).
input_rate, output_rate: Hz, input_rate > output_rate (default 22050, 8000).
taps: coefficients read from the file, 1 .. 1048576.
coefficient_file: path (str, bytes or os.PathLike) of a coefficient file;
    one that cannot be read raises FileNotFoundError or another OSError.

No delay; the first output of each frame is its first input sample, and the
last few outputs of each frame see zeros past its end.
Threading: one object serves one stream on one thread at a time.)");
    down.def(py::init(&MakeDown), py::arg("frame_duration"), py::arg("input_rate") = py::none(),
             py::arg("output_rate") = py::none(), py::arg("taps") = py::none(),
             py::arg("coefficient_file") = py::none());
    DefineCommon(down);

    py::class_<Up> up(module, "UpSampler", R"(Frame-by-frame upsampler, bit-exact: the library's CUpSampler.

UpSampler(frame_duration) converts 8000 Hz to 22050 Hz with the built-in
145-tap polyphase filter (factor 8); UpSampler(frame_duration, input_rate=...,
output_rate=..., factor=..., taps=..., coefficient_file=...) any lower rate to
a higher one with a coefficient file of `taps` entries for factor L.

frame_duration: seconds per frame, > 0; samples per frame are
    trunc(frame_duration * rate + 0.1) (0.02 s: 160 in, 441 out).
input_rate, output_rate: Hz, input_rate < output_rate (default 8000, 22050).
factor: upsampling factor L, >= 1.
taps: entries the file holds, N >= factor; the centre L * (N // L) + 1 are used.
coefficient_file: path (str, bytes or os.PathLike) of a coefficient file;
    one that cannot be read raises FileNotFoundError or another OSError.

The output is delayed by `delay` input samples (9 with the built-in filter).
Threading: one object serves one stream on one thread at a time.)");
    up.def(py::init(&MakeUp), py::arg("frame_duration"), py::arg("input_rate") = py::none(),
           py::arg("output_rate") = py::none(), py::arg("factor") = py::none(), py::arg("taps") = py::none(),
           py::arg("coefficient_file") = py::none());
    DefineCommon(up);
    up.def_property_readonly(
          "factor", [](const Up& u) { return u.converter->Factor; }, "Upsampling factor L.")
        .def_property_readonly(
            "delay", [](const Up& u) { return (u.converter->Span - 1) / 2.0; },
            "Delay of the output, in input samples: (Span - 1) / 2.");
}

}  // namespace velumor_python
