// The extension module velumor._velumor; the package velumor re-exports it.
#include <pybind11/pybind11.h>

#include "errors.h"
#include "frame_classes.h"
#include "stream_classes.h"

namespace py = pybind11;

PYBIND11_MODULE(_velumor, module) {
    module.doc() = "Velumor's libraries: bit-exact frame converters, streams and whole-array resampling.";
    module.attr("__version__") = VELUMOR_VERSION;
    velumor_python::RegisterErrors(module);
    velumor_python::BindFrameClasses(module);
    velumor_python::BindStreams(module);
}
