// How long the converters' Work arrays are: the kernels read them, and the
// converters allocate them.
#ifndef VELUMOR_CONVERTERS_WORK_LENGTH_H
#define VELUMOR_CONVERTERS_WORK_LENGTH_H

#include <cstdint>

class CDownSampler;
class CUpSampler;

namespace velumor {

// Zero floats past the end of a downsampler's Work, for the whole vectors
// the kernels load.
constexpr int kWorkPadding = 32;

// Floats of the downsampler's Work before the padding: H history samples,
// the frame and a zero tail of at least H that also holds the last window
// of any geometry, Work[BaseIndex[j] .. BaseIndex[j] + TapCount].
std::int64_t DownWorkLength(const CDownSampler& converter);

// Floats allocated for the downsampler's Work: its length, the padding, and
// what the stripes of any vector width read past them (their last lane's rows run on
// for a whole stripe), whichever reaches furthest.
std::int64_t DownWorkCapacity(const CDownSampler& converter);

// Floats of the upsampler's Work: G history samples and the frame; an empty
// frame still gets the one zero slot its windows reach.
std::int64_t UpWorkLength(const CUpSampler& converter);

}  // namespace velumor

#endif
