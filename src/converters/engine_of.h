// The engine type of each converter, for code written over both (the tests
// and benchmarks that run a converter on every path).
#ifndef VELUMOR_CONVERTERS_ENGINE_OF_H
#define VELUMOR_CONVERTERS_ENGINE_OF_H

#include "converters/down_engine.h"
#include "converters/up_engine.h"

namespace velumor {

template <typename Converter>
struct EngineOf;

template <>
struct EngineOf<CDownSampler> {
    using Type = DownEngine;
};

template <>
struct EngineOf<CUpSampler> {
    using Type = UpEngine;
};

}  // namespace velumor

#endif
