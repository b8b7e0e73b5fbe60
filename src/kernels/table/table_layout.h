// The table kernels' state, laid out at construction: a frame's filtered
// values (downsampler) or grid values (upsampler) are computed once into a
// table, row by row, and every output then mixes two of its entries.
#ifndef VELUMOR_KERNELS_TABLE_TABLE_LAYOUT_H
#define VELUMOR_KERNELS_TABLE_TABLE_LAYOUT_H

#include <cstdint>
#include <memory>
#include <optional>

class CDownSampler;
class CUpSampler;

namespace velumor {

// Extra doubles past Work in wideWork and floats past each table that whole
// vectors of the kernels may touch.
constexpr int kTablePadding = 32;

// A table of `rows` rows of the input positions first .. first + count - 1.
struct TablePlan {
    int first = 0;
    int count = 0;
    int stride = 0;  // row stride: count rounded up to 8
    std::int64_t rows = 0;
    double excess = 0.0;  // table entries per value the outputs use
};

// The plan, or nothing when the table would hold more than 16 entries per
// value the outputs use (positions far apart, when clamped or wrapped).
std::optional<TablePlan> PlanDownTable(const CDownSampler& converter);
std::optional<TablePlan> PlanUpTable(const CUpSampler& converter);

// Downsampler: the filtered values at input positions first .. first +
// count - 1 cover every BaseIndex[j] and BaseIndex[j] + 1 from output 1 on.
struct DownTable {
    const float* coefficients = nullptr;  // the converter's, taps of them
    int taps = 0;
    const float* work = nullptr;  // the converter's Work,
    int workLength = 0;           // of which the first workLength change per frame
    int first = 0;
    int count = 0;
    const int* baseIndex = nullptr;  // the converter's tables, from output 1 on
    const float* upperWeight = nullptr;
    const float* lowerWeight = nullptr;
    int outputs = 0;  // OutputLength - 1
    std::unique_ptr<double[]> wide;  // the coefficients, then Work, as doubles
    double* wideCoefficients = nullptr;  // taps rounded up to 8, zeros past taps
    double* wideWork = nullptr;          // zeros past workLength
    std::unique_ptr<float[]> filtered;   // count values, rounded up to 8
};

// Upsampler: row r = 0 .. Factor holds at input position b the grid value
// sum over k < G of coefficient[r + k * Factor] * Work[b + 1 + k].
struct UpTable {
    const float* coefficients = nullptr;  // taps = factor * g + 1
    int taps = 0;
    int factor = 0;
    int g = 0;
    const float* work = nullptr;  // the converter's Work, of which the first
    int workLength = 0;           // workLength change per frame
    int count = 0;   // positions per row: every BaseIndex is below it
    int stride = 0;  // row stride of filtered
    const int* baseIndex = nullptr;  // the converter's tables
    const int* phase = nullptr;
    const float* upperWeight = nullptr;
    const float* lowerWeight = nullptr;
    int outputs = 0;
    std::unique_ptr<double[]> wide;
    double* wideCoefficients = nullptr;
    double* wideWork = nullptr;
    std::unique_ptr<float[]> filtered;  // factor + 1 rows
};

DownTable MakeDownTable(const CDownSampler& converter, const TablePlan& plan);
UpTable MakeUpTable(const CUpSampler& converter, const TablePlan& plan);

}  // namespace velumor

#endif
