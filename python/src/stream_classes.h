// velumor.Resampler, velumor.resample and velumor.design_filter: the stream
// library of <velumor_stream.h>.
#ifndef VELUMOR_PYTHON_STREAM_CLASSES_H
#define VELUMOR_PYTHON_STREAM_CLASSES_H

#include <pybind11/pybind11.h>

namespace velumor_python {

void BindStreams(pybind11::module_& module);

}  // namespace velumor_python

#endif
