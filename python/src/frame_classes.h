// velumor.DownSampler and velumor.UpSampler: the library's frame classes.
#ifndef VELUMOR_PYTHON_FRAME_CLASSES_H
#define VELUMOR_PYTHON_FRAME_CLASSES_H

#include <pybind11/pybind11.h>

namespace velumor_python {

void BindFrameClasses(pybind11::module_& module);

}  // namespace velumor_python

#endif
