// Which path a converter runs, shared by both converters.
#ifndef VELUMOR_CONVERTERS_PATH_CHOICE_H
#define VELUMOR_CONVERTERS_PATH_CHOICE_H

#include <memory>

#include "kernels/kernel_path.h"

namespace velumor {

// The engine of the fastest path the processor runs, or of the scalar
// definition where that path's kernel does not take the geometry.
template <typename Engine, typename Converter>
std::unique_ptr<Engine> EngineOfBestPath(const Converter& converter) {
    if (std::unique_ptr<Engine> engine = Engine::OnPath(converter, BestKernelPath())) return engine;
    return Engine::OnPath(converter, KernelPath::kScalar);
}

}  // namespace velumor

#endif
