// Sizes and lays out the table kernels' state (table_layout.h).
#include "kernels/table/table_layout.h"

#include <algorithm>
#include <limits>

#include "common/aligned_array.h"
#include "converters/work_length.h"
#include "velumor.h"

namespace velumor {

namespace {

// The vector paths compute every value from the first to the last one a
// frame needs; that pays while it is not many times more than the values
// used.
constexpr std::int64_t kMostExcess = 16;

std::optional<TablePlan> PlanTable(std::int64_t first, std::int64_t count, std::int64_t rows,
                                   std::int64_t used) {
    const std::int64_t stride = RoundUp(count, 8);
    const std::int64_t size = rows * stride;
    if (used < 1 || size > kMostExcess * used) return std::nullopt;
    // Rows indexed with int: a longer one keeps the scalar kernel.
    if (stride > std::numeric_limits<int>::max() - kTablePadding) return std::nullopt;
    TablePlan plan;
    plan.first = static_cast<int>(first);
    plan.count = static_cast<int>(count);
    plan.stride = static_cast<int>(stride);
    plan.rows = rows;
    plan.excess = static_cast<double>(size) / static_cast<double>(used);
    return plan;
}

// The coefficients, then workLength floats of Work, as doubles.
void AllocateWide(int taps, std::int64_t workLength, std::unique_ptr<double[]>& wide,
                  double*& wideCoefficients, double*& wideWork) {
    wide = NewZeroedArray<double>(RoundUp(taps, 8) + workLength + kTablePadding);
    wideCoefficients = wide.get();
    wideWork = wide.get() + RoundUp(taps, 8);
}

}  // namespace

// Every output after the first mixes the values at BaseIndex and one after.
std::optional<TablePlan> PlanDownTable(const CDownSampler& s) {
    if (s.OutputLength < 2) return std::nullopt;
    const int* base = s.BaseIndex + 1;
    const int first = *std::min_element(base, base + s.OutputLength - 1);
    const int last = *std::max_element(base, base + s.OutputLength - 1);
    return PlanTable(first, std::int64_t{last} - first + 2, 1, 2 * std::int64_t{s.OutputLength - 1});
}

// Each output mixes two grid values; the table has Factor + 1 phase rows.
std::optional<TablePlan> PlanUpTable(const CUpSampler& s) {
    if (s.OutputLength < 1) return std::nullopt;
    const int last = *std::max_element(s.BaseIndex, s.BaseIndex + s.OutputLength);
    return PlanTable(0, std::int64_t{last} + 1, std::int64_t{s.Factor} + 1,
                     2 * std::int64_t{s.OutputLength});
}

DownTable MakeDownTable(const CDownSampler& s, const TablePlan& plan) {
    DownTable t;
    t.coefficients = s.Coefficients;
    t.taps = s.TapCount;
    t.work = s.Work;
    t.workLength = s.TapCount / 2 + s.InputLength;
    t.first = plan.first;
    t.count = plan.count;
    t.baseIndex = s.BaseIndex + 1;
    t.upperWeight = s.UpperWeight + 1;
    t.lowerWeight = s.LowerWeight + 1;
    t.outputs = s.OutputLength - 1;
    AllocateWide(s.TapCount, DownWorkLength(s), t.wide, t.wideCoefficients, t.wideWork);
    t.filtered = NewZeroedArray<float>(std::int64_t{plan.stride} + kTablePadding);
    return t;
}

UpTable MakeUpTable(const CUpSampler& s, const TablePlan& plan) {
    UpTable t;
    t.coefficients = s.Coefficients;
    t.taps = s.TapCount;
    t.factor = s.Factor;
    t.g = s.Span - 1;
    t.work = s.Work;
    t.workLength = t.g + s.InputLength;
    t.count = plan.count;
    t.stride = plan.stride;
    t.baseIndex = s.BaseIndex;
    t.phase = s.Phase;
    t.upperWeight = s.UpperWeight;
    t.lowerWeight = s.LowerWeight;
    t.outputs = s.OutputLength;
    AllocateWide(s.TapCount, UpWorkLength(s), t.wide, t.wideCoefficients, t.wideWork);
    t.filtered = NewZeroedArray<float>(plan.rows * plan.stride + kTablePadding);
    return t;
}

}  // namespace velumor
