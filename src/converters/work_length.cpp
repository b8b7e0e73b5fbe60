#include "converters/work_length.h"

#include <algorithm>

#include "kernels/layout/down_stripes.h"
#include "velumor.h"

namespace velumor {

std::int64_t DownWorkLength(const CDownSampler& s) {
    const int* base = s.BaseIndex;
    const std::int64_t lastBase =
        s.OutputLength > 0 ? *std::max_element(base, base + s.OutputLength) : 0;
    return std::max(std::int64_t{s.InputLength} + 2 * (s.TapCount / 2), lastBase + s.TapCount + 1);
}

std::int64_t DownWorkCapacity(const CDownSampler& s) {
    return std::max(DownWorkLength(s) + kWorkPadding,
                    DownStripesWorkReach(s.BaseIndex, s.OutputLength, s.TapCount));
}

std::int64_t UpWorkLength(const CUpSampler& s) {
    return std::int64_t{std::max(s.InputLength, 1)} + (s.Span - 1);
}

}  // namespace velumor
